#include "physics/ShapeTick.h"

#include <algorithm>
#include <cmath>

namespace {

// A body left with less than this share of its area is crushed flat.
constexpr double kCrushedArea = 0.25;

} // namespace

ShapeTick::ShapeTick(const ShapeGeometry& geometry)
    : triangleBoxes(geometry.corners.size() / 3), probeX(geometry.probes.size()), probeY(geometry.probes.size()),
      probeStartX(geometry.probes.size()), probeStartY(geometry.probes.size()), startX(geometry.particles.size()),
      startY(geometry.particles.size())
{
    rememberStart(geometry, false);
}

void ShapeTick::rememberStart(const ShapeGeometry& geometry, bool asleep)
{
    const std::vector<Particle*>& particles = geometry.particles;
    // A sleeping body stays put unless the whole scene was moved (the line
    // scrolls), which moves its first particle too.
    m_unmoved = asleep && m_measured && particles.front()->position.x == startX.front() &&
                particles.front()->position.y == startY.front();
    if (m_unmoved)
        return;
    for (std::size_t i = 0; i < particles.size(); ++i) {
        startX[i] = particles[i]->position.x;
        startY[i] = particles[i]->position.y;
    }
}

bool ShapeTick::measure(const ShapeGeometry& geometry)
{
    if (m_unmoved) {
        swept = box;
        shiftX = shiftY = 0.0;
        return false;
    }
    const std::vector<Particle*>& particles = geometry.particles;
    m_measured = true;
    m_outlined = false;
    double sumX = 0.0, sumY = 0.0;
    CollisionBox now{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    CollisionBox all = now;
    for (std::size_t i = 0; i < particles.size(); ++i) {
        const double x = particles[i]->position.x;
        const double y = particles[i]->position.y;
        sumX += x - startX[i];
        sumY += y - startY[i];
        now = {std::min(now.left, x), std::min(now.top, y), std::max(now.right, x), std::max(now.bottom, y)};
        all = {std::min(all.left, startX[i]), std::min(all.top, startY[i]), std::max(all.right, startX[i]),
               std::max(all.bottom, startY[i])};
    }
    const double n = static_cast<double>(particles.size());
    // Far beyond any window, squared distances would overflow: such a body
    // counts as broken as one whose positions are not numbers.
    constexpr double kFar = 1e9;
    finite = std::isfinite(sumX) && std::isfinite(sumY) && now.left >= -kFar && now.top >= -kFar &&
             now.right <= kFar && now.bottom <= kFar;
    if (!finite || particles.empty()) {
        box = swept = CollisionBox{};
        return false;
    }
    box = now;
    swept = {std::min(now.left, all.left), std::min(now.top, all.top), std::max(now.right, all.right),
             std::max(now.bottom, all.bottom)};
    shiftX = sumX / n;
    shiftY = sumY / n;
    return true;
}

void ShapeTick::measureOutline(const ShapeGeometry& geometry)
{
    if (m_outlined || !finite)
        return;
    m_outlined = true;
    const std::vector<Particle*>& particles = geometry.particles;
    const std::vector<ShapeGeometry::Probe>& probes = geometry.probes;
    for (std::size_t k = 0; k < probes.size(); ++k) {
        const std::size_t a = static_cast<std::size_t>(probes[k].a), b = static_cast<std::size_t>(probes[k].b);
        const double u = probes[k].u;
        const Vector3& pa = particles[a]->position;
        const Vector3& pb = particles[b]->position;
        probeX[k] = pa.x + u * (pb.x - pa.x);
        probeY[k] = pa.y + u * (pb.y - pa.y);
        probeStartX[k] = startX[a] + u * (startX[b] - startX[a]);
        probeStartY[k] = startY[a] + u * (startY[b] - startY[a]);
    }
    double area = 0.0;
    for (std::size_t t = 0; t < triangleBoxes.size(); ++t) {
        const Vector3& a = geometry.corners[3 * t]->position;
        const Vector3& b = geometry.corners[3 * t + 1]->position;
        const Vector3& c = geometry.corners[3 * t + 2]->position;
        area += std::abs((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) * 0.5;
        triangleBoxes[t] = {std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::max({a.x, b.x, c.x}),
                            std::max({a.y, b.y, c.y})};
    }
    crushed = area < kCrushedArea * geometry.restArea;
    listTriangles();
}

void ShapeTick::listTriangles()
{
    if (triangleBoxes.size() < kGridFrom) {
        gridStart.clear();
        gridTriangles.clear();
        return;
    }
    const double width = std::max(box.right - box.left, 1e-9), height = std::max(box.bottom - box.top, 1e-9);
    // Each triangle's cells, counted, then listed by a second pass that
    // reads them back rather than working them out again.
    gridStart.assign(kGrid * kGrid + 1, 0);
    m_cells.resize(triangleBoxes.size());
    for (std::size_t t = 0; t < triangleBoxes.size(); ++t) {
        const CollisionBox& b = triangleBoxes[t];
        const Cells c{static_cast<std::uint8_t>(gridCell(b.left, box.left, width)),
                      static_cast<std::uint8_t>(gridCell(b.right, box.left, width)),
                      static_cast<std::uint8_t>(gridCell(b.top, box.top, height)),
                      static_cast<std::uint8_t>(gridCell(b.bottom, box.top, height))};
        m_cells[t] = c;
        for (int y = c.y0; y <= c.y1; ++y)
            for (int x = c.x0; x <= c.x1; ++x)
                ++gridStart[static_cast<std::size_t>(y * kGrid + x) + 1];
    }
    for (int c = 0; c < kGrid * kGrid; ++c)
        gridStart[static_cast<std::size_t>(c) + 1] += gridStart[static_cast<std::size_t>(c)];
    gridTriangles.resize(static_cast<std::size_t>(gridStart.back()));
    m_gridFill.assign(gridStart.begin(), gridStart.end() - 1);
    for (std::size_t t = 0; t < triangleBoxes.size(); ++t) {
        const Cells c = m_cells[t];
        for (int y = c.y0; y <= c.y1; ++y)
            for (int x = c.x0; x <= c.x1; ++x)
                gridTriangles[static_cast<std::size_t>(m_gridFill[static_cast<std::size_t>(y * kGrid + x)]++)] =
                    static_cast<int>(t);
    }
}

int ShapeTick::gridCell(double v, double low, double size) const
{
    return std::clamp(static_cast<int>((v - low) / size * kGrid), 0, kGrid - 1);
}

bool ShapeTick::inTriangle(const ShapeGeometry& geometry, std::size_t t, double x, double y) const
{
    if (!triangleBoxes[t].contains(x, y))
        return false;
    const Vector3& a = geometry.corners[3 * t]->position;
    const Vector3& b = geometry.corners[3 * t + 1]->position;
    const Vector3& d = geometry.corners[3 * t + 2]->position;
    const double d1 = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    const double d2 = (d.x - b.x) * (y - b.y) - (d.y - b.y) * (x - b.x);
    const double d3 = (a.x - d.x) * (y - d.y) - (a.y - d.y) * (x - d.x);
    return (d1 > 0.0 && d2 > 0.0 && d3 > 0.0) || (d1 < 0.0 && d2 < 0.0 && d3 < 0.0);
}

bool ShapeTick::contains(const ShapeGeometry& geometry, double x, double y) const
{
    if (!box.contains(x, y))
        return false;
    if (gridStart.empty()) {
        for (std::size_t t = 0; t < triangleBoxes.size(); ++t)
            if (inTriangle(geometry, t, x, y))
                return true;
        return false;
    }
    const double width = std::max(box.right - box.left, 1e-9), height = std::max(box.bottom - box.top, 1e-9);
    const int c = gridCell(y, box.top, height) * kGrid + gridCell(x, box.left, width);
    for (int k = gridStart[static_cast<std::size_t>(c)]; k < gridStart[static_cast<std::size_t>(c) + 1]; ++k)
        if (inTriangle(geometry, static_cast<std::size_t>(gridTriangles[static_cast<std::size_t>(k)]), x, y))
            return true;
    return false;
}
