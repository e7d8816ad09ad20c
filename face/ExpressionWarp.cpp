#include "face/ExpressionWarp.h"

#include "filters/SampleImage.h"

#include <cmath>
#include <vector>

namespace {

// The bumps reach about a sixth of the face across and a third of it up and down.
constexpr float kReachX = 0.07f;
constexpr float kReachY = 0.14f;
// Mouth corners are pulled from a little outside the mouth region.
constexpr float kMouthOutset = 0.035f;

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
    CV_Assert(photo.type() == CV_8UC3 && out.type() == CV_8UC3);
    const int n = out.cols, rows = out.rows;
    int active[6], count = 0;
    for (int k = 0; k < 6; ++k)
        if (field.active[k]) active[count++] = k;
    // Each bump is a product of a column factor and a row factor, so two small tables hold
    // every exponential the picture needs.
    std::vector<float> gx(static_cast<size_t>(n) * std::max(count, 1)), gy(static_cast<size_t>(rows) * std::max(count, 1));
    for (int i = 0; i < count; ++i) {
        const int k = active[i];
        for (int x = 0; x < n; ++x) {
            const float dx = (float(x) / n - field.anchor[k][0]) / kReachX;
            gx[static_cast<size_t>(i) * n + x] = std::exp(-dx * dx);
        }
        for (int y = 0; y < rows; ++y) {
            const float dy = (float(y) / n - field.anchor[k][1]) / kReachY;
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
                const float px = w * field.displacement[active[i]][0], py = w * field.displacement[active[i]][1];
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
