#pragma once
/**
 * @file FaceShader.h
 * @brief Per-pixel blending of the user's face into a template picture: the soft edge of the
 * face circle, extra weight around eyes and mouth, the pose that lines the face's features
 * up with the template ("Align face"), and the three blend modes.
 */
#include "face/FaceTypes.h"
#include "face/Landmarks.h"

#include <opencv2/core.hpp>

namespace face {

/**
 * @brief The soft window over x in 0..1 with edge width w: 1 on [w, 1 - w), 0 outside
 * [0, 1], a raised-cosine ramp between.
 */
float EdgeWindow(float x, float w);

/**
 * @brief How strongly texture point (u, v) belongs to a feature region (crop pixels): a
 * Gaussian over the region's slanted box, radius rho times its half-size.
 */
float FeatureWeight(float u, float v, const engine::FaceQuad& region, float rho);

/**
 * @brief The affine map that takes the reference eye and mouth points (0.25, 0.375),
 * (0.75, 0.375), (0.5, 0.82) to the centres of the three regions (crop pixels / 400).
 * @param pose a, b, c, d, e, f of x' = a u + b v + c, y' = d u + e v + f
 */
void TexturePoseFromRegions(const engine::FaceQuad (&regions)[3], float pose[6]);

/**
 * @brief Mixes template colour T and photo colour P (0..1 per channel).
 * @param alpha the edge window; @param F the feature weight (at most 0.5)
 * @param located whether eye and mouth regions are known; @param enhanced enhanced colour:
 * the template's colour shaded by the photo's brightness, the photo itself only at the features
 */
cv::Vec3f BlendFaceColour(const cv::Vec3f& T, const cv::Vec3f& P, float alpha, float F, bool located, bool enhanced);

/** Everything the face shader reads (shared by all threads of a render, read only). */
struct FaceShaderData {
    const cv::Mat* picture = nullptr;  ///< CV_8UC3 template picture
    const cv::Mat* photo = nullptr;    ///< CV_8UC3 full photo, or null
    cv::Rect2f face;                   ///< face rectangle as fractions of the photo
    float scale = 1, blendEdge = 0.2f;
    bool located = false, alignFace = false, enhanced = false;
    engine::FaceQuad regions[3];
    float radius[3] = {1.25f, 1.25f, 1.25f};
    float pose[6] = {1, 0, 0, 0, 1, 0};
    /** CV_32F over the face crop: 1 inside the face outline, feathered to 0 (null: the cap's circle alone). */
    const cv::Mat* hull = nullptr;
    /** CV_8UC3 face crop recoloured to the template (enhanced colour with landmarks), or null. */
    const cv::Mat* matched = nullptr;
    /** CV_32F, picture size: the template's lighting relative to its mean under the cap, or null. */
    const cv::Mat* shade = nullptr;
};

/**
 * @brief The blending mask of a face crop: the face outline (crop pixels of a crop of side
 * size) filled with 1, falling to 0 over feather pixels inside the outline. CV_32F, size x size.
 */
cv::Mat FaceHullMask(const Landmarks& crop, int size, float feather);

/** Mean and spread of L*, a*, b* (OpenCV's 8-bit Lab scale) over the pixels a mask marks. */
struct LabStats {
    cv::Vec3f mean{0, 0, 0}, sd{0, 0, 0};
    bool valid = false;
};
/** @param bgr CV_8UC3; @param mask CV_32F or CV_8U of bgr's size, pixels above 0.5 count. */
LabStats MeasureLab(const cv::Mat& bgr, const cv::Mat& mask);

/**
 * @brief The face recoloured to sit in a template: its own broad lighting evened out (so the
 * template's can take over), then each Lab channel moved to the template's mean and a little
 * towards its spread (all the way would wash out the eyes, the lips and the features).
 * @param face CV_8UC3 face crop; @param mask its face region (as MeasureLab)
 */
cv::Mat MatchFaceColour(const cv::Mat& face, const cv::Mat& mask, const LabStats& target);

/**
 * @brief The template's lighting: its brightness blurred over a tenth of the cap, divided by
 * the mean brightness under the cap. CV_32F of the picture's size; 1 where nothing is known.
 * @param coverage CV_8U, non-zero where the cap lies
 */
cv::Mat TemplateShading(const cv::Mat& picture, const cv::Mat& coverage);

/**
 * @brief The colour of a covered output pixel (px, py) whose cap point has texture
 * coordinate (u, v) and light colour light.
 */
cv::Vec3f ShadeFacePixel(const FaceShaderData& d, int px, int py, const float light[3], float u, float v);

}  // namespace face
