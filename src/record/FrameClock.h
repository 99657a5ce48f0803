#pragma once

#include <cstdint>

#include "record/Script.h"

// When the frames of a recording are taken, on the scene's own clock of a
// tick every kTickMilliseconds: frame k is due at k / fps seconds and
// shows the scene as the window shows it then, painted at the end of the
// last tick at or before that time. So the frames due before tick n + 1
// are taken once tick n has run (tick 0 is the start), before anything
// that comes after it. Whole numbers throughout, so that no rounding can
// take or drop a frame.
class FrameClock {
public:
    explicit FrameClock(int fps) : m_fps(fps) {}

    // Frames taken from the start up to the end of tick `tick`.
    int framesAfter(int tick) const
    {
        const std::int64_t before = (std::int64_t{tick} + 1) * kTickMilliseconds * m_fps;
        return static_cast<int>((before + 999) / 1000);
    }

    int fps() const { return m_fps; }

private:
    int m_fps;
};
