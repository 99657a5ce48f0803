#include "app/LexfallCanvas.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <utility>

#include <wx/dcclient.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>

#include "app/ShellRules.h"
#include "view/SceneFile.h"
#include "app/WxDrawContext.h"
#include "record/FrameWriter.h"
#include "record/LiveRecording.h"
#include "view/CLexfallView.h"

namespace {

// The button and modifier bits of a mouse message.
constexpr unsigned kLeftButtonFlag = 0x0001;
constexpr unsigned kRightButtonFlag = 0x0002;
constexpr unsigned kShiftFlag = 0x0004;
constexpr unsigned kControlFlag = 0x0008;
constexpr unsigned kMiddleButtonFlag = 0x0010;

unsigned mouseFlags(const wxMouseEvent& event)
{
    unsigned flags = 0;
    if (event.LeftIsDown())
        flags |= kLeftButtonFlag;
    if (event.RightIsDown())
        flags |= kRightButtonFlag;
    if (event.ShiftDown())
        flags |= kShiftFlag;
    if (event.ControlDown())
        flags |= kControlFlag;
    if (event.MiddleIsDown())
        flags |= kMiddleButtonFlag;
    return flags;
}

IntPoint mousePoint(const wxMouseEvent& event)
{
    const wxPoint p = event.GetPosition();
    return {p.x, p.y};
}

shell::KeyKind keyKind(int keyCode)
{
    switch (keyCode) {
    case WXK_NUMPAD_ENTER:
        return shell::KeyKind::NumpadEnter;
    case WXK_DELETE:
    case WXK_NUMPAD_DELETE:
        return shell::KeyKind::Delete;
    default:
        return shell::KeyKind::Ordinary;
    }
}

} // namespace

CLexfallCanvas::CLexfallCanvas(wxWindow* parent, CLexfallView& view)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
               wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE | wxBORDER_NONE, "LexfallCanvas"),
      m_view(view)
{
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    // Every paint covers the whole window with the frame.
    SetBackgroundStyle(wxBG_STYLE_PAINT);

    Bind(wxEVT_PAINT, &CLexfallCanvas::OnPaint, this);
    Bind(wxEVT_KEY_DOWN, &CLexfallCanvas::OnKeyDown, this);
    Bind(wxEVT_CHAR, &CLexfallCanvas::OnChar, this);
    Bind(wxEVT_LEFT_DOWN, &CLexfallCanvas::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &CLexfallCanvas::OnLeftUp, this);
    Bind(wxEVT_LEFT_DCLICK, &CLexfallCanvas::OnLeftDClick, this);
    Bind(wxEVT_RIGHT_DOWN, &CLexfallCanvas::OnRightDown, this);
    Bind(wxEVT_RIGHT_UP, &CLexfallCanvas::OnRightUp, this);
    Bind(wxEVT_RIGHT_DCLICK, &CLexfallCanvas::OnRightDClick, this);
    Bind(wxEVT_MOTION, &CLexfallCanvas::OnMotion, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CLexfallCanvas::OnCaptureLost, this);
    Bind(wxEVT_TIMER, &CLexfallCanvas::OnTimerEvent, this);

    m_view.attachWindow(this);
}

CLexfallCanvas::~CLexfallCanvas()
{
    if (HasCapture())
        ReleaseMouse();
    // Closing the window finishes a recording; nobody is left to be told
    // but standard error.
    std::string error;
    if (!stopRecording(error))
        std::fprintf(stderr, "lexfall: %s\n", error.c_str());
    m_view.attachWindow(nullptr);
}

IntRect CLexfallCanvas::clientRect() const
{
    const wxSize size = GetClientSize();
    return {0, 0, size.GetWidth(), size.GetHeight()};
}

unsigned CLexfallCanvas::setTimer(unsigned id, unsigned periodMs)
{
    constexpr unsigned kIntMax = static_cast<unsigned>(std::numeric_limits<int>::max());
    if (id == 0 || id > kIntMax || periodMs == 0 || periodMs > kIntMax)
        return 0;
    Timer& timer = m_timers[id];
    if (!timer.timer)
        timer.timer = std::make_unique<wxTimer>(this, static_cast<int>(id));
    timer.period = std::chrono::milliseconds(periodMs);
    timer.due = std::chrono::steady_clock::now() + timer.period;
    // Starting an existing timer again restarts it with the new period.
    return timer.timer->StartOnce(static_cast<int>(periodMs)) ? id : 0;
}

void CLexfallCanvas::invalidate(bool erase)
{
    if (m_inTick)
        m_repaintAfterTick = true;
    else
        Refresh(erase);
}

void CLexfallCanvas::setCapture()
{
    if (!HasCapture())
        CaptureMouse();
}

bool CLexfallCanvas::hasCapture() const { return HasCapture(); }

void CLexfallCanvas::releaseCapture()
{
    if (HasCapture())
        ReleaseMouse();
}

