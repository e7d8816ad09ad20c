#include "face/FaceDetector.h"

#include "platform/Folders.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Detection works on the grey photo reduced by this factor, which keeps the search fast on
// the 800 x 600 working photo while faces of 40 pixels are still found.
constexpr double kReduce = 1.3;

bool SameImage(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() != b.size() || a.type() != b.type()) return false;
    for (int y = 0; y < a.rows; ++y)
        if (std::memcmp(a.ptr(y), b.ptr(y), static_cast<size_t>(a.cols) * a.elemSize()) != 0) return false;
    return true;
}

}  // namespace

FaceDetector& FaceDetector::Instance()
{
    static FaceDetector detector;
    return detector;
}

std::string FaceDetector::CascadePath()
{
    return platform::JoinPath(platform::ProgramFolder(), "media/Configurations/haarcascade_frontalface_alt2.xml");
}

int FaceDetector::LoadCascade()
{
    std::lock_guard lock(lock_);
    if (loaded_) return 0;
    bool ok = false;
    try {
        ok = platform::FileExists(CascadePath()) && cascade_.load(CascadePath()) && !cascade_.empty();
    } catch (const cv::Exception&) {
        ok = false;
    }
    if (!ok) {
        std::fputs("ERROR: Could not load classifier cascade\n", stderr);
        std::fprintf(stderr, "Expected at %s\n", CascadePath().c_str());
        return -1;
    }
    loaded_ = true;
    return 0;
}

void FaceDetector::ReleaseDetector()
{
    std::lock_guard lock(lock_);
    cascade_ = cv::CascadeClassifier();
    loaded_ = false;
    hasResults_ = false;
    results_.clear();
    next_ = 0;
    listImage_.release();
}

bool FaceDetector::Loaded()
{
    std::lock_guard lock(lock_);
    return loaded_;
}

void FaceDetector::ResetFaceSearch()
{
    std::lock_guard lock(lock_);
    hasResults_ = false;
    results_.clear();
    next_ = 0;
}

int FaceDetector::NextIndex()
{
    std::lock_guard lock(lock_);
    return next_;
}

FaceRect FaceDetector::DetectNextFace(const cv::Mat& image, std::vector<FaceRect>* all)
{
    FaceRect result;
    if (all) all->clear();
    if (image.empty() || image.type() != CV_8UC3) return result;

    cv::Mat grey, small;
    cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
    // Rounded to nearest with ties to even, as the default rounding mode does.
    const int sw = static_cast<int>(std::nearbyint(image.cols / kReduce));
    const int sh = static_cast<int>(std::nearbyint(image.rows / kReduce));
    if (sw < 1 || sh < 1) return result;
    cv::resize(grey, small, cv::Size(sw, sh), 0, 0, cv::INTER_LINEAR);
    cv::equalizeHist(small, small);

    std::lock_guard lock(lock_);
    if (!loaded_) return result;

    // The list belongs to the photo it was found on: stepping on after the photo changed
    // would hand out a rectangle of another picture.
    if (hasResults_ && !SameImage(small, listImage_)) {
        hasResults_ = false;
        results_.clear();
        next_ = 0;
    }
    if (!hasResults_) {
        std::vector<cv::Rect> found;
        try {
            cascade_.detectMultiScale(small, found, 1.1, 2, 0, cv::Size(30, 30));
        } catch (const cv::Exception&) {
            found.clear();
        }
        // The detector collects candidates on several threads, so its order varies from run
        // to run; left to right (then top to bottom) gives every run the same cycle.
        std::sort(found.begin(), found.end(), [](const cv::Rect& a, const cv::Rect& b) {
            return a.x != b.x ? a.x < b.x : a.y < b.y;
        });
        results_.clear();
        for (const cv::Rect& r : found) {
            // Truncated toward zero, back in working-photo pixels.
            results_.push_back({static_cast<std::int32_t>(r.x * kReduce), static_cast<std::int32_t>(r.y * kReduce),
                                static_cast<std::int32_t>(r.width * kReduce),
                                static_cast<std::int32_t>(r.height * kReduce)});
        }
        next_ = 0;
        hasResults_ = !results_.empty();
        if (hasResults_) listImage_ = small;
    }
    if (hasResults_) {
        if (all) *all = results_;
        result = results_[next_];
        ++next_;
        if (next_ >= static_cast<int>(results_.size())) {
            hasResults_ = false;
            results_.clear();
            next_ = 0;
        }
    }
    return result;
}
