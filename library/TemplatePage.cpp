#include "library/TemplatePage.h"

#include "engine/PhotoDocument.h"
#include "library/ThumbnailWorker.h"

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::CreateTemplate;
using engine::RefPtr;

namespace library {

CTemplatePage::CTemplatePage(CGalleryModel& gallery, CPhotoDocument& document, platform::WindowId preview,
                             platform::WindowId mainWindow)
    : gallery_(gallery), document_(document), preview_(preview), main_(mainWindow)
{
}

CTemplatePage::~CTemplatePage() = default;

void CTemplatePage::SelectEntry(int index)
{
    if (restart_ && template_) template_->ParamCommand(kCommandStopAnimation, preview_, 0, nullptr);
    const std::optional<GalleryEntry> entry = gallery_.CurrentGroupEntry(index);
    if (!entry || !entry->item) return;
    TemplateItem* item = entry->item;

    if (recreate_ || !template_) {
        if (item->definition) {
            // A definition that cannot become a template leaves the page without one.
            template_ = RefPtr<CEffectTemplate>::Adopt(CreateTemplate(item->definition, item->TemplateFolder(), &document_));
        } else {
            gallery_.WithLock([&] {
                item->downloaded = false;
                if (IntAttribute(item->element, "downloaded")) item->SetDownloaded(false);
            });
            template_.reset();
            currentName_ = item->name;
        }
    }

    // A deferred rendering may end, and report, before Render returns: the preview must hear
    // "busy" first, or it would wait for a result that has already come.
    document_.SetCurrentTemplate(template_.get());
    const bool deferred = template_ && template_->IsDeferred();
    if (item->definition && deferred) platform::Post(preview_, platform::msg::Busy);
    if (template_)
        document_.Render();
    else
        document_.ClearResult();  // nothing stale may stay in the preview

    if (item->definition) {
        if (!deferred) platform::Post(preview_, platform::msg::ResultReady, document_.LastRequest());
    } else {
        switch (entry->state) {
        case kEntryOnline: platform::Post(preview_, platform::msg::OnlineTemplateMessage, 1); break;
        case kEntryDownloading: platform::Post(preview_, platform::msg::Busy); break;
        case kEntryFailed: platform::Post(preview_, platform::msg::OnlineTemplateMessage, 2); break;
        default: break;
        }
    }

    platform::Send(main_, platform::msg::ModeRequest, 0);
    if (recreate_) platform::Send(main_, platform::msg::TemplateChanged, reinterpret_cast<std::intptr_t>(template_.get()));
    toolButtons_.clear();
    if (template_) template_->GetToolButtons(toolButtons_);
    platform::Send(main_, platform::msg::ToolbarState, static_cast<std::intptr_t>(toolButtons_.size()));
}

void CTemplatePage::ReselectCurrent(bool recreate, bool restart, bool refreshThumbnails)
{
    if (recreate && template_) template_->ParamCommand(kCommandStopAnimation, preview_, 0, nullptr);
    if (restart && template_) template_->ParamCommand(kCommandRestart, 0, 1, nullptr);
    recreate_ = recreate;
    restart_ = restart;
    const int selected = gallery_.CurrentSelection();
    if (selected >= 0) SelectEntry(selected);
    recreate_ = true;
    restart_ = true;
    // Local thumbnails are rendered from the current photos, so they go stale with them.
    if (refreshThumbnails)
        gallery_.InvalidateThumbnails();
    else
        gallery_.RequestRestart();
}

void CTemplatePage::ActivateEntry(int index)
{
    if (const auto entry = gallery_.CurrentGroupEntry(index);
        entry && (entry->state == kEntryOnline || entry->state == kEntryFailed))
        gallery_.StartDownload(index);
    SelectEntry(index);
}

void CTemplatePage::ActivateCurrent()
{
    const int selected = gallery_.CurrentSelection();
    if (selected >= 0) ActivateEntry(selected);
}

void CTemplatePage::SelectCategory(int index)
{
    if (template_) template_->ParamCommand(kCommandStopAnimation, preview_, 0, nullptr);
    gallery_.SetCurrentCategory(index);
    ReselectCurrent(true, true, true);
}

void CTemplatePage::Deselect()
{
    if (template_) template_->ParamCommand(kCommandStopAnimation, preview_, 0, nullptr);
    gallery_.ClearSelection();
    template_.reset();
    toolButtons_.clear();
    currentName_.clear();
}

bool CTemplatePage::HandleNotification(int code, std::intptr_t a, std::intptr_t b)
{
    switch (code) {
    case platform::msg::GalleryEntrySelected: SelectEntry(static_cast<int>(a)); return true;
    case platform::msg::GalleryEntryActivated: ActivateEntry(static_cast<int>(a)); return true;
    case platform::msg::ActivateCurrentEntry: ActivateCurrent(); return true;
    case platform::msg::DownloadFinished: gallery_.OnDownloadFinished(static_cast<int>(a), b != 0); return true;
    default: return false;
    }
}

}  // namespace library
