#pragma once
/**
 * @file QtDrawContext.h
 * @brief The overlay drawing surface of the views, on a QPainter.
 */
#include "platform/DrawContext.h"

class QPainter;

namespace controls {

class QtDrawContext final : public platform::DrawContext {
public:
    /** Draws with painter, which must outlive this object. */
    explicit QtDrawContext(QPainter& painter);

    void SetPen(platform::Color color, int width, platform::PenStyle style) override;
    void SetBrush(platform::Color color, bool hollow) override;
    void Line(platform::Point from, platform::Point to) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Polygon(const std::vector<platform::Point>& points) override;
    void Ellipse(int left, int top, int right, int bottom) override;

private:
    QPainter& p_;
};

}  // namespace controls
