#include "face/FaceShader.h"

#include "filters/SampleImage.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using engine::FaceQuad;
using filters::SampleImage;
using filters::SampleImage8u3;

namespace face {

float EdgeWindow(float x, float w)
{
    if (x < 0 || x > 1) return 0;
    if (!(w > 0)) return x < 1 ? 1.0f : 0.0f;
    if (x >= w && x < 1 - w) return 1;
    const float edge = x < w ? w : 1 - w;
    return (std::cos((x - edge) / w * std::numbers::pi_v<float>) + 1) / 2;
}

float FeatureWeight(float u, float v, const FaceQuad& q, float rho)
{
    const float mlx = (q.x0 + q.x3) / 2, mly = (q.y0 + q.y3) / 2;
    const float mrx = (q.x1 + q.x2) / 2, mry = (q.y1 + q.y2) / 2;
    const float cx = (mlx + mrx) / 2 / 400, cy = (mly + mry) / 2 / 400;
    const float hw = (mrx - mlx) / 2 / 400;
    const float hh = ((q.y2 - q.y1) / 2 + (q.y3 - q.y0) / 2) / 2 / 400;
    if (hw == 0 || hh == 0 || rho == 0) return 0;
    const float k = mlx != mrx ? (mly - mry) / (mlx - mrx) : 0.0f;
    const float dx = u - cx;
    const float a = dx / hw / rho, b = (v - cy - k * dx) / hh / rho;
    return std::exp(-a * a - b * b);
}

void TexturePoseFromRegions(const FaceQuad (&regions)[3], float pose[6])
{
    cv::Point2f c[3];
    for (int i = 0; i < 3; ++i) {
        const FaceQuad& q = regions[i];
        c[i] = cv::Point2f((q.x0 + q.x1 + q.x2 + q.x3) / 4 / 400, (q.y0 + q.y1 + q.y2 + q.y3) / 4 / 400);
    }
    const cv::Matx33d ref(0.25, 0.75, 0.5,  //
                          0.375, 0.375, 0.82,  //
                          1, 1, 1);
    const cv::Matx33d inv = ref.inv();
    const cv::Matx13d xs(c[0].x, c[1].x, c[2].x), ys(c[0].y, c[1].y, c[2].y);
    const cv::Matx13d px = xs * inv, py = ys * inv;
    for (int i = 0; i < 3; ++i) {
        pose[i] = static_cast<float>(px(0, i));
        pose[3 + i] = static_cast<float>(py(0, i));
    }
}

cv::Vec3f BlendFaceColour(const cv::Vec3f& T, const cv::Vec3f& P, float alpha, float F, bool located, bool enhanced)
{
    cv::Vec3f out;
    if (!located) {
        for (int c = 0; c < 3; ++c) out[c] = (1 - alpha) * T[c] + alpha * P[c];
    } else if (enhanced) {
        const float g = (P[0] + P[1] + P[2]) / 3;
        const float gain = 1 - alpha / 2 + 0.8f * alpha * g;
        for (int c = 0; c < 3; ++c) {
            const float C = std::min(1.0f, T[c] * gain);
            out[c] = (1 - 2 * F) * C + 2 * F * P[c];
        }
    } else {
        const float k = (F + 0.5f) * alpha;
        for (int c = 0; c < 3; ++c) out[c] = (1 - k) * T[c] + k * P[c];
    }
    return out;
}

cv::Vec3f ShadeFacePixel(const FaceShaderData& d, int px, int py, const float light[3], float u, float v)
{
    const float r = std::hypot(u - 0.5f, v - 0.5f);
    u = d.scale * (u - 0.5f) + 0.5f;
    v = d.scale * (v - 0.5f) + 0.5f;
    cv::Vec3f T(0, 0, 0);
    if (d.picture && px >= 0 && py >= 0 && px < d.picture->cols && py < d.picture->rows) {
        const uchar* t = d.picture->ptr<uchar>(py) + 3 * px;
        T = cv::Vec3f(t[0], t[1], t[2]) / 255.0f;
    }
    float alpha = EdgeWindow(r + 0.5f, d.blendEdge);
    float F = 0;
    if (d.located) {
        for (int i = 0; i < 3; ++i) F += FeatureWeight(u, v, d.regions[i], d.radius[i]);
        F = std::min(F, 0.5f);
        if (d.alignFace) {
            const float pu = d.pose[0] * u + d.pose[1] * v + d.pose[2];
            const float pv = d.pose[3] * u + d.pose[4] * v + d.pose[5];
            u = pu;
            v = pv;
        }
    }
    if (d.hull) {
        const bool inside = u >= 0 && u <= 1 && v >= 0 && v <= 1;
        alpha *= inside ? SampleImage(*d.hull, u, v)[0] : 0.0f;
    }
    if (d.matched && d.shade && d.located) {
        // Enhanced colour with landmarks: the recoloured face under the template's lighting.
        const float inside = u >= 0 && u <= 1 && v >= 0 && v <= 1 ? 1.0f : 0.0f;
        const bool onPicture = px >= 0 && py >= 0 && px < d.shade->cols && py < d.shade->rows;
        const float light = onPicture ? d.shade->at<float>(py, px) : 1.0f;
        const cv::Vec3f M = SampleImage8u3(*d.matched, u, v) * (light / 255.0f);
        cv::Vec3f out;
        for (int c = 0; c < 3; ++c) out[c] = (1 - alpha * inside) * T[c] + alpha * inside * std::min(M[c], 1.0f);
        return out;
    }
    cv::Vec3f P(0, 0, 0);
    if (d.photo && !d.photo->empty()) {
        P = SampleImage8u3(*d.photo, d.face.width * u + d.face.x, d.face.height * v + d.face.y) / 255.0f;
        const float l0 = light ? light[0] : 1, l1 = light ? light[1] : 1, l2 = light ? light[2] : 1;
        P = cv::Vec3f(P[0] * l0, P[1] * l1, P[2] * l2);
    }
    return BlendFaceColour(T, P, alpha, F, d.located, d.enhanced);
}

cv::Mat FaceHullMask(const Landmarks& crop, int size, float feather)
{
    cv::Mat mask = cv::Mat::zeros(size, size, CV_32F);
    if (!crop.valid || size < 1) return mask;
    std::vector<cv::Point> outline;
    for (const cv::Point2f& p : FaceOutline(crop)) outline.emplace_back(cvRound(p.x), cvRound(p.y));
    std::vector<cv::Point> hull;
    cv::convexHull(outline, hull);
    cv::Mat inside = cv::Mat::zeros(size, size, CV_8U);
    cv::fillConvexPoly(inside, hull, cv::Scalar(255), cv::LINE_AA);
    cv::Mat dist;
    cv::distanceTransform(inside, dist, cv::DIST_L2, 3);
    // A smooth step over the feather: no visible seam where the face meets the template.
    const float f = std::max(feather, 1.0f);
    for (int y = 0; y < size; ++y) {
        const float* dd = dist.ptr<float>(y);
        float* m = mask.ptr<float>(y);
        for (int x = 0; x < size; ++x) {
            const float t = std::min(dd[x] / f, 1.0f);
            m[x] = t * t * (3 - 2 * t);
        }
    }
    return mask;
}

LabStats MeasureLab(const cv::Mat& bgr, const cv::Mat& mask)
{
    LabStats out;
    if (bgr.empty() || bgr.type() != CV_8UC3 || mask.size() != bgr.size()) return out;
    cv::Mat lab, m;
    cv::cvtColor(bgr, lab, cv::COLOR_BGR2Lab);
    if (mask.type() == CV_8U) m = mask > 127;
    else m = mask > 0.5;
    if (cv::countNonZero(m) < 16) return out;
    cv::Scalar mean, sd;
    cv::meanStdDev(lab, mean, sd, m);
    for (int c = 0; c < 3; ++c) {
        out.mean[c] = static_cast<float>(mean[c]);
        out.sd[c] = static_cast<float>(sd[c]);
    }
    out.valid = true;
    return out;
}

cv::Mat MatchFaceColour(const cv::Mat& face, const cv::Mat& mask, const LabStats& target)
{
    if (face.empty() || face.type() != CV_8UC3) return {};
    const LabStats own = MeasureLab(face, mask);
    if (!own.valid || !target.valid) return face.clone();
    cv::Mat lab;
    cv::cvtColor(face, lab, cv::COLOR_BGR2Lab);
    lab.convertTo(lab, CV_32FC3);
    std::vector<cv::Mat> ch;
    cv::split(lab, ch);
    // The face's broad lighting (a lamp on one side, a shadow) is the photo's, not the template's.
    cv::Mat broad;
    const double sigma = face.cols / 8.0;
    cv::GaussianBlur(ch[0], broad, cv::Size(), sigma, sigma, cv::BORDER_REPLICATE);
    ch[0] = ch[0] - broad + own.mean[0];
    // The means move all the way; the spreads only a little, or a template of even skin
    // would wash out the eyes' and lips' colour and the face's features with it.
    for (int c = 0; c < 3; ++c) {
        const float sd = own.sd[c] > 1 ? own.sd[c] : 1.0f;
        const float gain = std::clamp(1 + 0.3f * (target.sd[c] / sd - 1), 0.8f, 1.25f);
        ch[c] = (ch[c] - own.mean[c]) * gain + target.mean[c];
    }
    cv::merge(ch, lab);
    cv::Mat out;
    lab.convertTo(out, CV_8UC3);
    cv::cvtColor(out, out, cv::COLOR_Lab2BGR);
    return out;
}

cv::Mat TemplateShading(const cv::Mat& picture, const cv::Mat& coverage)
{
    cv::Mat shade(picture.size(), CV_32F, cv::Scalar(1));
    if (picture.empty() || picture.type() != CV_8UC3 || coverage.size() != picture.size()) return shade;
    const cv::Rect box = cv::boundingRect(coverage);
    if (box.area() < 16) return shade;
    cv::Mat grey;
    cv::cvtColor(picture, grey, cv::COLOR_BGR2GRAY);
    grey.convertTo(grey, CV_32F);
    const double sigma = std::max(1.0, std::max(box.width, box.height) / 10.0);
    cv::Mat blurred;
    cv::GaussianBlur(grey, blurred, cv::Size(), sigma, sigma, cv::BORDER_REPLICATE);
    const double mean = cv::mean(grey, coverage)[0];
    if (!(mean > 1)) return shade;
    shade = blurred / mean;
    cv::min(shade, 2.0, shade);
    return shade;
}

}  // namespace face
