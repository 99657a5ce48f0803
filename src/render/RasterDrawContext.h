#pragma once

#include "platform/DrawContext.h"
#include "render/AliasedPainter.h"
#include "render/MaskFill.h"
#include "render/Painting.h"
#include "render/RasterFrame.h"
#include "render/SmoothPainter.h"

// The view's drawing operations into a RasterFrame. Without smooth edges
// it covers, unblended, the pixels the desktop toolkit's own drawing
// covers (AliasedPainter; MaskFill for shaded triangles); with smooth
// edges every pixel is blended by the share of it a shape covers
// (SmoothPainter). Nothing outside the frame is ever written.
class RasterDrawContext final : public DrawContext {
public:
    explicit RasterDrawContext(RasterFrame& frame) : m_band(frame) {}

    // Draw only rows [top, end) of the frame: contexts on disjoint bands
    // of one frame can draw the same picture at once.
    void setRows(int top, int end) { m_band.setRows(top, end); }
    // Clears the rows to `colour` before anything is drawn on them: a fill
    // of triangles drawn first writes each pixel once, the background or
    // the brush. finish() clears them if nothing was drawn.
    void clear(Rgb colour) { m_band.clear(colour); }
    void finish() { m_band.settle(); }

    void selectPen(const Pen& pen) override;
    void selectBrush(const Brush& brush) override;
    void selectNullPen() override { m_ink.hasPen = false; }
    void selectNullBrush() override { m_ink.hasBrush = false; }
    void setWindingFill() override { m_ink.winding = true; }
    void polygon(const IntPoint* points, int count) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void moveTo(int x, int y) override { m_position = IntPoint{x, y}; }
    void lineTo(int x, int y) override;
    void setSmoothEdges(bool on) override { m_smooth = on; }
    // Without smooth edges the same pixels as one polygon each: filled
    // without a pen, through the mask fill.
    void triangles(const IntPoint* points, int count, std::span<const int> shapes) override;

private:
    // The painters write through the band alone, which carries out a
    // pending clear before anything else is written.
    RasterBand m_band;
    Ink m_ink;
    IntPoint m_position;
    bool m_smooth = false;
    AliasedPainter m_aliased;
    MaskFill m_maskFill;
    SmoothPainter m_smoothPainter;
};
