#include "glyph/GlyphVectorizer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "glyph/FontGlyph.h"

namespace {

ContourPoint midpoint(ContourPoint a, ContourPoint b)
{
    return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};
}

} // namespace

void GlyphVectorizer::setPrecision(double precision)
{
    m_precision = precision > 0.01 ? precision : 0.01;
}

bool GlyphVectorizer::init(const FontGlyph* glyph)
{
    GlyphOutline outline;
    const bool read = glyph != nullptr && glyph->outline(outline);
    // An unreadable outline still drops the previous glyph's contours.
    return initOutline(read ? std::move(outline) : GlyphOutline{}) && read;
}

bool GlyphVectorizer::initOutline(GlyphOutline outline)
{
    m_contours.clear();
    m_outline = GlyphOutline{};
    if (!outline.isWellFormed() || outline.points.size() > MaxOutlinePoints)
        return false;
    m_outline = std::move(outline);
    m_contours.resize(static_cast<std::size_t>(m_outline.numContours));
    return true;
}

bool GlyphVectorizer::vectorize()
{
    m_arcPointsLeft = MaxArcPointsPerGlyph;
    for (int k = 0; k < contourCount(); ++k)
        vectorizeContour(k);
    group();
    return true;
}

void GlyphVectorizer::vectorizeContour(int k)
{
    GlyphContour& contour = m_contours[k];
    contour.reset();
    const int first = k == 0 ? 0 : m_outline.contourEnds[k - 1] + 1;
    const int last = m_outline.contourEnds[k];
    const bool cubic = std::any_of(m_outline.flags.begin() + first, m_outline.flags.begin() + last + 1, [](unsigned char f) {
        return (f & (GlyphOutline::OnCurve | GlyphOutline::Cubic)) == GlyphOutline::Cubic;
    });
    if (cubic && last > first) {
        vectorizeCubicContour(contour, first, last);
    } else if (last > first) {
        const int n = last - first + 1;
        auto onCurve = [&](int i) { return (m_outline.flags[first + i % n] & GlyphOutline::OnCurve) != 0; };
        // The walk starts at an on-curve point: started at a control
        // point, it would join the pieces on either side of that point
        // by a chord, which can cut through a hole.
        int shift = 0;
        while (shift < n && !onCurve(shift))
            ++shift;
        auto on = [&](int j) { return onCurve(j + shift); };
        auto point = [&](int j) {
            const GlyphOutline::Point& p = m_outline.points[first + (j + shift) % n];
            return ContourPoint{p.x * PixelsPer26Dot6Unit, p.y * PixelsPer26Dot6Unit};
        };
        if (shift == n) {
            // Control points only: an arc around each, between the
            // midpoints on either side.
            for (int j = 0; j < n; ++j) {
                const ContourPoint c = point(j);
                addArc(contour, midpoint(point(j + n - 1), c), c, midpoint(c, point(j + 1)));
            }
        } else {
            int prev = 0;
            int cur = 1;
            for (int i = 1; i < n; ++i) {
                const int next = i == n - 1 ? 0 : i + 1;
                const ContourPoint p = point(prev), c = point(cur), m = point(next);
                if (on(prev)) {
                    if (on(cur)) {
                        contour.add(p.x, p.y);
                        if (i == n - 1)
                            contour.add(c.x, c.y);
                    } else if (on(next)) {
                        addArc(contour, p, c, m);
                        if (i == n - 2)
                            contour.add(m.x, m.y);
                    } else {
                        addArc(contour, p, c, midpoint(c, m));
                    }
                } else if (!on(cur)) {
                    const ContourPoint half = midpoint(p, c);
                    if (on(next)) {
                        addArc(contour, half, c, m);
                        if (i == n - 2)
                            contour.add(m.x, m.y);
                    } else {
                        addArc(contour, half, c, midpoint(c, m));
                    }
                }
                prev = cur;
                cur = next;
            }
        }
    }
    contour.finish();
}

