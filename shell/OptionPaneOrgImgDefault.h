#pragma once
/**
 * @file OptionPaneOrgImgDefault.h
 * @brief COptionPaneOrgImgDefault: the original-image mode's own pane (clip box switch,
 * zoom and rotate buttons), sending its commands (2024) to the original-image view.
 */
#include "i18n/UiIds.h"
#include "shell/OptionPane.h"

class QCheckBox;
class QPushButton;

namespace shell {

class COptionPaneOrgImgDefault : public COptionPaneBase {
    Q_OBJECT
public:
    static constexpr int kClipBoxId = i18n::ui::ctl::OrgShowClipBox;
    static constexpr int kZoomInId = i18n::ui::ctl::OrgZoomIn;
    static constexpr int kZoomOutId = i18n::ui::ctl::OrgZoomOut;
    static constexpr int kRotateLeftId = i18n::ui::ctl::OrgRotateLeft;
    static constexpr int kRotateRightId = i18n::ui::ctl::OrgRotateRight;

    COptionPaneOrgImgDefault();
    int GetDialogId() const override { return i18n::ui::dlg::OriginalImagePane; }
    void OnInitDialog() override;
    void Retranslate() override;
    /** The window the commands go to and the code they are sent with. */
    void SetTarget(platform::WindowId window, int code);

    QCheckBox* ClipBox() const { return clipBox_; }
    QPushButton* Button(int control) const;

protected:
    void resizeEvent(QResizeEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    void Send(int command, int flag = 0);
    void LayOut();

    QCheckBox* clipBox_ = nullptr;
    QPushButton* buttons_[4] = {};
    platform::WindowId target_ = 0;
    int code_ = platform::msg::OriginalViewCommand;
};

}  // namespace shell
