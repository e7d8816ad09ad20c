#include "controls/Theme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleOption>
#include <QStyleFactory>

namespace controls::theme {
namespace {

// Fusion, with check boxes and radio buttons in the accent colour.
class Style final : public QProxyStyle {
public:
    Style() : QProxyStyle(QStyleFactory::create("Fusion")) {}

    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const override
    {
        if (pe != PE_IndicatorCheckBox && pe != PE_IndicatorRadioButton) {
            QProxyStyle::drawPrimitive(pe, opt, p, w);
            return;
        }
        const bool on = opt->state & (State_On | State_NoChange);
        const bool enabled = opt->state & State_Enabled;
        const bool hover = opt->state & State_MouseOver;
        const QRectF r = QRectF(opt->rect).adjusted(1.5, 1.5, -1.5, -1.5);
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        const QColor edge = !enabled ? kBorder : (on || hover) ? kAccent : QColor(0xaa, 0xb6, 0xc6);
        if (pe == PE_IndicatorRadioButton) {
            p->setPen(QPen(edge, 1.5));
            p->setBrush(enabled ? kPanel : kWindow);
            p->drawEllipse(r);
            if (on) {
                p->setPen(Qt::NoPen);
                p->setBrush(enabled ? kAccent : kTextDim);
                const qreal inset = r.width() * 0.28;
                p->drawEllipse(r.adjusted(inset, inset, -inset, -inset));
            }
        } else {
            p->setPen(QPen(edge, 1.5));
            p->setBrush(on ? (enabled ? kAccent : kTextDim) : (enabled ? kPanel : kWindow));
            p->drawRoundedRect(r, 3, 3);
            if (opt->state & State_On) {
                QPainterPath tick;
                tick.moveTo(r.left() + r.width() * 0.22, r.top() + r.height() * 0.52);
                tick.lineTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.72);
                tick.lineTo(r.left() + r.width() * 0.78, r.top() + r.height() * 0.30);
                p->setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p->setBrush(Qt::NoBrush);
                p->drawPath(tick);
            } else if (opt->state & State_NoChange) {
                p->setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
                p->drawLine(QPointF(r.left() + 4, r.center().y()), QPointF(r.right() - 4, r.center().y()));
            }
        }
        p->restore();
    }
};

}  // namespace

QString UiFontFamily()
{
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* f : {"Noto Sans", "Cantarell", "DejaVu Sans", "Liberation Sans"})
            if (installed.contains(QString::fromLatin1(f))) return QString::fromLatin1(f);
        return QApplication::font().family();
    }();
    return family;
}

void Apply(QApplication& app)
{
    app.setStyle(new Style);
    QPalette p;
    p.setColor(QPalette::Window, kWindow);
    p.setColor(QPalette::WindowText, kText);
    p.setColor(QPalette::Base, kPanel);
    p.setColor(QPalette::AlternateBase, kWindow);
    p.setColor(QPalette::Text, kText);
    p.setColor(QPalette::Button, kPanel);
    p.setColor(QPalette::ButtonText, kText);
    p.setColor(QPalette::Highlight, kAccent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, kChrome);
    p.setColor(QPalette::ToolTipText, kChromeText);
    p.setColor(QPalette::PlaceholderText, kTextDim);
    p.setColor(QPalette::Disabled, QPalette::Text, kTextDim);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, kTextDim);
    p.setColor(QPalette::Disabled, QPalette::WindowText, kTextDim);
    app.setPalette(p);

    QFont font(UiFontFamily());
    font.setPointSizeF(9.5);
    app.setFont(font);

    const QString accent = kAccent.name();
    app.setStyleSheet(QStringLiteral(R"(
QToolTip { color: #ecf0f5; background: #222a36; border: 1px solid #3a4658; padding: 4px 6px; border-radius: 4px; }
QMenu { background: #ffffff; border: 1px solid #d5dbe3; padding: 4px; }
QMenu::item { padding: 5px 24px 5px 24px; border-radius: 4px; color: #1f2937; }
QMenu::item:selected { background: #fde9dc; color: #1f2937; }
QMenu::item:disabled { color: #9aa3ae; }
QMenu::separator { height: 1px; background: #e3e7ed; margin: 4px 8px; }
QPushButton { background: #ffffff; border: 1px solid #c9d1dc; border-radius: 6px; padding: 5px 14px; color: #1f2937; min-height: 18px; }
QPushButton:hover { background: #f4f7fb; border-color: #aab6c6; }
QPushButton:pressed { background: #e8edf3; }
QPushButton:default { background: %1; border-color: %1; color: white; }
QPushButton:default:hover { background: #f07a30; }
QPushButton:disabled { color: #9aa3ae; background: #f3f5f8; border-color: #e0e5eb; }
QLineEdit { background: #ffffff; border: 1px solid #c9d1dc; border-radius: 5px; padding: 4px 6px; selection-background-color: %1; }
QLineEdit:focus { border-color: %1; }
QCheckBox, QRadioButton { spacing: 7px; color: #1f2937; }
QSlider::groove:horizontal { height: 4px; background: #dde3ea; border-radius: 2px; }
QSlider::sub-page:horizontal { background: %1; border-radius: 2px; }
QSlider::handle:horizontal { width: 16px; height: 16px; margin: -6px 0; border-radius: 8px; background: white; border: 2px solid %1; }
QSlider::handle:horizontal:hover { background: #fde9dc; }
QSlider::groove:horizontal:disabled { background: #eef1f5; }
QScrollBar:vertical { width: 10px; background: transparent; }
QScrollBar::handle:vertical { background: #c8c8c8; border-radius: 4px; min-height: 24px; }
QScrollBar::add-line, QScrollBar::sub-line { height: 0; }
QMessageBox QLabel { color: #1f2937; }
)")
                          .arg(accent));
}

}  // namespace controls::theme
