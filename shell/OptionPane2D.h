#pragma once
/**
 * @file OptionPane2D.h
 * @brief COptionPane2D ("OptionPane_2D"): the sliders of a simple template's three variables
 * and the "Show Clip Box" switch of its region.
 */
#include "i18n/UiIds.h"
#include "shell/OptionPane.h"

class QCheckBox;
class QPushButton;
class QLabel;
class QSlider;

namespace shell {

class COptionPane2D : public COptionPaneBase {
    Q_OBJECT
public:
    /** Control numbers in the language file's section of dialog 159. */
    static constexpr int kSliderId[3] = {i18n::ui::ctl::Pane2DSlider1, i18n::ui::ctl::Pane2DSlider2,
                                          i18n::ui::ctl::Pane2DSlider3};
    static constexpr int kLabelId[3] = {i18n::ui::ctl::Pane2DLabel1, i18n::ui::ctl::Pane2DLabel2,
                                         i18n::ui::ctl::Pane2DLabel3};
    static constexpr int kClipBoxId = i18n::ui::ctl::Pane2DShowClipBox;
    /** Not in the original dialog: texts come from the dictionary. */
    static constexpr int kResetId = 1090;
    static constexpr int kHintId = 1091;

    COptionPane2D();
    int GetDialogId() const override { return i18n::ui::dlg::Pane2D; }
    void OnInitDialog() override;
    void Retranslate() override;

    QSlider* Slider(int i) const { return sliders_[i]; }
    QLabel* Label(int i) const { return labels_[i]; }
    QCheckBox* ClipBox() const { return clipBox_; }
    /** "Reset to defaults", or "Reset corners" for a frame template. */
    QPushButton* ResetButton() const { return reset_; }
    /** What a frame template's user can do in the preview (hidden for other templates). */
    QLabel* Hint() const { return hint_; }
    /** Puts the template's settings back to its definition's and shows them. */
    void ResetToDefaults();
    int Position(int i) const { return positions_[i]; }

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    void BuildControls();
    void LayOut();
    void SliderMoved();
    void ApplySliders();
    void ClipBoxClicked();
    void UpdateValueText(int i);

    QSlider* sliders_[3] = {};
    QLabel* labels_[3] = {};
    QLabel* values_[3] = {};
    QCheckBox* clipBox_ = nullptr;
    QPushButton* reset_ = nullptr;
    QLabel* hint_ = nullptr;
    int positions_[3] = {0, 0, 0};
    QString names_[3];
    bool applyPending_ = false;
};

/**
 * Registers the panes of the desktop program ("OptionPane_2D", "OptionPane_3D",
 * "OptionPane_ChangeFace", "OptionPane_Expression").
 */
void RegisterShellClasses();

}  // namespace shell
