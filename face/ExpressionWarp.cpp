#include "face/ExpressionWarp.h"

#include "filters/SampleImage.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

using engine::FaceQuad;
using filters::SampleImage8u3;

namespace face {

namespace {

// The bumps reach about a sixth of the face across and a third of it up and down.
constexpr float kReachX = 0.07f;
constexpr float kReachY = 0.14f;
// Mouth corners are pulled from a little outside the mouth region.
constexpr float kMouthOutset = 0.035f;
// Landmarks are given in pixels of the 400 x 400 crop.
constexpr int kCropSizeForWarp = 400;

cv::Vec2f LeftEdge(const FaceQuad& q) { return {(q.x0 + q.x3) / 2 / 400, (q.y0 + q.y3) / 2 / 400}; }
cv::Vec2f RightEdge(const FaceQuad& q) { return {(q.x1 + q.x2) / 2 / 400, (q.y1 + q.y2) / 2 / 400}; }

int Sign(std::int32_t v) { return (v > 0) - (v < 0); }

}  // namespace

void ExpressionDisplacements(const std::int32_t signs[3], cv::Vec2f out[6])
{
    const float s0 = float(Sign(signs[0])), s1 = float(Sign(signs[1])), s2 = float(Sign(signs[2]));
    out[0] = s0 * cv::Vec2f(-0.05f, -0.15f);
    out[3] = s0 * cv::Vec2f(0.05f, -0.15f);
    out[1] = s1 * cv::Vec2f(0.03f, -0.15f);
    out[2] = s1 * cv::Vec2f(-0.03f, -0.15f);
    out[4] = s2 * cv::Vec2f(-0.1f, -0.3f);
    out[5] = s2 * cv::Vec2f(0.1f, -0.3f);
}

ExpressionField MakeExpressionField(const FaceQuad (&regions)[3], const cv::Vec2f (&displacement)[6],
                                    const std::int32_t signs[3])
{
    ExpressionField f;
    f.anchor[0] = LeftEdge(regions[0]);
    f.anchor[1] = RightEdge(regions[0]);
    f.anchor[2] = LeftEdge(regions[1]);
    f.anchor[3] = RightEdge(regions[1]);
    f.anchor[4] = LeftEdge(regions[2]) - cv::Vec2f(kMouthOutset, 0);
    f.anchor[5] = RightEdge(regions[2]) + cv::Vec2f(kMouthOutset, 0);
    const int component[6] = {0, 1, 1, 0, 2, 2};
    for (int k = 0; k < 6; ++k) {
        f.displacement[k] = displacement[k];
        f.active[k] = signs[component[k]] != 0;
    }
    return f;
}

cv::Vec2f ExpressionOffset(const ExpressionField& field, float u, float v, float m)
{
    cv::Vec2f off(0, 0);
    for (int k = 0; k < 6; ++k) {
        if (!field.active[k]) continue;
        const float dx = (u - field.anchor[k][0]) / kReachX, dy = (v - field.anchor[k][1]) / kReachY;
        off -= m * field.displacement[k] * std::exp(-dx * dx - dy * dy);
    }
    return off;
}

void WarpExpression(const cv::Mat& photo, const cv::Rect2f& face, const ExpressionField& field, float m, cv::Mat& out)
{
    std::vector<WarpBump> bumps;
    for (int k = 0; k < 6; ++k)
        if (field.active[k]) bumps.push_back({field.anchor[k], field.displacement[k], cv::Vec2f(kReachX, kReachY)});
    WarpBumps(photo, face, bumps, m, out);
}

std::vector<WarpBump> LandmarkExpressionBumps(const Landmarks& l, const std::int32_t signs[3])
{
    std::vector<WarpBump> out;
    if (!l.valid) return out;
    auto at = [&](int i) { return l.p[size_t(i)] / float(kCropSizeForWarp); };
    auto mean = [&](std::initializer_list<int> idx) {
        cv::Point2f s(0, 0);
        for (int i : idx) s += at(i);
        return s * (1.0f / float(idx.size()));
    };
    const cv::Point2f le = mean({36, 37, 38, 39, 40, 41}), re = mean({42, 43, 44, 45, 46, 47});
    const float d = std::max(float(cv::norm(re - le)), 0.05f);
    const cv::Point2f ux = (re - le) * (1.0f / d), uy(-ux.y, ux.x);
    // (x, y) in eye distances along the eye line and down the face; reach likewise.
    auto add = [&](cv::Point2f anchor, float x, float y, float rx, float ry) {
        const cv::Point2f v = (ux * x + uy * y) * d;
        out.push_back({cv::Vec2f(anchor.x, anchor.y), cv::Vec2f(v.x, v.y), cv::Vec2f(rx * d, ry * d)});
    };
    const int mouth = Sign(signs[2]), outer = Sign(signs[0]), inner = Sign(signs[1]);
    // Pulls are sized so that the default amount of 0.3 reads clearly; each stays near its
    // reach, so even amount 1 barely folds the picture over.
    if (mouth > 0) {
        add(at(48), -0.22f, -0.5f, 0.5f, 0.5f);
        add(at(54), 0.22f, -0.5f, 0.5f, 0.5f);
        // The cheeks rise with a smile, between the nose's wings and the jaw.
        add((at(31) + at(2)) * 0.5f, 0.0f, -0.22f, 0.4f, 0.35f);
        add((at(35) + at(14)) * 0.5f, 0.0f, -0.22f, 0.4f, 0.35f);
    } else if (mouth < 0) {
        add(at(48), 0.06f, 0.46f, 0.48f, 0.48f);
        add(at(54), -0.06f, 0.46f, 0.48f, 0.48f);
    }
    if (outer > 0) {
        // Narrowed eyes: the lower lids rise, the upper ones drop a little.
        add(mean({40, 41}), 0.0f, -0.1f, 0.22f, 0.12f);
        add(mean({46, 47}), 0.0f, -0.1f, 0.22f, 0.12f);
        add(mean({37, 38}), 0.0f, 0.05f, 0.22f, 0.12f);
        add(mean({43, 44}), 0.0f, 0.05f, 0.22f, 0.12f);
    } else if (outer < 0) {
        add(at(17), 0.0f, 0.22f, 0.32f, 0.26f);
        add(at(26), 0.0f, 0.22f, 0.32f, 0.26f);
        add(at(36), 0.0f, 0.08f, 0.2f, 0.17f);
        add(at(45), 0.0f, 0.08f, 0.2f, 0.17f);
    }
    if (inner < 0) {
        // The frown: inner brow ends down and towards each other, the lips pressed together.
        add(at(21), 0.22f, 0.42f, 0.28f, 0.28f);
        add(at(22), -0.22f, 0.42f, 0.28f, 0.28f);
        add(at(19), 0.06f, 0.16f, 0.24f, 0.2f);
        add(at(24), -0.06f, 0.16f, 0.24f, 0.2f);
        // The outer brow ends stay up, so the brows slant into a V.
        add(at(17), 0.0f, -0.1f, 0.18f, 0.16f);
        add(at(26), 0.0f, -0.1f, 0.18f, 0.16f);
        add(mean({50, 51, 52}), 0.0f, 0.1f, 0.4f, 0.11f);
        add(mean({56, 57, 58}), 0.0f, -0.14f, 0.4f, 0.14f);
    } else if (inner > 0) {
        add(at(21), 0.05f, -0.32f, 0.26f, 0.3f);
        add(at(22), -0.05f, -0.32f, 0.26f, 0.3f);
    }
    return out;
}

void WarpBumps(const cv::Mat& photo, const cv::Rect2f& face, const std::vector<WarpBump>& bumps, float m, cv::Mat& out)
{
    CV_Assert(photo.type() == CV_8UC3 && out.type() == CV_8UC3);
    const int n = out.cols, rows = out.rows;
    const int count = static_cast<int>(bumps.size());
    // Each bump is a product of a column factor and a row factor, so two small tables hold
    // every exponential the picture needs.
    std::vector<float> gx(static_cast<size_t>(n) * std::max(count, 1)), gy(static_cast<size_t>(rows) * std::max(count, 1));
    for (int i = 0; i < count; ++i) {
        const WarpBump& b = bumps[size_t(i)];
        for (int x = 0; x < n; ++x) {
            const float dx = (float(x) / n - b.anchor[0]) / b.reach[0];
            gx[static_cast<size_t>(i) * n + x] = std::exp(-dx * dx);
        }
        for (int y = 0; y < rows; ++y) {
            const float dy = (float(y) / n - b.anchor[1]) / b.reach[1];
            gy[static_cast<size_t>(y) * count + i] = std::exp(-dy * dy);
        }
    }
    cv::parallel_for_(cv::Range(0, rows), [&](const cv::Range& range) {
        // Whole rows at a time, so the bump sums run as plain vector loops.
        std::vector<float> us(n), vs(n);
        for (int y = range.start; y < range.end; ++y) {
            const float v = float(y) / n;
            for (int x = 0; x < n; ++x) {
                us[x] = float(x) / n;
                vs[x] = v;
            }
            for (int i = 0; i < count; ++i) {
                const float w = m * gy[static_cast<size_t>(y) * count + i];
                const float px = w * bumps[size_t(i)].displacement[0], py = w * bumps[size_t(i)].displacement[1];
                const float* g = gx.data() + static_cast<size_t>(i) * n;
                for (int x = 0; x < n; ++x) {
                    us[x] -= g[x] * px;
                    vs[x] -= g[x] * py;
                }
            }
            uchar* o = out.ptr<uchar>(y);
            for (int x = 0; x < n; ++x) {
                const cv::Vec3f c = SampleImage8u3(photo, face.width * us[x] + face.x, face.height * vs[x] + face.y);
                o[3 * x] = static_cast<uchar>(c[0]);
                o[3 * x + 1] = static_cast<uchar>(c[1]);
                o[3 * x + 2] = static_cast<uchar>(c[2]);
            }
        }
    });
}

}  // namespace face
