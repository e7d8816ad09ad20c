// The teapot from Martin Newell's public-domain patch data: 32 bicubic Bezier patches over
// 306 control points (rim 4, body 8, handle 4, spout 4, lid 8, base 4). The data is z-up
// with the spout along +x; indices are 1-based as the data is usually written.
#include "tools/meshgen/MeshShapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using mesh3d::Mesh;

namespace meshgen {
namespace {

constexpr int kPatches[32][16] = {
    // rim
    {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
    {4, 17, 18, 19, 8, 20, 21, 22, 12, 23, 24, 25, 16, 26, 27, 28},
    {19, 29, 30, 31, 22, 32, 33, 34, 25, 35, 36, 37, 28, 38, 39, 40},
    {31, 41, 42, 1, 34, 43, 44, 5, 37, 45, 46, 9, 40, 47, 48, 13},
    // body
    {13, 14, 15, 16, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60},
    {16, 26, 27, 28, 52, 61, 62, 63, 56, 64, 65, 66, 60, 67, 68, 69},
    {28, 38, 39, 40, 63, 70, 71, 72, 66, 73, 74, 75, 69, 76, 77, 78},
    {40, 47, 48, 13, 72, 79, 80, 49, 75, 81, 82, 53, 78, 83, 84, 57},
    {57, 58, 59, 60, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96},
    {60, 67, 68, 69, 88, 97, 98, 99, 92, 100, 101, 102, 96, 103, 104, 105},
    {69, 76, 77, 78, 99, 106, 107, 108, 102, 109, 110, 111, 105, 112, 113, 114},
    {78, 83, 84, 57, 108, 115, 116, 85, 111, 117, 118, 89, 114, 119, 120, 93},
    // handle
    {121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 136},
    {124, 137, 138, 121, 128, 139, 140, 125, 132, 141, 142, 129, 136, 143, 144, 133},
    {133, 134, 135, 136, 145, 146, 147, 148, 149, 150, 151, 152, 69, 153, 154, 155},
    {136, 143, 144, 133, 148, 156, 157, 145, 152, 158, 159, 149, 155, 160, 161, 69},
    // spout
    {162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174, 175, 176, 177},
    {165, 178, 179, 162, 169, 180, 181, 166, 173, 182, 183, 170, 177, 184, 185, 174},
    {174, 175, 176, 177, 186, 187, 188, 189, 190, 191, 192, 193, 194, 195, 196, 197},
    {177, 184, 185, 174, 189, 198, 199, 186, 193, 200, 201, 190, 197, 202, 203, 194},
    // lid: the knob, then the lid itself
    {204, 204, 204, 204, 207, 208, 209, 210, 211, 211, 211, 211, 212, 213, 214, 215},
    {204, 204, 204, 204, 210, 217, 218, 219, 211, 211, 211, 211, 215, 220, 221, 222},
    {204, 204, 204, 204, 219, 224, 225, 226, 211, 211, 211, 211, 222, 227, 228, 229},
    {204, 204, 204, 204, 226, 230, 231, 207, 211, 211, 211, 211, 229, 232, 233, 212},
    {212, 213, 214, 215, 234, 235, 236, 237, 238, 239, 240, 241, 242, 243, 244, 245},
    {215, 220, 221, 222, 237, 246, 247, 248, 241, 249, 250, 251, 245, 252, 253, 254},
    {222, 227, 228, 229, 248, 255, 256, 257, 251, 258, 259, 260, 254, 261, 262, 263},
    {229, 232, 233, 212, 257, 264, 265, 234, 260, 266, 267, 238, 263, 268, 269, 242},
    // base
    {270, 270, 270, 270, 279, 280, 281, 282, 275, 276, 277, 278, 271, 272, 273, 274},
    {270, 270, 270, 270, 282, 289, 290, 291, 278, 286, 287, 288, 274, 283, 284, 285},
    {270, 270, 270, 270, 291, 298, 299, 300, 288, 295, 296, 297, 285, 292, 293, 294},
    {270, 270, 270, 270, 300, 305, 306, 279, 297, 303, 304, 275, 294, 301, 302, 271},
};

constexpr float kPoints[306][3] = {
    {1.4f, 0.0f, 2.4f}, {1.4f, -0.784f, 2.4f}, {0.784f, -1.4f, 2.4f}, {0.0f, -1.4f, 2.4f},
    {1.3375f, 0.0f, 2.53125f}, {1.3375f, -0.749f, 2.53125f}, {0.749f, -1.3375f, 2.53125f}, {0.0f, -1.3375f, 2.53125f},
    {1.4375f, 0.0f, 2.53125f}, {1.4375f, -0.805f, 2.53125f}, {0.805f, -1.4375f, 2.53125f}, {0.0f, -1.4375f, 2.53125f},
    {1.5f, 0.0f, 2.4f}, {1.5f, -0.84f, 2.4f}, {0.84f, -1.5f, 2.4f}, {0.0f, -1.5f, 2.4f},
    {-0.784f, -1.4f, 2.4f}, {-1.4f, -0.784f, 2.4f}, {-1.4f, 0.0f, 2.4f},
    {-0.749f, -1.3375f, 2.53125f}, {-1.3375f, -0.749f, 2.53125f}, {-1.3375f, 0.0f, 2.53125f},
    {-0.805f, -1.4375f, 2.53125f}, {-1.4375f, -0.805f, 2.53125f}, {-1.4375f, 0.0f, 2.53125f},
    {-0.84f, -1.5f, 2.4f}, {-1.5f, -0.84f, 2.4f}, {-1.5f, 0.0f, 2.4f},
    {-1.4f, 0.784f, 2.4f}, {-0.784f, 1.4f, 2.4f}, {0.0f, 1.4f, 2.4f},
    {-1.3375f, 0.749f, 2.53125f}, {-0.749f, 1.3375f, 2.53125f}, {0.0f, 1.3375f, 2.53125f},
    {-1.4375f, 0.805f, 2.53125f}, {-0.805f, 1.4375f, 2.53125f}, {0.0f, 1.4375f, 2.53125f},
    {-1.5f, 0.84f, 2.4f}, {-0.84f, 1.5f, 2.4f}, {0.0f, 1.5f, 2.4f},
    {0.784f, 1.4f, 2.4f}, {1.4f, 0.784f, 2.4f},
    {0.749f, 1.3375f, 2.53125f}, {1.3375f, 0.749f, 2.53125f},
    {0.805f, 1.4375f, 2.53125f}, {1.4375f, 0.805f, 2.53125f},
    {0.84f, 1.5f, 2.4f}, {1.5f, 0.84f, 2.4f},
    // 49: body
    {1.75f, 0.0f, 1.875f}, {1.75f, -0.98f, 1.875f}, {0.98f, -1.75f, 1.875f}, {0.0f, -1.75f, 1.875f},
    {2.0f, 0.0f, 1.35f}, {2.0f, -1.12f, 1.35f}, {1.12f, -2.0f, 1.35f}, {0.0f, -2.0f, 1.35f},
    {2.0f, 0.0f, 0.9f}, {2.0f, -1.12f, 0.9f}, {1.12f, -2.0f, 0.9f}, {0.0f, -2.0f, 0.9f},
    {-0.98f, -1.75f, 1.875f}, {-1.75f, -0.98f, 1.875f}, {-1.75f, 0.0f, 1.875f},
    {-1.12f, -2.0f, 1.35f}, {-2.0f, -1.12f, 1.35f}, {-2.0f, 0.0f, 1.35f},
    {-1.12f, -2.0f, 0.9f}, {-2.0f, -1.12f, 0.9f}, {-2.0f, 0.0f, 0.9f},
    {-1.75f, 0.98f, 1.875f}, {-0.98f, 1.75f, 1.875f}, {0.0f, 1.75f, 1.875f},
    {-2.0f, 1.12f, 1.35f}, {-1.12f, 2.0f, 1.35f}, {0.0f, 2.0f, 1.35f},
    {-2.0f, 1.12f, 0.9f}, {-1.12f, 2.0f, 0.9f}, {0.0f, 2.0f, 0.9f},
    {0.98f, 1.75f, 1.875f}, {1.75f, 0.98f, 1.875f},
    {1.12f, 2.0f, 1.35f}, {2.0f, 1.12f, 1.35f},
    {1.12f, 2.0f, 0.9f}, {2.0f, 1.12f, 0.9f},
    // 85: lower body
    {2.0f, 0.0f, 0.45f}, {2.0f, -1.12f, 0.45f}, {1.12f, -2.0f, 0.45f}, {0.0f, -2.0f, 0.45f},
    {1.5f, 0.0f, 0.225f}, {1.5f, -0.84f, 0.225f}, {0.84f, -1.5f, 0.225f}, {0.0f, -1.5f, 0.225f},
    {1.5f, 0.0f, 0.15f}, {1.5f, -0.84f, 0.15f}, {0.84f, -1.5f, 0.15f}, {0.0f, -1.5f, 0.15f},
    {-1.12f, -2.0f, 0.45f}, {-2.0f, -1.12f, 0.45f}, {-2.0f, 0.0f, 0.45f},
    {-0.84f, -1.5f, 0.225f}, {-1.5f, -0.84f, 0.225f}, {-1.5f, 0.0f, 0.225f},
    {-0.84f, -1.5f, 0.15f}, {-1.5f, -0.84f, 0.15f}, {-1.5f, 0.0f, 0.15f},
    {-2.0f, 1.12f, 0.45f}, {-1.12f, 2.0f, 0.45f}, {0.0f, 2.0f, 0.45f},
    {-1.5f, 0.84f, 0.225f}, {-0.84f, 1.5f, 0.225f}, {0.0f, 1.5f, 0.225f},
    {-1.5f, 0.84f, 0.15f}, {-0.84f, 1.5f, 0.15f}, {0.0f, 1.5f, 0.15f},
    {1.12f, 2.0f, 0.45f}, {2.0f, 1.12f, 0.45f},
    {0.84f, 1.5f, 0.225f}, {1.5f, 0.84f, 0.225f},
    {0.84f, 1.5f, 0.15f}, {1.5f, 0.84f, 0.15f},
    // 121: handle
    {-1.6f, 0.0f, 2.025f}, {-1.6f, -0.3f, 2.025f}, {-1.5f, -0.3f, 2.25f}, {-1.5f, 0.0f, 2.25f},
    {-2.3f, 0.0f, 2.025f}, {-2.3f, -0.3f, 2.025f}, {-2.5f, -0.3f, 2.25f}, {-2.5f, 0.0f, 2.25f},
    {-2.7f, 0.0f, 2.025f}, {-2.7f, -0.3f, 2.025f}, {-3.0f, -0.3f, 2.25f}, {-3.0f, 0.0f, 2.25f},
    {-2.7f, 0.0f, 1.8f}, {-2.7f, -0.3f, 1.8f}, {-3.0f, -0.3f, 1.8f}, {-3.0f, 0.0f, 1.8f},
    {-1.5f, 0.3f, 2.25f}, {-1.6f, 0.3f, 2.025f}, {-2.5f, 0.3f, 2.25f}, {-2.3f, 0.3f, 2.025f},
    {-3.0f, 0.3f, 2.25f}, {-2.7f, 0.3f, 2.025f}, {-3.0f, 0.3f, 1.8f}, {-2.7f, 0.3f, 1.8f},
    {-2.7f, 0.0f, 1.575f}, {-2.7f, -0.3f, 1.575f}, {-3.0f, -0.3f, 1.35f}, {-3.0f, 0.0f, 1.35f},
    {-2.5f, 0.0f, 1.125f}, {-2.5f, -0.3f, 1.125f}, {-2.65f, -0.3f, 0.9375f}, {-2.65f, 0.0f, 0.9375f},
    {-2.0f, -0.3f, 0.9f}, {-1.9f, -0.3f, 0.6f}, {-1.9f, 0.0f, 0.6f},
    {-3.0f, 0.3f, 1.35f}, {-2.7f, 0.3f, 1.575f}, {-2.65f, 0.3f, 0.9375f}, {-2.5f, 0.3f, 1.125f},
    {-1.9f, 0.3f, 0.6f}, {-2.0f, 0.3f, 0.9f},
    // 162: spout
    {1.7f, 0.0f, 1.425f}, {1.7f, -0.66f, 1.425f}, {1.7f, -0.66f, 0.6f}, {1.7f, 0.0f, 0.6f},
    {2.6f, 0.0f, 1.425f}, {2.6f, -0.66f, 1.425f}, {3.1f, -0.66f, 0.825f}, {3.1f, 0.0f, 0.825f},
    {2.3f, 0.0f, 2.1f}, {2.3f, -0.25f, 2.1f}, {2.4f, -0.25f, 2.025f}, {2.4f, 0.0f, 2.025f},
    {2.7f, 0.0f, 2.4f}, {2.7f, -0.25f, 2.4f}, {3.3f, -0.25f, 2.4f}, {3.3f, 0.0f, 2.4f},
    {1.7f, 0.66f, 0.6f}, {1.7f, 0.66f, 1.425f}, {3.1f, 0.66f, 0.825f}, {2.6f, 0.66f, 1.425f},
    {2.4f, 0.25f, 2.025f}, {2.3f, 0.25f, 2.1f}, {3.3f, 0.25f, 2.4f}, {2.7f, 0.25f, 2.4f},
    {2.8f, 0.0f, 2.475f}, {2.8f, -0.25f, 2.475f}, {3.525f, -0.25f, 2.49375f}, {3.525f, 0.0f, 2.49375f},
    {2.9f, 0.0f, 2.475f}, {2.9f, -0.15f, 2.475f}, {3.45f, -0.15f, 2.5125f}, {3.45f, 0.0f, 2.5125f},
    {2.8f, 0.0f, 2.4f}, {2.8f, -0.15f, 2.4f}, {3.2f, -0.15f, 2.4f}, {3.2f, 0.0f, 2.4f},
    {3.525f, 0.25f, 2.49375f}, {2.8f, 0.25f, 2.475f}, {3.45f, 0.15f, 2.5125f}, {2.9f, 0.15f, 2.475f},
    {3.2f, 0.15f, 2.4f}, {2.8f, 0.15f, 2.4f},
    // 204: lid
    {0.0f, 0.0f, 3.15f}, {0.0f, -0.002f, 3.15f}, {0.002f, 0.0f, 3.15f},
    {0.8f, 0.0f, 3.15f}, {0.8f, -0.45f, 3.15f}, {0.45f, -0.8f, 3.15f}, {0.0f, -0.8f, 3.15f},
    {0.0f, 0.0f, 2.85f},
    {0.2f, 0.0f, 2.7f}, {0.2f, -0.112f, 2.7f}, {0.112f, -0.2f, 2.7f}, {0.0f, -0.2f, 2.7f},
    {-0.002f, 0.0f, 3.15f}, {-0.45f, -0.8f, 3.15f}, {-0.8f, -0.45f, 3.15f}, {-0.8f, 0.0f, 3.15f},
    {-0.112f, -0.2f, 2.7f}, {-0.2f, -0.112f, 2.7f}, {-0.2f, 0.0f, 2.7f},
    {0.0f, 0.002f, 3.15f}, {-0.8f, 0.45f, 3.15f}, {-0.45f, 0.8f, 3.15f}, {0.0f, 0.8f, 3.15f},
    {-0.2f, 0.112f, 2.7f}, {-0.112f, 0.2f, 2.7f}, {0.0f, 0.2f, 2.7f},
    {0.45f, 0.8f, 3.15f}, {0.8f, 0.45f, 3.15f},
    {0.112f, 0.2f, 2.7f}, {0.2f, 0.112f, 2.7f},
    {0.4f, 0.0f, 2.55f}, {0.4f, -0.224f, 2.55f}, {0.224f, -0.4f, 2.55f}, {0.0f, -0.4f, 2.55f},
    {1.3f, 0.0f, 2.55f}, {1.3f, -0.728f, 2.55f}, {0.728f, -1.3f, 2.55f}, {0.0f, -1.3f, 2.55f},
    {1.3f, 0.0f, 2.4f}, {1.3f, -0.728f, 2.4f}, {0.728f, -1.3f, 2.4f}, {0.0f, -1.3f, 2.4f},
    {-0.224f, -0.4f, 2.55f}, {-0.4f, -0.224f, 2.55f}, {-0.4f, 0.0f, 2.55f},
    {-0.728f, -1.3f, 2.55f}, {-1.3f, -0.728f, 2.55f}, {-1.3f, 0.0f, 2.55f},
    {-0.728f, -1.3f, 2.4f}, {-1.3f, -0.728f, 2.4f}, {-1.3f, 0.0f, 2.4f},
    {-0.4f, 0.224f, 2.55f}, {-0.224f, 0.4f, 2.55f}, {0.0f, 0.4f, 2.55f},
    {-1.3f, 0.728f, 2.55f}, {-0.728f, 1.3f, 2.55f}, {0.0f, 1.3f, 2.55f},
    {-1.3f, 0.728f, 2.4f}, {-0.728f, 1.3f, 2.4f}, {0.0f, 1.3f, 2.4f},
    {0.224f, 0.4f, 2.55f}, {0.4f, 0.224f, 2.55f},
    {0.728f, 1.3f, 2.55f}, {1.3f, 0.728f, 2.55f},
    {0.728f, 1.3f, 2.4f}, {1.3f, 0.728f, 2.4f},
    // 270: base
    {0.0f, 0.0f, 0.0f},
    {1.5f, 0.0f, 0.15f}, {1.5f, 0.84f, 0.15f}, {0.84f, 1.5f, 0.15f}, {0.0f, 1.5f, 0.15f},
    {1.5f, 0.0f, 0.075f}, {1.5f, 0.84f, 0.075f}, {0.84f, 1.5f, 0.075f}, {0.0f, 1.5f, 0.075f},
    {1.425f, 0.0f, 0.0f}, {1.425f, 0.798f, 0.0f}, {0.798f, 1.425f, 0.0f}, {0.0f, 1.425f, 0.0f},
    {-0.84f, 1.5f, 0.15f}, {-1.5f, 0.84f, 0.15f}, {-1.5f, 0.0f, 0.15f},
    {-0.84f, 1.5f, 0.075f}, {-1.5f, 0.84f, 0.075f}, {-1.5f, 0.0f, 0.075f},
    {-0.798f, 1.425f, 0.0f}, {-1.425f, 0.798f, 0.0f}, {-1.425f, 0.0f, 0.0f},
    {-1.5f, -0.84f, 0.15f}, {-0.84f, -1.5f, 0.15f}, {0.0f, -1.5f, 0.15f},
    {-1.5f, -0.84f, 0.075f}, {-0.84f, -1.5f, 0.075f}, {0.0f, -1.5f, 0.075f},
    {-1.425f, -0.798f, 0.0f}, {-0.798f, -1.425f, 0.0f}, {0.0f, -1.425f, 0.0f},
    {0.84f, -1.5f, 0.15f}, {1.5f, -0.84f, 0.15f},
    {0.84f, -1.5f, 0.075f}, {1.5f, -0.84f, 0.075f},
    {0.798f, -1.425f, 0.0f}, {1.425f, -0.798f, 0.0f},
};

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTop = 3.15f;        // the knob's top, in data units
constexpr float kCentreX = 0.2625f;  // halfway between the handle (-3.0) and the spout's tip (3.525)

/** Cubic Bernstein weights and their derivatives at t. */
void Bernstein(float t, float b[4], float d[4])
{
    const float s = 1 - t;
    b[0] = s * s * s;
    b[1] = 3 * t * s * s;
    b[2] = 3 * t * t * s;
    b[3] = t * t * t;
    d[0] = -3 * s * s;
    d[1] = 3 * s * s - 6 * t * s;
    d[2] = 6 * t * s - 3 * t * t;
    d[3] = 3 * t * t;
}

/** Data (z-up, spout +x) to model space (y-up, spout +x, front -z), before scaling. */
cv::Vec3f ToModel(const cv::Vec3f& p) { return {p[0] - kCentreX, p[2] - kTop / 2, -p[1]}; }

struct PatchPoint {
    cv::Vec3f position, dS, dT;
};

PatchPoint Evaluate(int patch, float s, float t)
{
    float bs[4], ds[4], bt[4], dt[4];
    Bernstein(s, bs, ds);
    Bernstein(t, bt, dt);
    PatchPoint out{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const float* c = kPoints[kPatches[patch][4 * i + j] - 1];
            const cv::Vec3f p = ToModel({c[0], c[1], c[2]});
            out.position += p * (bs[i] * bt[j]);
            out.dS += p * (ds[i] * bt[j]);
            out.dT += p * (bs[i] * dt[j]);
        }
    }
    return out;
}

bool IsRound(int patch) { return patch < 12 || patch >= 20; }  // rim, body, lid, base: round the axis

/** The surface normal, taken a little inside the patch where a row collapses to a point. */
cv::Vec3f NormalAt(int patch, float s, float t)
{
    for (float nudge : {0.0f, 1e-3f, 1e-2f}) {
        const PatchPoint p = Evaluate(patch, std::clamp(s, nudge, 1 - nudge), std::clamp(t, nudge, 1 - nudge));
        const cv::Vec3f n = p.dS.cross(p.dT);
        if (cv::norm(n) > 1e-6) return n / static_cast<float>(cv::norm(n));
    }
    return {0, 1, 0};
}

/** +1 when dS x dT points out of the pot at the patch's middle, else -1. */
float OutwardSign(int patch)
{
    const PatchPoint mid = Evaluate(patch, 0.5f, 0.5f);
    const cv::Vec3f n = mid.dS.cross(mid.dT);
    cv::Vec3f out;
    if (IsRound(patch)) {
        out = mid.position - cv::Vec3f(0, -0.3f, 0);  // from inside the body
    } else {
        // Handle and spout are tubes split in half by the plane z = 0: the middle of each half
        // faces away from that plane.
        out = {0, 0, mid.position[2]};
    }
    return n.dot(out) >= 0 ? 1.0f : -1.0f;
}

constexpr float kRimTop = 2.53125f;  // the rim's highest point: the body's photo ends here
constexpr float kLidRadius = 1.3f;

bool IsLid(int patch) { return patch >= 20 && patch < 28; }
bool IsBase(int patch) { return patch >= 28; }

/**
 * @brief Texture coordinate on the rim and body: round the pot (one photo on the front half,
 * one on the back, each upright as seen from its side), v from the rim down to the base.
 */
cv::Vec2f BodyUv(const cv::Vec3f& p, bool front, float scale)
{
    const float x = p[0] / scale + kCentreX, z = p[2] / scale;
    float angle = front ? std::atan2(x, -z) : std::atan2(-x, z);  // 0 facing the viewer of that side
    angle = std::clamp(angle, -kPi / 2, kPi / 2);
    const float height = p[1] / scale + kTop / 2;  // back in data units, 0 at the base
    return {angle / kPi + 0.5f, std::clamp((kRimTop - height) / kRimTop, 0.0f, 1.0f)};
}

/** Lid and base: the photo seen from above (lid) or below (base), its top toward the back. */
cv::Vec2f PlanarUv(const cv::Vec3f& p, float scale, bool below)
{
    const float x = (p[0] / scale + kCentreX) / kLidRadius, z = p[2] / scale / kLidRadius;
    return {std::clamp((x + 1) / 2, 0.0f, 1.0f), std::clamp((1 - (below ? -z : z)) / 2, 0.0f, 1.0f)};
}

}  // namespace

Mesh MakeTeapot(int steps, float scale)
{
    MeshBuilder b;
    for (int patch = 0; patch < 32; ++patch) {
        const float sign = OutwardSign(patch);
        const bool front = Evaluate(patch, 0.5f, 0.5f).position[2] < 0;
        std::vector<int> grid;
        for (int i = 0; i <= steps; ++i) {
            const float s = static_cast<float>(i) / steps;
            for (int j = 0; j <= steps; ++j) {
                const float t = static_cast<float>(j) / steps;
                const cv::Vec3f p = Evaluate(patch, s, t).position * scale;
                const cv::Vec3f n = NormalAt(patch, s, t) * sign;
                cv::Vec2f uv;
                if (IsLid(patch) || IsBase(patch)) {
                    uv = PlanarUv(p, scale, IsBase(patch));
                } else if (IsRound(patch)) {
                    uv = BodyUv(p, front, scale);
                } else {
                    // Handle and spout: a stretch of the photo along the tube, v by height.
                    uv = {s, BodyUv(p, front, scale)[1]};
                }
                grid.push_back(b.AddVertex(p, n, uv));
            }
        }
        const int w = steps + 1;
        for (int i = 0; i < steps; ++i)
            for (int j = 0; j < steps; ++j)
                b.AddQuad(grid[i * w + j], grid[i * w + j + 1], grid[(i + 1) * w + j + 1], grid[(i + 1) * w + j]);
    }
    return b.Build();
}

}  // namespace meshgen
