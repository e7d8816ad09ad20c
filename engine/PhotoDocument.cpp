#include "engine/PhotoDocument.h"

#include "engine/ImageFilter.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <filesystem>
#include <pthread.h>
#include <sched.h>

namespace engine {

namespace {

// The gallery renders thumbnails at 129 x 86; a source four times that size keeps every
// effect's look while sparing a full-size copy per thumbnail.
constexpr int kThumbSourceWidth = 4 * CPhotoDocument::kTemplateThumbWidth;
constexpr int kThumbSourceHeight = 4 * CPhotoDocument::kTemplateThumbHeight;

void LowerThreadPriority()
{
    sched_param p{};
    p.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &p);  // best effort
}

cv::Mat FitForThumbnail(const cv::Mat& image)
{
    if (image.cols <= kThumbSourceWidth && image.rows <= kThumbSourceHeight) return image;
    cv::Mat out;
    const double s = std::min(double(kThumbSourceWidth) / image.cols, double(kThumbSourceHeight) / image.rows);
    cv::resize(image, out,
               cv::Size(std::max(1, static_cast<int>(image.cols * s)), std::max(1, static_cast<int>(image.rows * s))), 0, 0,
               cv::INTER_AREA);
    return out;
}

}  // namespace

CPhotoDocument::CPhotoDocument() = default;

CPhotoDocument::~CPhotoDocument()
{
    StopPhotoThread();
    StopRenderingThread();
    if (template_) template_->Release();
}

// --- Photo list ----------------------------------------------------------------------

void CPhotoDocument::InsertPhoto(int position, PhotoRecord record)
{
    StopPhotoThread();
    std::lock_guard lock(photoMutex_);
    const int count = static_cast<int>(photos_.size());
    const int at = position < 0 ? count : std::min(position, count);
    photos_.insert(photos_.begin() + at, std::move(record));
    if (current_ >= at && count > 0) ++current_;
    std::lock_guard sl(selectionMutex_);
    for (int& s : selectionIndex_)
        if (s >= at) ++s;
}

int CPhotoDocument::AddPhotosFromFolder(const std::string& rawFolder, const std::string& firstName)
{
    std::string folder = platform::NormalizePath(rawFolder);
    if (!folder.empty() && folder[0] == '.') folder = platform::ProgramFolder() + folder.substr(1);
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!it->is_regular_file(ec)) continue;
        if (platform::EndsWithNoCase(name, ".bmp") || platform::EndsWithNoCase(name, ".jpg") ||
            platform::EndsWithNoCase(name, ".png"))
            names.push_back(name);
    }
    // Directory listings come in no useful order here; sort so the strip is the same each run.
    std::sort(names.begin(), names.end());
    int added = 0;
    for (const std::string& name : names) {
        PhotoRecord r;
        r.path = platform::JoinPath(folder, name);
        InsertPhoto(name == firstName ? 0 : -1, std::move(r));
        ++added;
    }
    return added;
}

bool CPhotoDocument::RemovePhoto(int index)
{
    StopPhotoThread();
    bool empty = false;
    {
        std::lock_guard lock(photoMutex_);
        if (index < 0 || index >= static_cast<int>(photos_.size())) return false;
        photos_.erase(photos_.begin() + index);
        current_ = std::clamp(current_, 0, std::max(0, static_cast<int>(photos_.size()) - 1));
        empty = photos_.empty();
    }
    StopRenderingThread();
    std::lock_guard rl(renderLock_);
    std::lock_guard sl(selectionMutex_);
    for (size_t i = 0; i < selectionIndex_.size(); ++i) {
        if (selectionIndex_[i] == index) {
            selectionIndex_.erase(selectionIndex_.begin() + static_cast<long>(i));
            selection_.erase(selection_.begin() + static_cast<long>(i));
            thumbSources_.clear();
            break;
        }
    }
    for (int& s : selectionIndex_)
        if (s > index) --s;
    if (empty && template_) template_->SetSource({});
    return true;
}

void CPhotoDocument::RemoveAllPhotos()
{
    StopPhotoThread();
    std::lock_guard lock(photoMutex_);
    photos_.clear();
    current_ = 0;
}

