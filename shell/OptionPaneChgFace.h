#pragma once
/**
 * @file OptionPaneChgFace.h
 * @brief COptionPaneChgFace ("OptionPane_ChangeFace"): search and blend buttons, the
 * "Align face" and enhanced-colour switches and the three blend-radius sliders of a
 * change-face template.
 *
 * Slider positions are radii in hundredths (50 to 150: half to one and a half times the
 * feature's own size). Interface thread only.
 */
#include "i18n/UiIds.h"
#include "shell/OptionPaneFace.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace shell {

class COptionPaneChgFace : public COptionPaneFace {
    Q_OBJECT
public:
    static constexpr int kSearchFaceId = i18n::ui::ctl::SearchFace;
    static constexpr int kFaceBlendId = i18n::ui::ctl::DoFaceBlend;
    static constexpr int kAlignFaceId = i18n::ui::ctl::AlignFace;
    static constexpr int kEnhancedId = i18n::ui::ctl::EnhancedColorBlending;
    static constexpr int kGroupId = i18n::ui::ctl::BlendRadiusGroup;
    static constexpr int kSliderId[3] = {i18n::ui::ctl::BlendRadiusLeftEye, i18n::ui::ctl::BlendRadiusRightEye,
                                          i18n::ui::ctl::BlendRadiusMouth};
    static constexpr int kLabelId[3] = {i18n::ui::ctl::LeftEyeLabel, i18n::ui::ctl::RightEyeLabel,
                                         i18n::ui::ctl::MouthLabel};
    /** Not in the original dialog: its text comes from the dictionary. */
    static constexpr int kResetId = 1090;
    static constexpr int kSliderMin = 50;
    static constexpr int kSliderMax = 150;

    COptionPaneChgFace();
    int GetDialogId() const override { return i18n::ui::dlg::ChangeFacePane; }
    void OnInitDialog() override;
    void Retranslate() override;

    // CFacePaneLink: this pane has no text that the template changes, nor anything to reset
    // when a search starts.
    void SetButtonText(int control, const std::string& text) override;
    void OnFaceSearchStarted() override {}

    QPushButton* SearchButton() const { return searchButton_; }
    QPushButton* BlendButton() const { return blendButton_; }
    /** "Face n of m" beside "Search Face". */
    QLabel* FaceCount() const { return faceCount_; }
    QPushButton* ResetButton() const { return reset_; }
    /** The blend radii, the align and colour switches as a new photo has them. */
    void ResetToDefaults();
    QCheckBox* AlignBox() const { return alignBox_; }
    QCheckBox* EnhancedBox() const { return enhancedBox_; }
    QSlider* Slider(int i) const { return sliders_[i]; }
    int Position(int i) const { return positions_[i]; }

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    void SliderMoved();
    void ApplySliders();
    void SwitchClicked(QCheckBox* box, int command);
    void LayOut();
    void UpdateStatus() override;
    QLabel* faceCount_ = nullptr;
    QPushButton* reset_ = nullptr;

    QPushButton* searchButton_ = nullptr;
    QPushButton* blendButton_ = nullptr;
    QCheckBox* alignBox_ = nullptr;
    QCheckBox* enhancedBox_ = nullptr;
    QGroupBox* group_ = nullptr;
    QSlider* sliders_[3] = {};
    QLabel* labels_[3] = {};
    int positions_[3] = {100, 100, 100};
    bool applyPending_ = false;
};

}  // namespace shell
