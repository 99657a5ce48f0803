#pragma once

#include <string>

#include "platform/WindowPort.h"

// A window with no screen behind it: a fixed client area, timers granted
// but driven by the caller, a mouse capture that is only remembered, and
// an open-file dialog that answers with `fileAnswer` (cancelled when it is
// empty) and no status line. Serves benchmarks and headless runs of the
// scene.
class HeadlessWindow final : public WindowPort {
public:
    HeadlessWindow(int width, int height) : m_rect{0, 0, width, height} {}

    IntRect clientRect() const override { return m_rect; }
    unsigned setTimer(unsigned id, unsigned) override { return id; }
    void invalidate(bool) override {}
    void setCapture() override { m_captured = true; }
    bool hasCapture() const override { return m_captured; }
    void releaseCapture() override { m_captured = false; }
    bool chooseFileToOpen(const OpenFileRequest&, std::string& path) override
    {
        path = fileAnswer;
        return !path.empty();
    }
    void showStatus(const std::string&) override {}

    std::string fileAnswer;

private:
    IntRect m_rect;
    bool m_captured = false;
};
