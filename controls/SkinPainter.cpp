// The drawn pictures of the skin. Everything is vector drawing scaled by the pixel ratio, so
// each picture is as sharp on a high-density screen as on a normal one.
#include "controls/Skin.h"
#include "controls/Theme.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace controls {
namespace {

constexpr double kPi = 3.14159265358979323846;

QPen LinePen(const QColor& c, qreal w = 1.8)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// --- Tool icons (24 x 24 logical, drawn in white) ----------------------------------------

void Magnifier(QPainter& p, const QColor& c, int sign)
{
    p.setPen(LinePen(c));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
    p.drawLine(QPointF(14.8, 14.8), QPointF(20.5, 20.5));
    p.drawLine(QPointF(7, 10), QPointF(13, 10));
    if (sign > 0) p.drawLine(QPointF(10, 7), QPointF(10, 13));
}

void RotateArrow(QPainter& p, const QColor& c, bool left)
{
    p.save();
    if (!left) {
        p.translate(24, 0);
        p.scale(-1, 1);
    }
    p.setPen(LinePen(c));
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    arc.arcMoveTo(QRectF(4.5, 5, 15, 15), 150);
    arc.arcTo(QRectF(4.5, 5, 15, 15), 150, -250);
    p.drawPath(arc);
    // Arrow head at the start of the arc, pointing back (counter-clockwise turn).
    const QPointF tip(4.2, 6.2);
    p.drawLine(tip, QPointF(5.6, 11.6));
    p.drawLine(tip, QPointF(9.8, 7.6));
    p.restore();
}

void PictureFrame(QPainter& p, const QColor& c, const QRectF& r)
{
    p.setPen(LinePen(c));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 2.5, 2.5);
    QPainterPath hills;
    hills.moveTo(r.left() + 1, r.bottom() - 2);
    hills.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.5);
    hills.lineTo(r.left() + r.width() * 0.6, r.top() + r.height() * 0.72);
    hills.lineTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.58);
    hills.lineTo(r.right() - 1, r.bottom() - 3);
    p.drawPath(hills);
    p.drawEllipse(QPointF(r.left() + r.width() * 0.7, r.top() + r.height() * 0.3), 1.4, 1.4);
}

// A five-pointed star filling the 24 x 24 icon box.
QPainterPath StarPath()
{
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double a = -kPi / 2 + i * kPi / 5;
        const double rr = (i % 2) ? 3.6 : 8.5;
        const QPointF pt(12 + rr * std::cos(a), 12.5 + rr * std::sin(a));
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    return star;
}

// A four-pointed sparkle of the given reach around its centre, its sides curving inwards.
QPainterPath SparklePath(QPointF m, qreal r)
{
    const qreal k = 1;  // the control points sit one unit off the centre: thin waists
    QPainterPath s;
    s.moveTo(m.x(), m.y() - r);
    s.quadTo(m.x() + k, m.y() - k, m.x() + r, m.y());
    s.quadTo(m.x() + k, m.y() + k, m.x(), m.y() + r);
    s.quadTo(m.x() - k, m.y() + k, m.x() - r, m.y());
    s.quadTo(m.x() - k, m.y() - k, m.x(), m.y() - r);
    return s;
}

// A smiling face: outline in the current pen, eyes in colour c, the smile in its own pen.
void Face(QPainter& p, const QColor& c, qreal eye, const QPen& smilePen)
{
    p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(9, 10), eye, eye);
    p.drawEllipse(QPointF(15, 10), eye, eye);
    p.setPen(smilePen);
    p.setBrush(Qt::NoBrush);
    QPainterPath smile;
    smile.arcMoveTo(QRectF(7.5, 8, 9, 8), 200);
    smile.arcTo(QRectF(7.5, 8, 9, 8), 200, 140);
    p.drawPath(smile);
}

