#pragma once
/**
 * @file PhotoDocument.h
 * @brief The photos the user added, the current template, the shown result and the result
 * history: the one model windows and the effect engine share.
 *
 * Threads and locks:
 * - The interface thread calls everything here unless said otherwise.
 * - The rendering thread runs one deferred rendering at a time. It holds the rendering lock
 *   for the whole rendering: the interface thread takes the lock when it starts the
 *   rendering and the rendering thread releases it when done (hence a ReleasableLock).
 * - The photo thread makes strip thumbnails at idle priority. Every change to the photo list
 *   first stops it (request, then wait).
 * - The gallery's thumbnail worker calls TemplateThumbnail, which takes the rendering lock.
 * - photoMutex_ guards photos_ and current_; selectionMutex_ the selection's indices, which
 *   list changes renumber; the rendering lock guards the selection and the
 *   template's rendering state; resultMutex_ guards the shown result and the history, which
 *   the rendering thread replaces while the interface thread reads them.
 * Lock order: photoMutex_ is never held while waiting for the rendering lock.
 */
#include "engine/EffectTemplate.h"
#include "engine/PhotoRecord.h"
#include "engine/ViewGeometry.h"
#include "platform/Notify.h"
#include "platform/ReleasableLock.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace engine {

class CPhotoDocument {
public:
    static constexpr int kMaxHistory = 100;
    static constexpr int kPhotoThumbSize = 90;
    static constexpr int kTemplateThumbWidth = 129;
    static constexpr int kTemplateThumbHeight = 86;

    CPhotoDocument();
    ~CPhotoDocument();
    CPhotoDocument(const CPhotoDocument&) = delete;
    CPhotoDocument& operator=(const CPhotoDocument&) = delete;

    // --- The photo list ---------------------------------------------------------------
    /** Inserts at position (clamped to 0..count; -1 appends). */
    void InsertPhoto(int position, PhotoRecord record);
    /**
     * @brief Adds every .bmp, .jpg and .png file of a folder (a leading "." is relative to the
     * program folder); the file named firstName goes to the front. Returns how many were added.
     */
    int AddPhotosFromFolder(const std::string& folder, const std::string& firstName);
    bool RemovePhoto(int index);
    void RemoveAllPhotos();
    bool MovePhoto(int from, int to);
    int PhotoCount() const;
    /** A copy of the record (empty record when out of range). */
    PhotoRecord PhotoAt(int index) const;
    /** Changes rotation and crop; the photo is prepared anew at its next use. */
    bool SetPhotoSettings(int index, int rotation, const float crop[4]);
    /** Writes back a record's face state (face templates). */
    bool SetPhotoFaceState(int index, const FacePhotoState& state);
    int CurrentIndex() const;
    void SetCurrentIndex(int index);

    // --- Selection: the photos that feed the template ---------------------------------
    /** Makes the photo (index clamped) the only selected one. False when it cannot be loaded. */
    bool SelectPhoto(int index, std::string* error = nullptr);
    bool AddToSelection(int index, std::string* error = nullptr);
    std::vector<int> SelectionIndices() const;
    /** The size of the first selected photo as prepared (cropped, rotated, scaled); empty without one. Interface thread. */
    cv::Size SelectedPhotoSize() const;

    /** Puts a copy of the shown result at the front of the list. */
    bool AddResultAsPhoto();
    /** Adds a result rendered elsewhere (a camera shot) to the history and shows it, as an export does. */
    void AddResultToHistory(const cv::Mat& result);
    /** The photo's 90 x 90 thumbnail (the first history entry in history mode). */
    cv::Mat PhotoThumbnail(int index);
    /** Starts making missing thumbnails at idle priority; the list window is repainted after each. */
    void StartPhotoThread(platform::WindowId listWindow);
    void StopPhotoThread();
    bool PhotoThreadRunning() const { return photoThreadRunning_.load(); }

    // --- Template and rendering --------------------------------------------------------
    /** The preview rectangle results are sized for, and the window told when they are ready. */
    void SetView(const ViewRect& rect, platform::WindowId notifyWindow);
    ViewRect View() const;
    platform::WindowId NotifyWindow() const { return notifyWindow_.load(); }

    /** Makes a template current (holding one reference on it); null clears. */
    void SetCurrentTemplate(CEffectTemplate* templ);
    CEffectTemplate* CurrentTemplate() const { return template_; }

    /** Renders for the view; a deferred template renders on the rendering thread. */
    void Render();
    /** Renders at full size and appends the result to the history. */
    void RenderFull();
    /** Renders again after a parameter change, without Start (random effects keep their seed). */
    void Rerender();
    /**
     * @brief Renders the current template again (as Rerender, without Start) for a larger
     * output box, on the rendering thread, for a zoomed view: box null renders at full size.
     * The shown result stays as it is; SharpResultReady (a = the returned request number) is
     * posted when it is done, unless it was stopped. 0 when there is no template.
     */
    int RenderSharp(const cv::Size* box);
    /** The result of RenderSharp's request (empty when that is not the last one finished). */
    cv::Mat SharpResult(int request) const;
    bool SharpRendering() const { return sharpRendering_.load(); }
    void PointerDown(int x, int y);
    void PointerUp(int x, int y);
    void PointerMove(int x, int y);
    /** Renders a template at 129 x 86 for the gallery. Any thread. */
    cv::Mat TemplateThumbnail(CEffectTemplate* templ);
    /**
     * @brief While the camera is live, gallery thumbnails show this still frame instead of the
     * selected photos; an empty Mat goes back to the photos. Any thread.
     */
    void SetThumbnailStill(const cv::Mat& frame);
    bool HasThumbnailStill() const;
    void ClearResult();
    /** Undo (-1) and redo (+1) through the history. */
    void StepHistory(int direction);
    /** Shows history entry index (0 the oldest) as undo and redo would, leaving the template. */
    void ShowHistoryEntry(int index);

