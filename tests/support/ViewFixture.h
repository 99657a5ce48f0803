#pragma once

#include <map>
#include <string_view>

#include "FakeWindow.h"
#include "view/CLexfallView.h"

// The raster tests' scene: three lines of letters that spin as nozzle words
// do, the compass shown, animated 40 ticks until their meshes fold (long
// thin triangles and overlaps, the hard cases).
void addFoldingLetters(CLexfallView& view);

// A scene view attached to a fake window, in one line:
//     SceneRig rig;            // 640 x 480 client area
//     rig.type("A"); rig.tick(10);
// The window is declared first so that it outlives the view.
struct SceneRig {
    explicit SceneRig(int width = 640, int height = 480);

    // Fires n timer messages, as the running timer would.
    void tick(int n = 1);
    // Types each character through OnChar with one tick after it, so that
    // every character is accepted.
    void type(std::string_view text);
    // Adds each character directly through AddCharacter, no tick between.
    void add(std::string_view text);

    // Total triangle-vertex entries over all bodies.
    int triangleEntries() const;
    // How often each particle appears in the triangle lists.
    std::map<const Particle*, int> entryCounts() const;
    int bodyCount() const { return static_cast<int>(view.m_pBodies.size()); }

    FakeWindow window;
    CLexfallView view;
};
