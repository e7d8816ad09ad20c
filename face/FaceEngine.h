#pragma once
/**
 * @file FaceEngine.h
 * @brief The images and the work behind the face templates: the working photo, the face
 * crop and its contrast pyramid, the feature bars and regions, and the two renderers
 * (changed face and expression warp). The face filter owns one.
 *
 * Threads: the engine belongs to its filter and is used under the photo document's rendering
 * lock, on the rendering thread while its template is deferred. Only RequestStop may come
 * from another thread.
 *
 * Coordinates: "crop" coordinates are pixels of the 400 x 400 face crop; "display"
 * coordinates are pixels of the full photo (the source the filter was given); the face
 * rectangle is in pixels of the working photo (the photo scaled to fit 800 x 600).
 */
#include "face/FaceConfig.h"
#include "face/FaceShader.h"
#include "face/FaceTypes.h"
#include "face/FeatureModel.h"
#include "face/Landmarks.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace face {

struct CapMesh;

class FaceEngine {
public:
    FaceEngine();
    ~FaceEngine();
    FaceEngine(const FaceEngine&) = delete;
    FaceEngine& operator=(const FaceEngine&) = delete;

    /** 400 x 400 images, the starting feature model, and the cascade (loaded once). */
    void Init();

    /**
     * @brief Takes a clone of the photo and scales it to fit 800 x 600 (small photos are
     * enlarged). A photo other than the last one forgets the face and its features.
     * @return true when the photo differs from the previous one.
     */
    bool SetPhoto(const cv::Mat& photo);

    /** The next face of the working photo (see FaceDetector), then PrepareCrop. */
    void SearchFace();
    /**
     * @brief The photo the source was cut from, and where: searches then run on it (as they
     * would on the uncut photo) and the faces found are moved into the cut, those whose centre
     * lies outside it passed over. So a cropped photo finds the face its whole photo does, and
     * everything after the search works on the cut photo's pixels. Empty: search the photo.
     */
    void SetSearchFrame(const cv::Mat& whole, cv::Point offset);
    /** Cuts the face rectangle out at 400 x 400 and builds the contrast image and pyramid. */
    void PrepareCrop();
    /**
     * @brief Locates eyes and mouth: from the 68 landmarks when the landmark model is there,
     * else by fitting the feature bars. Sets featuresLocated unless stopped.
     */
    void AlignFeatures();
    /**
     * @brief The landmarks of the current face in crop pixels, shifted with any feature region
     * the user moved since. Predicted once per face rectangle; invalid without the model.
     */
    Landmarks CropLandmarks();
    /** Region i (0..2 features, 3 the face) in display coordinates; zero when there is none. */
    engine::FaceQuad GetRegion(int i) const;
    /** The inverse of GetRegion: 0..2 set a feature region, 3 moves the face rectangle. */
    void SetRegion(int i, const engine::FaceQuad& quad);
    /** Asks a running alignment to end (any thread). */
    void RequestStop() { stopRequest.store(true); }

    // --- Rendering (FaceCompositing.cpp, ExpressionWarp.cpp) ---------------------------------
    /**
     * @brief Loads the template picture (scaled to fit 1024 x 768) and its face configuration,
     * and rebuilds the cap mesh. A picture that cannot be loaded leaves everything as it was.
     * @return false when the picture could not be loaded.
     */
    bool LoadFacePicture(const std::string& picturePath, const std::string& configPath);
    /** Stores the sign of each expression component and recomputes the displacements. */
    void SetExpressionSigns(const std::int32_t values[3]);
    /** The face crop warped by the expression at amount m (400 x 400). */
    const cv::Mat& RenderExpression(float amount);
    /** Advances the swinging amount (when features are located) and renders at it. */
    const cv::Mat& AnimateExpression();
    /** The user's face blended into the template picture. */
    const cv::Mat& RenderChangedFace();

