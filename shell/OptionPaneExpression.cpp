#include "shell/OptionPaneExpression.h"

#include "controls/UiText.h"
#include "engine/EffectTemplate.h"
#include "face/CT_Face.h"
#include "face/FaceParams.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cstring>

namespace shell {

COptionPaneExpression::COptionPaneExpression()
{
    className = "OptionPane_Expression";
    setObjectName("OptionPane_Expression");
    list_ = new QComboBox(this);
    list_->setProperty("gzControlId", kListId);
    list_->setObjectName("expressionList");
    list_->setFocusPolicy(Qt::NoFocus);
    connect(list_, &QComboBox::activated, this, [this](int row) { SelectionChanged(row); });
    searchButton_ = AddButton(kSearchFaceId, "searchFace");
    animateButton_ = AddButton(kAnimateId, "animate");
    connect(searchButton_, &QPushButton::clicked, this, [this] {
        if (!templ) return;
        templ->ParamCommand(face_cmd::SearchFace, view, 0, nullptr);
        SetReady(true);
        RenderAndNotify();
    });
    connect(animateButton_, &QPushButton::clicked, this, [this] { AnimateClicked(); });
}

void COptionPaneExpression::OnInitDialog()
{
    FillList();
    LayOut();
}

void COptionPaneExpression::FillList()
{
    const QSignalBlocker block(list_);
    list_->clear();
    for (const Expression& e : kExpressions) list_->addItem(ui::Phrase(e.name));
    // The list shows the expression this photo is drawn with (its face state keeps the
    // choice); a state that matches no entry shows the first.
    int row = 0;
    if (auto* face = dynamic_cast<CT_Face*>(templ)) {
        const std::int32_t* current = face->Params().state.expression;
        for (int i = 0; i < 3; ++i)
            if (std::equal(current, current + 3, kExpressions[i].components)) row = i;
    }
    list_->setCurrentIndex(row);
}

void COptionPaneExpression::Retranslate()
{
    COptionPaneBase::Retranslate();
    searchButton_->setText(ControlText(kSearchFaceId, ui::Phrase("Search Face")));
    SetReady(ready_);
    if (list_->count() > 0) FillList();
    LayOut();
}

void COptionPaneExpression::OnPaneNotify(int code, std::intptr_t a, std::intptr_t b)
{
    if (code == platform::msg::FaceSearchStarted) {
        OnFaceSearchStarted();
        return;
    }
    COptionPaneBase::OnPaneNotify(code, a, b);
}

void COptionPaneExpression::SetButtonText(int control, const std::string& text)
{
    if (control != kAnimateId) return;
    SetReady(text != "Stop Animate");
}

void COptionPaneExpression::OnFaceSearchStarted() { SetReady(true); }

void COptionPaneExpression::SetReady(bool ready)
{
    ready_ = ready;
    animateButton_->setText(ui::Phrase(ready ? "Animate" : "Stop Animate"));
    LayOut();
}

void COptionPaneExpression::SelectionChanged(int row)
{
    if (!templ || row < 0 || row >= 3) return;
    std::int32_t components[3];
    std::memcpy(components, kExpressions[row].components, sizeof components);
    templ->ParamCommand(face_cmd::SetExpression, view, 0, components);
    RerenderAndNotify();
}

void COptionPaneExpression::AnimateClicked()
{
    if (!templ) return;
    const bool start = ready_;
    if (start) {
        templ->ParamCommand(face_cmd::Button, view, face_cmd::ButtonAnimate, nullptr);
    } else {
        templ->ParamCommand(face_cmd::StopAnimation, view, 0, nullptr);
        templ->ParamCommand(face_cmd::StopAlign, view, 0, nullptr);
    }
    RenderAndNotify();
    // Set, not toggled: the template has already named the text through SetButtonText, and
    // a second flip would undo it.
    SetReady(!start);
}

void COptionPaneExpression::resizeEvent(QResizeEvent*) { LayOut(); }

void COptionPaneExpression::LayOut()
{
    // The list, "Search Face" and the animate button in one row, centred.
    const int h = std::max(searchButton_->sizeHint().height(), 26);
    const int listW = std::max(list_->sizeHint().width(), 130);
    const int searchW = std::max(searchButton_->sizeHint().width(), 120);
    const int animW = std::max(animateButton_->sizeHint().width(), 130);
    const int gap = 8;
    const int total = listW + searchW + animW + 2 * gap;
    int x = std::max(14, (width() - total) / 2);
    const int y = std::max(6, (height() - h) / 2);
    list_->setGeometry(x, y, listW, h);
    x += listW + gap;
    searchButton_->setGeometry(x, y, searchW, h);
    x += searchW + gap;
    animateButton_->setGeometry(x, y, animW, h);
}

}  // namespace shell
