#pragma once

#include <vector>

#include "support/RecordingDrawContext.h"
#include "view/CLexfallView.h"

// The view's black pen and brush, and the calls each overlay makes.
inline const Pen kBlackPen{Rgb{0, 0, 0}, 1};
inline const Brush kBlackBrush{Rgb{0, 0, 0}};

inline std::vector<DrawCall> cursorCalls(const CLexfallView& view)
{
    RecordingDrawContext dc;
    view.DrawCursor(dc);
    return dc.calls;
}

inline std::vector<DrawCall> compassCalls(const CLexfallView& view)
{
    RecordingDrawContext dc;
    view.DrawCompass(dc);
    return dc.calls;
}
