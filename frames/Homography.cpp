#include "frames/Homography.h"

#include <cmath>
#include <cstdint>

namespace frames {

namespace {

std::int64_t Cross(const cv::Point& a, const cv::Point& b, const cv::Point& c)
{
    return (std::int64_t(b.x) - a.x) * (std::int64_t(c.y) - a.y) - (std::int64_t(b.y) - a.y) * (std::int64_t(c.x) - a.x);
}

}  // namespace

bool IsDegenerateWindow(const FrameWindow& window)
{
    const auto& p = window.corner;
    return Cross(p[0], p[1], p[2]) == 0 || Cross(p[0], p[1], p[3]) == 0 || Cross(p[0], p[2], p[3]) == 0 ||
           Cross(p[1], p[2], p[3]) == 0;
}

bool SquareToQuad(const std::array<cv::Point2d, 4>& q, cv::Matx33d& H)
{
    // Walk the square's boundary: (0,0), (1,0), (1,1), (0,1).
    const cv::Point2d p0 = q[0], p1 = q[1], p2 = q[3], p3 = q[2];
    const double dx1 = p1.x - p2.x, dx2 = p3.x - p2.x, dy1 = p1.y - p2.y, dy2 = p3.y - p2.y;
    const double det = dx1 * dy2 - dx2 * dy1;
    const auto cross = [](cv::Point2d a, cv::Point2d b, cv::Point2d c) {
        return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    };
    if (det == 0 || cross(p0, p1, p2) == 0 || cross(p0, p1, p3) == 0 || cross(p0, p2, p3) == 0) return false;

    // sx, sy vanish exactly for a parallelogram; otherwise g and h place the vanishing line.
    const double sx = p0.x - p1.x + p2.x - p3.x, sy = p0.y - p1.y + p2.y - p3.y;
    double g = 0, h = 0;
    if (sx != 0 || sy != 0) {
        g = (sx * dy2 - dx2 * sy) / det;
        h = (dx1 * sy - sx * dy1) / det;
    }
    H = cv::Matx33d(p1.x - p0.x + g * p1.x, p3.x - p0.x + h * p3.x, p0.x,  //
                    p1.y - p0.y + g * p1.y, p3.y - p0.y + h * p3.y, p0.y,  //
                    g, h, 1.0);
    return std::isfinite(g) && std::isfinite(h);
}

}  // namespace frames
