#include "shell/OptionPane.h"

#include "controls/Skin.h"
#include "controls/Theme.h"
#include "controls/UiText.h"
#include "engine/EffectTemplate.h"
#include "engine/PhotoDocument.h"

#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>

using engine::CEffectTemplate;
using engine::COptionPanel;
using engine::CPhotoDocument;

namespace shell {

COptionPaneWidget::COptionPaneWidget() : QWidget(nullptr)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(false);
    hide();
}

COptionPaneWidget::~COptionPaneWidget() = default;

// The widget and the panel are two bases of one object: a cross cast finds one from the other.
COptionPanel* COptionPaneWidget::Panel()
{
    if (!panel_) panel_ = dynamic_cast<COptionPanel*>(this);
    return panel_;
}

const COptionPanel* COptionPaneWidget::Panel() const { return const_cast<COptionPaneWidget*>(this)->Panel(); }

CEffectTemplate* COptionPaneWidget::Template() const
{
    const COptionPanel* p = Panel();
    return p ? p->templ : nullptr;
}

void COptionPaneWidget::SetBackgroundColour(const QColor& colour)
{
    background_ = colour;
    update();
}

void COptionPaneWidget::Retranslate()
{
    const QString title = controls::Text().DialogText(GetDialogId(), 0);
    if (!title.isEmpty()) setWindowTitle(title);
}

void COptionPaneWidget::OnPaneNotify(int code, std::intptr_t, std::intptr_t)
{
    if (code == platform::msg::LanguageChanged) {
        Retranslate();
        update();
    }
}

CPhotoDocument* COptionPaneWidget::Document() const
{
    CEffectTemplate* t = Template();
    return t ? t->document : nullptr;
}

void COptionPaneWidget::RenderAndNotify()
{
    CPhotoDocument* doc = Document();
    if (!doc) return;
    if (doc->CurrentTemplate() != Template()) doc->SetCurrentTemplate(Template());
    doc->Render();
    NotifyView(doc->IsRendering() ? platform::msg::Busy : platform::msg::ResultReady);
}

void COptionPaneWidget::RerenderAndNotify()
{
    CPhotoDocument* doc = Document();
    if (!doc) return;
    if (doc->CurrentTemplate() != Template()) doc->SetCurrentTemplate(Template());
    doc->Rerender();
    NotifyView(doc->IsRendering() ? platform::msg::Busy : platform::msg::ResultReady);
}

void COptionPaneWidget::NotifyView(int code)
{
    const COptionPanel* p = Panel();
    if (p && p->view) platform::Send(p->view, code, 0, 0);
}

QPushButton* COptionPaneWidget::AddButton(int controlId, const char* objectName)
{
    auto* b = new QPushButton(this);
    b->setProperty("gzControlId", controlId);
    if (objectName) b->setObjectName(objectName);
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet("padding: 5px 10px;");
    return b;
}

QString COptionPaneWidget::ControlText(int control, const QString& fallback) const
{
    const QString t = controls::Text().DialogText(GetDialogId(), control);
    return t.isEmpty() ? fallback : t;
}

void COptionPaneWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), background_);
    p.drawPixmap(rect(), controls::Skin::Image(controls::img::PaneBackground));
}

// --- Container -------------------------------------------------------------------------

COperationPanel::COperationPanel(QWidget* parent) : QWidget(parent) { setObjectName("OperationPanel"); }

COperationPanel::~COperationPanel() { ReleasePane(); }

void COperationPanel::ReleasePane()
{
    COptionPaneWidget* old = std::exchange(pane_, nullptr);
    COptionPanel* panel = std::exchange(panel_, nullptr);
    if (!old) return;
    old->hide();
    old->setParent(nullptr);
    panel->alive = false;
    // A template deletes the panes it made in its sweep; a pane whose template has gone (or
    // that no template made) is ours to delete.
    if (panel->ownedByTemplate && panel->templ) panel->templ->SweepPanes();
    else delete panel;
}

void COperationPanel::SetPane(COptionPanel* pane)
{
    auto* widget = dynamic_cast<COptionPaneWidget*>(pane);
    if (widget == pane_ && widget) return;
    ReleasePane();
    if (pane && !widget) {
        // A pane without a window of ours cannot be shown; its template deletes it.
        pane->alive = false;
        if (pane->ownedByTemplate && pane->templ) pane->templ->SweepPanes();
        else delete pane;
    }
    pane_ = widget;
    panel_ = widget ? pane : nullptr;
    if (!pane_) {
        if (focusOnEmpty_) focusOnEmpty_->setFocus();
        update();
        return;
    }
    pane_->SetBackgroundColour(Qt::white);
    pane_->SetPlacement(rect());
    pane_->setParent(this);
    pane_->setGeometry(rect());
    if (!pane_->Initialised()) {
        pane_->OnInitDialog();
        pane_->MarkInitialised();
    }
    pane_->Retranslate();
    pane_->show();
}

void COperationPanel::ForwardToPane(int code, std::intptr_t a, std::intptr_t b)
{
    if (pane_) pane_->OnPaneNotify(code, a, b);
}

void COperationPanel::resizeEvent(QResizeEvent*)
{
    if (!pane_) return;
    pane_->setGeometry(rect());
    pane_->SetPlacement(rect());
}

void COperationPanel::paintEvent(QPaintEvent*)
{
    if (pane_) return;
    QPainter p(this);
    p.fillRect(rect(), controls::theme::kPanel);
}

}  // namespace shell