void DrawIcon(QPainter& p, int number)
{
    const QColor c = theme::kChromeText;
    p.setPen(LinePen(c));
    p.setBrush(Qt::NoBrush);
    switch (number) {
    case img::IconAddImage: {
        PictureFrame(p, c, QRectF(2.5, 5.5, 15, 13));
        p.setPen(Qt::NoPen);
        p.setBrush(theme::kAccent);
        p.drawEllipse(QPointF(18, 7), 5.2, 5.2);
        p.setPen(LinePen(Qt::white, 1.7));
        p.drawLine(QPointF(18, 4.4), QPointF(18, 9.6));
        p.drawLine(QPointF(15.4, 7), QPointF(20.6, 7));
        break;
    }
    case img::IconExport: {
        QPainterPath tray;
        tray.moveTo(4, 13);
        tray.lineTo(4, 19.5);
        tray.lineTo(20, 19.5);
        tray.lineTo(20, 13);
        p.drawPath(tray);
        p.drawLine(QPointF(12, 3.5), QPointF(12, 14.5));
        p.drawLine(QPointF(12, 3.5), QPointF(8, 7.5));
        p.drawLine(QPointF(12, 3.5), QPointF(16, 7.5));
        break;
    }
    case img::IconZoomIn: Magnifier(p, c, 1); break;
    case img::IconZoomOut: Magnifier(p, c, -1); break;
    case img::IconRotateLeft: RotateArrow(p, c, true); break;
    case img::IconRotateRight: RotateArrow(p, c, false); break;
    case img::IconPanel: {
        for (int i = 0; i < 3; ++i) {
            const qreal y = 6 + i * 6;
            p.drawLine(QPointF(3.5, y), QPointF(20.5, y));
        }
        p.setBrush(theme::kChrome);
        p.drawEllipse(QPointF(8, 6), 2.3, 2.3);
        p.drawEllipse(QPointF(15.5, 12), 2.3, 2.3);
        p.drawEllipse(QPointF(10.5, 18), 2.3, 2.3);
        break;
    }
    case img::IconCompare: {
        p.drawRoundedRect(QRectF(3.5, 5, 17, 14), 2, 2);
        p.drawLine(QPointF(12, 3), QPointF(12, 21));
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawRect(QRectF(12, 5, 8.5, 14));
        break;
    }
    case img::IconFace:
    case img::IconCategoryFace: Face(p, c, 1.3, LinePen(c)); break;
    case img::IconUndo:
    case img::IconRedo: {
        p.save();
        if (number == img::IconRedo) {
            p.translate(24, 0);
            p.scale(-1, 1);
        }
        QPainterPath path;
        path.moveTo(6, 9);
        path.lineTo(14, 9);
        path.cubicTo(21, 9, 21, 19, 14, 19);
        path.lineTo(9, 19);
        p.drawPath(path);
        p.drawLine(QPointF(6, 9), QPointF(9.5, 5.5));
        p.drawLine(QPointF(6, 9), QPointF(9.5, 12.5));
        p.restore();
        break;
    }
    case img::IconCategoryOther: p.drawPath(StarPath()); break;
    default: p.drawPath(SparklePath(QPointF(12, 12), 9)); break;  // the generic template button
    }
}

// Category icons, 18 x 18, drawn in the dark text colour for the light category bar.
void DrawCategoryIcon(QPainter& p, int number)
{
    const QColor c = theme::kText;
    p.setPen(LinePen(c, 1.5));
    p.setBrush(Qt::NoBrush);
    p.scale(18.0 / 24.0, 18.0 / 24.0);
    switch (number) {
    case img::Category2D: {
        p.drawRoundedRect(QRectF(3.5, 4.5, 17, 15), 2, 2);
        QPainterPath brush;
        brush.moveTo(7, 16);
        brush.cubicTo(9, 10, 13, 14, 17, 8);
        p.setPen(LinePen(theme::kAccent, 2.2));
        p.drawPath(brush);
        break;
    }
    case img::Category3D: {
        const QPointF top(12, 3), left(4, 7.5), right(20, 7.5), mid(12, 12), bl(4, 16.5), br(20, 16.5), bottom(12, 21);
        p.drawPolygon(QPolygonF({top, right, mid, left}));
        p.drawLine(left, bl);
        p.drawLine(right, br);
        p.drawLine(mid, bottom);
        p.drawLine(bl, bottom);
        p.drawLine(br, bottom);
        break;
    }
    case img::ModeOriginal: PictureFrame(p, c, QRectF(3.5, 5.5, 17, 13)); break;
    case img::ModeTemplate: {
        PictureFrame(p, c, QRectF(3.5, 5.5, 17, 13));
        p.setPen(Qt::NoPen);
        p.setBrush(theme::kAccent);
        p.drawPath(SparklePath(QPointF(18.5, 5.5), 5));
        break;
    }
    case img::CategoryFace: Face(p, c, 1.4, LinePen(theme::kAccent, 1.8)); break;
    case img::CategoryOther:
        p.setBrush(theme::kAccentSoft);
        p.drawPath(StarPath());
        break;
    case img::CategoryFrames: {
        p.drawRect(QRectF(3, 3, 18, 18));
        p.drawRect(QRectF(7, 7, 10, 10));
        p.drawLine(QPointF(3, 3), QPointF(7, 7));
        p.drawLine(QPointF(21, 3), QPointF(17, 7));
        p.drawLine(QPointF(3, 21), QPointF(7, 17));
        p.drawLine(QPointF(21, 21), QPointF(17, 17));
        break;
    }
    default: break;
    }
}

