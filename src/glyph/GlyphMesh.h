#pragma once

#include <vector>

#include "physics/Vector3.h"

// Triangle edges of one glyph: points 2k and 2k+1 are the ends of segment
// k, three segments (a,b), (b,c), (c,a) per triangle. Glyph pixels at the
// font's size, origin on the baseline, y downwards, z = 0.
using GlyphMesh = std::vector<Vector3>;
