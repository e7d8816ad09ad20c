// SPDX-License-Identifier: MIT
#include "face/FaceModels.h"

#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/image_processing/shape_predictor.h>
#include <dlib/serialize.h>

#include <fstream>

namespace face {

namespace {

// dlib reads its own image types; a copy of a working-sized grey picture costs well under a
// millisecond next to the search itself.
void ToDlib(const cv::Mat& grey, dlib::array2d<unsigned char>& out)
{
    out.set_size(grey.rows, grey.cols);
    for (int y = 0; y < grey.rows; ++y) {
        const uchar* s = grey.ptr<uchar>(y);
        for (int x = 0; x < grey.cols; ++x) out[y][x] = s[x];
    }
}

}  // namespace

struct HogFaceFinder::Impl {
    dlib::frontal_face_detector detector;
    bool ready = false;
};

HogFaceFinder::HogFaceFinder() : impl_(std::make_unique<Impl>()) {}
HogFaceFinder::~HogFaceFinder() = default;

bool HogFaceFinder::Load(const std::string& path)
{
    try {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            dlib::frontal_face_detector d;
            dlib::deserialize(d, in);
            if (d.num_detectors() > 0) {
                impl_->detector = std::move(d);
                impl_->ready = true;
                return true;
            }
        }
    } catch (const std::exception&) {
    }
    impl_->detector = dlib::get_frontal_face_detector();
    impl_->ready = true;
    return false;
}

bool HogFaceFinder::WriteDefault(const std::string& path)
{
    try {
        dlib::frontal_face_detector d = dlib::get_frontal_face_detector();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        dlib::serialize(d, out);
        return static_cast<bool>(out.flush());
    } catch (const std::exception&) {
        return false;
    }
}

std::vector<HogFace> HogFaceFinder::Find(const cv::Mat& grey, double threshold) const
{
    std::vector<HogFace> out;
    if (!impl_->ready || grey.empty() || grey.type() != CV_8UC1) return out;
    dlib::array2d<unsigned char> img;
    ToDlib(grey, img);
    std::vector<dlib::rect_detection> found;
    impl_->detector(img, found, threshold);
    for (const dlib::rect_detection& d : found) {
        const dlib::rectangle& r = d.rect;
        out.push_back({cv::Rect2f(float(r.left()), float(r.top()), float(r.width()), float(r.height())),
                       d.detection_confidence, static_cast<int>(d.weight_index)});
    }
    return out;
}

struct LandmarkPredictor::Impl {
    dlib::shape_predictor model;
    bool loaded = false;
};

LandmarkPredictor::LandmarkPredictor() : impl_(std::make_unique<Impl>()) {}
LandmarkPredictor::~LandmarkPredictor() = default;

bool LandmarkPredictor::Load(const std::string& path)
{
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        dlib::shape_predictor sp;
        dlib::deserialize(sp, in);
        if (sp.num_parts() != kLandmarkCount) return false;
        impl_->model = std::move(sp);
        impl_->loaded = true;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool LandmarkPredictor::Loaded() const { return impl_->loaded; }

Landmarks LandmarkPredictor::Predict(const cv::Mat& grey, const cv::Rect2f& box) const
{
    Landmarks out;
    if (!impl_->loaded || grey.empty() || grey.type() != CV_8UC1 || !(box.width > 0 && box.height > 0)) return out;
    dlib::array2d<unsigned char> img;
    ToDlib(grey, img);
    const dlib::rectangle r(std::lround(box.x), std::lround(box.y), std::lround(box.x + box.width) - 1,
                            std::lround(box.y + box.height) - 1);
    const dlib::full_object_detection shape = impl_->model(img, r);
    if (shape.num_parts() != kLandmarkCount) return out;
    for (int i = 0; i < kLandmarkCount; ++i) {
        const dlib::point& p = shape.part(static_cast<unsigned long>(i));
        out.p[static_cast<size_t>(i)] = cv::Point2f(float(p.x()), float(p.y()));
    }
    out.valid = true;
    return out;
}

}  // namespace face
