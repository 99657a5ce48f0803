#include "RecordingDrawContext.h"

#include <algorithm>
#include <iterator>
#include <ostream>
#include <sstream>

namespace {

DrawCall make(DrawCall::Kind kind)
{
    DrawCall call;
    call.kind = kind;
    return call;
}

std::string colour(const Rgb& c)
{
    std::ostringstream out;
    out << "rgb(" << int(c.red) << ", " << int(c.green) << ", " << int(c.blue) << ")";
    return out.str();
}

} // namespace

DrawCall DrawCall::selectPen(const Pen& pen)
{
    DrawCall call = make(Kind::SelectPen);
    call.pen = pen;
    return call;
}

DrawCall DrawCall::selectBrush(const Brush& brush)
{
    DrawCall call = make(Kind::SelectBrush);
    call.brush = brush;
    return call;
}

DrawCall DrawCall::selectNullPen() { return make(Kind::SelectNullPen); }
DrawCall DrawCall::selectNullBrush() { return make(Kind::SelectNullBrush); }
DrawCall DrawCall::windingFill() { return make(Kind::WindingFill); }

DrawCall DrawCall::polygon(std::initializer_list<IntPoint> points)
{
    DrawCall call = make(Kind::Polygon);
    call.points.assign(points.begin(), points.end());
    return call;
}

DrawCall DrawCall::polygon(const IntPoint* points, int count)
{
    DrawCall call = make(Kind::Polygon);
    if (points != nullptr && count > 0)
        call.points.assign(points, points + count);
    return call;
}

DrawCall DrawCall::ellipse(int left, int top, int right, int bottom)
{
    DrawCall call = make(Kind::Ellipse);
    call.args = {left, top, right, bottom};
    return call;
}

DrawCall DrawCall::moveTo(int x, int y)
{
    DrawCall call = make(Kind::MoveTo);
    call.args = {x, y, 0, 0};
    return call;
}

DrawCall DrawCall::lineTo(int x, int y)
{
    DrawCall call = make(Kind::LineTo);
    call.args = {x, y, 0, 0};
    return call;
}

std::string describe(const DrawCall& call)
{
    std::ostringstream out;
    switch (call.kind) {
    case DrawCall::Kind::SelectPen:
        out << "selectPen(" << colour(call.pen.colour) << ", width " << call.pen.width << ")";
        break;
    case DrawCall::Kind::SelectBrush:
        out << "selectBrush(" << colour(call.brush.colour) << ")";
        break;
    case DrawCall::Kind::SelectNullPen:
        out << "selectNullPen()";
        break;
    case DrawCall::Kind::SelectNullBrush:
        out << "selectNullBrush()";
        break;
    case DrawCall::Kind::WindingFill:
        out << "setWindingFill()";
        break;
    case DrawCall::Kind::Polygon: {
        out << "polygon(";
        const char* sep = "";
        for (const IntPoint& p : call.points) {
            out << sep << "(" << p.x << ", " << p.y << ")";
            sep = ", ";
        }
        out << ")";
        break;
    }
    case DrawCall::Kind::Ellipse:
        out << "ellipse(" << call.args[0] << ", " << call.args[1] << ", " << call.args[2] << ", " << call.args[3]
            << ")";
        break;
    case DrawCall::Kind::MoveTo:
        out << "moveTo(" << call.args[0] << ", " << call.args[1] << ")";
        break;
    case DrawCall::Kind::LineTo:
        out << "lineTo(" << call.args[0] << ", " << call.args[1] << ")";
        break;
    }
    return out.str();
}

std::ostream& operator<<(std::ostream& out, const DrawCall& call) { return out << describe(call); }

void PrintTo(const DrawCall& call, std::ostream* out) { *out << describe(call); }

int RecordingDrawContext::count(DrawCall::Kind kind) const
{
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [kind](const DrawCall& c) { return c.kind == kind; }));
}

std::vector<DrawCall> RecordingDrawContext::only(DrawCall::Kind kind) const
{
    std::vector<DrawCall> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out), [kind](const DrawCall& c) { return c.kind == kind; });
    return out;
}

std::string RecordingDrawContext::transcript() const
{
    std::string out;
    for (const DrawCall& call : calls) {
        out += describe(call);
        out += '\n';
    }
    return out;
}
