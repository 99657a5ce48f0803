#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <wx/timer.h>
#include <wx/window.h>

#include "app/FrameBlitter.h"
#include "platform/WindowPort.h"
#include "view/FramePainter.h"

class CLexfallView;
class LiveRecording;

// The window the scene view lives in: it forwards paint, keyboard, mouse
// and timer events to the view and gives the view its window operations.
class CLexfallCanvas final : public wxWindow, public WindowPort {
public:
    // Returns true when a key down is a shortcut of the frame and has been
    // dealt with; such a key types no character.
    using ShortcutFilter = std::function<bool(const wxKeyEvent&)>;

    CLexfallCanvas(wxWindow* parent, CLexfallView& view);
    ~CLexfallCanvas() override;

    void setShortcutFilter(ShortcutFilter filter) { m_shortcutFilter = std::move(filter); }
    // Reports frames painted, ticks run and bodies on standard error once
    // a second.
    void setFrameStats(bool on) { m_frameStats = on; }

    // File > Export Picture: the picture as the window shows it, as a PNG.
    bool exportPicture(const std::string& path, std::string& error);
    // File > Record Animation and Stop Recording: from the picture shown
    // now, the window's frames at 30 a second of the scene's ticks, into a
    // GIF, WebP, MP4 or WebM. A recording that fails on the way stops, is
    // removed and says why.
    bool startRecording(const std::string& path, std::string& error);
    // Finishes the file; false, with `error` set, when it could not be.
    bool stopRecording(std::string& error);
    bool recording() const { return m_recording != nullptr; }
    double recordedSeconds() const;
    // Frames a video left out because its encoder was behind.
    int framesLeftOut() const;

    IntRect clientRect() const override;
    unsigned setTimer(unsigned id, unsigned periodMs) override;
    void invalidate(bool erase) override;
    void setCapture() override;
    bool hasCapture() const override;
    void releaseCapture() override;
    bool chooseFileToOpen(const OpenFileRequest& request, std::string& path) override;
    void showStatus(const std::string& text) override;

private:
    // Draws the scene into the frame and puts the frame on `dc`: on the
    // whole window, or only where `dc` is clipped to.
    void paintTo(wxDC& dc, bool whole);
    // Draws the scene into the frame only, unless it holds the scene.
    const RasterFrame& paintFrame();
    // Whether the frame holds the scene as it would be painted now.
    bool frameHolds() const;
    Rgb background() const;
    void handOverFrames();
    void countFrame(bool painted);

    void OnPaint(wxPaintEvent& event);
    void OnTimerEvent(wxTimerEvent& event);
    // One tick of the view, and the picture it leaves painted.
    void runTick(unsigned id);
    void OnKeyDown(wxKeyEvent& event);
    void OnChar(wxKeyEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnLeftDClick(wxMouseEvent& event);
    void OnRightDown(wxMouseEvent& event);
    void OnRightUp(wxMouseEvent& event);
    void OnRightDClick(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);

    CLexfallView& m_view;
    // Each timer fires once and is started again when its tick ends: a
    // repeating one, under ticks longer than its period, is always due, and
    // the toolkit's own work (laying out a resized window) never runs.
    struct Timer {
        std::unique_ptr<wxTimer> timer;
        std::chrono::milliseconds period{0};
        std::chrono::steady_clock::time_point due;
    };
    std::map<unsigned, Timer> m_timers;
    ShortcutFilter m_shortcutFilter;

    // The picture is drawn here and blitted once per frame; all of it is
    // kept between frames, so painting allocates nothing of its own.
    FramePainter m_painter;
    FrameBlitter m_blitter;
    // Whether the frame is the picture on the screen.
    bool m_frameShown = false;
    // While a tick runs, its repaint request is served by painting at the
    // end of the tick rather than queued behind the next timer.
    bool m_inTick = false;
    bool m_repaintAfterTick = false;

    std::unique_ptr<LiveRecording> m_recording;

    bool m_frameStats = false;
    int m_framesPainted = 0;
    int m_ticksRun = 0;
    std::chrono::steady_clock::time_point m_statsSince = std::chrono::steady_clock::now();
};
