#pragma once
/**
 * @file FaceShader.h
 * @brief Per-pixel blending of the user's face into a template picture: the soft edge of the
 * face circle, extra weight around eyes and mouth, the pose that lines the face's features
 * up with the template ("Align face"), and the three blend modes.
 */
#include "face/FaceTypes.h"

#include <opencv2/core.hpp>

/**
 * @brief The soft window over x in 0..1 with edge width w: 1 on [w, 1 - w), 0 outside
 * [0, 1], a raised-cosine ramp between.
 */
float EdgeWindow(float x, float w);

/**
 * @brief How strongly texture point (u, v) belongs to a feature region (crop pixels): a
 * Gaussian over the region's slanted box, radius rho times its half-size.
 */
float FeatureWeight(float u, float v, const FaceQuad& region, float rho);

/**
 * @brief The affine map that takes the reference eye and mouth points (0.25, 0.375),
 * (0.75, 0.375), (0.5, 0.82) to the centres of the three regions (crop pixels / 400).
 * @param pose a, b, c, d, e, f of x' = a u + b v + c, y' = d u + e v + f
 */
void TexturePoseFromRegions(const FaceQuad (&regions)[3], float pose[6]);

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
    FaceQuad regions[3];
    float radius[3] = {1.25f, 1.25f, 1.25f};
    float pose[6] = {1, 0, 0, 0, 1, 0};
};

/**
 * @brief The colour of a covered output pixel (px, py) whose cap point has texture
 * coordinate (u, v) and light colour light.
 */
cv::Vec3f ShadeFacePixel(const FaceShaderData& d, int px, int py, const float light[3], float u, float v);
