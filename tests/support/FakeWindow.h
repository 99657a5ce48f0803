#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/WindowPort.h"

// A window for tests: settable client size, recorded timer requests (which
// a test may refuse), counted invalidations, a capture flag, a scripted
// answer for the open-file dialog and the status line's last text.
class FakeWindow : public WindowPort {
public:
    struct TimerRequest {
        unsigned id = 0;
        unsigned periodMs = 0;
        bool operator==(const TimerRequest&) const = default;
    };

    explicit FakeWindow(int width = 640, int height = 480) { setClientSize(width, height); }

    void setClientSize(int width, int height) { m_client = IntRect{0, 0, width, height}; }

    IntRect clientRect() const override { return m_client; }
    unsigned setTimer(unsigned id, unsigned periodMs) override;
    void invalidate(bool erase) override;
    void setCapture() override;
    bool hasCapture() const override { return m_captured; }
    void releaseCapture() override;
    bool chooseFileToOpen(const OpenFileRequest& request, std::string& path) override;
    void showStatus(const std::string& text) override { status = text; }

    // Timer: refuse further requests while set.
    bool refuseTimers = false;
    std::vector<TimerRequest> timerRequests;

    int invalidations = 0;
    int erasingInvalidations = 0;

    int captureCalls = 0;
    int releaseCalls = 0;

    // Dialog: the path the "user" picks, or nothing for Cancel.
    std::optional<std::string> fileAnswer;
    std::vector<OpenFileRequest> fileRequests;

    std::string status;

private:
    IntRect m_client;
    bool m_captured = false;
};