// --- Window buttons: the whole bar (66 x 13) in one picture per state ------------------

enum class BtnState { Normal, Hover, Pressed, Disabled };

void WindowButtons(QPainter& p, BtnState state, bool restoreVariant)
{
    const int xs[4] = {1, 17, 34, 50};
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(xs[i], 0, 16, 13);
        if (state == BtnState::Hover || state == BtnState::Pressed) {
            QColor bg = i == 3 ? theme::kDanger : QColor(255, 255, 255, state == BtnState::Hover ? 38 : 70);
            if (i == 3 && state == BtnState::Pressed) bg = bg.darker(120);
            p.setPen(Qt::NoPen);
            p.setBrush(bg);
            p.drawRoundedRect(cell.adjusted(0.5, 0, -0.5, 0), 3, 3);
        }
        const QColor fg = state == BtnState::Disabled ? QColor(255, 255, 255, 70) : theme::kChromeText;
        p.setPen(LinePen(fg, 1.2));
        p.setBrush(Qt::NoBrush);
        const QPointF c = cell.center();
        switch (i) {
        case 0: {  // settings: a small gear
            p.drawEllipse(c, 2.0, 2.0);
            for (int k = 0; k < 6; ++k) {
                const double a = k * kPi / 3;
                p.drawLine(QPointF(c.x() + 3.2 * std::cos(a), c.y() + 3.2 * std::sin(a)),
                           QPointF(c.x() + 4.6 * std::cos(a), c.y() + 4.6 * std::sin(a)));
            }
            break;
        }
        case 1: p.drawLine(QPointF(c.x() - 4, c.y() + 2.5), QPointF(c.x() + 4, c.y() + 2.5)); break;
        case 2:
            if (restoreVariant) {
                p.drawRect(QRectF(c.x() - 4, c.y() - 2, 6, 6));
                p.drawPolyline(QPolygonF({QPointF(c.x() - 2, c.y() - 4), QPointF(c.x() + 4, c.y() - 4),
                                          QPointF(c.x() + 4, c.y() + 2)}));
            } else {
                p.drawRect(QRectF(c.x() - 4, c.y() - 4, 8, 8));
            }
            break;
        case 3:
            p.drawLine(QPointF(c.x() - 3.5, c.y() - 3.5), QPointF(c.x() + 3.5, c.y() + 3.5));
            p.drawLine(QPointF(c.x() + 3.5, c.y() - 3.5), QPointF(c.x() - 3.5, c.y() + 3.5));
            break;
        }
    }
}

// --- Larger pictures ------------------------------------------------------------------

