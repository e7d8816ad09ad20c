#pragma once
/**
 * @file TemplatePage.h
 * @brief The template page behind the gallery: turns a selected entry into the document's
 * current template, starts downloads, and tells the preview and the main window what to show.
 *
 * The desktop page widget forwards the gallery's notifications here (HandleNotification) and
 * owns nothing else. The page reports by notifications:
 * - to the preview window (posted): ResultReady 1124 (a = the document's request number),
 *   Busy 1224, OnlineTemplateMessage 3273 (a = 1 online template, 2 download failed);
 * - to the main window (sent, in this order): ModeRequest 1724 (a = 0); TemplateChanged 1424
 *   (a = the CEffectTemplate*, or 0; only while the recreate flag is on); ToolbarState 1624
 *   (a = the number of the template's extra tool buttons, read with ToolButtons()).
 * Sent, not posted, because 1424 carries a template pointer that is only certain to be alive
 * while the page holds it.
 *
 * Threads: the interface thread only.
 */
#include "engine/EffectTemplate.h"
#include "engine/RefPtr.h"
#include "library/GalleryModel.h"
#include "platform/Notify.h"

#include <string>
#include <vector>

namespace engine {
class CPhotoDocument;
}  // namespace engine

namespace library {

/** ParamCommand codes the page sends to its template. */
inline constexpr int kCommandStopAnimation = 600;
inline constexpr int kCommandRestart = 200;

class CTemplatePage {
public:
    CTemplatePage(CGalleryModel& gallery, engine::CPhotoDocument& document, platform::WindowId preview,
                  platform::WindowId mainWindow);
    ~CTemplatePage();
    CTemplatePage(const CTemplatePage&) = delete;
    CTemplatePage& operator=(const CTemplatePage&) = delete;

    /** Makes entry index of the gallery's current group the current template (on 3258). */
    void SelectEntry(int index);
    /** Selects the current group's selected entry again, after a photo, mode or category change. */
    void ReselectCurrent(bool recreate, bool restart, bool refreshThumbnails);
    /** Starts the download of an online or failed entry, then selects it (on 3270). */
    void ActivateEntry(int index);
    /** ActivateEntry for the current group's selected entry (on 3272 from the preview). */
    void ActivateCurrent();
    /** Switches the gallery to category index and selects its current entry. */
    void SelectCategory(int index);

    /**
     * @brief Routes a notification addressed to the page or its gallery: 3258, 3270, 3272 and
     * the downloads' 3271. Returns false for other codes.
     */
    bool HandleNotification(int code, std::intptr_t a, std::intptr_t b);

    engine::CEffectTemplate* Template() const { return template_.get(); }
    /**
     * @brief The document no longer shows this page's template (it shows a result of the
     * history): the page lets the template go and highlights no entry, so nothing re-applies
     * it behind the user's back.
     */
    void Deselect();
    /** The name of the online template whose message the preview shows. */
    const std::string& CurrentTemplateName() const { return currentName_; }
    /** The extra tool buttons of the current template (after 1624). */
    const std::vector<engine::ToolButton>& ToolButtons() const { return toolButtons_; }

private:
    CGalleryModel& gallery_;
    engine::CPhotoDocument& document_;
    platform::WindowId preview_;
    platform::WindowId main_;
    engine::RefPtr<engine::CEffectTemplate> template_;
    bool recreate_ = true;
    bool restart_ = true;
    std::string currentName_;
    std::vector<engine::ToolButton> toolButtons_;
};

}  // namespace library
