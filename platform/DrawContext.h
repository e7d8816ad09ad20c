#pragma once
/**
 * @file DrawContext.h
 * @brief What template overlays draw on. The desktop program implements it on QPainter;
 * tests record the calls.
 */
#include <cstdint>
#include <vector>

namespace platform {

struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

enum class PenStyle { Solid, Dash, Dot };

class DrawContext {
public:
    virtual ~DrawContext() = default;
    virtual void SetPen(Color color, int width, PenStyle style) = 0;
    /** A hollow brush fills nothing: shapes are drawn as outlines only. */
    virtual void SetBrush(Color color, bool hollow) = 0;
    virtual void Line(Point from, Point to) = 0;
    /** Corners are inclusive-exclusive like a window rectangle: (left, top) to (right, bottom). */
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void Polygon(const std::vector<Point>& points) = 0;
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
};

}  // namespace platform