    /** The shown result (shares pixels: do not write; clone to keep). */
    cv::Mat ShownResult() const;
    bool IsRendering() const { return background_.load(); }
    /** Stops a background rendering (the template's Stop) and waits for it. */
    void StopRendering();
    /** Waits for a background rendering to finish on its own. */
    void WaitForRendering();
    /** The number sent with the last 1124. */
    int LastRequest() const { return lastRequest_.load(); }

    // --- History -----------------------------------------------------------------------
    void SetHistoryMode(bool on) { historyMode_ = on; }
    bool HistoryMode() const { return historyMode_; }
    void SetHistoryInput(int index) { historyInput_ = index; }
    int HistorySize() const;
    int HistoryPosition() const;
    cv::Mat HistoryAt(int index) const;
    /**
     * @brief Removes one history entry (the strip's "Delete" on a result). The position and
     * the history input entry follow; a shown result that was this entry is dropped.
     */
    bool RemoveHistoryEntry(int index);

    /** A rendering that is no longer wanted when it ends shows nothing and posts nothing. */
    void SetRenderingWanted(bool wanted) { wanted_.store(wanted); }
    void SetPointerRendering(bool on) { pointerRendering_ = on; }

private:
    enum class Step { Preview, Full, Sharp };

    void StopPhotoThreadLocked();
    void StopRenderingThread();
    /** Gives the template its inputs (selection or history). Rendering lock held. */
    void GiveInputs(CEffectTemplate* t, bool forThumbnail);
    /**
     * Stops a background rendering, takes the rendering lock and readies the current
     * template for one rendering at outputSize (null: full size). Null, and the lock not
     * held, when there is no template.
     */
    CEffectTemplate* PrepareRendering(bool giveInputs, const cv::Size* outputSize);
    /** Renders a prepared template, here or on the rendering thread, and shows the result. */
    void FinishRendering(CEffectTemplate* t, Step step, void (CPhotoDocument::*show)(const cv::Mat&));
    void LaunchRenderingThread(Step step);  // rendering lock held; the thread releases it
    void RenderThreadMain(CEffectTemplate* t, Step step, int request);
    void ShowFresh(const cv::Mat& result);                 // resultMutex_ taken inside
    void AppendToHistoryAndShow(const cv::Mat& result);    // resultMutex_ held by caller
    void AppendToHistoryAndShowLocked(const cv::Mat& result);  // resultMutex_ taken inside
    void RefreshShown(const cv::Mat& result);              // as Rerender does
    void Pointer(int x, int y, int button);
    bool ChangeSelection(int index, bool append, std::string* error);

    mutable std::mutex photoMutex_;
    std::vector<PhotoRecord> photos_;
    int current_ = 0;

    std::vector<PhotoRecord> selection_;
    mutable std::mutex selectionMutex_;  // guards selectionIndex_ only
    std::vector<int> selectionIndex_;
    std::vector<cv::Mat> thumbSources_;  // the selection scaled down for gallery thumbnails
    mutable std::mutex stillMutex_;
    cv::Mat thumbStill_;  // guarded by stillMutex_; scaled down like thumbSources_
    cv::Mat thumbStillGiven_;  // the still a template renders from, under renderLock_

    mutable std::mutex resultMutex_;
    std::deque<cv::Mat> history_;
    int historyPos_ = -1;
    int historyInput_ = 0;
    cv::Mat shown_;
    bool borrowed_ = false;

    CEffectTemplate* template_ = nullptr;
    ViewRect view_;
    mutable std::mutex viewMutex_;
    std::atomic<platform::WindowId> notifyWindow_{0};

    std::atomic<bool> background_{false};
    std::atomic<bool> sharpRendering_{false};  // a RenderSharp on the rendering thread
    cv::Mat sharp_;                            // guarded by resultMutex_, as sharpRequest_
    int sharpRequest_ = 0;
    std::atomic<bool> wanted_{true};
    bool pointerRendering_ = true;
    bool historyMode_ = false;
    std::atomic<int> requestCounter_{0};
    std::atomic<int> lastRequest_{0};

    platform::ReleasableLock renderLock_;
    std::thread renderThread_;

    std::thread photoThread_;
    std::atomic<bool> photoStop_{false};
    std::atomic<bool> photoThreadRunning_{false};
    std::mutex photoWakeMutex_;
    std::condition_variable photoWake_;
};

}  // namespace engine
