#include "engine/PhotoRecord.h"

#include "engine/ImageIO.h"
#include "engine/ViewGeometry.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace engine {

cv::Mat PhotoRecord::PreparedView() const
{
    if (image.empty()) return {};
    const cv::Rect r = crop_px & cv::Rect(0, 0, image.cols, image.rows);
    if (r.empty()) return image;
    return image(r);
}

void ForgetFaceRegions(FacePhotoState& face)
{
    for (std::uint8_t& v : face.regionValid) v = 0;
    for (FaceQuad& q : face.regions) q = FaceQuad{};
    face.faceSearched = 0;
    face.aligned = 0;
}

void MoveFaceState(FacePhotoState& face, cv::Point2f delta, cv::Size frameSize)
{
    constexpr int kFace = 3;  // left eye, right eye, mouth, face
    for (int i = 0; i < 4; ++i) {
        if (!face.regionValid[i]) continue;
        FaceQuad& q = face.regions[i];
        for (float* x : {&q.x0, &q.x1, &q.x2, &q.x3}) *x += delta.x;
        for (float* y : {&q.y0, &q.y1, &q.y2, &q.y3}) *y += delta.y;
    }
    if (!face.regionValid[kFace]) return;
    const FaceQuad& f = face.regions[kFace];
    const float cx = (f.x0 + f.x1 + f.x2 + f.x3) / 4, cy = (f.y0 + f.y1 + f.y2 + f.y3) / 4;
    if (cx < 0 || cy < 0 || cx >= frameSize.width || cy >= frameSize.height) ForgetFaceRegions(face);
}

void PhotoRecord::DropImages()
{
    image.release();
    thumbnail.release();
    crop_px = {};
}

cv::Mat RotateQuarterTurns(const cv::Mat& image, int turns)
{
    turns = ((turns % 4) + 4) % 4;
    cv::Mat out;
    switch (turns) {
    case 1: cv::rotate(image, out, cv::ROTATE_90_COUNTERCLOCKWISE); break;
    case 2: cv::rotate(image, out, cv::ROTATE_180); break;
    case 3: cv::rotate(image, out, cv::ROTATE_90_CLOCKWISE); break;
    default: out = image; break;
    }
    return out;
}

void RotateCrop(float crop[4], int turns)
{
    turns = ((turns % 4) + 4) % 4;
    const float x = crop[0], y = crop[1], w = crop[2], h = crop[3];
    switch (turns) {
    case 1:
        crop[0] = y;
        crop[1] = 1 - x - w;
        crop[2] = h;
        crop[3] = w;
        break;
    case 2:
        crop[0] = 1 - x - w;
        crop[1] = 1 - y - h;
        break;
    case 3:
        crop[0] = 1 - y - h;
        crop[1] = x;
        crop[2] = h;
        crop[3] = w;
        break;
    default: break;
    }
}

bool PreparePhoto(PhotoRecord& r, std::string* error)
{
    if (r.image.empty()) {
        if (r.path.empty()) {
            if (error) *error = "the photo has no file";
            return false;
        }
        cv::Mat loaded = LoadPhoto(r.path, error);
        if (loaded.empty()) return false;
        if (loaded.cols > kMaxPreparedSide || loaded.rows > kMaxPreparedSide) {
            const double s = std::min(double(kMaxPreparedSide) / loaded.cols, double(kMaxPreparedSide) / loaded.rows);
            cv::Mat scaled;
            cv::resize(loaded, scaled,
                       cv::Size(std::max(1, static_cast<int>(loaded.cols * s)), std::max(1, static_cast<int>(loaded.rows * s))),
                       0, 0, cv::INTER_LINEAR);
            loaded = scaled;
        }
        r.image = RotateQuarterTurns(loaded, r.rotation);
    }
    const int rot = ((r.rotation % 4) + 4) % 4;
    const int cropRot = ((r.cropRotation % 4) + 4) % 4;
    if (rot != cropRot) {
        RotateCrop(r.crop, rot - cropRot);
        r.cropRotation = r.rotation;
    }
    const int W = r.image.cols, H = r.image.rows;
    // Truncate, but not a hair below a whole pixel: 1 - 0.1 - 0.5 in float is 0.39999998.
    const auto px = [](float f, int size) { return static_cast<int>(double(f) * size + 1e-3); };
    const int x = std::clamp(px(r.crop[0], W), 0, W);
    const int y = std::clamp(px(r.crop[1], H), 0, H);
    const int w = std::clamp(px(r.crop[2], W), 0, W - x);
    const int h = std::clamp(px(r.crop[3], H), 0, H - y);
    r.crop_px = (w > 0 && h > 0) ? cv::Rect(x, y, w, h) : cv::Rect(0, 0, W, H);
    return true;
}

cv::Mat MakeThumbnail(PhotoRecord& r, int maxWidth, int maxHeight)
{
    if (!r.thumbnail.empty()) return r.thumbnail;
    const bool hadImage = !r.image.empty();
    if (!hadImage && !PreparePhoto(r)) return {};
    r.thumbnail = ResizeToFit(r.PreparedView(), maxWidth, maxHeight);
    if (!hadImage) {
        r.image.release();
        r.crop_px = {};
    }
    return r.thumbnail;
}

}  // namespace engine
