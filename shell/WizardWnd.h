#pragma once
/**
 * @file WizardWnd.h
 * @brief CWizardWnd: the welcome panel shown in place of the preview until the user adds
 * photos, picks a photo or a template, or closes it. A click on the picture opens the
 * add-images dialog (3277); the close box hides the panel (3278).
 */
#include "controls/QtNotify.h"

#include <QWidget>

namespace shell {

class CWizardWnd : public QWidget, public controls::NotifyTarget {
    Q_OBJECT
public:
    explicit CWizardWnd(QWidget* parent = nullptr);
    void SetMainWindow(platform::WindowId main) { main_ = main; }
    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;

    static constexpr int kMargin = 8;
    static constexpr int kHintGap = 10;
    static constexpr int kHintSpace = 40;  ///< below the picture: the gap and the hint's line

    /** The picture's scale in the view (1 when it fits at its own size). */
    double Scale() const;
    QRect PictureRect() const;
    /** Where the line "click to add photos" goes, under the picture. */
    QRect HintRect() const;
    QRect CloseBoxRect() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    platform::WindowId main_ = 0;
    bool hoverClose_ = false;
};

}  // namespace shell
