// One whole frame with the scene on a real window: the tick, then the
// paint, as the program does 62.5 times a second. Two paths side by side,
// in the same run, over the same animated scenes of real words:
//   raster  the scene drawn into the program's own pixel frame (by the
//           program's painter: a band a thread of LEXFALL_THREADS), then
//           one blit of the frame to the window;
//   wx      the scene drawn through the toolkit's drawing context on the
//           window, as the program did before.
// Both wait for the X server to finish, so its share of the work counts.
// Needs a display: run it under Xvfb at 1024x768, for example
//     xvfb-run -a -s "-screen 0 1024x768x24" build-release/bin/bench_frame
#include <cstdio>

#ifdef LEXFALL_BENCH_WITH_WX

#include <X11/Xlib.h>
#include <cairo.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/graphics.h>

#include "WordScene.h"
#include "app/FrameBlitter.h"
#include "app/WxDrawContext.h"
#include "platform/TaskPool.h"
#include "view/FramePainter.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// The toolkit's own connection to the X server. GDK is loaded with the
// toolkit but its headers are not needed for this one call.
Display* toolkitDisplay()
{
    using GetDisplay = Display* (*)();
    static const auto get = reinterpret_cast<GetDisplay>(dlsym(RTLD_DEFAULT, "gdk_x11_get_default_xdisplay"));
    return get ? get() : nullptr;
}

// Waits until the X server has carried out everything drawn on `dc`.
void finish(wxDC& dc)
{
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    if (auto* cr = gc ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr)
        cairo_surface_flush(cairo_get_target(cr));
    if (Display* display = toolkitDisplay())
        XSync(display, False);
}

struct Timing {
    double tick = 0.0;
    double paint = 0.0;
    double blit = 0.0;
    double frame = 0.0;
};

const wxColour kBackground(255, 255, 255);

Timing measureRaster(wxWindow& window, int bodies, bool wireframe, int frames)
{
    const wxSize size = window.GetClientSize();
    WordScene scene(size.GetWidth(), size.GetHeight(), bodies);
    scene.view().m_bWireframe = wireframe;
    FramePainter painter;
    FrameBlitter blitter;
    std::vector<double> ticks, paints, blits, totals;
    for (int i = 0; i < frames; ++i) {
        const Clock::time_point start = Clock::now();
        scene.tick();
        const double tick = millisecondsSince(start);
        const Clock::time_point paintStart = Clock::now();
        painter.paint(scene.view(), size.GetWidth(), size.GetHeight(), Rgb{255, 255, 255});
        const double paint = millisecondsSince(paintStart);
        const Clock::time_point blitStart = Clock::now();
        {
            wxClientDC dc(&window);
            blitter.blit(dc, painter.frame());
            finish(dc);
        }
        ticks.push_back(tick);
        paints.push_back(paint);
        blits.push_back(millisecondsSince(blitStart));
        totals.push_back(millisecondsSince(start));
    }
    return Timing{median(ticks), median(paints), median(blits), median(totals)};
}

Timing measureWx(wxWindow& window, int bodies, bool wireframe, int frames)
{
    const wxSize size = window.GetClientSize();
    WordScene scene(size.GetWidth(), size.GetHeight(), bodies);
    scene.view().m_bWireframe = wireframe;
    std::vector<double> ticks, paints, totals;
    for (int i = 0; i < frames; ++i) {
        const Clock::time_point start = Clock::now();
        scene.tick();
        const double tick = millisecondsSince(start);
        const Clock::time_point paintStart = Clock::now();
        {
            wxClientDC dc(&window);
            dc.SetBackground(wxBrush(kBackground));
            dc.Clear();
            WxDrawContext context(dc);
            scene.view().OnDraw(context);
            finish(dc);
        }
        ticks.push_back(tick);
        paints.push_back(millisecondsSince(paintStart));
        totals.push_back(millisecondsSince(start));
    }
    return Timing{median(ticks), median(paints), 0.0, median(totals)};
}

void run(wxWindow& window)
{
    const wxSize size = window.GetClientSize();
    std::printf("Frame times at %dx%d, medians in ms; raster = tick + paint into the frame + blit, "
                "wx = tick + paint through the toolkit; ticks and raster paints on %d thread(s).\n\n",
                size.GetWidth(), size.GetHeight(), TaskPool::threadsFromEnvironment());
    std::printf("| bodies | drawing | tick | raster paint | blit | raster frame | wx frame | speed-up |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (int bodies : {500, 1000, 2000, 5000}) {
        for (bool wireframe : {false, true}) {
            const Timing raster = measureRaster(window, bodies, wireframe, 120);
            const Timing wx = measureWx(window, bodies, wireframe, bodies >= 5000 ? 10 : 24);
            std::printf("| %d | %s | %.2f | %.2f | %.2f | %.2f | %.1f | %.0fx |\n", bodies,
                        wireframe ? "wireframe" : "shaded", raster.tick, raster.paint, raster.blit, raster.frame,
                        wx.frame, wx.frame / raster.frame);
            std::fflush(stdout);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    // wxWidgets owns the application object it is given.
    wxApp::SetInstance(new wxApp);
    int wxArgc = 1;
    char* wxArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    if (!wxEntryStart(wxArgc, wxArgv)) {
        // Skipped rather than failed, so a run of every benchmark goes on.
        std::fprintf(stderr, "bench_frame: skipped, no display to draw on (run it under Xvfb)\n");
        return 0;
    }
    {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "bench_frame", wxPoint(0, 0), wxSize(1024, 768), wxBORDER_NONE);
        frame->SetBackgroundStyle(wxBG_STYLE_PAINT);
        frame->Show();
        // Let the window be mapped before anything is drawn on it.
        for (int i = 0; i < 50 && !frame->IsShownOnScreen(); ++i) {
            wxTheApp->Yield(true);
            wxMilliSleep(10);
        }
        wxTheApp->Yield(true);
        run(*frame);
        frame->Destroy();
    }
    wxEntryCleanup();
    return 0;
}

#else

int main()
{
    std::fprintf(stderr, "bench_frame: built without the desktop program, nothing to measure\n");
    return 0;
}

#endif
