#include "shell/OptionPane2D.h"

#include "controls/Theme.h"
#include "controls/UiText.h"
#include "engine/PhotoDocument.h"
#include "engine/Registry.h"
#include "engine/SimpleTemplate.h"
#include "frames/CT_Frame.h"
#include "shell/OptionPane3D.h"
#include "shell/OptionPaneChgFace.h"
#include "shell/OptionPaneExpression.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <cstring>

using engine::CImageDataObject;
using engine::CPhotoDocument;
using engine::CT_SimpleTempl;
using engine::RegisterCreator;
namespace param_cmd = engine::param_cmd;
using frames::CT_Frame;

namespace shell {

COptionPane2D::COptionPane2D()
{
    className = "OptionPane_2D";
    for (int i = 0; i < 3; ++i) {
        labels_[i] = new QLabel(this);
        labels_[i]->setProperty("gzControlId", kLabelId[i]);
        labels_[i]->setStyleSheet(QString("color: %1; font-weight: 600;").arg(controls::theme::kText.name()));
        values_[i] = new QLabel(this);
        values_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        values_[i]->setStyleSheet(QString("color: %1;").arg(controls::theme::kTextDim.name()));
        sliders_[i] = new QSlider(Qt::Horizontal, this);
        sliders_[i]->setProperty("gzControlId", kSliderId[i]);
        sliders_[i]->setObjectName(QString("slider%1").arg(i));
        connect(sliders_[i], &QSlider::valueChanged, this, [this, i] {
            UpdateValueText(i);
            SliderMoved();
        });
    }
    clipBox_ = new QCheckBox(this);
    clipBox_->setProperty("gzControlId", kClipBoxId);
    clipBox_->setObjectName("clipBox");
    connect(clipBox_, &QCheckBox::clicked, this, [this] { ClipBoxClicked(); });
    reset_ = AddButton(kResetId, "resetDefaults");
    connect(reset_, &QPushButton::clicked, this, [this] { ResetToDefaults(); });
    hint_ = new QLabel(this);
    hint_->setObjectName("hint");
    hint_->setWordWrap(true);
    hint_->setStyleSheet(QString("color: %1;").arg(controls::theme::kTextDim.name()));
    hint_->hide();
}

void COptionPane2D::ResetToDefaults()
{
    auto* simple = dynamic_cast<CT_SimpleTempl*>(templ);
    if (!simple) return;
    simple->ResetToDefaults();
    BuildControls();
    LayOut();
    RenderAndNotify();
}

void COptionPane2D::OnInitDialog()
{
    BuildControls();
    unsigned char hasRegion = 0;
    if (templ) templ->ParamCommand(param_cmd::HasRegion, 0, 0, &hasRegion);
    bool shown = true;
    if (auto* simple = dynamic_cast<CT_SimpleTempl*>(templ)) shown = simple->ShowRegion();
    clipBox_->setChecked(shown);
    clipBox_->setVisible(hasRegion != 0);
    hint_->setVisible(dynamic_cast<CT_Frame*>(templ) != nullptr);
    reset_->setVisible(dynamic_cast<CT_SimpleTempl*>(templ) != nullptr);
    Retranslate();
}

void COptionPane2D::BuildControls()
{
    for (int i = 0; i < 3; ++i) {
        labels_[i]->hide();
        values_[i]->hide();
        sliders_[i]->hide();
    }
    if (!templ) return;
    for (int i = 0; i < 3; ++i) {
        char name[param_cmd::NameBufferSize];
        std::memset(name, 0, sizeof name);
        templ->ParamCommand(param_cmd::VariableName, 0, i, name);
        name[sizeof name - 1] = '\0';
        int range[3] = {0, 0, 0};
        templ->ParamCommand(param_cmd::VariableRange, 0, i, range);
        if (range[0] == 0 && range[1] == 0) continue;
        names_[i] = QString::fromUtf8(name);
        labels_[i]->setText(controls::Phrase(names_[i]));
        const QSignalBlocker block(sliders_[i]);
        sliders_[i]->setRange(std::min(range[0], range[1]), std::max(range[0], range[1]));
        // The start position is the template's current value, so a pane shown again for the
        // same template keeps what the user set.
        int start = range[2];
        if (auto* simple = dynamic_cast<CT_SimpleTempl*>(templ)) {
            const float res = simple->Variable(i).resolution;
            if (res != 0) start = static_cast<int>(simple->Params().var[i] / res);
        }
        sliders_[i]->setValue(start);
        positions_[i] = sliders_[i]->value();
        UpdateValueText(i);
        labels_[i]->show();
        values_[i]->show();
        sliders_[i]->show();
    }
}

void COptionPane2D::UpdateValueText(int i)
{
    const int pos = sliders_[i]->value();
    QString text = QString::number(pos);
    if (auto* simple = dynamic_cast<CT_SimpleTempl*>(templ)) {
        const float res = simple->Variable(i).resolution;
        if (res != 1) text = QString::number(pos * res, 'g', 4);
    }
    values_[i]->setText(text);
}

void COptionPane2D::Retranslate()
{
    COptionPaneBase::Retranslate();
    for (int i = 0; i < 3; ++i)
        if (!names_[i].isEmpty()) labels_[i]->setText(ControlText(kLabelId[i], controls::Phrase(names_[i])));
    clipBox_->setText(ControlText(kClipBoxId, controls::Phrase("Show Clip Box")));
    const bool frame = dynamic_cast<CT_Frame*>(templ) != nullptr;
    reset_->setText(frame ? controls::Phrase("Reset corners") : controls::Phrase("Reset to defaults"));
    hint_->setText(controls::Phrase("Drag the photo's corners in the preview to fit it into the frame."));
    LayOut();
}

void COptionPane2D::resizeEvent(QResizeEvent*) { LayOut(); }

void COptionPane2D::LayOut()
{
    // Up to three sliders side by side, each with its label and value above it; the clip
    // box switch and the reset button at the right. A frame's hint takes the sliders' place.
    const int margin = 18;
    const int clipW = !clipBox_->isHidden() ? clipBox_->sizeHint().width() + 24 : 0;
    const int resetW = !reset_->isHidden() ? reset_->sizeHint().width() + 24 : 0;
    const int resetH = reset_->sizeHint().height();
    int shown = 0;
    for (QSlider* s : sliders_) shown += s->isHidden() ? 0 : 1;
    const int avail = width() - 2 * margin - std::max(clipW, resetW);
    const int colW = shown ? std::min(260, (avail - (shown - 1) * 24) / shown) : 0;
    int x = margin;
    const int top = std::max(8, (height() - 52) / 2);
    for (int i = 0; i < 3; ++i) {
        if (sliders_[i]->isHidden()) continue;
        labels_[i]->setGeometry(x, top, colW - 50, 20);
        values_[i]->setGeometry(x + colW - 50, top, 50, 20);
        sliders_[i]->setGeometry(x, top + 24, colW, 24);
        x += colW + 24;
    }
    const int right = width() - margin;
    if (clipW) clipBox_->setGeometry(right - clipW + 24, top, clipW - 24, 24);
    if (resetW) reset_->setGeometry(right - resetW + 24, clipW ? top + 28 : (height() - resetH) / 2, resetW - 24, resetH);
    if (!hint_->isHidden()) {
        const int hintW = std::max(100, std::min(520, avail));
        const int hintH = hint_->heightForWidth(hintW);
        hint_->setGeometry(margin, std::max(4, (height() - hintH) / 2), hintW, hintH);
    }
}

void COptionPane2D::SliderMoved()
{
    for (int i = 0; i < 3; ++i) positions_[i] = sliders_[i]->value();
    // A dragged slider reports many positions in a row; render once for all that are queued.
    if (applyPending_) return;
    applyPending_ = true;
    QTimer::singleShot(0, this, [this] { ApplySliders(); });
}

void COptionPane2D::ApplySliders()
{
    applyPending_ = false;
    if (!templ) return;
    // A rendering on the rendering thread (a slow template, or one for the zoomed preview)
    // reads the settings: it ends before they change.
    if (CPhotoDocument* doc = Document()) doc->StopRendering();
    for (int i = 0; i < 3; ++i) {
        int pos = positions_[i];
        templ->ParamCommand(param_cmd::SetVariable, 0, i, &pos);
    }
    RenderAndNotify();
}

void COptionPane2D::ClipBoxClicked()
{
    if (!templ) return;
    const Qt::CheckState state = clipBox_->checkState();
    if (state == Qt::PartiallyChecked) return;
    templ->ParamCommand(param_cmd::ShowRegion, 0, state == Qt::Checked ? 1 : 0, nullptr);
    NotifyView(platform::msg::ResultReady);
}

void RegisterShellClasses()
{
    RegisterCreator("OptionPane_2D", []() -> CImageDataObject* { return new COptionPane2D; });
    RegisterCreator("OptionPane_3D", []() -> CImageDataObject* { return new COptionPane3D; });
    RegisterCreator("OptionPane_ChangeFace", []() -> CImageDataObject* { return new COptionPaneChgFace; });
    RegisterCreator("OptionPane_Expression", []() -> CImageDataObject* { return new COptionPaneExpression; });
}

}  // namespace shell
