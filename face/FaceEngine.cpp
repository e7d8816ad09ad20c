#include "face/FaceEngine.h"

#include "face/CapMesh.h"
#include "face/FaceDetector.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>

using engine::FaceQuad;

namespace face {

namespace {

constexpr int kWorkingWidth = 800;
constexpr int kWorkingHeight = 600;

bool SamePixels(const cv::Mat& a, const cv::Mat& b)
{
    if (a.empty() || b.empty() || a.size() != b.size() || a.type() != b.type()) return false;
    for (int y = 0; y < a.rows; ++y)
        if (std::memcmp(a.ptr(y), b.ptr(y), static_cast<size_t>(a.cols) * a.elemSize()) != 0) return false;
    return true;
}

}  // namespace

void CutRegion(const cv::Mat& photo, const cv::Rect& r, cv::Mat& crop)
{
    const cv::Rect inside = r & cv::Rect(0, 0, photo.cols, photo.rows);
    if (inside == r) {
        cv::resize(photo(r), crop, crop.size(), 0, 0, cv::INTER_LINEAR);
        return;
    }
    if (inside.empty()) {
        crop.setTo(cv::Scalar::all(0));
        return;
    }
    const int left = inside.x - r.x, top = inside.y - r.y;
    const int right = r.br().x - inside.br().x, bottom = r.br().y - inside.br().y;
    cv::Mat padded;
    cv::copyMakeBorder(photo(inside), padded, top, bottom, left, right, cv::BORDER_REPLICATE);
    cv::resize(padded, crop, crop.size(), 0, 0, cv::INTER_LINEAR);
}

cv::Mat MakeWorkingPhoto(const cv::Mat& photo)
{
    if (photo.empty()) return {};
    const double f = std::min(double(kWorkingHeight) / photo.rows, double(kWorkingWidth) / photo.cols);
    const int w = std::max(1, static_cast<int>(photo.cols * f));
    const int h = std::max(1, static_cast<int>(photo.rows * f));
    cv::Mat out;
    cv::resize(photo, out, cv::Size(w, h), 0, 0, cv::INTER_LINEAR);
    return out;
}

FaceEngine::FaceEngine()
{
    for (int k = 0; k < 6; ++k) expressionDisplacement[k] = cv::Vec2f(0, 0);
    SetExpressionSigns(expressionSigns);
}

FaceEngine::~FaceEngine() = default;

void FaceEngine::Init()
{
    faceCrop = cv::Mat::zeros(kCropSize, kCropSize, CV_8UC3);
    contrast = cv::Mat::zeros(kCropSize, kCropSize, CV_8UC1);
    colourCrop = cv::Mat::zeros(kCropSize, kCropSize, CV_8UC3);
    expressionOutput = cv::Mat::zeros(kCropSize, kCropSize, CV_8UC3);
    InitialFeatureModel(bars);
    featuresLocated = false;
    std::copy(std::begin(bars[2]), std::end(bars[2]), std::begin(mouthRest));
    FaceDetector::Instance().LoadCascade();
}

bool FaceEngine::SetPhoto(const cv::Mat& photo)
{
    cv::Mat working = MakeWorkingPhoto(photo);
    const bool changed = !SamePixels(working, workingPhoto);
    fullPhoto = photo.clone();
    workingPhoto = working;
    if (changed) {
        // What was found on another photo means nothing here.
        faceRect = {};
        featuresLocated = false;
        detectedFaces.clear();
        cropValid_ = false;
        landmarksTried_ = false;
    }
    return changed;
}

void FaceEngine::SetSearchFrame(const cv::Mat& whole, cv::Point offset)
{
    if (whole.empty() || (offset == cv::Point() && whole.size() == fullPhoto.size())) {
        searchWhole_.release();
        searchWorking_.release();
        searchOffset_ = {};
        return;
    }
    if (searchWhole_.data != whole.data || searchWhole_.size() != whole.size()) {
        searchWhole_ = whole;
        searchWorking_ = MakeWorkingPhoto(whole);
    }
    searchOffset_ = offset;
}

FaceRect FaceEngine::FromSearchFrame(const FaceRect& r) const
{
    // Whole working pixels -> whole photo pixels -> cut photo pixels -> this working photo.
    const double toWhole = double(searchWhole_.cols) / searchWorking_.cols;
    const double toWorking = double(workingPhoto.cols) / fullPhoto.cols;
    auto x = [&](double v) { return static_cast<std::int32_t>(std::lround((v * toWhole - searchOffset_.x) * toWorking)); };
    auto y = [&](double v) { return static_cast<std::int32_t>(std::lround((v * toWhole - searchOffset_.y) * toWorking)); };
    const std::int32_t x0 = x(r.x), y0 = y(r.y), x1 = x(r.x + r.width), y1 = y(r.y + r.height);
    return FaceRect{x0, y0, x1 - x0, y1 - y0};
}

bool FaceEngine::InsideCut(const FaceRect& r) const
{
    const double cx = r.x + r.width / 2.0, cy = r.y + r.height / 2.0;
    return cx >= 0 && cy >= 0 && cx < workingPhoto.cols && cy < workingPhoto.rows;
}

void FaceEngine::SearchFace()
{
    if (!workingPhoto.empty() && searchWorking_.empty()) {
        faceRect = FaceDetector::Instance().DetectNextFace(workingPhoto, &detectedFaces);
        PrepareCrop();
    } else if (!workingPhoto.empty()) {
        // The detector hands the faces of the whole photo out in turn: those outside the cut
        // are passed over, once round at most.
        std::vector<FaceRect> all;
        faceRect = {};
        FaceRect first;
        for (int turn = 0; turn < 256; ++turn) {
            const FaceRect r = FaceDetector::Instance().DetectNextFace(searchWorking_, &all);
            if (r.IsEmpty() || (turn > 0 && r == first)) break;
            if (turn == 0) first = r;
            const FaceRect mapped = FromSearchFrame(r);
            if (InsideCut(mapped)) {
                faceRect = mapped;
                break;
            }
        }
        detectedFaces.clear();
        for (const FaceRect& r : all)
            if (const FaceRect mapped = FromSearchFrame(r); InsideCut(mapped)) detectedFaces.push_back(mapped);
        PrepareCrop();
    }
    featuresLocated = false;
}

void FaceEngine::PrepareCrop()
{
    if (faceCrop.size() != cv::Size(kCropSize, kCropSize) || faceCrop.type() != CV_8UC3)
        faceCrop = cv::Mat::zeros(kCropSize, kCropSize, CV_8UC3);
    if (faceRect.width < 1 || faceRect.height < 1 || workingPhoto.empty())
        faceCrop.setTo(cv::Scalar::all(0));
    else
        CutRegion(workingPhoto, cv::Rect(faceRect.x, faceRect.y, faceRect.width, faceRect.height), faceCrop);

    // The crop holds BGR; the red/blue-swapped codes are what the feature model was tuned on.
    cv::Mat grey;
    cv::cvtColor(faceCrop, grey, cv::COLOR_RGB2GRAY);
    cv::cvtColor(faceCrop, colourCrop, cv::COLOR_RGB2HSV);
    cv::GaussianBlur(colourCrop, colourCrop, cv::Size(3, 3), 0, 0, cv::BORDER_REPLICATE);
    contrast = LocalContrast(grey);
    pyramid = BuildContrastPyramid(contrast);
    cropValid_ = true;
    cropRect_ = faceRect;
}

Landmarks FaceEngine::CropLandmarks()
{
    if (workingPhoto.empty() || faceRect.width < 1 || faceRect.height < 1) return {};
    if (!landmarksTried_ || !(landmarkRect_ == faceRect)) {
        landmarks_ = FaceDetector::Instance().FindLandmarks(workingPhoto, faceRect);
        landmarkRect_ = faceRect;
        landmarksTried_ = true;
    }
    if (!landmarks_.valid) return {};
    const float k = float(kCropSize) / faceRect.width, kv = float(kCropSize) / faceRect.height;
    Landmarks crop = MapLandmarks(landmarks_, k, -faceRect.x * k, kv, -faceRect.y * kv);
    if (!featuresLocated) return crop;
    // A feature region dragged by the user takes its points along: brows and eye with an eye
    // region, lips with the mouth region.
    auto centre = [](const FaceQuad& q) {
        return cv::Point2f((q.x0 + q.x1 + q.x2 + q.x3) / 4, (q.y0 + q.y1 + q.y2 + q.y3) / 4);
    };
    FaceQuad located[3];
    RegionsFromLandmarks(crop, located);
    const cv::Point2f shift[3] = {centre(currentRegions[0]) - centre(located[0]),
                                  centre(currentRegions[1]) - centre(located[1]),
                                  centre(currentRegions[2]) - centre(located[2])};
    for (int i = 17; i <= 21; ++i) crop.p[size_t(i)] += shift[0];
    for (int i = 36; i <= 41; ++i) crop.p[size_t(i)] += shift[0];
    for (int i = 22; i <= 26; ++i) crop.p[size_t(i)] += shift[1];
    for (int i = 42; i <= 47; ++i) crop.p[size_t(i)] += shift[1];
    for (int i = 48; i <= 67; ++i) crop.p[size_t(i)] += shift[2];
    return crop;
}

void FaceEngine::AlignFeatures()
{
    if (workingPhoto.empty()) return;
    featuresLocated = false;
    stopRequest.store(false);
    const Landmarks crop = CropLandmarks();
    if (stopRequest.load()) return;
    if (crop.valid) {
        RegionsFromLandmarks(crop, locatedRegions);
        std::copy(std::begin(locatedRegions), std::end(locatedRegions), std::begin(currentRegions));
        featuresLocated = true;
        return;
    }
    InitialFeatureModel(bars);
    featuresLocated = false;
    stopRequest.store(false);
    const int levels = static_cast<int>(pyramid.size());
    if (!FitEyeBars(levels)) return;
    FitMouthBars(levels);
    if (Stopped()) return;

    for (int g = 0; g < 3; ++g) {
        locatedRegions[g] = RegionFromBars(bars[g], g);
        currentRegions[g] = locatedRegions[g];
    }
    LevelRegions(currentRegions);
    featuresLocated = true;
}

bool FaceEngine::FitEyeBars(int levels)
{
    for (int L = levels; L >= 0; --L) {
        for (int k = 0; k < kBarsPerGroup; ++k) {
            for (int g = 0; g < 2; ++g) {
                for (int improved = 0; iterationLimit <= 0 || improved < iterationLimit; ++improved) {
                    if (Stopped()) return false;
                    const BarStepResult r = BarStep(bars[g][k], contrast, pyramid, L, positionSearch);
                    baseScore = r.base;
                    gradX = r.gradX;
                    gradY = r.gradY;
                    if (!r.improved) break;
                }
            }
        }
    }
    return true;
}

void FaceEngine::FitMouthBars(int levels)
{
    // The mouth bars move together, held in their plus-sign layout by springs, and follow
    // the score's gradient rather than searching their positions one by one.
    positionSearch = false;
    for (int L = levels; L >= 0 && !Stopped(); --L) {
        const float maxForce = std::ldexp(1.0f, L);
        double previous = 0;
        int passes = 0;
        while (!Stopped()) {
            cv::Vec2d force[kBarsPerGroup];
            const double total = MouthForces(L, maxForce, force);
            if ((passes > 0 && previous > total) || (iterationLimit > 0 && passes >= iterationLimit)) break;
            previous = total;
            ++passes;
            for (int k = 0; k < kBarsPerGroup; ++k) {
                bars[2][k].cx += static_cast<float>(force[k][0]);
                bars[2][k].cy += static_cast<float>(force[k][1]);
            }
        }
    }
    positionSearch = true;
}

double FaceEngine::MouthForces(int level, float maxForce, cv::Vec2d (&force)[kBarsPerGroup])
{
    double scoreSum = 0, energy = 0;
    for (int k = 0; k < kBarsPerGroup; ++k) {
        FeatureBar& bk = bars[2][k];
        const BarStepResult r = BarStep(bk, contrast, pyramid, level, false);
        baseScore = r.base;
        gradX = r.gradX;
        gradY = r.gradY;
        scoreSum += 80 * r.base;
        force[k] = cv::Vec2d(0, 0);
        for (int j = 0; j < kBarsPerGroup; ++j) {
            if (j == k) continue;
            const FeatureBar& bj = bars[2][j];
            const cv::Vec2d d(bk.cx - bj.cx, bk.cy - bj.cy);
            const double len = std::hypot(d[0], d[1]);
            const double rest = std::hypot(mouthRest[k].cx - mouthRest[j].cx, mouthRest[k].cy - mouthRest[j].cy);
            const double e = len - rest;
            const cv::Vec2d u = len > 0 ? d / len : cv::Vec2d(0, 0);
            const bool inner = k >= 1 && k <= 3 && j >= 1 && j <= 3;
            const double w = inner ? 0.03 : 0.1;
            force[k] -= w * e * u;
            energy -= 0.5 * w * e * e;
        }
        force[k] += cv::Vec2d(80 * r.gradX, 80 * r.gradY);
        const double f = std::hypot(force[k][0], force[k][1]);
        if (f > maxForce) force[k] *= maxForce / f;
    }
    return energy * 0.5 + scoreSum;
}

FaceQuad FaceEngine::GetRegion(int i) const
{
    if (workingPhoto.empty() || fullPhoto.empty()) return {};
    const float sx = float(fullPhoto.cols) / workingPhoto.cols;
    const float sy = float(fullPhoto.rows) / workingPhoto.rows;
    if (i == FaceRegion) {
        const float x0 = faceRect.x * sx, y0 = faceRect.y * sy;
        const float x1 = (faceRect.x + faceRect.width) * sx, y1 = (faceRect.y + faceRect.height) * sy;
        return FaceQuad{x0, y0, x1, y0, x1, y1, x0, y1};
    }
    if (i < 0 || i > 2 || !featuresLocated) return {};
    const FaceQuad& q = currentRegions[i];
    auto mx = [&](float x) { return (faceRect.width * x / kCropSize + faceRect.x) * sx; };
    auto my = [&](float y) { return (faceRect.height * y / kCropSize + faceRect.y) * sy; };
    return FaceQuad{mx(q.x0), my(q.y0), mx(q.x1), my(q.y1), mx(q.x2), my(q.y2), mx(q.x3), my(q.y3)};
}

void FaceEngine::SetRegion(int i, const FaceQuad& quad)
{
    if (i >= 0 && i <= 2) {
        FaceQuad q = quad;
        if (faceRect.width > 0 && faceRect.height > 0 && !workingPhoto.empty() && !fullPhoto.empty()) {
            const float kx = float(workingPhoto.cols) / fullPhoto.cols;
            const float ky = float(workingPhoto.rows) / fullPhoto.rows;
            auto cx = [&](float x) { return kCropSize * (x * kx - faceRect.x) / faceRect.width; };
            auto cy = [&](float y) { return kCropSize * (y * ky - faceRect.y) / faceRect.height; };
            q = FaceQuad{cx(quad.x0), cy(quad.y0), cx(quad.x1), cy(quad.y1),
                         cx(quad.x2), cy(quad.y2), cx(quad.x3), cy(quad.y3)};
        }
        currentRegions[i] = q;
        featuresLocated = true;
        return;
    }
    if (i != FaceRegion || workingPhoto.empty() || fullPhoto.empty()) return;
    const float left = (quad.x0 + quad.x3) / 2, right = (quad.x1 + quad.x2) / 2;
    const float top = (quad.y0 + quad.y1) / 2, bottom = (quad.y2 + quad.y3) / 2;
    const bool located = featuresLocated;
    FaceQuad saved[3];
    if (located)
        for (int k = 0; k < 3; ++k) saved[k] = GetRegion(k);
    const double kx = double(workingPhoto.cols) / fullPhoto.cols;
    const double ky = double(workingPhoto.rows) / fullPhoto.rows;
    // A region dragged (or stored) absurdly far must not overflow the integer rectangle.
    auto px = [](double v) {
        return static_cast<std::int32_t>(std::lround(std::isfinite(v) ? std::clamp(v, -1e6, 1e6) : 0.0));
    };
    faceRect = FaceRect{px(left * kx), px(top * ky), px((right - left) * kx), px((bottom - top) * ky)};
    if (located)
        for (int k = 0; k < 3; ++k) SetRegion(k, saved[k]);
    featuresLocated = located;
    // The crop depends only on the rectangle and the photo: rebuilding it for the same
    // rectangle (every rendering hands the regions back) would only cost time.
    if (!cropValid_ || !(cropRect_ == faceRect)) PrepareCrop();
}

}  // namespace face
