#include "controls/QtDrawContext.h"

#include <QPainter>
#include <QPolygon>

namespace controls {

QtDrawContext::QtDrawContext(QPainter& painter) : p_(painter)
{
    p_.setPen(QPen(Qt::black, 1));
    p_.setBrush(Qt::NoBrush);
}

void QtDrawContext::SetPen(platform::Color color, int width, platform::PenStyle style)
{
    QPen pen(QColor(color.r, color.g, color.b), std::max(1, width));
    switch (style) {
    case platform::PenStyle::Solid: pen.setStyle(Qt::SolidLine); break;
    case platform::PenStyle::Dash: pen.setStyle(Qt::DashLine); break;
    case platform::PenStyle::Dot: pen.setStyle(Qt::DotLine); break;
    }
    pen.setCosmetic(true);
    p_.setPen(pen);
}

void QtDrawContext::SetBrush(platform::Color color, bool hollow)
{
    if (hollow) p_.setBrush(Qt::NoBrush);
    else p_.setBrush(QColor(color.r, color.g, color.b));
}

void QtDrawContext::Line(platform::Point from, platform::Point to) { p_.drawLine(from.x, from.y, to.x, to.y); }

// The window-system convention: right and bottom are outside, so the outline covers
// left..right-1 and top..bottom-1.
void QtDrawContext::Rectangle(int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top) return;
    p_.drawRect(left, top, right - left - 1, bottom - top - 1);
}

void QtDrawContext::Polygon(const std::vector<platform::Point>& points)
{
    QPolygon poly;
    for (const platform::Point& pt : points) poly << QPoint(pt.x, pt.y);
    p_.drawPolygon(poly);
}

void QtDrawContext::Ellipse(int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top) return;
    p_.drawEllipse(left, top, right - left - 1, bottom - top - 1);
}

}  // namespace controls
