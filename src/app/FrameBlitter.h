#pragma once

#include <wx/dc.h>

#include "render/RasterFrame.h"

typedef struct _cairo_surface cairo_surface_t;

// Puts a RasterFrame on a window's drawing context in one copy, through
// the toolkit's own cairo context. The cairo image that wraps the frame's
// pixels is made again only when the frame's size or memory changes.
class FrameBlitter {
public:
    FrameBlitter() = default;
    ~FrameBlitter();
    FrameBlitter(const FrameBlitter&) = delete;
    FrameBlitter& operator=(const FrameBlitter&) = delete;

    // False when the context is not backed by cairo.
    bool blit(wxDC& dc, RasterFrame& frame);

private:
    void release();

    cairo_surface_t* m_surface = nullptr;
    const void* m_pixels = nullptr;
    int m_width = 0;
    int m_height = 0;
};
