// What recording costs the window: a scene of 2,000 bodies of real words
// animates in a 1024x768 window, and every frame due at 30 a second of its
// ticks is painted as the window paints it and encoded as GIF, WebP, MP4
// and WebM by the recorder's writers. Gives the milliseconds an encoder thread
// spends on a frame (median and 90th percentile) and the share of one
// processor that takes at 30 frames a second; the window's own frame
// (tick and paint) is timed in the same run for comparison.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "WordScene.h"
#include "record/FrameClock.h"
#include "record/FrameWriter.h"
#include "view/FramePainter.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double percentile(std::vector<double> values, double p)
{
    const auto at = static_cast<std::ptrdiff_t>(p * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + at, values.end());
    return values[static_cast<std::size_t>(at)];
}

void run(PictureFormat format, const char* name, const std::string& path)
{
    constexpr int kWidth = 1024, kHeight = 768, kFps = 30, kTicks = 190;
    WordScene scene(kWidth, kHeight, 2000);
    FramePainter painter;
    const FrameClock clock(kFps);
    std::string error;
    std::unique_ptr<FrameWriter> writer = openFrameWriter(format, path, kWidth, kHeight, kFps, error);
    if (!writer) {
        std::fprintf(stderr, "bench_record: %s\n", error.c_str());
        return;
    }
    std::vector<double> frameTimes, encodeTimes;
    int frames = 0;
    for (int tick = 0; tick <= kTicks; ++tick) {
        const Clock::time_point start = Clock::now();
        if (tick > 0)
            scene.tick();
        const RasterFrame& picture = painter.paint(scene.view(), kWidth, kHeight, Rgb{255, 255, 255});
        frameTimes.push_back(ms(Clock::now() - start));
        for (; frames < clock.framesAfter(tick); ++frames) {
            const Clock::time_point encode = Clock::now();
            writer->add(picture);
            encodeTimes.push_back(ms(Clock::now() - encode));
        }
    }
    const Clock::time_point finish = Clock::now();
    writer->finish();
    const double finishMs = ms(Clock::now() - finish);
    const double median = percentile(encodeTimes, 0.5);
    std::printf("| %s | %d | %.1f | %.1f | %.0f%% | %.0f | %.1f | %.0f |\n", name, scene.bodies(), median,
                percentile(encodeTimes, 0.9), median * kFps / 10.0, finishMs, percentile(frameTimes, 0.5),
                static_cast<double>(std::filesystem::file_size(path)) / 1024.0);
}

} // namespace

int main()
{
    const std::string folder = std::filesystem::temp_directory_path().string();
    std::printf("| format | bodies | encode a frame, median ms | 90th pct ms | one processor at 30 fps | finish ms | "
                "tick and paint, median ms | file KiB (6 s) |\n|---|---|---|---|---|---|---|---|\n");
    for (int round = 0; round < 2; ++round) {
        run(PictureFormat::Gif, "GIF", folder + "/bench_record.gif");
        run(PictureFormat::Webp, "WebP", folder + "/bench_record.webp");
        run(PictureFormat::Mp4, "MP4", folder + "/bench_record.mp4");
        run(PictureFormat::Webm, "WebM", folder + "/bench_record.webm");
    }
    for (const char* extension : {"gif", "webp", "mp4", "webm"})
        std::filesystem::remove(folder + "/bench_record." + extension);
    return 0;
}
