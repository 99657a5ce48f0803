#pragma once

#include <string>

#include "platform/WindowPort.h"

// Base of the scene view: the window operations, forwarded to the window
// the view is attached to. Detached, the view has an empty client area,
// no timer, no capture, no dialog and no status line.
class ViewBase {
public:
    void attachWindow(WindowPort* window) { m_pWindow = window; }
    WindowPort* window() const { return m_pWindow; }

protected:
    ViewBase() = default;
    ~ViewBase() = default;

    IntRect GetClientRect() const { return m_pWindow ? m_pWindow->clientRect() : IntRect{}; }
    unsigned SetTimer(unsigned id, unsigned periodMs) { return m_pWindow ? m_pWindow->setTimer(id, periodMs) : 0; }
    void Invalidate(bool erase = true)
    {
        if (m_pWindow)
            m_pWindow->invalidate(erase);
    }
    void SetCapture()
    {
        if (m_pWindow)
            m_pWindow->setCapture();
    }
    bool HasCapture() const { return m_pWindow && m_pWindow->hasCapture(); }
    void ReleaseCapture()
    {
        if (m_pWindow)
            m_pWindow->releaseCapture();
    }
    bool ChooseFileToOpen(const OpenFileRequest& request, std::string& path)
    {
        return m_pWindow && m_pWindow->chooseFileToOpen(request, path);
    }
    void ShowStatus(const std::string& text)
    {
        if (m_pWindow)
            m_pWindow->showStatus(text);
    }

private:
    WindowPort* m_pWindow = nullptr; // not owned
};
