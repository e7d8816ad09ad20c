#pragma once
/**
 * @file FaceTypes.h
 * @brief The small records face detection, feature location and region editing share.
 */
#include "engine/PhotoRecord.h"  // FaceQuad

#include <cstdint>

namespace face {

/** A face in working-photo pixels; all zero means that no face was found. */
struct FaceRect {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    bool IsEmpty() const { return width == 0 && height == 0 && x == 0 && y == 0; }
    friend bool operator==(const FaceRect&, const FaceRect&) = default;
};

/**
 * @brief A candidate eye or mouth: a short curved bar fitted to the contrast image. Each
 * bounds pair holds the maximum first; a pair of two zeros leaves its parameter free.
 */
struct FeatureBar {
    float cx = 0, cy = 0;
    float length = 0;     ///< extent along x
    float thickness = 0;  ///< extent across
    float curvature = 0;
    float tilt = 0;       ///< slope of the bar's axis, y per x
    float lengthMax = 0, lengthMin = 0;
    float thicknessMax = 0, thicknessMin = 0;
    float curvatureMax = 0, curvatureMin = 0;
    float tiltMax = 0, tiltMin = 0;
};
static_assert(sizeof(FeatureBar) == 14 * sizeof(float));

/** The ellipse shown for a region: semi-axes a and b, angle of a (radians), centre. */
struct RegionShape {
    float a = 0, b = 0, angle = 0, cx = 0, cy = 0;
};

/** Groups of feature bars and regions. */
enum FaceFeature : int { LeftEye = 0, RightEye = 1, Mouth = 2, FaceRegion = 3 };

}  // namespace face
