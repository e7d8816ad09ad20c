#include "shell/OptionPaneChgFace.h"

#include "controls/Theme.h"
#include "controls/UiText.h"
#include "engine/EffectTemplate.h"
#include "face/CT_Face.h"
#include "face/FaceParams.h"
#include "shell/FacePaneStatus.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>

using engine::FacePhotoState;
using face::CT_Face;
namespace face_cmd = face::face_cmd;

namespace shell {

COptionPaneChgFace::COptionPaneChgFace()
{
    className = "OptionPane_ChangeFace";
    setObjectName("OptionPane_ChangeFace");
    searchButton_ = AddButton(kSearchFaceId, "searchFace");
    blendButton_ = AddButton(kFaceBlendId, "faceBlend");
    connect(searchButton_, &QPushButton::clicked, this, [this] {
        if (!templ) return;
        templ->ParamCommand(face_cmd::SearchFace, view, 0, nullptr);
        RenderAndNotify();
        UpdateStatus();
    });
    connect(blendButton_, &QPushButton::clicked, this, [this] {
        if (!templ) return;
        // Alignment runs as a background rendering; the view spins until it is done.
        templ->ParamCommand(face_cmd::Button, view, face_cmd::ButtonFaceBlend, nullptr);
        RenderAndNotify();
    });

    faceCount_ = new QLabel(this);
    faceCount_->setObjectName("faceCount");
    faceCount_->setStyleSheet(QString("color: %1;").arg(controls::theme::kTextDim.name()));
    reset_ = AddButton(kResetId, "resetDefaults");
    connect(reset_, &QPushButton::clicked, this, [this] { ResetToDefaults(); });

    alignBox_ = new QCheckBox(this);
    alignBox_->setProperty("gzControlId", kAlignFaceId);
    alignBox_->setObjectName("alignFace");
    connect(alignBox_, &QCheckBox::clicked, this, [this] { SwitchClicked(alignBox_, face_cmd::AlignFace); });
    group_ = new QGroupBox(this);
    group_->setProperty("gzControlId", kGroupId);
    enhancedBox_ = new QCheckBox(this);
    enhancedBox_->setProperty("gzControlId", kEnhancedId);
    enhancedBox_->setObjectName("enhancedColour");
    connect(enhancedBox_, &QCheckBox::clicked, this, [this] { SwitchClicked(enhancedBox_, face_cmd::EnhancedColour); });

    for (int i = 0; i < 3; ++i) {
        labels_[i] = new QLabel(group_);
        labels_[i]->setProperty("gzControlId", kLabelId[i]);
        labels_[i]->setStyleSheet(QString("color: %1;").arg(controls::theme::kText.name()));
        sliders_[i] = new QSlider(Qt::Horizontal, group_);
        sliders_[i]->setProperty("gzControlId", kSliderId[i]);
        sliders_[i]->setObjectName(QString("blendRadius%1").arg(i));
        sliders_[i]->setRange(kSliderMin, kSliderMax);
        sliders_[i]->setTickPosition(QSlider::TicksBelow);
        sliders_[i]->setTickInterval(10);
        sliders_[i]->setValue(positions_[i]);
        connect(sliders_[i], &QSlider::valueChanged, this, [this] { SliderMoved(); });
    }
}

void COptionPaneChgFace::OnInitDialog()
{
    for (int i = 0; i < 3; ++i) {
        float radius = 1.0f;
        if (templ) templ->ParamCommand(face_cmd::GetBlendRadius, view, i, &radius);
        // Rounded, not truncated: 0.57 is stored as 0.569999..., and a pane shown again must
        // not walk the slider down one step each time.
        const long pos = std::lround(static_cast<double>(radius) * 100.0);
        const QSignalBlocker block(sliders_[i]);
        sliders_[i]->setValue(static_cast<int>(std::clamp<long>(pos, kSliderMin, kSliderMax)));
        positions_[i] = sliders_[i]->value();
        labels_[i]->show();
        sliders_[i]->show();
    }
    // The switches show what this photo's face state holds (it survives a change of photo).
    if (auto* face = dynamic_cast<CT_Face*>(templ)) {
        alignBox_->setChecked(face->Params().state.alignFace != 0);
        enhancedBox_->setChecked(face->Params().state.enhancedColour != 0);
    }
    UpdateStatus();
}

void COptionPaneChgFace::UpdateStatus()
{
    faceCount_->setText(FaceCountText(templ));
    LayOut();
}

void COptionPaneChgFace::ResetToDefaults()
{
    if (!templ) return;
    const FacePhotoState fresh;
    for (int i = 0; i < 3; ++i) {
        float radius = fresh.blendRadius[i];
        templ->ParamCommand(face_cmd::SetBlendRadius, view, i, &radius);
        const QSignalBlocker block(sliders_[i]);
        sliders_[i]->setValue(static_cast<int>(std::lround(static_cast<double>(radius) * 100.0)));
        positions_[i] = sliders_[i]->value();
    }
    templ->ParamCommand(face_cmd::AlignFace, view, fresh.alignFace, nullptr);
    templ->ParamCommand(face_cmd::EnhancedColour, view, fresh.enhancedColour, nullptr);
    alignBox_->setChecked(fresh.alignFace != 0);
    enhancedBox_->setChecked(fresh.enhancedColour != 0);
    RerenderAndNotify();
}

void COptionPaneChgFace::Retranslate()
{
    COptionPaneBase::Retranslate();
    searchButton_->setText(ControlText(kSearchFaceId, controls::Phrase("Search Face")));
    blendButton_->setText(ControlText(kFaceBlendId, controls::Phrase("Do Face Blend")));
    alignBox_->setText(ControlText(kAlignFaceId, controls::Phrase("Align face")));
    enhancedBox_->setText(ControlText(kEnhancedId, controls::Phrase("Enable Enhanced color blending")));
    group_->setTitle(ControlText(kGroupId, controls::Phrase("Blend Radius")));
    reset_->setText(controls::Phrase("Reset to defaults"));
    faceCount_->setText(FaceCountText(templ));
    const char* names[3] = {"Left Eye", "Right Eye", "Mouth"};
    for (int i = 0; i < 3; ++i) labels_[i]->setText(ControlText(kLabelId[i], controls::Phrase(names[i])));
    LayOut();
}

void COptionPaneChgFace::SetButtonText(int control, const std::string& text)
{
    for (QPushButton* b : {searchButton_, blendButton_})
        if (b->property("gzControlId").toInt() == control) b->setText(controls::Phrase(QString::fromStdString(text)));
}

void COptionPaneChgFace::SwitchClicked(QCheckBox* box, int command)
{
    if (!templ) return;
    const Qt::CheckState state = box->checkState();
    if (state != Qt::PartiallyChecked) templ->ParamCommand(command, view, state == Qt::Checked ? 1 : 0, nullptr);
    RerenderAndNotify();
}

void COptionPaneChgFace::SliderMoved()
{
    for (int i = 0; i < 3; ++i) positions_[i] = sliders_[i]->value();
    // A dragged slider reports many positions in a row; render once for all that are queued.
    if (applyPending_) return;
    applyPending_ = true;
    QTimer::singleShot(0, this, [this] { ApplySliders(); });
}

void COptionPaneChgFace::ApplySliders()
{
    applyPending_ = false;
    if (!templ) return;
    // All three, so every radius is the one its slider shows.
    for (int i = 0; i < 3; ++i) {
        float radius = static_cast<float>(positions_[i]) / 100.0f;
        templ->ParamCommand(face_cmd::SetBlendRadius, view, i, &radius);
    }
    RerenderAndNotify();
}

void COptionPaneChgFace::resizeEvent(QResizeEvent*) { LayOut(); }

void COptionPaneChgFace::LayOut()
{
    // Buttons and the align switch in a column at the left; the face count, the reset and
    // the colour switch in a second column; the blend-radius group with its three sliders
    // stacked at the right.
    const int margin = 14;
    const int colW = std::max({searchButton_->sizeHint().width(), blendButton_->sizeHint().width(),
                               alignBox_->sizeHint().width(), 120});
    // The pane is short (the panel under the preview): rows shrink to fit three in it.
    const int boxH = 20, gap = 4;
    const int rowH = std::clamp((height() - 8 - boxH - 2 * gap) / 2, 22, 30);
    const int top = std::max(2, (height() - (2 * rowH + boxH + 2 * gap)) / 2);
    searchButton_->setGeometry(margin, top, colW, rowH);
    blendButton_->setGeometry(margin, top + rowH + gap, colW, rowH);
    alignBox_->setGeometry(margin, top + 2 * (rowH + gap), colW, boxH);
    // Beside them: which face is used, the reset and the colour switch.
    const int sideW = std::max({faceCount_->sizeHint().width(), reset_->sizeHint().width(), enhancedBox_->sizeHint().width()});
    const int sx = margin + colW + 8;
    faceCount_->setGeometry(sx, top, sideW, rowH);
    reset_->setGeometry(sx, top + rowH + gap, reset_->sizeHint().width(), rowH);
    enhancedBox_->setGeometry(sx, top + 2 * (rowH + gap), sideW, boxH);

    // The blend radii stacked in their group, each slider after its label.
    const int gx = sx + sideW + 12;
    const int gw = std::max(160, width() - gx - margin);
    const int gh = std::max(80, height() - 6);
    group_->setGeometry(gx, std::max(2, (height() - gh) / 2), gw, gh);
    int labelW = 40;
    for (QLabel* l : labels_) labelW = std::max(labelW, l->sizeHint().width());
    labelW += 8;
    const int sliderW = std::max(60, std::min(240, gw - labelW - 20));
    const int rowStep = (gh - 22) / 3;
    for (int i = 0; i < 3; ++i) {
        const int y = 18 + i * rowStep;
        labels_[i]->setGeometry(10, y, labelW, std::min(24, rowStep));
        sliders_[i]->setGeometry(10 + labelW, y, sliderW, std::min(24, rowStep));
    }
}

}  // namespace shell