void Logo(QPainter& p, qreal size)
{
    const QRectF r(0, 0, size, size);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0xff, 0x9a, 0x3c));
    g.setColorAt(1, QColor(0xe0, 0x3e, 0x6e));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(size * 0.03, size * 0.03, -size * 0.03, -size * 0.03), size * 0.22, size * 0.22);
    // A photo (frame, hills, sun) with a sparkle on its corner: photo fun.
    const QRectF photo(size * 0.17, size * 0.27, size * 0.58, size * 0.50);
    p.setPen(QPen(Qt::white, size * 0.075, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(photo, size * 0.06, size * 0.06);
    QPainterPath hills;
    hills.moveTo(photo.left(), photo.bottom());
    hills.lineTo(photo.left() + photo.width() * 0.36, photo.top() + photo.height() * 0.45);
    hills.lineTo(photo.left() + photo.width() * 0.58, photo.top() + photo.height() * 0.72);
    hills.lineTo(photo.left() + photo.width() * 0.74, photo.top() + photo.height() * 0.58);
    hills.lineTo(photo.right(), photo.bottom());
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(hills);
    p.drawEllipse(QPointF(photo.left() + photo.width() * 0.28, photo.top() + photo.height() * 0.28), size * 0.05,
                  size * 0.05);
    QPainterPath star;
    const QPointF c(size * 0.76, size * 0.26);
    const qreal a = size * 0.17, b = size * 0.035;
    star.moveTo(c.x(), c.y() - a);
    star.quadTo(c.x() + b, c.y() - b, c.x() + a, c.y());
    star.quadTo(c.x() + b, c.y() + b, c.x(), c.y() + a);
    star.quadTo(c.x() - b, c.y() + b, c.x() - a, c.y());
    star.quadTo(c.x() - b, c.y() - b, c.x(), c.y() - a);
    // A ring of the background colour lets the sparkle stand free of the frame behind it.
    p.setPen(QPen(QColor(0xf0, 0x6c, 0x55), size * 0.05, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(star);
}

void Cell(QPainter& p, int number)
{
    const QRectF r(1, 1, 133, 106);
    QColor fill = theme::kPanel, edge = theme::kBorder;
    qreal width = 1;
    if (number == img::CellHover) {
        fill = theme::kHover;
        edge = QColor(0xb8, 0xc8, 0xdc);
    } else if (number == img::CellSelected) {
        fill = theme::kAccentSoft;
        edge = theme::kAccent;
        width = 2;
    }
    if (number != img::CellSelected) {  // a soft shadow under resting cards
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 18));
        p.drawRoundedRect(r.translated(0, 1), 7, 7);
    }
    p.setPen(QPen(edge, width));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(width / 2, width / 2, -width / 2, -width / 2), 7, 7);
}

void Wizard(QPainter& p)
{
    const QRectF r(0, 0, 560, 250);
    p.setPen(QPen(QColor(0xc3, 0xcc, 0xd8), 1.5, Qt::DashLine));
    p.setBrush(QColor(0xfb, 0xfc, 0xfe));
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 16, 16);
    // Three steps: add a photo, pick a template, export. Circles with drawings, joined by dots.
    const QPointF centres[3] = {{100, 92}, {280, 92}, {460, 92}};
    const QColor fills[3] = {QColor(0xff, 0x9a, 0x3c), QColor(0xe8, 0x5a, 0x4f), QColor(0xc2, 0x3e, 0x7a)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 2; ++i)
        for (int k = 1; k < 8; ++k) {
            p.setBrush(QColor(0xc3, 0xcc, 0xd8));
            p.drawEllipse(QPointF(centres[i].x() + 42 + k * 12, centres[i].y()), 2, 2);
        }
    for (int i = 0; i < 3; ++i) {
        QRadialGradient g(centres[i] - QPointF(12, 12), 70);
        g.setColorAt(0, fills[i].lighter(118));
        g.setColorAt(1, fills[i]);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(centres[i], 42, 42);
        p.save();
        p.translate(centres[i] - QPointF(24, 24));
        p.scale(2, 2);
        const int icons[3] = {img::IconAddImage, img::Category2D, img::IconExport};
        if (i == 1) {
            p.setPen(LinePen(Qt::white, 1.8));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(3.5, 4.5, 17, 15), 2, 2);
            QPainterPath brush;
            brush.moveTo(7, 16);
            brush.cubicTo(9, 10, 13, 14, 17, 8);
            p.drawPath(brush);
        } else {
            DrawIcon(p, icons[i]);
        }
        p.restore();
    }
}

}  // namespace