bool CPhotoDocument::MovePhoto(int from, int to)
{
    StopPhotoThread();
    std::lock_guard lock(photoMutex_);
    const int n = static_cast<int>(photos_.size());
    if (from < 0 || from >= n || to < 0 || to >= n) return false;
    if (from == to) return true;
    PhotoRecord moving = std::move(photos_[from]);
    photos_.erase(photos_.begin() + from);
    photos_.insert(photos_.begin() + to, std::move(moving));
    auto remap = [&](int i) {
        if (i == from) return to;
        if (from < to && i > from && i <= to) return i - 1;
        if (to < from && i >= to && i < from) return i + 1;
        return i;
    };
    current_ = remap(current_);
    std::lock_guard sl(selectionMutex_);
    for (int& s : selectionIndex_) s = remap(s);
    return true;
}

int CPhotoDocument::PhotoCount() const
{
    std::lock_guard lock(photoMutex_);
    return static_cast<int>(photos_.size());
}

PhotoRecord CPhotoDocument::PhotoAt(int index) const
{
    std::lock_guard lock(photoMutex_);
    if (index < 0 || index >= static_cast<int>(photos_.size())) return {};
    return photos_[index];
}

bool CPhotoDocument::SetPhotoSettings(int index, int rotation, const float crop[4])
{
    std::lock_guard lock(photoMutex_);
    if (index < 0 || index >= static_cast<int>(photos_.size())) return false;
    PhotoRecord& r = photos_[index];
    const bool turned = ((rotation - r.rotation) % 4) != 0;
    const bool cropped = !std::equal(crop, crop + 4, r.crop);
    const bool wasPrepared = !r.image.empty();
    const cv::Rect before = r.crop_px;
    // A photo made from an image in memory has no file to prepare again from: turn its pixels.
    if (r.path.empty() && turned && !r.image.empty()) r.image = RotateQuarterTurns(r.image, rotation - r.rotation);
    else if (turned) r.image.release();
    r.thumbnail.release();
    r.rotation = rotation;
    std::copy(crop, crop + 4, r.crop);
    r.cropRotation = rotation;
    if (!r.image.empty()) PreparePhoto(r);
    // The face regions are in the pixels of the cropped, turned photo: they follow a new crop,
    // and a turned photo is searched again.
    if (turned || (cropped && !(wasPrepared && !r.image.empty())))
        ForgetFaceRegions(r.face);
    else if (cropped)
        MoveFaceState(r.face, cv::Point2f(float(before.x - r.crop_px.x), float(before.y - r.crop_px.y)), r.crop_px.size());
    return true;
}

bool CPhotoDocument::SetPhotoFaceState(int index, const FacePhotoState& state)
{
    std::lock_guard lock(photoMutex_);
    if (index < 0 || index >= static_cast<int>(photos_.size())) return false;
    photos_[index].face = state;
    return true;
}

int CPhotoDocument::CurrentIndex() const
{
    std::lock_guard lock(photoMutex_);
    return current_;
}

void CPhotoDocument::SetCurrentIndex(int index)
{
    std::lock_guard lock(photoMutex_);
    current_ = std::clamp(index, 0, std::max(0, static_cast<int>(photos_.size()) - 1));
}

// --- Selection -------------------------------------------------------------------------

bool CPhotoDocument::ChangeSelection(int index, bool append, std::string* error)
{
    PhotoRecord copy;
    {
        std::lock_guard lock(photoMutex_);
        if (photos_.empty()) {
            if (error) *error = "there are no photos";
            return false;
        }
        index = std::clamp(index, 0, static_cast<int>(photos_.size()) - 1);
        copy = photos_[index];
    }
    // Preparing may decode a large file: do it with no lock held.
    const bool ok = PreparePhoto(copy, error);
    StopRenderingThread();
    std::lock_guard rl(renderLock_);
    std::lock_guard sl(selectionMutex_);
    if (!append) {
        selection_.clear();
        selectionIndex_.clear();
    }
    selection_.push_back(std::move(copy));
    selectionIndex_.push_back(index);
    thumbSources_.clear();
    return ok;
}

bool CPhotoDocument::SelectPhoto(int index, std::string* error) { return ChangeSelection(index, false, error); }
bool CPhotoDocument::AddToSelection(int index, std::string* error) { return ChangeSelection(index, true, error); }

