#include "controls/CoolButtonBar.h"

#include "controls/Skin.h"
#include "controls/UiText.h"

#include <QFontDatabase>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace controls {

CCoolButtonBar::CCoolButtonBar(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
}

void CCoolButtonBar::SetUp(const std::vector<ButtonRecord>& records, int normalImage, int hoverImage,
                           int pressedImage, int disabledImage)
{
    images_[0] = normalImage;
    images_[1] = hoverImage;
    images_[2] = pressedImage;
    images_[3] = disabledImage;
    logic_.SetUp(records);
    Reload();
}

void CCoolButtonBar::Reload()
{
    for (int i = 0; i < 4; ++i) pictures_[i] = Skin::Image(images_[i]);
    logic_.SetImageWidth(static_cast<int>(pictures_[0].width() / pictures_[0].devicePixelRatio()));
    LoadFont();
    labels_.clear();
    for (const ButtonRecord& b : logic_.Buttons()) labels_.push_back(b.label > 0 ? Str(b.label) : QString());
    update();
}

void CCoolButtonBar::LoadFont()
{
    // String 109 lists font faces to try in order, string 110 the size.
    const QStringList installed = QFontDatabase::families();
    QString face;
    for (const QString& f : Str(109).split(',')) {
        const QString name = f.trimmed();
        if (!name.isEmpty() && installed.contains(name)) {
            face = name;
            break;
        }
    }
    bool ok = false;
    const double size = Str(110).trimmed().toDouble(&ok);
    labelFont_ = face.isEmpty() ? QFont("Arial") : QFont(face);
    labelFont_.setPixelSize(face.isEmpty() || !ok || size <= 0 ? 12 : std::max(1, static_cast<int>(size + 0.5)));
}

void CCoolButtonBar::SetTarget(platform::WindowId window, int enabledCode, int disabledCode)
{
    target_ = window;
    logic_.SetCodes(enabledCode, disabledCode);
}

void CCoolButtonBar::SetAlignment(int mode)
{
    logic_.SetAlignment(mode);
    update();
}

void CCoolButtonBar::SetBackground(int image, const QRect& source)
{
    backgroundImage_ = image;
    backgroundSource_ = source;
    update();
}

void CCoolButtonBar::SetEnabled(int command, bool enabled)
{
    if (logic_.SetEnabled(command, enabled)) update();
}

QSize CCoolButtonBar::sizeHint() const
{
    return pictures_[0].isNull() ? QSize(16, 13) : (pictures_[0].size() / pictures_[0].devicePixelRatio());
}

void CCoolButtonBar::resizeEvent(QResizeEvent*) { logic_.SetClientWidth(width()); }

void CCoolButtonBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (backgroundImage_) {
        const QPixmap bg = Skin::Image(backgroundImage_);
        const qreal r = bg.devicePixelRatio();
        const QRect src = backgroundSource_.isEmpty() ? QRect(QPoint(0, 0), bg.size())
                                                      : QRect(backgroundSource_.topLeft() * r, backgroundSource_.size() * r);
        p.drawPixmap(rect(), bg, src);
    }
    const int dx = logic_.Offset();
    const auto& buttons = logic_.Buttons();
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        const ButtonRecord& b = buttons[i];
        int state = 0;
        if (!b.enabled) state = 3;
        else if (i == logic_.Pressed()) state = 2;
        else if (i == logic_.Hover() && logic_.Pressed() < 0) state = 1;
        const QPixmap& pm = pictures_[state].isNull() ? pictures_[0] : pictures_[state];
        if (pm.isNull()) continue;
        const qreal r = pm.devicePixelRatio();
        const QRect target(b.x + dx, b.y, b.width, b.height);
        const QRectF source(b.x * r, b.y * r, b.width * r, b.height * r);
        p.drawPixmap(QRectF(target), pm, source);
        if (i < static_cast<int>(labels_.size()) && !labels_[i].isEmpty()) {
            p.setFont(labelFont_);
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(target, Qt::AlignCenter, labels_[i]);
        }
    }
}

void CCoolButtonBar::Apply(const BarReaction& r)
{
    if (r.post && target_) platform::Post(target_, r.postCode, r.postCommand, 0);
    if (r.repaint) update();
}

void CCoolButtonBar::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    Apply(logic_.PointerMove({pt.x(), pt.y()}, rect().contains(pt)));
}

void CCoolButtonBar::leaveEvent(QEvent*) { Apply(logic_.PointerMove({-1, -1}, false)); }

void CCoolButtonBar::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    const QPoint pt = e->position().toPoint();
    Apply(logic_.ButtonDown({pt.x(), pt.y()}));
}

void CCoolButtonBar::mouseDoubleClickEvent(QMouseEvent* e)
{
    // A quick second click is a second click, not a gesture of its own.
    mousePressEvent(e);
}

void CCoolButtonBar::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    const QPoint pt = e->position().toPoint();
    Apply(logic_.ButtonUp({pt.x(), pt.y()}, target_ != 0));
}

bool CCoolButtonBar::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int hit = logic_.HitTest({help->pos().x(), help->pos().y()}, false);
        if (hit >= 0 && logic_.Buttons()[hit].tooltip > 0) {
            const ButtonRecord& b = logic_.Buttons()[hit];
            QToolTip::showText(help->globalPos(), Str(b.tooltip), this,
                               QRect(b.x + logic_.Offset(), b.y, b.width, b.height));
        } else {
            QToolTip::hideText();
            e->ignore();
        }
        return true;
    }
    return QWidget::event(e);
}

}  // namespace controls
