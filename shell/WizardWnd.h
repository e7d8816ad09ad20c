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

class CWizardWnd : public QWidget, public ui::NotifyTarget {
    Q_OBJECT
public:
    explicit CWizardWnd(QWidget* parent = nullptr);
    void SetMainWindow(platform::WindowId main) { main_ = main; }
    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;

    QRect PictureRect() const;
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
