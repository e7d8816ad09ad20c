#include "library/ThumbnailWorker.h"

#include "library/GalleryModel.h"

#include "engine/EffectTemplate.h"
#include "engine/ImageCodecs.h"
#include "engine/PhotoDocument.h"
#include "platform/Files.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <pthread.h>
#include <sched.h>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::CreateTemplate;
using engine::DecodeImage;

namespace library {
namespace {

constexpr std::size_t kMaxPictureBytes = 16u << 20;

void LowerPriority()
{
    // Thumbnails only fill time the interface does not need.
    sched_param p {};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &p);
}

/** Draws a badge (BGR or BGRA) at its own size into the top-right corner of picture. */
void DrawBadge(cv::Mat& picture, const cv::Mat& badge)
{
    if (badge.empty() || badge.cols > picture.cols || badge.rows > picture.rows) return;
    cv::Mat target = picture(cv::Rect(picture.cols - badge.cols, 0, badge.cols, badge.rows));
    if (badge.channels() == 4) {
        for (int y = 0; y < badge.rows; ++y)
            for (int x = 0; x < badge.cols; ++x) {
                const cv::Vec4b b = badge.at<cv::Vec4b>(y, x);
                cv::Vec3b& t = target.at<cv::Vec3b>(y, x);
                for (int c = 0; c < 3; ++c) t[c] = static_cast<uchar>((b[c] * b[3] + t[c] * (255 - b[3]) + 127) / 255);
            }
    } else if (badge.channels() == 3) {
        badge.copyTo(target);
    }
}

}  // namespace

cv::Mat MakeTemplateThumbnail(const std::shared_ptr<tinyxml2::XMLDocument>& definition, const std::string& folder,
                              CPhotoDocument* document, std::string* refused)
{
    if (!definition || !document) return WhiteThumbnail();
    CEffectTemplate* t = CreateTemplate(definition, folder, document, refused);
    if (!t) return WhiteThumbnail();
    const cv::Mat image = document->TemplateThumbnail(t);
    t->Release();
    if (image.empty() || image.type() != CV_8UC3) return WhiteThumbnail();
    return image.clone();
}

cv::Mat MakeOnlineThumbnail(const std::string& imageFile, const cv::Mat& badge)
{
    cv::Mat picture;
    std::string data;
    if (!imageFile.empty() && platform::ReadFile(imageFile, data, kMaxPictureBytes)) {
        picture = DecodeImage(data);
    }
    if (picture.empty()) {
        picture = WhiteThumbnail();
    } else if (picture.cols > gallery::kThumbWidth || picture.rows > gallery::kThumbHeight) {
        // A picture larger than a cell would spill over its neighbours.
        const double s = std::min(double(gallery::kThumbWidth) / picture.cols, double(gallery::kThumbHeight) / picture.rows);
        cv::Mat fitted;
        cv::resize(picture, fitted,
                   cv::Size(std::max(1, int(picture.cols * s)), std::max(1, int(picture.rows * s))), 0, 0,
                   cv::INTER_AREA);
        picture = fitted;
    }
    DrawBadge(picture, badge);
    return picture;
}

CThumbnailWorker::CThumbnailWorker(CPhotoDocument* document) : document_(document) {}

CThumbnailWorker::~CThumbnailWorker() { Stop(); }

void CThumbnailWorker::Start()
{
    if (thread_.joinable()) return;
    stop_.store(false);
    thread_ = std::thread([this] { Main(); });
}

void CThumbnailWorker::Stop()
{
    if (!thread_.joinable()) return;
    stop_.store(true);
    Wake();
    thread_.join();
}

void CThumbnailWorker::Register(CGalleryModel* gallery)
{
    {
        std::lock_guard lock(listMutex_);
        if (std::find(galleries_.begin(), galleries_.end(), gallery) == galleries_.end()) galleries_.push_back(gallery);
    }
    Wake();
}

void CThumbnailWorker::Unregister(CGalleryModel* gallery)
{
    // Setting restart first makes the worker leave the gallery after the thumbnail in progress.
    restart_.store(true);
    std::lock_guard lock(listMutex_);
    std::erase(galleries_, gallery);
}

void CThumbnailWorker::Wake()
{
    {
        std::lock_guard lock(eventMutex_);
        signalled_ = true;
    }
    eventCv_.notify_all();
}

void CThumbnailWorker::RequestRestart()
{
    restart_.store(true);
    Wake();
}

bool CThumbnailWorker::WaitForIdle(int timeoutMs)
{
    std::unique_lock lock(eventMutex_);
    return eventCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return idle_ && !signalled_; });
}

void CThumbnailWorker::Main()
{
    LowerPriority();
    while (!stop_.load()) {
        {
            std::lock_guard list(listMutex_);
            for (CGalleryModel* gallery : galleries_) {
                if (stop_.load()) break;
                if (!gallery->Ready()) continue;
                restart_.store(false);
                gallery->ThumbnailPass(document_, restart_, stop_);
            }
        }
        passes_.fetch_add(1);
        std::unique_lock lock(eventMutex_);
        idle_ = true;
        eventCv_.notify_all();
        eventCv_.wait(lock, [&] { return signalled_ || stop_.load(); });
        signalled_ = false;
        idle_ = false;
    }
    std::lock_guard lock(eventMutex_);
    idle_ = true;
    eventCv_.notify_all();
}

}  // namespace library
