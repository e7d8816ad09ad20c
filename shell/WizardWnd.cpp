#include "shell/WizardWnd.h"

#include "controls/Skin.h"
#include "controls/Theme.h"
#include "controls/UiText.h"

#include <QMouseEvent>
#include <QPainter>

namespace shell {

CWizardWnd::CWizardWnd(QWidget* parent) : QWidget(parent), ui::NotifyTarget(this)
{
    setObjectName("wizard");
    setMouseTracking(true);
}

std::intptr_t CWizardWnd::OnNotify(int code, std::intptr_t, std::intptr_t)
{
    if (code == platform::msg::LanguageChanged) {
        update();
        return 1;
    }
    return 0;
}

QRect CWizardWnd::PictureRect() const
{
    const QSize s = ui::Skin::LogicalSize(ui::img::Wizard);
    const QPixmap pm = ui::Skin::Image(ui::img::Wizard);
    const QSize size = pm.isNull() ? s : pm.size() / pm.devicePixelRatio();
    return QRect((width() - size.width()) / 2, (height() - size.height()) / 2 - 20, size.width(), size.height());
}

QRect CWizardWnd::CloseBoxRect() const
{
    const QRect pic = PictureRect();
    return QRect(pic.right() - 20 - 8, pic.top() + 8, 20, 20);
}

void CWizardWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(0xe4, 0xe8, 0xee));
    const QRect pic = PictureRect();
    p.drawPixmap(pic, ui::Skin::Image(ui::img::Wizard));

    // Step captions under the three circles of the picture: add, design, output.
    const int ids[3][2] = {{159, 106}, {103, 107}, {104, 108}};
    const int centres[3] = {100, 280, 460};
    const int scale = pic.width();
    for (int i = 0; i < 3; ++i) {
        const int cx = pic.left() + centres[i] * scale / 560;
        QFont title = font();
        title.setPixelSize(14);
        title.setWeight(QFont::DemiBold);
        p.setFont(title);
        p.setPen(ui::theme::kText);
        p.drawText(QRect(cx - 85, pic.top() + 146, 170, 22), Qt::AlignCenter, ui::Str(ids[i][0]));
        QFont body = font();
        body.setPixelSize(12);
        p.setFont(body);
        p.setPen(ui::theme::kTextDim);
        p.drawText(QRect(cx - 82, pic.top() + 170, 164, 70), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   ui::Str(ids[i][1]));
    }

    const QRect close = CloseBoxRect();
    p.setPen(Qt::NoPen);
    p.setBrush(hoverClose_ ? QColor(0, 0, 0, 30) : QColor(0, 0, 0, 0));
    p.drawEllipse(close);
    p.setPen(QPen(hoverClose_ ? ui::theme::kText : ui::theme::kTextDim, 1.6, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = QRectF(close).center();
    p.drawLine(c + QPointF(-4.5, -4.5), c + QPointF(4.5, 4.5));
    p.drawLine(c + QPointF(4.5, -4.5), c + QPointF(-4.5, 4.5));

    QFont hint = font();
    hint.setPixelSize(13);
    p.setFont(hint);
    p.setPen(ui::theme::kAccentDark);
    p.drawText(QRect(0, pic.bottom() + 14, width(), 24), Qt::AlignCenter, ui::Str(161));
}

void CWizardWnd::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const bool overClose = CloseBoxRect().contains(pos);
    if (overClose != hoverClose_) {
        hoverClose_ = overClose;
        update();
    }
    setCursor(PictureRect().contains(pos) && !overClose ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CWizardWnd::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !main_) return;
    const QPoint pos = e->position().toPoint();
    if (CloseBoxRect().contains(pos)) platform::Post(main_, platform::msg::HideWizard, 0, 0);
    else if (PictureRect().contains(pos)) platform::Post(main_, platform::msg::OpenAddImages, 0, 0);
}

}  // namespace shell
