#pragma once
/**
 * @file CoolButtonBar.h
 * @brief CCoolButtonBar: a strip of small image buttons (the window buttons), each drawn from
 * one of four state pictures, with hover, press, tooltips and disabled buttons. A click posts
 * the button's command to the target window.
 */
#include "controls/ButtonBarLogic.h"
#include "platform/Notify.h"

#include <QPixmap>
#include <QWidget>

namespace controls {

class CCoolButtonBar : public QWidget {
    Q_OBJECT
public:
    explicit CCoolButtonBar(QWidget* parent = nullptr);

    /** Copies the records and takes the four state pictures (normal, hover, pressed, disabled). */
    void SetUp(const std::vector<ButtonRecord>& records, int normalImage, int hoverImage, int pressedImage,
               int disabledImage);
    /** Where clicks go: the code posted for enabled and for disabled buttons (0 posts nothing). */
    void SetTarget(platform::WindowId window, int enabledCode, int disabledCode);
    void SetAlignment(int mode);
    /** A picture drawn behind the buttons, from its source rectangle (logical pixels). */
    void SetBackground(int image, const QRect& source);
    void SetEnabled(int command, bool enabled);
    /** Reloads the pictures, the label font and the label strings (the language changed). */
    void Reload();

    const ButtonBarLogic& Logic() const { return logic_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    bool event(QEvent*) override;

private:
    void Apply(const BarReaction& r);
    void LoadFont();

    ButtonBarLogic logic_;
    int images_[4] = {0, 0, 0, 0};
    QPixmap pictures_[4];
    int backgroundImage_ = 0;
    QRect backgroundSource_;
    platform::WindowId target_ = 0;
    QFont labelFont_;
    std::vector<QString> labels_;
};

}  // namespace controls
