#pragma once
/**
 * @file OptionPane3D.h
 * @brief COptionPane3D ("OptionPane_3D"): the "Rotate Model" switch and the reset button of a
 * 3D mesh template.
 *
 * The box sends 500 (start the 20 ms turn timer on the view) or 600 (stop); the template then
 * checks or unchecks the box of every pane it made through SetRotateModelChecked, so two
 * panes of one template, or a turn stopped by the shell, never disagree with the timer.
 * Interface thread only.
 */
#include "i18n/UiIds.h"
#include "mesh3d/OptionPanel3D.h"
#include "shell/OptionPane.h"

class QCheckBox;
class QPushButton;

namespace shell {

class COptionPane3D : public COptionPaneWidget, public mesh3d::COptionPanel3D {
    Q_OBJECT
public:
    static constexpr int kRotateBoxId = i18n::ui::ctl::RotateModel;
    static constexpr int kResetButtonId = i18n::ui::ctl::ResetPosition;

    COptionPane3D();
    int GetDialogId() const override { return i18n::ui::dlg::Pane3D; }
    void OnInitDialog() override;
    void Retranslate() override;
    void SetRotateModelChecked(bool checked) override;

    QCheckBox* RotateBox() const { return rotateBox_; }
    QPushButton* ResetButton() const { return resetButton_; }

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    void RotateClicked();
    void ResetClicked();
    void LayOut();

    QCheckBox* rotateBox_ = nullptr;
    QPushButton* resetButton_ = nullptr;
};

}  // namespace shell
