#pragma once

#include "physics/Vector3.h"
#include "platform/DrawContext.h"
#include "platform/Geometry.h"

// The gravity compass: its centre, radius and the needle point the user
// last set.
struct CompassState {
    double x = 0.0;
    double y = 0.0;
    double radius = 0.0;
    IntPoint needle;
    double strength = 0.02; // gravity per cubed pixel of the needle's offset
};

// The compass's hit areas, edges truncated: the square of half-side
// `radius`, and the 10 x 10 hub around the centre.
IntRect compassSquare(const CompassState& compass);
IntRect compassHub(const CompassState& compass);

// Gravity from the needle: each component `strength` times the cube of
// the needle's offset from the centre; none within 3 pixels of the centre.
Vector3 gravityFromNeedle(const CompassState& compass);
// Where the needle point goes when the centre moves to `centre`, keeping
// its offset.
IntPoint needleCarriedTo(const CompassState& compass, IntPoint centre);

// The insertion-point cursor at (x, y): a ring of radius 5 and four arms.
void drawCursor(DrawContext& dc, double x, double y, const Pen& pen);
// The dial, the filled hub, then the needle.
void drawCompass(DrawContext& dc, const CompassState& compass, const Pen& pen, const Brush& brush);
// The shaft through the centre, the dart at the needle point and the
// tail's knob; nothing when the needle point is within 3 pixels.
void drawNeedle(DrawContext& dc, const CompassState& compass, const Brush& brush);
