// Paint time of one frame on a real wxDC, with 200 and 1,000 glyph bodies,
// and the tick beside it: together they say how many frames per second
// the program can hold. Needs a display (run it under Xvfb).
#include <benchmark/benchmark.h>

#include <cstdio>

#ifdef LEXFALL_BENCH_WITH_WX

#include <memory>
#include <string>

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/gdicmn.h>

#include "app/WxDrawContext.h"
#include "platform/HeadlessWindow.h"
#include "view/CLexfallView.h"

namespace {

// A scene of `count` letters in lines across the screen, projected once.
struct Scene {
    explicit Scene(int count, bool wireframe)
        : port(wxGetDisplaySize().GetWidth(), wxGetDisplaySize().GetHeight())
    {
        view.attachWindow(&port);
        view.m_bWireframe = wireframe;
        const std::string text = "Lexfallsoftbodies";
        const IntRect client = port.clientRect();
        double y = 60.0;
        view.m_vInsert = {0.0, y, 0.0};
        for (int i = 0; static_cast<int>(view.m_pBodies.size()) < count; ++i) {
            if (view.m_vInsert.x > client.right - 80) {
                y += 48.0;
                if (y > client.bottom - 20)
                    y = 60.0;
                view.m_vInsert = {0.0, y, 0.0};
            }
            view.AddCharacter(text[static_cast<std::size_t>(i) % text.size()]);
        }
        tick();
    }

    void tick() { view.OnTimer(view.m_nTimerID); }

    // One frame on a cleared white page.
    void paint(wxDC& dc)
    {
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        WxDrawContext context(dc);
        view.OnDraw(context);
    }

    HeadlessWindow port;
    CLexfallView view;
};

void measurePaint(benchmark::State& state, bool wireframe)
{
    Scene scene(static_cast<int>(state.range(0)), wireframe);
    wxBitmap bitmap(wxGetDisplaySize());
    wxMemoryDC dc(bitmap);
    for (auto _ : state)
        scene.paint(dc);
    state.counters["bodies"] = static_cast<double>(scene.view.m_pBodies.size());
    state.counters["triangles"] = scene.view.m_nPoints / 3;
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_PaintShaded(benchmark::State& state) { measurePaint(state, false); }
void BM_PaintWireframe(benchmark::State& state) { measurePaint(state, true); }

// The tick with the animation off (projection only).
void BM_TickStill(benchmark::State& state)
{
    Scene scene(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        scene.tick();
        benchmark::DoNotOptimize(scene.view.m_nPoints);
    }
    state.counters["bodies"] = static_cast<double>(scene.view.m_pBodies.size());
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Animated bodies fall, spin and in time leave the window, so each
// measured second of ticks (with a paint after each, when `paintToo`)
// starts from a fresh scene.
constexpr int kTicksPerSecond = 62;

void animated(benchmark::State& state, bool paintToo)
{
    const int count = static_cast<int>(state.range(0));
    wxBitmap bitmap(wxGetDisplaySize());
    wxMemoryDC dc(bitmap);
    std::size_t bodiesLeft = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto scene = std::make_unique<Scene>(count, false);
        scene->view.m_bAnimate = true;
        state.ResumeTiming();
        for (int tick = 0; tick < kTicksPerSecond; ++tick) {
            scene->tick();
            if (paintToo)
                scene->paint(dc);
        }
        state.PauseTiming();
        bodiesLeft = scene->view.m_pBodies.size();
        scene.reset();
        state.ResumeTiming();
    }
    state.counters["bodies_after_1s"] = static_cast<double>(bodiesLeft);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()) * kTicksPerSecond,
                                               benchmark::Counter::kIsRate);
}

void BM_TickAnimated(benchmark::State& state) { animated(state, false); }
// One whole frame as the 16 ms timer drives it: tick, then paint.
void BM_Frame(benchmark::State& state) { animated(state, true); }

BENCHMARK(BM_PaintShaded)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintWireframe)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TickStill)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TickAnimated)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Frame)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    // wxWidgets owns the application object it is given.
    wxApp::SetInstance(new wxApp);
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(wxArgc, wxArgv)) {
        // Skipped rather than failed, so a run of every benchmark goes on.
        std::fprintf(stderr, "bench_paint: skipped, no display to draw on (run it under Xvfb)\n");
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    wxEntryCleanup();
    return 0;
}

#else

int main()
{
    std::fprintf(stderr, "bench_paint: built without the desktop program, nothing to measure\n");
    return 0;
}

#endif
