#include "app/FrameBlitter.h"

#include <cairo.h>

#include <wx/graphics.h>

FrameBlitter::~FrameBlitter() { release(); }

void FrameBlitter::release()
{
    if (m_surface)
        cairo_surface_destroy(m_surface);
    m_surface = nullptr;
}

bool FrameBlitter::blit(wxDC& dc, RasterFrame& frame)
{
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    auto* cr = gc ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr;
    if (!cr || frame.width() <= 0 || frame.height() <= 0)
        return false;

    if (!m_surface || m_pixels != frame.data() || m_width != frame.width() || m_height != frame.height()) {
        release();
        // The frame's rows are 0x00RRGGBB words: cairo's RGB24 layout, with
        // a stride cairo accepts as long as it is at least its own.
        const int stride = frame.stride() * 4;
        if (cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, frame.width()) > stride)
            return false;
        m_surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(frame.data()),
                                                        CAIRO_FORMAT_RGB24, frame.width(), frame.height(), stride);
        if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) {
            release();
            return false;
        }
        m_pixels = frame.data();
        m_width = frame.width();
        m_height = frame.height();
    }

    // The pixels changed behind cairo's back since the last frame.
    cairo_surface_mark_dirty(m_surface);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, m_surface, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    return true;
}
