#include "shell/WizardWnd.h"

#include "controls/Skin.h"
#include "controls/Theme.h"
#include "controls/UiText.h"

#include <QMouseEvent>
#include <algorithm>
#include <QPainter>

namespace shell {

CWizardWnd::CWizardWnd(QWidget* parent) : QWidget(parent), controls::NotifyTarget(this)
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

double CWizardWnd::Scale() const
{
    // The picture is drawn for a roomy view; in a small window (the smallest the window
    // allows, or a 2x screen) it shrinks with its captions so that nothing is cut, but not
    // below the size where the captions could still be read.
    const QSize s = controls::Skin::LogicalSize(controls::img::Wizard);
    if (s.isEmpty()) return 1;
    const double k = std::min({1.0, (width() - 2.0 * kMargin) / s.width(),
                               (height() - 2.0 * kMargin - kHintSpace) / s.height()});
    return std::max(k, 0.6);
}

QRect CWizardWnd::PictureRect() const
{
    const QSize s = controls::Skin::LogicalSize(controls::img::Wizard);
    const double k = Scale();
    const QSize size(qRound(s.width() * k), qRound(s.height() * k));
    // The picture and the hint under it, centred together.
    const int top = (height() - size.height() - kHintSpace) / 2;
    return QRect((width() - size.width()) / 2, std::max(top, 0), size.width(), size.height());
}

QRect CWizardWnd::HintRect() const
{
    return QRect(0, PictureRect().bottom() + 1 + kHintGap, width(), kHintSpace - kHintGap);
}

QRect CWizardWnd::CloseBoxRect() const
{
    const QRect pic = PictureRect();
    return QRect(pic.right() - 20 - 6, pic.top() + 6, 20, 20);
}

void CWizardWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(0xe4, 0xe8, 0xee));
    const QRect pic = PictureRect();
    p.drawPixmap(pic, controls::Skin::Image(controls::img::Wizard));

    // Step captions under the three circles of the picture: add, design, output.
    const int ids[3][2] = {{159, 106}, {103, 107}, {104, 108}};
    const int centres[3] = {100, 280, 460};
    const double k = Scale();
    auto scaled = [&](int x, int y, int w, int h) {
        return QRect(pic.left() + qRound(x * k), pic.top() + qRound(y * k), qRound(w * k), qRound(h * k));
    };
    for (int i = 0; i < 3; ++i) {
        QFont title = font();
        title.setPixelSize(std::max(10, qRound(14 * k)));
        title.setWeight(QFont::DemiBold);
        p.setFont(title);
        p.setPen(controls::theme::kText);
        p.drawText(scaled(centres[i] - 85, 146, 170, 22), Qt::AlignCenter, controls::Str(ids[i][0]));
        QFont body = font();
        body.setPixelSize(std::max(9, qRound(12 * k)));
        p.setFont(body);
        p.setPen(controls::theme::kTextDim);
        p.drawText(scaled(centres[i] - 82, 170, 164, 78), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   controls::Str(ids[i][1]));
    }

    const QRect close = CloseBoxRect();
    p.setPen(Qt::NoPen);
    p.setBrush(hoverClose_ ? QColor(0, 0, 0, 30) : QColor(0, 0, 0, 0));
    p.drawEllipse(close);
    p.setPen(QPen(hoverClose_ ? controls::theme::kText : controls::theme::kTextDim, 1.6, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = QRectF(close).center();
    p.drawLine(c + QPointF(-4.5, -4.5), c + QPointF(4.5, 4.5));
    p.drawLine(c + QPointF(4.5, -4.5), c + QPointF(-4.5, 4.5));

    QFont hint = font();
    hint.setPixelSize(13);
    p.setFont(hint);
    p.setPen(controls::theme::kAccentDark);
    p.drawText(HintRect(), Qt::AlignCenter | Qt::TextWordWrap, controls::Str(161));
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
