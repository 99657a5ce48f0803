#include <cmath>

#include "platform/PixelConversion.h"
#include "view/CLexfallView.h"

namespace {

constexpr double kHubHalfSide = 5.0;
constexpr double kNeedleMinLength = 3.0;
constexpr double kGravityScale = 0.02;

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

void CLexfallView::DrawCursor(DrawContext& dc) const
{
    const double x = m_vInsert.x;
    const double y = m_vInsert.y;

    dc.selectPen(*m_pPen);
    dc.selectNullBrush();
    ellipseIn(dc, boxAround(x, y, 5.0));

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

void CLexfallView::DrawCompass(DrawContext& dc) const
{
    // Dial and hub fill exactly the boxes the right button hits.
    dc.selectPen(*m_pPen);
    dc.selectNullBrush();
    ellipseIn(dc, CompassSquare());

    dc.selectBrush(*m_pBrush);
    ellipseIn(dc, CompassCentreBox());

    DrawNeedle(dc);
}

void CLexfallView::DrawNeedle(DrawContext& dc) const
{
    const int hx = m_ptNeedle.x;
    const int hy = m_ptNeedle.y;
    const int icx = truncToInt(m_dCompassX);
    const int icy = truncToInt(m_dCompassY);
    const int dx = truncToInt(hx - m_dCompassX);
    const int dy = truncToInt(hy - m_dCompassY);

    const double fdx = dx;
    const double fdy = dy;
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
        dart[i] = IntPoint{truncToInt(px * c - py * s) + hx, truncToInt(px * s + py * c) + hy};
    }

    // Shaft from the point opposite the needle point through the centre.
    const int tailX = icx - dx;
    const int tailY = icy - dy;
    dc.moveTo(tailX, tailY);
    dc.lineTo(icx + dx, icy + dy);

    dc.selectBrush(*m_pBrush);
    dc.polygon(dart, 5);
    dc.ellipse(tailX - 5, tailY - 5, tailX + 5, tailY + 5);
}

void CLexfallView::SetNeedle(IntPoint point)
{
    m_ptNeedle = point;
    UpdateGravityFromNeedle();
}

void CLexfallView::MoveCompass(IntPoint point)
{
    const double x = point.x;
    const double y = point.y;
    m_ptNeedle = IntPoint{truncToInt(x + (m_ptNeedle.x - m_dCompassX)), truncToInt(y + (m_ptNeedle.y - m_dCompassY))};
    m_dCompassX = x;
    m_dCompassY = y;
}

void CLexfallView::UpdateGravityFromNeedle()
{
    const double dx = m_ptNeedle.x - m_dCompassX;
    const double dy = m_ptNeedle.y - m_dCompassY;
    if (std::sqrt(dx * dx + dy * dy) < kNeedleMinLength) {
        m_vGravity = Vector3(0.0, 0.0, 0.0);
        return;
    }
    // Cubic: fine control near the hub, strong gravity at the rim.
    m_vGravity = Vector3(kGravityScale * (dx * dx) * dx, kGravityScale * (dy * dy) * dy, 0.0);
}

IntRect CLexfallView::CompassSquare() const { return boxAround(m_dCompassX, m_dCompassY, m_dCompassRadius); }

IntRect CLexfallView::CompassCentreBox() const { return boxAround(m_dCompassX, m_dCompassY, kHubHalfSide); }