    // --- Detection state -------------------------------------------------------------------
    cv::Mat fullPhoto;      ///< clone of the source photo (display coordinates)
    cv::Mat workingPhoto;   ///< fitted into 800 x 600; detection runs on it
    FaceRect faceRect;      ///< current face in working-photo pixels
    std::vector<FaceRect> detectedFaces;  ///< every face the last detection found on this photo
    cv::Mat faceCrop;       ///< 400 x 400 BGR
    cv::Mat contrast;       ///< 400 x 400 local contrast
    cv::Mat colourCrop;     ///< 400 x 400 HSV of the crop, smoothed
    std::vector<cv::Mat> pyramid;  ///< contrast pyramid levels 1..n
    int iterationLimit = 10;       ///< 0 or less: no limit
    std::atomic<bool> stopRequest{false};
    bool featuresLocated = false;
    bool positionSearch = true;
    BarGroups bars{};
    FeatureBar mouthRest[kBarsPerGroup]{};  ///< rest layout of the mouth springs
    double gradX = 0, gradY = 0, baseScore = 0;
    engine::FaceQuad locatedRegions[3]{};  ///< as located (crop pixels)
    engine::FaceQuad currentRegions[3]{};  ///< as used, possibly edited (crop pixels)

    // --- Rendering state -------------------------------------------------------------------
    cv::Mat output;          ///< changed-face result, template size
    cv::Mat picture;         ///< template picture, at most 1024 x 768
    cv::Mat depth;           ///< CV_32F, template size
    FaceConfig config;       ///< pose of the cap over the picture
    cv::Size viewportSize;   ///< the picture's size
    std::unique_ptr<CapMesh> cap;
    cv::Mat expressionOutput;  ///< 400 x 400
    float scale = 1.0f, blendEdge = 0.2f;
    float blendRadius[3] = {1.25f, 1.25f, 1.25f};
    bool alignFace = false, enhancedColour = false;
    float texturePose[6] = {1, 0, 0, 0, 1, 0};  ///< x' = a u + b v + c, y' = d u + e v + f
    cv::Mat templateShade;      ///< CV_32F, the picture's lighting under the cap (TemplateShading)
    LabStats templateColour;    ///< colour of the picture's face under the middle of the cap
    std::int32_t expressionSigns[3] = {1, 0, 1};
    cv::Vec2f expressionDisplacement[6];
    float expressionAmount = 0, expressionStep = 0;

private:
    bool Stopped() const { return stopRequest.load(std::memory_order_relaxed); }
    /** Fits the eye bars one by one, from the coarsest level down; false when stopped. */
    bool FitEyeBars(int levels);
    /** Fits the mouth bars together, on springs, from the coarsest level down. */
    void FitMouthBars(int levels);
    /** Each mouth bar's force at one level, capped at maxForce; returns the pass's total score. */
    double MouthForces(int level, float maxForce, cv::Vec2d (&force)[kBarsPerGroup]);

    /** A face of the search frame's working photo in this photo's working pixels. */
    FaceRect FromSearchFrame(const FaceRect& r) const;
    bool InsideCut(const FaceRect& r) const;

    cv::Mat searchWhole_, searchWorking_;
    cv::Point searchOffset_;

    /** Poses the cap over the picture for a rendering with the given shader data. */
    void PoseCap(void* shaderData);
    /** Measures the picture under the cap: templateShade and templateColour. */
    void MeasureTemplate();

    /** The landmarks in working-photo pixels and the face rectangle they were predicted for. */
    Landmarks landmarks_;
    FaceRect landmarkRect_;
    bool landmarksTried_ = false;
    bool cropValid_ = false;
    FaceRect cropRect_;
    std::string picturePath_;  ///< the loaded picture (reloads of the same file are skipped)
    std::string configPath_;
};

/**
 * @brief Resizes the rectangle r of a photo into crop (keeping crop's size). A rectangle that
 * reaches past the photo's edges repeats the edge pixels, so the crop keeps its geometry (the
 * user may drag the face region there); one wholly outside gives black.
 */
void CutRegion(const cv::Mat& photo, const cv::Rect& r, cv::Mat& crop);

/** Scales a photo to fit 800 x 600 (enlarging small ones), each side truncated. */
cv::Mat MakeWorkingPhoto(const cv::Mat& photo);

}  // namespace face
