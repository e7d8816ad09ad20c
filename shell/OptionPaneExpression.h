#pragma once
/**
 * @file OptionPaneExpression.h
 * @brief COptionPaneExpression ("OptionPane_Expression"): the expression choice, "Search
 * Face" and the "Animate" / "Stop Animate" button of an expression template.
 *
 * The ready flag says what the animate button does next (true: start). The template names
 * the button's text whenever its animation starts or stops, also when something else stopped
 * it (a face search, an export); the pane takes the flag from that text, so button and timer
 * never disagree. Interface thread only.
 */
#include "i18n/UiIds.h"
#include "shell/OptionPaneFace.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace shell {

class COptionPaneExpression : public COptionPaneFace {
    Q_OBJECT
public:
    static constexpr int kListId = i18n::ui::ctl::ExpressionList;
    static constexpr int kSearchFaceId = i18n::ui::ctl::SearchFace;
    static constexpr int kAnimateId = i18n::ui::ctl::Animate;
    /** Not in the original dialog: its text comes from the dictionary. */
    static constexpr int kResetId = 1090;

    /** The list's entries and the expression components each one stands for. */
    struct Expression {
        const char* name;
        std::int32_t components[3];
    };
    static constexpr Expression kExpressions[3] = {
        {"happy", {1, 0, 1}}, {"angry", {1, -1, -1}}, {"sad", {-1, 1, -1}}};

    COptionPaneExpression();
    int GetDialogId() const override { return i18n::ui::dlg::ExpressionPane; }
    void OnInitDialog() override;
    void Retranslate() override;

    void SetButtonText(int control, const std::string& text) override;
    void OnFaceSearchStarted() override;

    QComboBox* List() const { return list_; }
    QPushButton* SearchButton() const { return searchButton_; }
    QPushButton* AnimateButton() const { return animateButton_; }
    /** How strong the still expression is, in hundredths (0..100; the CLI's --amount). */
    QSlider* StrengthSlider() const { return strength_; }
    /** "Face n of m" beside "Search Face". */
    QLabel* FaceCount() const { return faceCount_; }
    QPushButton* ResetButton() const { return reset_; }
    /** The first expression at the default strength. */
    void ResetToDefaults();
    bool Ready() const { return ready_; }

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    void FillList();
    void SelectionChanged(int row);
    void AnimateClicked();
    void SetReady(bool ready);
    void LayOut();
    void StrengthMoved();
    void ApplyStrength();
    void UpdateStatus() override;

    QComboBox* list_ = nullptr;
    QSlider* strength_ = nullptr;
    QLabel* strengthLabel_ = nullptr;
    QLabel* strengthValue_ = nullptr;
    QLabel* faceCount_ = nullptr;
    QPushButton* reset_ = nullptr;
    bool strengthPending_ = false;
    QPushButton* searchButton_ = nullptr;
    QPushButton* animateButton_ = nullptr;
    bool ready_ = true;
};

}  // namespace shell
