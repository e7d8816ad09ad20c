#pragma once
/**
 * @file CF_Face.h
 * @brief "FaceFilter": finds the face, locates eyes and mouth on request, and renders either
 * the changed face or the expression. The work is FaceEngine's; this class reads the
 * parameter block (FaceParams) and the definition's settings and calls it.
 *
 * Threads: as every filter (ImageFilter.h). Process runs on the rendering thread while the
 * template reports itself deferred (alignment); Stop may come from the interface thread and
 * only asks the engine to stop.
 */
#include "engine/ImageFilter.h"
#include "face/FaceEngine.h"
#include "face/FaceParams.h"
#include "platform/Notify.h"

namespace face {

class CF_Face : public engine::CImageFilter {
public:
    CF_Face();
    ~CF_Face() override;

    void SetSource(std::span<const cv::Mat> images) override;
    void Init() override;
    engine::ParamBlock ParamsNeeded() const override { return engine::ParamBlock::Face; }
    std::vector<const char*> FileSettings() const override { return {"image", "config"}; }
    void Stop() override;
    void Process() override;
    cv::Mat GetResult() override;
    bool IsDeferred() override { return true; }
    /** Writes the expression animation as a looping GIF of 20 frames; 1 on success. */
    int ExportAnimation(const std::string& path, int maxWidth, int maxHeight) override;
    /** The size ExportAnimation writes within these limits (empty without a face). */
    cv::Size AnimationSize(int maxWidth, int maxHeight) const;
    /** Hundredths of a second written with every frame; 0 writes no delay. */
    void SetFrameDelay(int centiseconds) { frameDelayCs_ = centiseconds; }

    /** The window told when no face is found (message 2124). */
    void SetNotifyWindow(platform::WindowId window) { notifyWindow_ = window; }
    /** The amount a still expression is rendered at (0.3 unless a script asks otherwise). */
    void SetStillAmount(float amount) { stillAmount_ = amount; }
    float StillAmount() const { return stillAmount_; }

    FaceEngine& Engine() { return engine_; }
    int SourceWidth() const { return width_; }
    /** The photo the source was cropped from and where (FaceEngine::SetSearchFrame); call after SetSource. */
    void SetSearchFrame(const cv::Mat& whole, cv::Point offset) { engine_.SetSearchFrame(whole, offset); }
    int SourceHeight() const { return height_; }

    /** The default face region of a W x H photo: a square of half the shorter side around (W/2, 0.4 H). */
    static engine::FaceQuad DefaultFaceRegion(int width, int height);

private:
    // The filter clears the template's requests in its block: the one place it writes there.
    FaceParams* Params() const { return const_cast<FaceParams*>(ParamsAs<FaceParams>()); }
    void LoadPicture();

    FaceEngine engine_;
    int frameDelayCs_ = 0;
    int width_ = 0, height_ = 0;
    float stillAmount_ = 0.3f;
    platform::WindowId notifyWindow_ = 0;
};

}  // namespace face
