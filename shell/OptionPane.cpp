#include "shell/OptionPane.h"

#include "controls/Skin.h"
#include "controls/Theme.h"
#include "controls/UiText.h"
#include "engine/EffectTemplate.h"
#include "engine/PhotoDocument.h"

#include <QPainter>
#include <QResizeEvent>

namespace shell {

COptionPaneBase::COptionPaneBase() : QWidget(nullptr)
{
    className = "OptionPanel";
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(false);
    hide();
}

COptionPaneBase::~COptionPaneBase() = default;

void COptionPaneBase::SetBackgroundColour(const QColor& colour)
{
    background_ = colour;
    update();
}

void COptionPaneBase::Retranslate()
{
    const QString title = ui::Text().DialogText(GetDialogId(), 0);
    if (!title.isEmpty()) setWindowTitle(title);
}

void COptionPaneBase::OnPaneNotify(int code, std::intptr_t, std::intptr_t)
{
    if (code == platform::msg::LanguageChanged) {
        Retranslate();
        update();
    }
}

CPhotoDocument* COptionPaneBase::Document() const { return templ ? templ->document : nullptr; }

void COptionPaneBase::RenderAndNotify()
{
    CPhotoDocument* doc = Document();
    if (!doc) return;
    if (doc->CurrentTemplate() != templ) doc->SetCurrentTemplate(templ);
    doc->Render();
    NotifyView(doc->IsRendering() ? platform::msg::Busy : platform::msg::ResultReady);
}

void COptionPaneBase::RerenderAndNotify()
{
    CPhotoDocument* doc = Document();
    if (!doc) return;
    if (doc->CurrentTemplate() != templ) doc->SetCurrentTemplate(templ);
    doc->Rerender();
    NotifyView(doc->IsRendering() ? platform::msg::Busy : platform::msg::ResultReady);
}

void COptionPaneBase::NotifyView(int code)
{
    if (view) platform::Send(view, code, 0, 0);
}

QString COptionPaneBase::ControlText(int control, const QString& fallback) const
{
    const QString t = ui::Text().DialogText(GetDialogId(), control);
    return t.isEmpty() ? fallback : t;
}

void COptionPaneBase::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), background_);
    p.drawPixmap(rect(), ui::Skin::Image(ui::img::PaneBackground));
}

// --- Container -------------------------------------------------------------------------

COperationPanel::COperationPanel(QWidget* parent) : QWidget(parent) { setObjectName("OperationPanel"); }

COperationPanel::~COperationPanel() { ReleasePane(); }

void COperationPanel::ReleasePane()
{
    COptionPaneBase* old = pane_;
    pane_ = nullptr;
    if (!old) return;
    old->hide();
    old->setParent(nullptr);
    old->alive = false;
    // A template deletes the panes it made in its sweep; a pane whose template has gone (or
    // that no template made) is ours to delete.
    if (old->ownedByTemplate && old->templ) old->templ->SweepPanes();
    else delete old;
}

void COperationPanel::SetPane(COptionPanel* pane)
{
    auto* widget = dynamic_cast<COptionPaneBase*>(pane);
    if (widget == pane_ && widget) return;
    ReleasePane();
    pane_ = widget;
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
    p.fillRect(rect(), ui::theme::kPanel);
}

}  // namespace shell