std::vector<int> CPhotoDocument::SelectionIndices() const
{
    std::lock_guard sl(selectionMutex_);
    return selectionIndex_;
}

cv::Size CPhotoDocument::SelectedPhotoSize() const
{
    std::lock_guard sl(selectionMutex_);
    return selection_.empty() ? cv::Size() : selection_.front().crop_px.size();
}

bool CPhotoDocument::AddResultAsPhoto()
{
    cv::Mat result = ShownResult();
    if (result.empty()) return false;
    PhotoRecord r;
    r.image = result.clone();
    r.crop_px = cv::Rect(0, 0, r.image.cols, r.image.rows);
    InsertPhoto(0, std::move(r));
    std::lock_guard lock(photoMutex_);
    if (photos_.size() == 1) current_ = 0;
    return true;
}

void CPhotoDocument::AddResultToHistory(const cv::Mat& result)
{
    if (result.empty()) return;
    std::lock_guard lock(resultMutex_);
    AppendToHistoryAndShow(result);
}

cv::Mat CPhotoDocument::PhotoThumbnail(int index)
{
    if (historyMode_) {
        std::lock_guard lock(resultMutex_);
        return history_.empty() ? cv::Mat() : ResizeToFit(history_.front(), kPhotoThumbSize, kPhotoThumbSize);
    }
    PhotoRecord copy = PhotoAt(index);
    if (copy.path.empty() && copy.image.empty()) return {};
    if (!copy.thumbnail.empty()) return copy.thumbnail.clone();
    cv::Mat thumb = MakeThumbnail(copy, kPhotoThumbSize, kPhotoThumbSize);
    std::lock_guard lock(photoMutex_);
    if (index < static_cast<int>(photos_.size()) && photos_[index].path == copy.path &&
        photos_[index].rotation == copy.rotation && photos_[index].thumbnail.empty())
        photos_[index].thumbnail = thumb;
    return thumb.clone();
}

void CPhotoDocument::StartPhotoThread(platform::WindowId listWindow)
{
    StopPhotoThread();
    photoThreadRunning_ = true;
    photoThread_ = std::thread([this, listWindow] {
        LowerThreadPriority();
        for (int i = 0; !photoStop_.load(); ++i) {
            PhotoRecord copy;
            {
                std::lock_guard lock(photoMutex_);
                if (i >= static_cast<int>(photos_.size())) break;
                copy = photos_[i];
            }
            // Decoding takes long; keep the list lock free meanwhile and write the thumbnail
            // back only if the photo is still the one we read.
            if (copy.thumbnail.empty()) {
                cv::Mat thumb = MakeThumbnail(copy, kPhotoThumbSize, kPhotoThumbSize);
                std::lock_guard lock(photoMutex_);
                if (i < static_cast<int>(photos_.size()) && photos_[i].path == copy.path &&
                    photos_[i].rotation == copy.rotation && photos_[i].thumbnail.empty())
                    photos_[i].thumbnail = thumb;
                platform::Invalidate(listWindow);
            }
            std::unique_lock wl(photoWakeMutex_);
            photoWake_.wait_for(wl, std::chrono::milliseconds(copy.thumbnail.empty() ? 100 : 0),
                                [this] { return photoStop_.load(); });
        }
        photoThreadRunning_ = false;
    });
}

void CPhotoDocument::StopPhotoThread()
{
    if (!photoThread_.joinable()) return;
    {
        std::lock_guard wl(photoWakeMutex_);
        photoStop_ = true;
    }
    photoWake_.notify_all();
    photoThread_.join();
    photoStop_ = false;
}

// --- Rendering -------------------------------------------------------------------------

void CPhotoDocument::SetView(const ViewRect& rect, platform::WindowId notifyWindow)
{
    std::lock_guard lock(viewMutex_);
    view_ = rect;
    notifyWindow_ = notifyWindow;
}

ViewRect CPhotoDocument::View() const
{
    std::lock_guard lock(viewMutex_);
    return view_;
}

void CPhotoDocument::StopRenderingThread()
{
    if (renderThread_.joinable()) {
        if (template_) template_->Stop();
        renderThread_.join();
    }
    // Also after a rendering that ended on its own: a Stop that came from elsewhere while it
    // ran must not cut the next rendering short.
    CImageFilter::ClearStop();
}

