#include "shell/OptionPaneExpression.h"

#include "controls/Theme.h"
#include "controls/UiText.h"
#include "engine/EffectTemplate.h"
#include "face/CT_Face.h"
#include "face/FaceAnimation.h"
#include "face/FaceParams.h"
#include "shell/FacePaneStatus.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <cstring>

using engine::CEffectTemplate;
using face::CF_Face;
using face::CT_Face;
namespace face_cmd = face::face_cmd;
using face::kExpressionFullAmount;

namespace shell {
namespace {

constexpr int kStrengthSteps = 100;  // the slider's hundredths of the full expression

CF_Face* FaceFilterOf(CEffectTemplate* t)
{
    auto* face = dynamic_cast<CT_Face*>(t);
    return face ? face->FaceFilter() : nullptr;
}

}  // namespace

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
        UpdateStatus();
    });
    connect(animateButton_, &QPushButton::clicked, this, [this] { AnimateClicked(); });

    strengthLabel_ = new QLabel(this);
    strengthLabel_->setStyleSheet(QString("color: %1; font-weight: 600;").arg(controls::theme::kText.name()));
    strength_ = new QSlider(Qt::Horizontal, this);
    strength_->setObjectName("strength");
    strength_->setRange(0, kStrengthSteps);
    strength_->setValue(static_cast<int>(std::lround(kExpressionFullAmount * kStrengthSteps)));
    connect(strength_, &QSlider::valueChanged, this, [this] { StrengthMoved(); });
    strengthValue_ = new QLabel(this);
    strengthValue_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    strengthValue_->setStyleSheet(QString("color: %1;").arg(controls::theme::kTextDim.name()));
    faceCount_ = new QLabel(this);
    faceCount_->setObjectName("faceCount");
    faceCount_->setStyleSheet(QString("color: %1;").arg(controls::theme::kTextDim.name()));
    reset_ = AddButton(kResetId, "resetDefaults");
    connect(reset_, &QPushButton::clicked, this, [this] { ResetToDefaults(); });
}

void COptionPaneExpression::OnInitDialog()
{
    FillList();
    if (CF_Face* f = FaceFilterOf(templ)) {
        const QSignalBlocker block(strength_);
        strength_->setValue(static_cast<int>(std::lround(f->StillAmount() * kStrengthSteps)));
    }
    UpdateStatus();
    LayOut();
}

void COptionPaneExpression::StrengthMoved()
{
    strengthValue_->setText(QString::number(strength_->value() / double(kStrengthSteps), 'f', 2));
    // A dragged slider reports many positions in a row; render once for all that are queued.
    if (strengthPending_) return;
    strengthPending_ = true;
    QTimer::singleShot(0, this, [this] { ApplyStrength(); });
}

void COptionPaneExpression::ApplyStrength()
{
    strengthPending_ = false;
    CF_Face* f = FaceFilterOf(templ);
    if (!f) return;
    f->SetStillAmount(static_cast<float>(strength_->value()) / kStrengthSteps);
    // The expression warps the eyes and mouth: until they are located the still face shows
    // no expression at any strength, so they are located first (in the background).
    auto* face = dynamic_cast<CT_Face*>(templ);
    if (face && !face->Params().state.aligned) {
        templ->ParamCommand(face_cmd::Button, view, face_cmd::ButtonFaceBlend, nullptr);
        RenderAndNotify();
        return;
    }
    RerenderAndNotify();
}

void COptionPaneExpression::ResetToDefaults()
{
    if (!templ) return;
    {
        const QSignalBlocker block(strength_);
        strength_->setValue(static_cast<int>(std::lround(kExpressionFullAmount * kStrengthSteps)));
    }
    strengthValue_->setText(QString::number(strength_->value() / double(kStrengthSteps), 'f', 2));
    if (CF_Face* f = FaceFilterOf(templ)) f->SetStillAmount(kExpressionFullAmount);
    list_->setCurrentIndex(0);
    std::int32_t components[3];
    std::memcpy(components, kExpressions[0].components, sizeof components);
    templ->ParamCommand(face_cmd::SetExpression, view, 0, components);
    RerenderAndNotify();
}

void COptionPaneExpression::UpdateStatus()
{
    faceCount_->setText(FaceCountText(templ));
    LayOut();
}

void COptionPaneExpression::FillList()
{
    const QSignalBlocker block(list_);
    list_->clear();
    for (const Expression& e : kExpressions) list_->addItem(controls::Phrase(e.name));
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
    searchButton_->setText(ControlText(kSearchFaceId, controls::Phrase("Search Face")));
    strengthLabel_->setText(controls::Phrase("Strength"));
    strengthValue_->setText(QString::number(strength_->value() / double(kStrengthSteps), 'f', 2));
    reset_->setText(controls::Phrase("Reset to defaults"));
    faceCount_->setText(FaceCountText(templ));
    SetReady(ready_);
    if (list_->count() > 0) FillList();
    LayOut();
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
    animateButton_->setText(controls::Phrase(ready ? "Animate" : "Stop Animate"));
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
    // Two rows: the list, "Search Face" with the face count and the animate button; below,
    // the strength slider and the reset button.
    const int h = std::max(searchButton_->sizeHint().height(), 26);
    const int listW = std::max(list_->sizeHint().width(), 130);
    const int searchW = std::max(searchButton_->sizeHint().width(), 120);
    const int animW = std::max(animateButton_->sizeHint().width(), 130);
    const int countW = faceCount_->text().isEmpty() ? 0 : faceCount_->sizeHint().width() + 8;
    const int gap = 8;
    const int margin = 14;
    const int rowGap = 6;
    const int top = std::max(2, (height() - 2 * h - rowGap) / 2);
    int x = margin;
    list_->setGeometry(x, top, listW, h);
    x += listW + gap;
    searchButton_->setGeometry(x, top, searchW, h);
    x += searchW + 4;
    faceCount_->setGeometry(x, top, countW, h);
    x += countW + gap;
    animateButton_->setGeometry(x, top, animW, h);

    const int y = top + h + rowGap;
    const int labelW = strengthLabel_->sizeHint().width() + 8;
    const int resetW = reset_->sizeHint().width();
    const int valueW = 40;
    const int sliderW = std::clamp(width() - 2 * margin - labelW - valueW - resetW - 2 * gap, 80, 260);
    x = margin;
    strengthLabel_->setGeometry(x, y, labelW, h);
    x += labelW;
    strength_->setGeometry(x, y, sliderW, h);
    x += sliderW;
    strengthValue_->setGeometry(x, y, valueW, h);
    x += valueW + gap;
    reset_->setGeometry(x, y, resetW, h);
}

}  // namespace shell
