#include "shell/OptionPane3D.h"

#include "controls/UiText.h"
#include "engine/EffectTemplate.h"
#include "mesh3d/CT_3DMesh.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

using mesh3d::COptionPanel3D;
namespace mesh_cmd = mesh3d::mesh_cmd;

namespace shell {

COptionPane3D::COptionPane3D()
{
    className = "OptionPane_3D";
    setObjectName("OptionPane_3D");
    rotateBox_ = new QCheckBox(this);
    rotateBox_->setProperty("gzControlId", kRotateBoxId);
    rotateBox_->setObjectName("rotateModel");
    // clicked, not toggled: only the user's click sends a command; the template's own
    // SetRotateModelChecked must not bounce back as one.
    connect(rotateBox_, &QCheckBox::clicked, this, [this] { RotateClicked(); });
    resetButton_ = AddButton(kResetButtonId, "resetPosition");
    connect(resetButton_, &QPushButton::clicked, this, [this] { ResetClicked(); });
}

void COptionPane3D::OnInitDialog()
{
    // The template may already be turning (a pane made again for the turning template): it
    // told us so through SetRotateModelChecked before the window existed.
    SetRotateModelChecked(RotateModelChecked());
    LayOut();
}

void COptionPane3D::Retranslate()
{
    COptionPaneWidget::Retranslate();
    rotateBox_->setText(ControlText(kRotateBoxId, controls::Phrase("Rotate Model")));
    resetButton_->setText(ControlText(kResetButtonId, controls::Phrase("Reset to Default Position")));
    LayOut();
}

void COptionPane3D::SetRotateModelChecked(bool checked)
{
    COptionPanel3D::SetRotateModelChecked(checked);
    const QSignalBlocker block(rotateBox_);
    rotateBox_->setChecked(checked);
}

void COptionPane3D::RotateClicked()
{
    if (!templ) return;
    const Qt::CheckState state = rotateBox_->checkState();
    if (state == Qt::PartiallyChecked) return;
    templ->ParamCommand(state == Qt::Checked ? mesh_cmd::StartTurning : mesh_cmd::StopTurning, view, 0, nullptr);
}

void COptionPane3D::ResetClicked()
{
    if (!templ) return;
    templ->ParamCommand(mesh_cmd::Reset, view, 0, nullptr);
    RenderAndNotify();
}

void COptionPane3D::resizeEvent(QResizeEvent*) { LayOut(); }

void COptionPane3D::LayOut()
{
    // The box above the button, both centred in the pane.
    const int boxW = rotateBox_->sizeHint().width();
    const int buttonW = std::max(resetButton_->sizeHint().width(), 160);
    const int buttonH = resetButton_->sizeHint().height();
    const int total = 24 + 12 + buttonH;
    const int top = std::max(8, (height() - total) / 2);
    rotateBox_->setGeometry((width() - boxW) / 2, top, boxW, 24);
    resetButton_->setGeometry((width() - buttonW) / 2, top + 36, buttonW, buttonH);
}

}  // namespace shell
