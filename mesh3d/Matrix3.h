#pragma once
/**
 * @file Matrix3.h
 * @brief The 3 x 3 rotation helpers the 3D templates and the face renderer pose models with.
 * Matrices are row-major and multiply column vectors.
 */
#include <opencv2/core.hpp>

#include <cmath>

namespace mesh3d {

namespace mat3 {

/** Turn by angle radians about the vertical (y) axis: [[c, 0, s], [0, 1, 0], [-s, 0, c]]. */
inline cv::Matx33f RotationY(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return {c, 0, s, 0, 1, 0, -s, 0, c};
}

/** Turn by angle radians about the horizontal (x) axis: [[1, 0, 0], [0, c, -s], [0, s, c]]. */
inline cv::Matx33f RotationX(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return {1, 0, 0, 0, c, -s, 0, s, c};
}

inline cv::Matx33f Scale(float x, float y, float z) { return {x, 0, 0, 0, y, 0, 0, 0, z}; }

/**
 * @brief Makes the rows orthonormal again after many small turns have been multiplied in:
 * r0 normalised; r2 = r0 x r1 normalised; r1 = r2 x r0 normalised. A matrix whose rows have
 * collapsed (zero or parallel) is returned unchanged rather than filled with NaN.
 */
inline cv::Matx33f Orthonormalise(const cv::Matx33f& m)
{
    cv::Vec3f r0(m(0, 0), m(0, 1), m(0, 2)), r1(m(1, 0), m(1, 1), m(1, 2));
    const float n0 = static_cast<float>(cv::norm(r0));
    if (!(n0 > 0)) return m;
    r0 /= n0;
    cv::Vec3f r2 = r0.cross(r1);
    const float n2 = static_cast<float>(cv::norm(r2));
    if (!(n2 > 0)) return m;
    r2 /= n2;
    r1 = r2.cross(r0);
    r1 /= static_cast<float>(cv::norm(r1));
    return {r0[0], r0[1], r0[2], r1[0], r1[1], r1[2], r2[0], r2[1], r2[2]};
}

}  // namespace mat3

}  // namespace mesh3d
