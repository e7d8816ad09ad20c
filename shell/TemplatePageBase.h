#pragma once
/**
 * @file TemplatePageBase.h
 * @brief What the working window asks of the template page (the gallery and the page that
 * turns a selection into the current template).
 */
#include "controls/QtNotify.h"
#include "engine/EffectTemplate.h"

#include <QString>
#include <QWidget>

#include <string>
#include <vector>

namespace shell {

class CTemplatePageBase : public QWidget, public controls::NotifyTarget {
    Q_OBJECT
public:
    explicit CTemplatePageBase(QWidget* parent = nullptr) : QWidget(parent), controls::NotifyTarget(this) {}

    /** Tells the page where results and template changes are reported. */
    virtual void SetWindows(platform::WindowId preview, platform::WindowId mainWindow) = 0;
    /** Loads the library and fills the gallery. */
    virtual void Initialise() = 0;
    virtual int CategoryCount() const = 0;
    /** The category's name as written in the library (untranslated). */
    virtual QString CategoryName(int index) const = 0;
    /** The category's label (translated). */
    virtual QString CategoryLabel(int index) const = 0;
    virtual int CurrentCategory() const = 0;
    virtual void SelectCategory(int index) = 0;
    virtual void ReselectCurrent(bool recreate, bool restart, bool refreshThumbnails) = 0;
    virtual engine::CEffectTemplate* Template() const = 0;
    /** Lets the current template go and highlights no entry (the document shows a result of the history). */
    virtual void Deselect() = 0;
    virtual std::vector<engine::ToolButton> ToolButtons() const = 0;
    /** The name the preview shows in its online-template message. */
    virtual QString CurrentTemplateName() const = 0;
    /** The language changed: labels and pictures again. */
    virtual void Retranslate() = 0;
    /** What went wrong loading the library, one reason per library folder (untranslated). */
    virtual std::vector<std::string> LoadProblems() const { return {}; }
    /** Joins the thumbnail worker, saves and clears the library. */
    virtual void Shutdown() = 0;
};

}  // namespace shell
