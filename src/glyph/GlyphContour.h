#pragma once

#include <vector>

// A vectorized outline point in pixels, y up, origin on the baseline.
struct ContourPoint {
    double x = 0.0;
    double y = 0.0;
};

// One closed polygonal contour of a glyph. The point buffer starts at 8
// and grows by half; its addresses stay put while nothing is added.
struct GlyphContour {
    int capacity = 0;
    std::vector<ContourPoint> points;
    int count = 0;
    int exterior = 0; // 1: exterior (clockwise, y up); 0: hole
    double area = 0.0; // positive counter-clockwise, y up
    double xmin = 1e20;
    double xmax = -1e20;
    double ymin = 1e20;
    double ymax = -1e20;

    // Appends unless within 1e-8 of the last point in both x and y;
    // keeps the bounding box and the running shoelace sum.
    void add(double x, double y);
    // Closes the shoelace sum and sets the exterior flag.
    void finish();
    void reset();
    // Crossing-number test; a point on an edge may fall either way.
    bool contains(double px, double py) const;
};
