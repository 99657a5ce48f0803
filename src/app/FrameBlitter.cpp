#include "app/FrameBlitter.h"

#include <cairo.h>

#include <cstring>

#include <wx/graphics.h>

void FrameBlitter::Release::operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }

bool FrameBlitter::blit(wxDC& dc, const RasterFrame& frame)
{
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    auto* cr = gc ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr;
    if (!cr || frame.width() <= 0 || frame.height() <= 0)
        return false;

    if (!m_images[0] || m_width != frame.width() || m_height != frame.height()) {
        for (Image& image : m_images) {
            image.reset(cairo_surface_create_similar_image(cairo_get_target(cr), CAIRO_FORMAT_RGB24, frame.width(),
                                                           frame.height()));
            if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS ||
                cairo_image_surface_get_format(image.get()) != CAIRO_FORMAT_RGB24) {
                m_images = {};
                return false;
            }
        }
        m_width = frame.width();
        m_height = frame.height();
    }

    cairo_surface_t* image = m_images[static_cast<std::size_t>(m_next)].get();
    m_next = 1 - m_next;
    // Waits, if need be, until the server has read the image's last frame.
    cairo_surface_flush(image);
    // The frame's rows are 0x00RRGGBB words: cairo's RGB24 layout.
    unsigned char* to = cairo_image_surface_get_data(image);
    const std::ptrdiff_t stride = cairo_image_surface_get_stride(image);
    const std::size_t rowBytes = static_cast<std::size_t>(frame.width()) * 4;
    for (int y = 0; y < frame.height(); ++y)
        std::memcpy(to + y * stride, frame.row(y), rowBytes);
    cairo_surface_mark_dirty(image);

    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    return true;
}