void GlyphVectorizer::vectorizeCubicContour(GlyphContour& contour, int first, int last)
{
    const int n = last - first + 1;
    auto at = [&](int i) { return first + i % n; };
    auto point = [&](int i) {
        const GlyphOutline::Point& p = m_outline.points[at(i)];
        return ContourPoint{p.x * PixelsPer26Dot6Unit, p.y * PixelsPer26Dot6Unit};
    };
    auto on = [&](int i) { return (m_outline.flags[at(i)] & GlyphOutline::OnCurve) != 0; };
    auto cubic = [&](int i) { return !on(i) && (m_outline.flags[at(i)] & GlyphOutline::Cubic) != 0; };

    int start = 0;
    while (start < n && !on(start))
        ++start;
    if (start == n)
        return; // no point on the curve: nothing to draw from

    // Each piece runs from an on-curve point over its control points to the
    // next on-curve point, which starts the next piece; the last piece ends
    // where the walk began.
    for (int i = start; i < start + n;) {
        int controls = 0;
        while (!on(i + controls + 1))
            ++controls;
        const ContourPoint p = point(i), end = point(i + controls + 1);
        int cubics = 0;
        for (int j = 1; j <= controls; ++j)
            cubics += cubic(i + j) ? 1 : 0;
        if (controls == 2 && cubics == 2) {
            addCubicArc(contour, p, point(i + 1), point(i + 2), end);
        } else if (cubics == 0 && controls > 0) {
            // Quadratic controls with the on-curve points between them implied.
            for (int j = 1; j <= controls; ++j) {
                const ContourPoint c = point(i + j);
                const ContourPoint from = j == 1 ? p : midpoint(point(i + j - 1), c);
                const ContourPoint to = j == controls ? end : midpoint(c, point(i + j + 1));
                addArc(contour, from, c, to);
            }
        } else {
            // A line, or control points no engine makes: joined by chords.
            for (int j = 0; j <= controls; ++j) {
                const ContourPoint c = point(i + j);
                contour.add(c.x, c.y);
            }
        }
        i += controls + 1;
    }
}

// Chords of an arc whose control box has the given larger extent, within
// what is left of the glyph's allowance of arc points.
int GlyphVectorizer::arcSteps(double extent)
{
    const double steps = std::fabs(extent) / m_precision + 0.5;
    const int maxSteps = m_arcPointsLeft + 1;
    const int s = steps < maxSteps ? static_cast<int>(steps) : maxSteps;
    if (s >= 2)
        m_arcPointsLeft -= s - 1;
    return s;
}

// Adds the arc's start and its interior points; the end is the start of
// the next piece.
void GlyphVectorizer::addArc(GlyphContour& contour, ContourPoint p0, ContourPoint control, ContourPoint p1)
{
    contour.add(p0.x, p0.y);
    const double w = std::max({p0.x, control.x, p1.x}) - std::min({p0.x, control.x, p1.x});
    const double h = std::max({p0.y, control.y, p1.y}) - std::min({p0.y, control.y, p1.y});
    const int s = arcSteps(std::max(std::fabs(w), std::fabs(h)));
    if (s < 2)
        return;
    const double dt = 1.0 / s;
    double t = dt;
    for (int j = 1; j < s; ++j) {
        const double u = 1.0 - t;
        const double a = u * u, b = 2.0 * t * u, c = t * t;
        contour.add(a * p0.x + b * control.x + c * p1.x, a * p0.y + b * control.y + c * p1.y);
        t += dt;
    }
}

// As addArc, for a cubic arc: chords by the extent of its four points.
void GlyphVectorizer::addCubicArc(GlyphContour& contour, ContourPoint p0, ContourPoint c1, ContourPoint c2,
                                  ContourPoint p1)
{
    contour.add(p0.x, p0.y);
    const double w = std::max({p0.x, c1.x, c2.x, p1.x}) - std::min({p0.x, c1.x, c2.x, p1.x});
    const double h = std::max({p0.y, c1.y, c2.y, p1.y}) - std::min({p0.y, c1.y, c2.y, p1.y});
    const int s = arcSteps(std::max(w, h));
    if (s < 2)
        return;
    const double dt = 1.0 / s;
    double t = dt;
    for (int j = 1; j < s; ++j) {
        const double u = 1.0 - t;
        const double a = u * u * u, b = 3.0 * u * u * t, c = 3.0 * u * t * t, d = t * t * t;
        contour.add(a * p0.x + b * c1.x + c * c2.x + d * p1.x, a * p0.y + b * c1.y + c * c2.y + d * p1.y);
        t += dt;
    }
}

void GlyphVectorizer::group()
{
    const int n = contourCount();
    if (n == 0)
        return;
    std::vector<bool> taken(static_cast<std::size_t>(n), false);
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(n));

    for (;;) {
        int e = -1;
        for (int i = 0; i < n && e < 0; ++i)
            if (!taken[i] && m_contours[i].exterior == 1)
                e = i;
        if (e < 0)
            break;
        taken[e] = true;
        order.push_back(e);
        const GlyphContour& outer = m_contours[e];
        for (int i = 0; i < n; ++i) {
            const GlyphContour& hole = m_contours[i];
            if (taken[i] || hole.exterior != 0 || hole.count < 1)
                continue;
            if (hole.xmin >= outer.xmin && hole.xmax <= outer.xmax && hole.ymin >= outer.ymin
                && hole.ymax <= outer.ymax && outer.contains(hole.points[0].x, hole.points[0].y)) {
                taken[i] = true;
                order.push_back(i);
            }
        }
    }
    for (int i = 0; i < n; ++i)
        if (!taken[i])
            order.push_back(i);

    std::vector<GlyphContour> grouped;
    grouped.reserve(static_cast<std::size_t>(n));
    for (const int i : order)
        grouped.push_back(std::move(m_contours[i]));
    m_contours = std::move(grouped);
}