bool CLexfallCanvas::chooseFileToOpen(const OpenFileRequest& request, std::string& path)
{
    // A modal dialog and a captured mouse do not mix.
    releaseCapture();

    // Saved scenes may be chosen too: the view tells them by their first
    // bytes and opens them as the document.
    const std::string wildcard = shell::toWxWildcard(request.filter) + "|Lexfall Scene (*." + sceneFile::kExtension +
                                 ")|*." + sceneFile::kExtension;
    wxFileDialog dialog(this, "Open", wxString::FromUTF8(request.initialDirectory), wxEmptyString,
                        wxString::FromUTF8(wildcard), wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK)
        return false;

    const std::string chosen(dialog.GetPath().utf8_str());
    path = shell::applyDefaultExtension(chosen, request.defaultExtension,
                                        [](const std::string& p) { return wxFileName::FileExists(wxString::FromUTF8(p)); });
    return true;
}

void CLexfallCanvas::showStatus(const std::string& text)
{
    if (auto* frame = wxDynamicCast(GetParent(), wxFrame))
        frame->SetStatusText(wxString::FromUTF8(text));
}

Rgb CLexfallCanvas::background() const
{
    const wxColour window = GetBackgroundColour();
    return m_view.m_crBackground.value_or(Rgb{window.Red(), window.Green(), window.Blue()});
}

bool CLexfallCanvas::frameHolds() const
{
    const wxSize size = GetClientSize();
    return m_painter.holds(m_view, size.GetWidth(), size.GetHeight(), background());
}

const RasterFrame& CLexfallCanvas::paintFrame()
{
    if (!frameHolds()) {
        const wxSize size = GetClientSize();
        m_painter.paint(m_view, size.GetWidth(), size.GetHeight(), background());
        m_frameShown = false;
    }
    return m_painter.frame();
}

void CLexfallCanvas::paintTo(wxDC& dc, bool whole)
{
    paintFrame();
    if (!m_blitter.blit(dc, m_painter.frame())) {
        // A context without cairo beneath it gets the drawing itself.
        const Rgb colour = background();
        dc.SetBackground(wxBrush(wxColour(colour.red, colour.green, colour.blue)));
        dc.Clear();
        WxDrawContext context(dc);
        m_view.OnDraw(context);
    }
    // A paint event's context is clipped to what needs it: the rest of
    // the window still shows the frame before, if the frame changed.
    if (whole)
        m_frameShown = true;
}

bool CLexfallCanvas::exportPicture(const std::string& path, std::string& error)
{
    // The picture last painted is the one on the screen.
    const wxSize size = GetClientSize();
    const RasterFrame& shown = m_painter.frame();
    const RasterFrame& picture = shown.width() == size.GetWidth() && shown.height() == size.GetHeight() && shown.data()
                                     ? shown
                                     : paintFrame();
    const std::unique_ptr<FrameWriter> writer =
        openFrameWriter(PictureFormat::Png, path, picture.width(), picture.height(), 1, error);
    if (!writer)
        return false;
    if (!writer->add(picture) || !writer->finish()) {
        error = writer->error();
        return false;
    }
    return true;
}

bool CLexfallCanvas::startRecording(const std::string& path, std::string& error)
{
    const wxSize size = GetClientSize();
    if (m_recording || size.GetWidth() <= 0 || size.GetHeight() <= 0) {
        error = m_recording ? "a recording is already running" : "the window has no room to record";
        return false;
    }
    m_recording = LiveRecording::start(path, size.GetWidth(), size.GetHeight(), 30, error);
    if (!m_recording)
        return false;
    paintFrame();
    handOverFrames();
    return m_recording != nullptr;
}

bool CLexfallCanvas::stopRecording(std::string& error)
{
    if (!m_recording)
        return true;
    const bool finished = m_recording->finish();
    const std::string path = m_recording->path();
    if (!finished)
        error = "The recording \"" + path + "\" could not be finished: " + m_recording->error() + ". The file was removed";
    m_recording.reset();
    if (!finished)
        removeUnfinished(path);
    return finished;
}

double CLexfallCanvas::recordedSeconds() const { return m_recording ? m_recording->seconds() : 0.0; }

int CLexfallCanvas::framesLeftOut() const { return m_recording ? m_recording->framesLeftOut() : 0; }

void CLexfallCanvas::handOverFrames()
{
    const Rgb fill = background();
    while (m_recording && m_recording->framesDue() > 0) {
        if (m_recording->add(m_painter.frame(), fill))
            continue;
        // Encoding failed (the disk is full, say): the scene goes on, the
        // broken file goes, and the user learns why once this tick is over.
        const std::string path = m_recording->path();
        const std::string message =
            "The recording \"" + path + "\" stopped: " + m_recording->error() + ". The file was removed.";
        std::string unused;
        stopRecording(unused);
        removeUnfinished(path);
        CallAfter([this, message] {
            if (auto* frame = wxDynamicCast(GetParent(), wxFrame))
                frame->SetStatusText("Recording stopped");
            wxMessageBox(wxString::FromUTF8(message), "Record Animation", wxOK | wxICON_ERROR, this);
        });
    }
}

