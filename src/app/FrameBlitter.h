#pragma once

#include <array>
#include <memory>

#include <wx/dc.h>

#include "render/RasterFrame.h"

typedef struct _cairo_surface cairo_surface_t;

// Puts a RasterFrame on a window's drawing context through the toolkit's
// own cairo context. The frame is copied into one of two images made like
// the window's surface (under X11, memory shared with the server) and
// that image is painted. Cairo's own upload of a plain image takes fresh
// shared memory for many frames in a row, and touching new pages cost
// more than the copy; kept images stay mapped. Two of them, used in turn,
// mean the server has long finished reading the one written next.
class FrameBlitter {
public:
    FrameBlitter() = default;

    // False when the context is not backed by cairo or the images cannot
    // be made.
    bool blit(wxDC& dc, const RasterFrame& frame);

private:
    struct Release {
        void operator()(cairo_surface_t* surface) const;
    };
    using Image = std::unique_ptr<cairo_surface_t, Release>;

    std::array<Image, 2> m_images;
    int m_next = 0;
    int m_width = 0;
    int m_height = 0;
};