QSize Skin::LogicalSize(int number)
{
    switch (number) {
    case img::ToolBarBackground: return {64, 47};
    case img::CaptionBackground: return {64, 22};
    case img::Logo: return {16, 16};
    case img::AppIcon: return {256, 256};
    case img::WinButtonsNormal:
    case img::WinButtonsHover:
    case img::WinButtonsPressed:
    case img::WinButtonsDisabled:
    case img::WinButtonsRestoreNormal:
    case img::WinButtonsRestoreHover:
    case img::WinButtonsRestorePressed:
    case img::WinButtonsRestoreDisabled: return {66, 13};
    case img::CellNormal:
    case img::CellSelected:
    case img::CellHover: return {135, 108};
    case img::DownloadBadge: return {22, 22};
    case img::GroupHeader: return {266, 25};
    case img::Category2D:
    case img::Category3D:
    case img::CategoryFrames:
    case img::CategoryFace:
    case img::CategoryOther:
    case img::ModeOriginal:
    case img::ModeTemplate: return {18, 18};
    case img::Wizard: return {560, 250};
    case img::PaneBackground: return {64, 64};
    case img::IconAddImage:
    case img::IconExport:
    case img::IconZoomIn:
    case img::IconZoomOut:
    case img::IconRotateLeft:
    case img::IconRotateRight:
    case img::IconPanel:
    case img::IconCompare:
    case img::IconFace:
    case img::IconGeneric:
    case img::IconUndo:
    case img::IconRedo:
    case img::IconCategoryFace:
    case img::IconCategoryOther: return {24, 24};
    default: return {};
    }
}

QImage Skin::Draw(int number, qreal dpr)
{
    const QSize size = LogicalSize(number);
    if (size.isEmpty()) return {};
    QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (number) {
    case img::ToolBarBackground: {
        QLinearGradient g(0, 0, 0, size.height());
        g.setColorAt(0, theme::kChromeLight);
        g.setColorAt(1, theme::kChrome);
        p.fillRect(QRect(QPoint(0, 0), size), g);
        p.fillRect(QRectF(0, size.height() - 1, size.width(), 1), QColor(0, 0, 0, 60));
        break;
    }
    case img::CaptionBackground: p.fillRect(QRect(QPoint(0, 0), size), theme::kChrome); break;
    case img::Logo: Logo(p, 16); break;
    case img::AppIcon: Logo(p, 256); break;
    case img::WinButtonsNormal: WindowButtons(p, BtnState::Normal, false); break;
    case img::WinButtonsHover: WindowButtons(p, BtnState::Hover, false); break;
    case img::WinButtonsPressed: WindowButtons(p, BtnState::Pressed, false); break;
    case img::WinButtonsDisabled: WindowButtons(p, BtnState::Disabled, false); break;
    case img::WinButtonsRestoreNormal: WindowButtons(p, BtnState::Normal, true); break;
    case img::WinButtonsRestoreHover: WindowButtons(p, BtnState::Hover, true); break;
    case img::WinButtonsRestorePressed: WindowButtons(p, BtnState::Pressed, true); break;
    case img::WinButtonsRestoreDisabled: WindowButtons(p, BtnState::Disabled, true); break;
    case img::CellNormal:
    case img::CellSelected:
    case img::CellHover: Cell(p, number); break;
    case img::DownloadBadge: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x25, 0x7a, 0xe6));
        p.drawEllipse(QRectF(1, 1, 20, 20));
        p.setPen(LinePen(Qt::white, 1.8));
        p.drawLine(QPointF(11, 5.5), QPointF(11, 14.5));
        p.drawLine(QPointF(11, 14.5), QPointF(7.5, 11));
        p.drawLine(QPointF(11, 14.5), QPointF(14.5, 11));
        p.drawLine(QPointF(6.5, 17), QPointF(15.5, 17));
        break;
    }
    case img::GroupHeader: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xf6, 0xf1, 0xec));
        p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), 5, 5);
        p.setBrush(theme::kAccentDark);
        p.drawRoundedRect(QRectF(0, 4, 3, size.height() - 8), 1.5, 1.5);
        break;
    }
    case img::Category2D:
    case img::Category3D:
    case img::CategoryFrames:
    case img::CategoryFace:
    case img::CategoryOther:
    case img::ModeOriginal:
    case img::ModeTemplate: DrawCategoryIcon(p, number); break;
    case img::Wizard: Wizard(p); break;
    case img::PaneBackground: {
        QLinearGradient g(0, 0, 0, size.height());
        g.setColorAt(0, QColor(0xff, 0xff, 0xff));
        g.setColorAt(1, QColor(0xf8, 0xf9, 0xfb));
        p.fillRect(QRect(QPoint(0, 0), size), g);
        break;
    }
    default: DrawIcon(p, number); break;
    }
    return image;
}

int Skin::IconForName(const QString& name)
{
    const QString n = name.toLower();
    if (n.contains("face")) return img::IconFace;
    if (n.contains("undo")) return img::IconUndo;
    if (n.contains("redo")) return img::IconRedo;
    return img::IconGeneric;
}

}  // namespace controls
