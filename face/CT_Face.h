#pragma once
/**
 * @file CT_Face.h
 * @brief "FaceTemplate": the change-face and expression templates. Owns the FaceParams,
 * keeps the per-photo face state in the photo records, lets the user edit the face and
 * feature ellipses on the original-image view (and pick another detected face by clicking
 * it), answers the face panes' commands and drives the 10 ms expression timer.
 *
 * Threads: everything on the interface thread under the photo document's rendering lock,
 * except Process and GetResult while the template is deferred (alignment), which run on the
 * rendering thread, and Stop. OnMouse, DrawOverlay and ParamCommand run on the interface
 * thread; the list of detected faces they read is guarded by facesMutex_.
 */
#include "engine/SingleFilterTemplate.h"
#include "face/CF_Face.h"
#include "face/FaceParams.h"
#include "face/FaceTypes.h"

#include <mutex>
#include <vector>

namespace face {

class CT_Face : public engine::CSingleFilterTemplate {
public:
    CT_Face();
    ~CT_Face() override;

    bool Load() override;
    void ApplyParams() override;
    engine::ParamBlock ParamsGiven() const override { return engine::ParamBlock::Face; }
    bool HasOverlay(int view) override { return view == engine::ViewOriginal; }
    void DrawOverlay(int view, const cv::Mat& image, platform::DrawContext& dc, const engine::ViewRect& rect, float panX,
                     float panY, float zoom) override;
    bool OnMouse(int view, const cv::Mat& image, const engine::ViewRect& rect, float pan[2], float& zoom, bool isMove,
                 bool buttonDown, int reserved, int x, int y) override;
    void SetPhotos(std::span<const engine::PhotoRecord> records) override;
    void Process() override;
    bool IsDeferred() override { return deferred_; }
    void ParamCommand(int command, platform::WindowId view, int index, void* data) override;
    bool IsExpression() override { return params_.kind == KindExpression; }
    engine::COptionPanel* CreatePane(int which) override;
    void GetToolButtons(std::vector<engine::ToolButton>& list) override;
    void SetQuiet(int quiet) override;

    /** Timer 100 fired (the desktop program calls this for every tick of that timer). */
    static void OnTimer(int timerId);

    FaceParams& Params() { return params_; }
    const RegionShape& Shape(int i) const { return shapes_[i]; }
    CF_Face* FaceFilter() const { return static_cast<CF_Face*>(filter_.get()); }
    bool TimerEnabled() const { return timerEnabled_; }

    /** The faces the last search found on this photo, in display coordinates and search order. */
    std::vector<engine::FaceQuad> DetectedFaces() const;
    /**
     * @brief Makes detected face i the face used (its feature regions are dropped).
     * @return false when there is no such face.
     */
    bool ChooseFace(int index);

private:
    struct PhotoView;
    /** A region and which of its parts (a ShapeHandle) lies under the pointer; -1 for none. */
    struct RegionHit {
        int region = -1;
        int handle = -1;
    };

    // ParamCommand's commands.
    void AnswerAnimationSize(int* size);
    void SetPhotoOption(std::uint8_t& option, bool on);
    void PressPaneButton(int button, platform::WindowId view);
    void RequestFaceSearch(platform::WindowId view);
    void StartExpressionTimer(platform::WindowId view);
    void StopExpressionTimer(platform::WindowId view);

    // OnMouse's steps: what the pointer is over, the cursor for it, then a press, a drag or
    // the release that ends one.
    RegionHit HitRegion(const PhotoView& photo, int x, int y, cv::Point2f here) const;
    void ShowRegionCursor(const PhotoView& photo, RegionHit hit) const;
    /** @return true when the press picked another detected face. */
    bool PressAt(RegionHit hit, cv::Point2f here, int x, int y);
    void DragTo(const PhotoView& photo, cv::Point2f here, int x, int y);
    void EndDrag();

    void SaveFaceState();
    void NotifyPanes(int control, const char* text, bool searchStarted);
    /** Full-photo pixels per view mapping (the view shows the source photo). */
    cv::Size PhotoSize(const cv::Mat& image) const;
    void SetRegionFromShape(int region);

    FaceParams params_;
    bool deferred_ = false;
    bool timerEnabled_ = true;
    bool prevButton_ = false;
    RegionShape shapes_[4];
    int selRegion_ = -1;
    int selHandle_ = -1;
    bool moving_ = false;
    int lastX_ = 0, lastY_ = 0;
    FaceParams quietSaved_;
    bool quietActive_ = false;

    mutable std::mutex facesMutex_;
    std::vector<engine::FaceQuad> faces_;
};

}  // namespace face
