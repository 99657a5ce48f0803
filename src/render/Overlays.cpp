#include "render/Overlays.h"

#include <cmath>
#include <cstdint>

#include "platform/PixelConversion.h"

namespace {

constexpr double kHubHalfSide = 5.0;
constexpr double kCursorRing = 5.0;
constexpr double kNeedleMinLength = 3.0;
constexpr int kTailKnob = 5;

// The notched dart in needle coordinates: +y points from the centre
// towards the needle point, which is the origin (the notch).
constexpr double kDart[5][2] = {{0.0, 10.0}, {-5.0, -5.0}, {0.0, 0.0}, {5.0, -5.0}, {0.0, 10.0}};

// The square of half-side `half` around (cx, cy), its edges truncated.
IntRect boxAround(double cx, double cy, double half)
{
    return IntRect{truncToInt(cx - half), truncToInt(cy - half), truncToInt(cx + half), truncToInt(cy + half)};
}

void ellipseIn(DrawContext& dc, const IntRect& box) { dc.ellipse(box.left, box.top, box.right, box.bottom); }

} // namespace

IntRect compassSquare(const CompassState& compass) { return boxAround(compass.x, compass.y, compass.radius); }

IntRect compassHub(const CompassState& compass) { return boxAround(compass.x, compass.y, kHubHalfSide); }

Vector3 gravityFromNeedle(const CompassState& compass)
{
    const double dx = compass.needle.x - compass.x;
    const double dy = compass.needle.y - compass.y;
    if (std::sqrt(dx * dx + dy * dy) < kNeedleMinLength)
        return Vector3(0.0, 0.0, 0.0);
    // Cubic: fine control near the hub, strong gravity at the rim.
    return Vector3(compass.strength * (dx * dx) * dx, compass.strength * (dy * dy) * dy, 0.0);
}

IntPoint needleCarriedTo(const CompassState& compass, IntPoint centre)
{
    const double x = centre.x;
    const double y = centre.y;
    return IntPoint{truncToInt(x + (compass.needle.x - compass.x)), truncToInt(y + (compass.needle.y - compass.y))};
}

void drawCursor(DrawContext& dc, double x, double y, const Pen& pen)
{
    dc.selectPen(pen);
    dc.selectNullBrush();
    ellipseIn(dc, boxAround(x, y, kCursorRing));

    const auto segment = [&dc](double x0, double y0, double x1, double y1) {
        dc.moveTo(truncToInt(x0), truncToInt(y0));
        dc.lineTo(truncToInt(x1), truncToInt(y1));
    };
    segment(x, y - 15.0, x, y - 5.0);
    segment(x, y + 5.0, x, y + 15.0);
    segment(x - 15.0, y, x - 5.0, y);
    // The right arm is twice as long: it points the way the text runs.
    segment(x + 5.0, y, x + 25.0, y);
}

void drawCompass(DrawContext& dc, const CompassState& compass, const Pen& pen, const Brush& brush)
{
    // Dial and hub fill exactly the boxes the right button hits.
    dc.selectPen(pen);
    dc.selectNullBrush();
    ellipseIn(dc, compassSquare(compass));

    dc.selectBrush(brush);
    ellipseIn(dc, compassHub(compass));

    drawNeedle(dc, compass, brush);
}

void drawNeedle(DrawContext& dc, const CompassState& compass, const Brush& brush)
{
    // Sums of pixel values are formed in 64 bits: a compass or needle
    // near the ends of the int range must not overflow.
    const std::int64_t hx = compass.needle.x;
    const std::int64_t hy = compass.needle.y;
    const std::int64_t icx = truncToInt(compass.x);
    const std::int64_t icy = truncToInt(compass.y);
    const std::int64_t dx = truncToInt(hx - compass.x);
    const std::int64_t dy = truncToInt(hy - compass.y);

    const double fdx = static_cast<double>(dx);
    const double fdy = static_cast<double>(dy);
    const double length = std::sqrt(fdx * fdx + fdy * fdy);
    if (!(length > kNeedleMinLength))
        return;

    const Vector3 down(0.0, 1.0, 0.0);
    const double a = down.angleTo(Vector3(fdx / length, fdy / length, 0.0));
    const double c = std::cos(a);
    const double s = std::sin(a);

    IntPoint dart[5];
    for (int i = 0; i < 5; ++i) {
        const double px = kDart[i][0];
        const double py = kDart[i][1];
        dart[i] = IntPoint{clampToInt(truncToInt(px * c - py * s) + hx), clampToInt(truncToInt(px * s + py * c) + hy)};
    }

    // Shaft from the point opposite the needle point through the centre.
    const std::int64_t tailX = icx - dx;
    const std::int64_t tailY = icy - dy;
    dc.moveTo(clampToInt(tailX), clampToInt(tailY));
    dc.lineTo(clampToInt(icx + dx), clampToInt(icy + dy));

    dc.selectBrush(brush);
    dc.polygon(dart, 5);
    dc.ellipse(clampToInt(tailX - kTailKnob), clampToInt(tailY - kTailKnob), clampToInt(tailX + kTailKnob),
               clampToInt(tailY + kTailKnob));
}
