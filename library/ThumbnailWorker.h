#pragma once
/**
 * @file ThumbnailWorker.h
 * @brief The idle-priority thread that makes the gallery's thumbnails.
 *
 * One worker serves every registered gallery. A pass visits each ready gallery and makes the
 * pending thumbnails near its visible area; then the worker sleeps on its wake-up event (a
 * manual-reset event, created signalled) and resets it. Scrolling, finished downloads and
 * photo changes set the restart flag and signal the event, so a pass interrupted by scrolling
 * is followed at once by one for the new position.
 *
 * Threads: Start, Stop, Register and Unregister on the interface thread; Wake and
 * RequestRestart from any thread. Unregister waits until the worker has left that gallery,
 * so a gallery may be destroyed right after it. Stop joins the thread.
 */
#include <opencv2/core.hpp>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace engine {
class CPhotoDocument;
}  // namespace engine

namespace tinyxml2 {
class XMLDocument;
}

namespace library {

class CGalleryModel;

class CThumbnailWorker {
public:
    /** document renders the template thumbnails (may be null: local templates stay white). */
    explicit CThumbnailWorker(engine::CPhotoDocument* document);
    ~CThumbnailWorker();
    CThumbnailWorker(const CThumbnailWorker&) = delete;
    CThumbnailWorker& operator=(const CThumbnailWorker&) = delete;

    void Start();
    /** Sets the stop flag, signals the event and joins the thread. */
    void Stop();
    bool Running() const { return thread_.joinable(); }

    void Register(CGalleryModel* gallery);
    void Unregister(CGalleryModel* gallery);

    /** Signals the wake-up event. */
    void Wake();
    /** Sets the restart flag and signals the event. */
    void RequestRestart();
    bool RestartRequested() const { return restart_.load(); }

    /** Completed passes (tests wait on it). */
    int PassCount() const { return passes_.load(); }
    /** Waits until the worker sleeps with no wake-up pending (every requested pass done);
     *  false on time-out. */
    bool WaitForIdle(int timeoutMs);

private:
    void Main();

    engine::CPhotoDocument* document_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> restart_{false};
    std::atomic<int> passes_{0};

    std::mutex eventMutex_;
    std::condition_variable eventCv_;
    bool signalled_ = true;
    bool idle_ = false;

    std::mutex listMutex_;  ///< held while a gallery is served, so Unregister waits for it
    std::vector<CGalleryModel*> galleries_;
};

/**
 * @brief A local template's thumbnail: creates the template from its definition (under the
 * template-creation lock), renders it with the document's TemplateThumbnail and releases it.
 * White 129 x 86 when it cannot be made; when the definition cannot become a template at all,
 * refused says why (it stays untouched otherwise).
 */
cv::Mat MakeTemplateThumbnail(const std::shared_ptr<tinyxml2::XMLDocument>& definition, const std::string& folder,
                              engine::CPhotoDocument* document, std::string* refused = nullptr);

/**
 * @brief An online template's picture: the image file (fitted into 129 x 86 when larger, a
 * white 129 x 86 when unreadable) with the badge in its top-right corner.
 */
cv::Mat MakeOnlineThumbnail(const std::string& imageFile, const cv::Mat& badge);

}  // namespace library