void CPhotoDocument::StopRendering() { StopRenderingThread(); }

void CPhotoDocument::WaitForRendering()
{
    if (renderThread_.joinable()) renderThread_.join();
    CImageFilter::ClearStop();
}

void CPhotoDocument::SetCurrentTemplate(CEffectTemplate* templ)
{
    StopRenderingThread();
    {
        std::lock_guard lock(resultMutex_);
        sharp_.release();
        sharpRequest_ = 0;
    }
    if (templ) templ->AddRef();
    CEffectTemplate* old = template_;
    {
        std::lock_guard rl(renderLock_);
        template_ = templ;
    }
    if (old) old->Release();
}

void CPhotoDocument::GiveInputs(CEffectTemplate* t, bool forThumbnail)
{
    if (historyMode_) {
        std::vector<cv::Mat> images;
        {
            std::lock_guard lock(resultMutex_);
            if (historyInput_ >= 0 && historyInput_ < static_cast<int>(history_.size()))
                images.push_back(history_[historyInput_]);
            for (int i = 0; i < static_cast<int>(history_.size()); ++i)
                if (i != historyInput_) images.push_back(history_[i]);
        }
        if (forThumbnail)
            for (cv::Mat& m : images) m = FitForThumbnail(m);
        t->SetSource(images);
        return;
    }
    if (!forThumbnail) {
        t->SetPhotos(selection_);
        return;
    }
    {
        std::lock_guard sl(stillMutex_);
        thumbStillGiven_ = thumbStill_;
    }
    if (!thumbStillGiven_.empty()) {
        t->SetSource(std::span<const cv::Mat>(&thumbStillGiven_, 1));
        return;
    }
    if (thumbSources_.empty() && !selection_.empty() && !selection_.front().PreparedView().empty())
        for (const PhotoRecord& r : selection_) thumbSources_.push_back(FitForThumbnail(r.PreparedView()));
    t->SetSource(thumbSources_);
}

void CPhotoDocument::ShowFresh(const cv::Mat& result)
{
    std::lock_guard lock(resultMutex_);
    shown_ = result.empty() ? cv::Mat() : result.clone();
    borrowed_ = false;
}

void CPhotoDocument::AppendToHistoryAndShow(const cv::Mat& result)
{
    // Results after the current position are the redo branch a new result replaces.
    if (historyPos_ + 1 < static_cast<int>(history_.size()))
        history_.erase(history_.begin() + (historyPos_ + 1), history_.end());
    if (result.empty()) {
        shown_.release();
        borrowed_ = false;
        return;
    }
    history_.push_back(result.clone());
    historyPos_ = static_cast<int>(history_.size()) - 1;
    while (static_cast<int>(history_.size()) > kMaxHistory) {
        history_.pop_front();
        historyPos_ = std::max(0, historyPos_ - 1);
    }
    shown_ = history_[historyPos_];
    borrowed_ = true;
}

void CPhotoDocument::AppendToHistoryAndShowLocked(const cv::Mat& result)
{
    std::lock_guard lock(resultMutex_);
    AppendToHistoryAndShow(result);
}

void CPhotoDocument::RefreshShown(const cv::Mat& result)
{
    std::lock_guard lock(resultMutex_);
    if (result.empty()) return;
    if (borrowed_ || shown_.empty()) {
        shown_ = result.clone();
        borrowed_ = false;
    } else {
        cv::resize(result, shown_, shown_.size(), 0, 0, cv::INTER_LINEAR);
    }
}

void CPhotoDocument::LaunchRenderingThread(Step step)
{
    // A sharp rendering is not what the window waits for: IsRendering stays false.
    (step == Step::Sharp ? sharpRendering_ : background_) = true;
    wanted_ = true;
    const int request = ++requestCounter_;
    renderThread_ = std::thread(&CPhotoDocument::RenderThreadMain, this, template_, step, request);
}

