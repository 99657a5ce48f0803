#pragma once

#include <array>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/DrawContext.h"

// One drawing call as a comparable value. Only the fields of its kind are
// set; the rest keep their defaults, so == compares calls exactly.
struct DrawCall {
    enum class Kind { SelectPen, SelectBrush, SelectNullPen, SelectNullBrush, WindingFill, Polygon, Ellipse, MoveTo, LineTo };

    Kind kind = Kind::SelectNullPen;
    Pen pen;
    Brush brush;
    std::vector<IntPoint> points;
    std::array<int, 4> args{}; // ellipse box, or x and y of a move or line

    static DrawCall selectPen(const Pen& pen);
    static DrawCall selectBrush(const Brush& brush);
    static DrawCall selectNullPen();
    static DrawCall selectNullBrush();
    static DrawCall windingFill();
    static DrawCall polygon(std::initializer_list<IntPoint> points);
    static DrawCall polygon(const IntPoint* points, int count);
    static DrawCall ellipse(int left, int top, int right, int bottom);
    static DrawCall moveTo(int x, int y);
    static DrawCall lineTo(int x, int y);

    bool operator==(const DrawCall&) const = default;
};

std::string describe(const DrawCall& call);
std::ostream& operator<<(std::ostream& out, const DrawCall& call);
// Lets GoogleTest print calls and call lists readably.
void PrintTo(const DrawCall& call, std::ostream* out);

// A drawing context that records every call in order.
class RecordingDrawContext : public DrawContext {
public:
    void selectPen(const Pen& pen) override { calls.push_back(DrawCall::selectPen(pen)); }
    void selectBrush(const Brush& brush) override { calls.push_back(DrawCall::selectBrush(brush)); }
    void selectNullPen() override { calls.push_back(DrawCall::selectNullPen()); }
    void selectNullBrush() override { calls.push_back(DrawCall::selectNullBrush()); }
    void setWindingFill() override { calls.push_back(DrawCall::windingFill()); }
    void polygon(const IntPoint* points, int count) override { calls.push_back(DrawCall::polygon(points, count)); }
    void ellipse(int left, int top, int right, int bottom) override
    {
        calls.push_back(DrawCall::ellipse(left, top, right, bottom));
    }
    void moveTo(int x, int y) override { calls.push_back(DrawCall::moveTo(x, y)); }
    void lineTo(int x, int y) override { calls.push_back(DrawCall::lineTo(x, y)); }

    int count(DrawCall::Kind kind) const;
    // The calls of one kind, in order.
    std::vector<DrawCall> only(DrawCall::Kind kind) const;
    // All calls, one per line.
    std::string transcript() const;

    std::vector<DrawCall> calls;
};
