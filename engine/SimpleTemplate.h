#pragma once
/**
 * @file SimpleTemplate.h
 * @brief "SimpleTemplate": one filter, up to three user variables and an optional region
 * the user drags in the preview. The template of all 2D effects.
 */
#include "engine/SingleFilterTemplate.h"

namespace engine {

/** The parameter block simple templates hand their filters. */
struct SimpleParams {
    static constexpr ParamBlock kKind = ParamBlock::Simple;
    float var[3] = {0, 0, 0};                  ///< "var1".."var3" in filter units
    float x = 0.25f, y = 0.25f, w = 0.5f, h = 0.5f;  ///< the region, as photo fractions
};
static_assert(sizeof(SimpleParams) == 7 * sizeof(float));

/** Commands of ParamCommand. */
namespace param_cmd {
inline constexpr int VariableName = 150;   ///< data: char[200] buffer
inline constexpr int VariableRange = 250;  ///< data: int[3] min, max, default in slider steps
inline constexpr int SetVariable = 350;    ///< data: int* slider position
inline constexpr int HasRegion = 550;      ///< data: unsigned char*
inline constexpr int ShowRegion = 650;     ///< index != 0 shows the region
inline constexpr int NameBufferSize = 200;
}  // namespace param_cmd

class CT_SimpleTempl : public CSingleFilterTemplate {
public:
    CT_SimpleTempl();
    ~CT_SimpleTempl() override;

    bool Load() override;
    void ApplyParams() override;
    ParamBlock ParamsGiven() const override { return ParamBlock::Simple; }
    bool HasOverlay(int view) override;
    void DrawOverlay(int view, const cv::Mat& image, platform::DrawContext& dc, const ViewRect& rect, float panX,
                     float panY, float zoom) override;
    bool OnMouse(int view, const cv::Mat& image, const ViewRect& rect, float pan[2], float& zoom, bool isMove,
                 bool buttonDown, int reserved, int x, int y) override;
    bool IsDeferred() override;
    void ParamCommand(int command, platform::WindowId view, int index, void* data) override;
    COptionPanel* CreatePane(int which) override;
    /** The definition's values again: the variables' defaults and the default region. */
    virtual void ResetToDefaults();
    /** Whether anything differs from what ResetToDefaults would set. */
    virtual bool AtDefaults() const;

    struct VariableSpec {
        float min = 0, max = 0, def = 0, resolution = 1;
    };
    const VariableSpec& Variable(int i) const { return vars_[i]; }
    SimpleParams& Params() { return params_; }
    bool HasRegion() const { return hasRegion_; }
    bool ShowRegion() const { return showRegion_; }
    int ActiveHandle() const { return handle_; }

protected:
    VariableSpec vars_[3];
    SimpleParams params_;
    SimpleParams defaults_;  ///< as the definition sets them
    bool hasRegion_ = false;
    bool showRegion_ = true;
    int handle_ = 0;
    int lastX_ = 0, lastY_ = 0;
    bool held_ = false;
};

}  // namespace engine