void CPhotoDocument::RenderThreadMain(CEffectTemplate* t, Step step, int request)
{
    t->Process();
    const bool wanted = wanted_.load() && !CImageFilter::StopRequested();
    if (step == Step::Sharp) {
        if (wanted) {
            std::lock_guard lock(resultMutex_);
            sharp_ = t->GetResult().clone();
            sharpRequest_ = request;
        }
    } else {
        std::lock_guard lock(resultMutex_);
        if (!borrowed_) shown_.release();
        shown_ = cv::Mat();
        borrowed_ = false;
        if (wanted) {
            if (step == Step::Preview) {
                const cv::Mat r = t->GetResult();
                shown_ = r.empty() ? cv::Mat() : r.clone();
            } else {
                AppendToHistoryAndShow(t->GetResult());
            }
        }
    }
    if (wanted) {
        if (step != Step::Sharp) lastRequest_ = request;
        platform::Post(notifyWindow_.load(), step == Step::Sharp ? platform::msg::SharpResultReady : platform::msg::ResultReady,
                       request, 0);
    }
    background_ = false;
    sharpRendering_ = false;
    renderLock_.unlock();
}

CEffectTemplate* CPhotoDocument::PrepareRendering(bool giveInputs, const cv::Size* outputSize)
{
    StopRenderingThread();
    renderLock_.lock();
    CEffectTemplate* t = template_;
    if (!t) {
        renderLock_.unlock();
        return nullptr;
    }
    if (giveInputs) GiveInputs(t, false);
    t->SetOutputSize(outputSize);
    t->ApplyParams();
    return t;
}

void CPhotoDocument::FinishRendering(CEffectTemplate* t, Step step, void (CPhotoDocument::*show)(const cv::Mat&))
{
    if (t->IsDeferred()) {
        // A slow template would freeze the window: it renders on the rendering thread, which
        // releases the lock.
        LaunchRenderingThread(step);
        return;
    }
    t->Process();
    (this->*show)(t->GetResult());
    renderLock_.unlock();
}

void CPhotoDocument::Render()
{
    const ViewRect v = View();
    const cv::Size size(v.Width(), v.Height());
    CEffectTemplate* t = PrepareRendering(true, v.Empty() ? nullptr : &size);
    if (!t) return;
    t->Start();
    FinishRendering(t, Step::Preview, &CPhotoDocument::ShowFresh);
}

void CPhotoDocument::RenderFull()
{
    CEffectTemplate* t = PrepareRendering(true, nullptr);
    if (t) FinishRendering(t, Step::Full, &CPhotoDocument::AppendToHistoryAndShowLocked);
}

void CPhotoDocument::Rerender()
{
    const ViewRect v = View();
    const cv::Size size(v.Width(), v.Height());
    CEffectTemplate* t = PrepareRendering(false, v.Empty() ? nullptr : &size);
    if (t) FinishRendering(t, Step::Preview, &CPhotoDocument::RefreshShown);
}

int CPhotoDocument::RenderSharp(const cv::Size* box)
{
    CEffectTemplate* t = PrepareRendering(false, box);
    if (!t) return 0;
    LaunchRenderingThread(Step::Sharp);  // the thread releases the lock
    return requestCounter_.load();
}

cv::Mat CPhotoDocument::SharpResult(int request) const
{
    std::lock_guard lock(resultMutex_);
    return request != 0 && request == sharpRequest_ ? sharp_ : cv::Mat();
}

void CPhotoDocument::Pointer(int x, int y, int button)
{
    // The pointer renders here and now: a sharp rendering for a zoomed view gives way.
    if (sharpRendering_.load()) StopRenderingThread();
    CEffectTemplate* t = template_;
    if (!pointerRendering_ || !t || background_.load() || t->IsDeferred()) return;
    std::lock_guard rl(renderLock_);
    t->prevPointerX = t->pointerX;
    t->prevPointerY = t->pointerY;
    t->pointerX = x;
    t->pointerY = y;
    if (button >= 0) t->buttonDown = static_cast<short>(button);
    t->pointerMoved = true;
    const ViewRect v = View();
    const cv::Size size(v.Width(), v.Height());
    t->SetOutputSize(v.Empty() ? nullptr : &size);
    t->ApplyParams();
    t->Process();
    t->pointerMoved = false;
    RefreshShown(t->GetResult());
    if (button < 0) platform::Send(notifyWindow_.load(), platform::msg::ResultReady, 0, 0);
}

