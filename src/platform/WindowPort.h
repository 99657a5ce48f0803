#pragma once

#include <string>

#include "platform/Geometry.h"

// The standard open-file dialog's request: default extension and filter
// in "Name (*.ext)|*.ext||" form, and the folder it starts in.
struct OpenFileRequest {
    std::string defaultExtension;
    std::string filter;
    std::string initialDirectory;
};

// The window operations the scene view needs from the platform. The
// desktop program implements it on wxWidgets; tests use a fake.
class WindowPort {
public:
    virtual ~WindowPort() = default;

    virtual IntRect clientRect() const = 0;
    // Starts a repeating timer; returns its identifier, 0 when refused.
    virtual unsigned setTimer(unsigned id, unsigned periodMs) = 0;
    // Asks for a repaint of the whole client area.
    virtual void invalidate(bool erase) = 0;
    virtual void setCapture() = 0;
    virtual bool hasCapture() const = 0;
    virtual void releaseCapture() = 0;
    // Runs the modal open-file dialog; false when cancelled.
    virtual bool chooseFileToOpen(const OpenFileRequest& request, std::string& path) = 0;
    // Tells the user something in the window's status line (UTF-8).
    virtual void showStatus(const std::string& text) = 0;
};
