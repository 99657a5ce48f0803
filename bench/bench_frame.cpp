// One whole frame with the scene on a real window: the tick, then the
// paint, as the program does 62.5 times a second. Two paths side by side,
// in the same run, over the same animated scenes of real words:
//   raster  the scene drawn into the program's own pixel frame (by the
//           program's painter: a band a thread of LEXFALL_THREADS), then
//           one blit of the frame to the window;
//   wx      the scene drawn through the toolkit's drawing context on the
//           window, as the program did before.
// Both wait for the X server to finish, so its share of the work counts.
// Then the fill itself, side by side on every frame of the same scenes:
//   before  the painter as it was, one polygon a triangle;
//   now     the painter, without smooth edges: the same pixels, checked;
//   smooth  the painter with smooth edges, and its whole frame;
// and smooth edges against cairo's antialiased fill of the same triangles.
// Needs a display: run it under Xvfb at 1024x768, for example
//     xvfb-run -a -s "-screen 0 1024x768x24" build-release/bin/bench_frame
// `bench_frame fill` runs only the fill.
#include <cstdio>

#ifdef LEXFALL_BENCH_WITH_WX

#include <X11/Xlib.h>
#include <cairo.h>
#include <dlfcn.h>

#include <time.h>

#include <algorithm>
#include <memory>
#include <string>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/graphics.h>

#include "PileScene.h"
#include "WordScene.h"
#include "app/FrameBlitter.h"
#include "app/WxDrawContext.h"
#include "platform/TaskPool.h"
#include "render/SceneDrawing.h"
#include "view/FramePainter.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Processor time of the whole program, every thread's: for a paint, both
// bands' work, which a busy machine does not stretch as it does the wall
// clock.
double processorMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
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