void CPhotoDocument::PointerDown(int x, int y) { Pointer(x, y, 1); }
void CPhotoDocument::PointerUp(int x, int y) { Pointer(x, y, 0); }
void CPhotoDocument::PointerMove(int x, int y) { Pointer(x, y, -1); }

cv::Mat CPhotoDocument::TemplateThumbnail(CEffectTemplate* t)
{
    if (!t) return {};
    std::lock_guard rl(renderLock_);
    GiveInputs(t, true);
    const cv::Size size(kTemplateThumbWidth, kTemplateThumbHeight);
    t->SetOutputSize(&size);
    t->SetQuiet(1);
    t->ApplyParams();
    t->Process();
    const cv::Mat result = t->GetResult();
    t->SetQuiet(0);
    if (result.empty()) return {};
    const double s = std::min(double(kTemplateThumbWidth) / result.cols, double(kTemplateThumbHeight) / result.rows);
    cv::Mat out;
    cv::resize(result, out,
               cv::Size(std::max(1, static_cast<int>(result.cols * s)), std::max(1, static_cast<int>(result.rows * s))), 0,
               0, cv::INTER_LINEAR);
    return out;
}

void CPhotoDocument::SetThumbnailStill(const cv::Mat& frame)
{
    cv::Mat still = frame.empty() ? cv::Mat() : FitForThumbnail(frame).clone();
    std::lock_guard sl(stillMutex_);
    thumbStill_ = std::move(still);
}

bool CPhotoDocument::HasThumbnailStill() const
{
    std::lock_guard sl(stillMutex_);
    return !thumbStill_.empty();
}

void CPhotoDocument::ClearResult()
{
    StopRenderingThread();
    std::lock_guard lock(resultMutex_);
    shown_.release();
    borrowed_ = false;
}

void CPhotoDocument::StepHistory(int direction)
{
    StopRenderingThread();
    // Leaving the template for a history entry drops our reference: otherwise nothing would
    // ever release it.
    SetCurrentTemplate(nullptr);
    std::lock_guard lock(resultMutex_);
    if (history_.empty()) {
        shown_.release();
        borrowed_ = false;
        historyPos_ = -1;
        return;
    }
    const int last = static_cast<int>(history_.size()) - 1;
    historyPos_ = std::clamp(historyPos_, 0, last);
    const bool showingCurrent = borrowed_ && shown_.data == history_[historyPos_].data;
    if (showingCurrent) historyPos_ = std::clamp(historyPos_ + (direction < 0 ? -1 : 1), 0, last);
    shown_ = history_[historyPos_];
    borrowed_ = true;
}

void CPhotoDocument::ShowHistoryEntry(int index)
{
    StopRenderingThread();
    SetCurrentTemplate(nullptr);
    std::lock_guard lock(resultMutex_);
    if (index < 0 || index >= static_cast<int>(history_.size())) return;
    historyPos_ = index;
    shown_ = history_[historyPos_];
    borrowed_ = true;
}

cv::Mat CPhotoDocument::ShownResult() const
{
    std::lock_guard lock(resultMutex_);
    return shown_;
}

int CPhotoDocument::HistorySize() const
{
    std::lock_guard lock(resultMutex_);
    return static_cast<int>(history_.size());
}

int CPhotoDocument::HistoryPosition() const
{
    std::lock_guard lock(resultMutex_);
    return historyPos_;
}

cv::Mat CPhotoDocument::HistoryAt(int index) const
{
    std::lock_guard lock(resultMutex_);
    return index >= 0 && index < static_cast<int>(history_.size()) ? history_[index] : cv::Mat();
}

bool CPhotoDocument::RemoveHistoryEntry(int index)
{
    StopRenderingThread();
    std::lock_guard lock(resultMutex_);
    if (index < 0 || index >= static_cast<int>(history_.size())) return false;
    if (borrowed_ && shown_.data == history_[index].data) {
        shown_.release();
        borrowed_ = false;
    }
    history_.erase(history_.begin() + index);
    const int last = static_cast<int>(history_.size()) - 1;
    if (historyPos_ > index) --historyPos_;
    historyPos_ = std::min(historyPos_, last);
    if (historyInput_ > index) --historyInput_;
    historyInput_ = std::clamp(historyInput_, 0, std::max(0, last));
    return true;
}

}  // namespace engine