void CLexfallCanvas::countFrame(bool painted)
{
    if (!m_frameStats)
        return;
    (painted ? m_framesPainted : m_ticksRun) += 1;
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - m_statsSince).count();
    if (seconds < 1.0)
        return;
    std::fprintf(stderr, "lexfall: %.1f frames painted/s, %.1f ticks/s, %zu bodies\n", m_framesPainted / seconds,
                 m_ticksRun / seconds, m_view.m_pBodies.size());
    m_framesPainted = 0;
    m_ticksRun = 0;
    m_statsSince = now;
}

void CLexfallCanvas::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    paintTo(dc, GetUpdateRegion().Contains(GetClientRect()) == wxInRegion);
    countFrame(true);
}

void CLexfallCanvas::OnTimerEvent(wxTimerEvent& event)
{
    const unsigned id = static_cast<unsigned>(event.GetId());
    runTick(id);
    const auto found = m_timers.find(id);
    if (found == m_timers.end())
        return;
    // Due a period after it was last due, so the ticks keep their pace; a
    // millisecond from now at the soonest: that millisecond is the
    // toolkit's when ticks take longer than their period.
    Timer& timer = found->second;
    const auto now = std::chrono::steady_clock::now();
    timer.due = std::max(timer.due + timer.period, now + std::chrono::milliseconds(1));
    timer.timer->StartOnce(static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(timer.due - now).count()));
}

void CLexfallCanvas::runTick(unsigned id)
{
    m_inTick = true;
    m_view.OnTimer(id);
    m_inTick = false;
    countFrame(false);
    if (m_recording)
        m_recording->tick();
    const bool frameDue = m_recording && m_recording->framesDue() > 0;
    if (!m_repaintAfterTick && !frameDue)
        return;
    const bool repaint = std::exchange(m_repaintAfterTick, false);
    // Under load a queued repaint would wait behind the next timer for
    // good; painting here shows every tick, or at worst fewer ticks a
    // second, never a frozen picture. A picture the same as the one on
    // the screen (a scene that stands still) is not painted again.
    if (repaint && IsShownOnScreen()) {
        if (!m_frameShown || !frameHolds()) {
            wxClientDC dc(this);
            paintTo(dc, true);
            countFrame(true);
        }
    } else {
        if (repaint)
            Refresh();
        if (frameDue)
            paintFrame();
    }
    // A recording takes the picture painted at the end of the tick.
    if (frameDue)
        handOverFrames();
}

void CLexfallCanvas::OnKeyDown(wxKeyEvent& event)
{
    // Shortcuts are taken before the key reaches the view, as a frame's
    // accelerators are: they type nothing.
    if (m_shortcutFilter && m_shortcutFilter(event))
        return;
    m_view.OnKeyDown(static_cast<unsigned>(event.GetKeyCode()), 1, event.GetRawKeyFlags());
    event.Skip();
}

void CLexfallCanvas::OnChar(wxKeyEvent& event)
{
    const unsigned code =
        shell::characterCode(event.GetUnicodeKey(), keyKind(event.GetKeyCode()), event.AltDown(), event.ControlDown());
    if (code == shell::kNoCharacter) {
        event.Skip(); // menu mnemonics, F10 and the like
        return;
    }
    m_view.OnChar(code, 1, event.GetRawKeyFlags());
}

void CLexfallCanvas::OnLeftDown(wxMouseEvent& event)
{
    SetFocus();
    m_view.OnLButtonDown(mouseFlags(event), mousePoint(event));
}

void CLexfallCanvas::OnLeftUp(wxMouseEvent& event) { m_view.OnLButtonUp(mouseFlags(event), mousePoint(event)); }

void CLexfallCanvas::OnLeftDClick(wxMouseEvent& event) { m_view.OnLButtonDblClk(mouseFlags(event), mousePoint(event)); }

void CLexfallCanvas::OnRightDown(wxMouseEvent& event)
{
    SetFocus();
    m_view.OnRButtonDown(mouseFlags(event), mousePoint(event));
}

void CLexfallCanvas::OnRightUp(wxMouseEvent& event) { m_view.OnRButtonUp(mouseFlags(event), mousePoint(event)); }

void CLexfallCanvas::OnRightDClick(wxMouseEvent& event) { m_view.OnRButtonDblClk(mouseFlags(event), mousePoint(event)); }

void CLexfallCanvas::OnMotion(wxMouseEvent& event) { m_view.OnMouseMove(mouseFlags(event), mousePoint(event)); }

void CLexfallCanvas::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    // The capture is gone; the view learns so from hasCapture().
}
