#include "FakeWindow.h"

unsigned FakeWindow::setTimer(unsigned id, unsigned periodMs)
{
    timerRequests.push_back({id, periodMs});
    return refuseTimers ? 0 : id;
}

void FakeWindow::invalidate(bool erase)
{
    ++invalidations;
    if (erase)
        ++erasingInvalidations;
}

void FakeWindow::setCapture()
{
    ++captureCalls;
    m_captured = true;
}

void FakeWindow::releaseCapture()
{
    ++releaseCalls;
    m_captured = false;
}

bool FakeWindow::chooseFileToOpen(const OpenFileRequest& request, std::string& path)
{
    fileRequests.push_back(request);
    if (!fileAnswer)
        return false;
    path = *fileAnswer;
    return true;
}
