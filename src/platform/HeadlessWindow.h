#pragma once

#include "platform/WindowPort.h"

// A window with no screen behind it: a fixed client area, timers granted
// but driven by the caller, no capture, no dialogs. Serves benchmarks and
// headless runs of the scene.
class HeadlessWindow final : public WindowPort {
public:
    HeadlessWindow(int width, int height) : m_rect{0, 0, width, height} {}

    IntRect clientRect() const override { return m_rect; }
    unsigned setTimer(unsigned id, unsigned) override { return id; }
    void invalidate(bool) override {}
    void setCapture() override {}
    bool hasCapture() const override { return false; }
    void releaseCapture() override {}
    bool chooseFileToOpen(const OpenFileRequest&, std::string&) override { return false; }

private:
    IntRect m_rect;
};
