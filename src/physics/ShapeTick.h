#pragma once

#include <cstdint>
#include <vector>

#include "physics/CollisionBox.h"
#include "physics/ShapeGeometry.h"

// Where a body stands during the tick, as collisions measure it: where
// its particles and probes started and are now, and the boxes of the body
// and of its triangles, which tell quickly whether a point lies inside it;
// a letter of many triangles also lists them by cells of a grid.
class ShapeTick {
public:
    ShapeTick() = default;
    // Sized for `geometry`, starting where its particles stand.
    explicit ShapeTick(const ShapeGeometry& geometry);

    // Where every particle stands before the step. A sleeper (`asleep`)
    // that has not moved keeps what it measured.
    void rememberStart(const ShapeGeometry& geometry, bool asleep);
    // The body's boxes where the particles stand now and at the start, and
    // its mean motion since rememberStart. True when it measured the body
    // afresh and found it finite; false when the body kept what it
    // measured before, or, `finite` then false, its positions are no
    // longer finite, which leaves it out of every test.
    bool measure(const ShapeGeometry& geometry);
    // What only a body meeting another needs, from the same positions as
    // the last measure(): its probes now and at the start, its triangles'
    // boxes, and whether it is crushed. A letter in flight meets none, and
    // this is most of the work of measuring one.
    void measureOutline(const ShapeGeometry& geometry);
    // Whether (x, y) lies strictly inside one of the triangles.
    bool contains(const ShapeGeometry& geometry, double x, double y) const;

    // Whether measure() has run: a sleeping body that has not moved since
    // keeps what it measured then.
    bool measured() const { return m_measured; }
    // A body read back kept everything it measured, its outline included.
    void restoreMeasured(bool measured) { m_measured = m_outlined = measured; }
    // The next measure() is taken afresh, as if the body had moved.
    void forgetUnmoved() { m_unmoved = false; }

    std::vector<CollisionBox> triangleBoxes;
    // A letter of this many triangles or more lists them by the cells of a
    // kGrid x kGrid grid over its box: those of cell c are
    // gridTriangles[gridStart[c] .. gridStart[c + 1]). A letter of size 18
    // has 40 at most, most of them slivers across it, each in about 6 of
    // the 16 cells: a pass over their boxes costs less than filling the
    // grid each tick. Outlines followed to a pixel (precision 1) give
    // letters of hundreds ("@" 440, "W" 154), and there the grid pays.
    static constexpr std::size_t kGridFrom = 64;
    static constexpr int kGrid = 4;
    std::vector<int> gridStart;
    std::vector<int> gridTriangles;
    // Lists the triangles by cells, as their boxes and the body's box now
    // stand, when there are enough of them (else gridStart is empty).
    void listTriangles();
    // Where each probe is now and where it started this tick.
    std::vector<double> probeX;
    std::vector<double> probeY;
    std::vector<double> probeStartX;
    std::vector<double> probeStartY;
    std::vector<double> startX;
    std::vector<double> startY;
    CollisionBox box;   // of the particles now
    CollisionBox swept; // of the particles now and at the start
    double shiftX = 0.0; // mean motion this tick
    double shiftY = 0.0;
    bool finite = true;
    // Crushed to a sliver of its area (a soft letter flattened by the
    // weight on it): nothing can be inside it any more.
    bool crushed = false;

private:
    int gridCell(double v, double low, double size) const;
    bool inTriangle(const ShapeGeometry& geometry, std::size_t t, double x, double y) const;

    // A triangle's cells: columns x0..x1 of rows y0..y1.
    struct Cells {
        std::uint8_t x0, x1, y0, y1;
    };
    std::vector<Cells> m_cells;
    std::vector<int> m_gridFill;
    bool m_measured = false; // measure() has run
    bool m_unmoved = false;  // asleep and not moved since it last ran
    bool m_outlined = false; // measureOutline() has run since measure() last measured
};