// Ticks, paints into the frame and blits `frames` times; a scene is a
// WordScene or a PileScene.
template <class Scene>
Timing rasterFrames(wxWindow& window, Scene& scene, FramePainter& painter, FrameBlitter& blitter, int frames)
{
    const wxSize size = window.GetClientSize();
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

Timing measureRaster(wxWindow& window, int bodies, bool wireframe, int frames)
{
    const wxSize size = window.GetClientSize();
    WordScene scene(size.GetWidth(), size.GetHeight(), bodies);
    scene.view().m_bWireframe = wireframe;
    FramePainter painter;
    FrameBlitter blitter;
    return rasterFrames(window, scene, painter, blitter, frames);
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

// The drawing context as the painter had it: every operation passed on,
// and triangles drawn one polygon each, as DrawContext draws them.
class OnePolygonATriangle final : public DrawContext {
public:
    explicit OnePolygonATriangle(RasterDrawContext& raster) : m_raster(raster) {}
    void selectPen(const Pen& pen) override { m_raster.selectPen(pen); }
    void selectBrush(const Brush& brush) override { m_raster.selectBrush(brush); }
    void selectNullPen() override { m_raster.selectNullPen(); }
    void selectNullBrush() override { m_raster.selectNullBrush(); }
    void setWindingFill() override { m_raster.setWindingFill(); }
    void polygon(const IntPoint* points, int count) override { m_raster.polygon(points, count); }
    void ellipse(int left, int top, int right, int bottom) override { m_raster.ellipse(left, top, right, bottom); }
    void moveTo(int x, int y) override { m_raster.moveTo(x, y); }
    void lineTo(int x, int y) override { m_raster.lineTo(x, y); }

private:
    RasterDrawContext& m_raster;
};

// The painter as it was: the frame cleared band by band, then the view
// drawn one polygon a triangle, in the same bands, one a thread of the
// view's pool.
class PainterBefore {
public:
    const RasterFrame& paint(CLexfallView& view, int width, int height, Rgb background)
    {
        m_frame.resize(width, height);
        TaskPool* pool = view.m_pPool;
        const int bands = pool && height >= 2 ? std::min(pool->threads(), height) : 1;
        while (static_cast<int>(m_bands.size()) < bands) {
            m_bands.push_back(std::make_unique<RasterDrawContext>(m_frame));
            m_oneByOne.push_back(std::make_unique<OnePolygonATriangle>(*m_bands.back()));
        }
        const int points = std::min(view.m_nPoints, view.m_nPointCapacity);
        m_rows.resize(static_cast<std::size_t>(bands) + 1);
        balancedSplitRows(view.m_pPoints.get(), view.m_pPoints ? points : 0, height, bands, m_rows.data());
        const auto band = [&](int b) {
            const int top = m_rows[static_cast<std::size_t>(b)], end = m_rows[static_cast<std::size_t>(b) + 1];
            m_frame.clearRows(top, end, background);
            m_bands[static_cast<std::size_t>(b)]->setRows(top, b + 1 == bands ? std::numeric_limits<int>::max() : end);
            view.OnDraw(*m_oneByOne[static_cast<std::size_t>(b)]);
        };
        if (pool)
            pool->run(bands, band);
        else
            band(0);
        return m_frame;
    }
    const RasterFrame& frame() const { return m_frame; }

private:
    RasterFrame m_frame;
    std::vector<std::unique_ptr<RasterDrawContext>> m_bands;
    std::vector<std::unique_ptr<OnePolygonATriangle>> m_oneByOne;
    std::vector<int> m_rows;
};

long differingPixels(const RasterFrame& a, const RasterFrame& b)
{
    long differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += a.at(x, y) != b.at(x, y);
    return differing;
}

// A paint's median wall-clock and processor milliseconds.
struct PaintTime {
    double wall = 0.0;
    double processor = 0.0;
};

struct FillTiming {
    double tick = 0.0;
    PaintTime before;
    PaintTime now;
    PaintTime smooth;
    double blit = 0.0;
    double frame = 0.0; // tick, smooth paint and blit
    long differing = 0; // pixels `now` paints other than `before`, all frames
};

// Every frame: a tick, then the three paints of the same scene in turn,
// and the smooth one blitted.
FillTiming measureFill(wxWindow& window, int bodies, bool wireframe, int frames)
{
    const wxSize size = window.GetClientSize();
    const int width = size.GetWidth();
    const int height = size.GetHeight();
    const Rgb white{255, 255, 255};
    WordScene scene(width, height, bodies);
    CLexfallView& view = scene.view();
    view.m_bWireframe = wireframe;
    PainterBefore before;
    FramePainter now;
    FramePainter smooth;
    FrameBlitter blitter;
    // The first paint of a view starts its timer and is drawn whole.
    now.paint(view, width, height, white);
    std::vector<double> ticks, blits, wholeFrames;
    std::vector<double> walls[3], processors[3];
    const auto timed = [&](int which, auto&& paint) {
        const Clock::time_point start = Clock::now();
        const double processorStart = processorMilliseconds();
        paint();
        walls[which].push_back(millisecondsSince(start));
        processors[which].push_back(processorMilliseconds() - processorStart);
    };
    FillTiming timing;
    for (int i = 0; i < frames; ++i) {
        Clock::time_point start = Clock::now();
        scene.tick();
        const double tick = millisecondsSince(start);
        timed(0, [&] { before.paint(view, width, height, white); });
        timed(1, [&] { now.paint(view, width, height, white); });
        timing.differing += differingPixels(before.frame(), now.frame());
        view.m_bSmooth = true;
        timed(2, [&] { smooth.paint(view, width, height, white); });
        view.m_bSmooth = false;
        start = Clock::now();
        {
            wxClientDC dc(&window);
            blitter.blit(dc, smooth.frame());
            finish(dc);
        }
        const double blit = millisecondsSince(start);
        ticks.push_back(tick);
        blits.push_back(blit);
        wholeFrames.push_back(tick + walls[2].back() + blit);
    }
    timing.tick = median(ticks);
    timing.before = PaintTime{median(walls[0]), median(processors[0])};
    timing.now = PaintTime{median(walls[1]), median(processors[1])};
    timing.smooth = PaintTime{median(walls[2]), median(processors[2])};
    timing.blit = median(blits);
    timing.frame = median(wholeFrames);
    return timing;
}

// Smooth edges against cairo's antialiased fill of the same triangles,
// each body one path of its triangles (each wound the same way), black on
// white: the mean difference over the bodies' boxes, in shares of full
// ink, and the pixels cairo inks fully that smooth edges leave more than
// a quarter light (a seam would).
void compareWithCairo(int width, int height, int bodies)
{
    WordScene scene(width, height, bodies);
    CLexfallView& view = scene.view();
    for (int i = 0; i < 30; ++i)
        scene.tick();
    view.m_bSmooth = true;
    view.m_bShowCursor = false;
    FramePainter painter;
    const Rgb white{255, 255, 255};
    painter.paint(view, width, height, white);
    const RasterFrame& ours = painter.paint(view, width, height, white);

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    const IntPoint* points = view.m_pPoints.get();
    const int count = std::min(view.m_nPoints, view.m_nPointCapacity);
    std::vector<bool> boxed(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    forEachShape(count, view.m_bodyPoints, [&](int first, int n) {
        int left = width, top = height, right = -1, bottom = -1;
        for (int i = first; i + 3 <= first + n; i += 3) {
            IntPoint a = points[i], b = points[i + 1], c = points[i + 2];
            const long long turn = (static_cast<long long>(b.x) - a.x) * (c.y - a.y) -
                                   (static_cast<long long>(b.y) - a.y) * (c.x - a.x);
            if (turn < 0)
                std::swap(b, c);
            cairo_move_to(cr, a.x, a.y);
            cairo_line_to(cr, b.x, b.y);
            cairo_line_to(cr, c.x, c.y);
            cairo_close_path(cr);
            for (const IntPoint p : {a, b, c}) {
                left = std::min(left, p.x);
                top = std::min(top, p.y);
                right = std::max(right, p.x);
                bottom = std::max(bottom, p.y);
            }
        }
        cairo_fill(cr);
        for (int y = std::max(top, 0); y <= std::min(bottom, height - 1); ++y)
            for (int x = std::max(left, 0); x <= std::min(right, width - 1); ++x)
                boxed[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = true;
    });
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    double difference = 0.0;
    long pixels = 0;
    long seams = 0;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            if (!boxed[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)])
                continue;
            const int theirs = static_cast<int>(row[x] & 0xFF);
            const int mine = static_cast<int>(ours.at(x, y) & 0xFF);
            difference += std::abs(theirs - mine) / 255.0;
            ++pixels;
            seams += theirs == 0 && mine > 64;
        }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    std::printf("\nSmooth edges against cairo's antialiased fill, %d bodies: mean difference %.2f%% of full ink over "
                "%ld pixels of the bodies' boxes; pixels cairo inks fully and smooth edges leave a quarter light: %ld\n",
                scene.bodies(), 100.0 * difference / static_cast<double>(std::max(pixels, 1L)), pixels, seams);
}

void runFill(wxWindow& window)
{
    const wxSize size = window.GetClientSize();
    std::printf("\nThe fill side by side on the same frames, %dx%d, %s; medians in ms, each paint as wall clock / "
                "processor time of both bands: before (one polygon a triangle), now (the same pixels, checked on every "
                "frame) and with smooth edges; ratios of processor time; a smooth frame is tick + smooth paint + blit "
                "(wall clock).\n\n",
                size.GetWidth(), size.GetHeight(), (std::to_string(TaskPool::threadsFromEnvironment()) + " threads").c_str());
    std::printf("| bodies | drawing | tick | paint before | paint now | now / before | smooth paint | smooth / now | "
                "blit | smooth frame | pixels differing |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (int bodies : {2000, 5000}) {
        for (bool wireframe : {false, true}) {
            const FillTiming t = measureFill(window, bodies, wireframe, 120);
            std::printf("| %d | %s | %.2f | %.2f / %.2f | %.2f / %.2f | %.2f | %.2f / %.2f | %.2f | %.2f | %.2f | %ld |\n",
                        bodies, wireframe ? "wireframe" : "shaded", t.tick, t.before.wall, t.before.processor,
                        t.now.wall, t.now.processor, t.now.processor / t.before.processor, t.smooth.wall,
                        t.smooth.processor, t.smooth.processor / t.now.processor, t.blit, t.frame, t.differing);
            std::fflush(stdout);
        }
    }
    compareWithCairo(size.GetWidth(), size.GetHeight(), 2000);
}

// Frames of 2,000 Sturdy letters colliding: tick + paint + blit while they
// fall and pile up (the first ten seconds), and once the pile has settled.
void runCollide(wxWindow& window)
{
    const wxSize size = window.GetClientSize();
    TaskPool pool(TaskPool::threadsFromEnvironment());
    PileScene scene(size.GetWidth(), size.GetHeight(), 2000, pool, PhysicsPreset::Sturdy);
    FramePainter painter;
    FrameBlitter blitter;
    const auto frames = [&](int count) { return rasterFrames(window, scene, painter, blitter, count); };
    std::printf("\n2,000 colliding letters (Sturdy, size %d), medians in ms:\n\n", scene.view().m_nFontSize);
    std::printf("| letters | tick | paint | blit | frame |\n|---|---|---|---|---|\n");
    Timing t = frames(625);
    std::printf("| falling and piling up (first 10 s) | %.2f | %.2f | %.2f | %.2f |\n", t.tick, t.paint, t.blit, t.frame);
    scene.settle(4000);
    t = frames(300);
    std::printf("| settled | %.2f | %.2f | %.2f | %.2f |\n", t.tick, t.paint, t.blit, t.frame);
    std::fflush(stdout);
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
    // "fill" or "collide" runs those rows alone.
    const bool fillOnly = argc > 1 && std::strcmp(argv[1], "fill") == 0;
    const bool collideOnly = argc > 1 && std::strcmp(argv[1], "collide") == 0;
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
        if (!fillOnly && !collideOnly)
            run(*frame);
        if (!collideOnly)
            runFill(*frame);
        if (!fillOnly)
            runCollide(*frame);
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
