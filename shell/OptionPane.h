#pragma once
/**
 * @file OptionPane.h
 * @brief The window half of an adjustment pane, and the container that shows one.
 *
 * A pane is a Qt widget (COptionPaneWidget) and an engine COptionPanel at once. The registry
 * creates it by name without a parent; the container adopts it (SetPane), gives it its place
 * and calls OnInitDialog once. When the container lets it go, the pane's window is hidden and
 * its alive flag cleared; the template that made it deletes it in its pane sweep.
 *
 * To write a new pane:
 * - derive from COptionPaneBase (widget + plain COptionPanel), or, when the engine side has
 *   its own panel class (COptionPanel3D), from COptionPaneWidget and that class;
 * - set className in the constructor and register the creator by its name;
 * - return the dialog number from GetDialogId, build the controls in OnInitDialog, set their
 *   texts in Retranslate (TranslateWidget does it for controls carrying "gzControlId");
 * - after a parameter change call RenderAndNotify() or RerenderAndNotify().
 * Interface thread only.
 */
#include "controls/QtNotify.h"
#include "engine/EffectTemplate.h"
#include "engine/OptionPanel.h"

#include <QColor>
#include <QWidget>

namespace engine {
class CPhotoDocument;
}  // namespace engine
class QPushButton;

namespace shell {

class COptionPaneWidget : public QWidget {
    Q_OBJECT
public:
    COptionPaneWidget();
    ~COptionPaneWidget() override;

    /** The engine half of this pane (the same object, seen as its COptionPanel base). */
    engine::COptionPanel* Panel();
    const engine::COptionPanel* Panel() const;
    engine::CEffectTemplate* Template() const;

    /** The dialog number the language file's texts for this pane are filed under. */
    virtual int GetDialogId() const = 0;
    virtual void SetBackgroundColour(const QColor& colour);
    QColor BackgroundColour() const { return background_; }
    /** Builds the controls; called once, after the pane has its place and its template. */
    virtual void OnInitDialog() {}
    /** Sets every text again (after OnInitDialog and whenever the language changes). */
    virtual void Retranslate();
    /** Notifications the container forwards (4824, 2125). */
    virtual void OnPaneNotify(int code, std::intptr_t a, std::intptr_t b);

    bool Initialised() const { return initialised_; }
    void MarkInitialised() { initialised_ = true; }
    QRect Placement() const { return placement_; }
    void SetPlacement(const QRect& r) { placement_ = r; }

protected:
    /** The photo document of the template (null without one). */
    engine::CPhotoDocument* Document() const;
    /**
     * @brief Renders the template for the preview and tells the view: 1124 when the result is
     * there at once, 1224 while a background rendering runs. Makes the pane's template the
     * document's current one first (it may have been cleared by stepping through the history).
     */
    void RenderAndNotify();
    /** Re-renders without Start (random effects keep their pattern) and tells the view 1124. */
    void RerenderAndNotify();
    /** Tells the view to repaint without rendering. */
    void NotifyView(int code = 1124);
    /** A push button of the panes' look, filed under a control number for the language file. */
    QPushButton* AddButton(int controlId, const char* objectName = nullptr);
    /** Control texts from the language file by control number, or the fallback. */
    QString ControlText(int control, const QString& fallback) const;

    void paintEvent(QPaintEvent*) override;

private:
    QColor background_{Qt::white};
    QRect placement_;
    bool initialised_ = false;
    mutable engine::COptionPanel* panel_ = nullptr;
};

/** The common pane: the widget and a plain COptionPanel. */
class COptionPaneBase : public COptionPaneWidget, public engine::COptionPanel {
    Q_OBJECT
public:
    COptionPaneBase() = default;
};

/**
 * @brief Holds at most one pane (the operation panel, and the container of the template's
 * original-image pane).
 */
class COperationPanel : public QWidget {
    Q_OBJECT
public:
    explicit COperationPanel(QWidget* parent = nullptr);
    ~COperationPanel() override;

    /** Replaces the shown pane (null shows none; the focus then goes to focusOnEmpty). */
    void SetPane(engine::COptionPanel* pane);
    COptionPaneWidget* Pane() const { return pane_; }
    void SetFocusOnEmpty(QWidget* w) { focusOnEmpty_ = w; }
    /** Forwards a notification to the pane (the language changed: it translates itself). */
    void ForwardToPane(int code, std::intptr_t a, std::intptr_t b);

protected:
    void resizeEvent(QResizeEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    void ReleasePane();

    COptionPaneWidget* pane_ = nullptr;
    engine::COptionPanel* panel_ = nullptr;
    QWidget* focusOnEmpty_ = nullptr;
};

}  // namespace shell
