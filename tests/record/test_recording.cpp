#include <gtest/gtest.h>
#include <gif_lib.h>
#include <webp/demux.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/KeyCodes.h"
#include "record/FrameWriter.h"
#include "record/LiveRecording.h"
#include "record/SceneRecorder.h"
#include "render/RasterDrawContext.h"
#include "support/TempFolder.h"
#include "support/ViewFixture.h"

namespace {


Script parsed(const std::string& text)
{
    ParsedScript p = parseScript(text);
    EXPECT_FALSE(p.error) << (p.error ? p.error->expected : "");
    return p.script;
}

// Records `script` into `path` as its extension says.
void record(const std::string& script, const std::string& path, const RecordOptions& options)
{
    std::string error;
    const std::unique_ptr<FrameWriter> writer =
        openFrameWriter(*pictureFormatOf(path), path, options.width, options.height, options.fps, error);
    ASSERT_TRUE(writer) << error;
    SceneRecorder recorder(options);
    ASSERT_TRUE(recorder.run(parsed(script), [&](const RasterFrame& frame) { return writer->add(frame); }));
    ASSERT_TRUE(writer->finish()) << writer->error();
}

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool samePixels(const RasterFrame& a, const RasterFrame& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (!std::equal(a.row(y), a.row(y) + a.width(), b.row(y)))
            return false;
    return true;
}

} // namespace

TEST(Recording, AFrameIsWhatTheProgramDrawsForTheSameScene)
{
    // At 25 frames a second, frame 10 falls exactly on tick 25.
    const RecordOptions options{.width = 320, .height = 240, .fps = 25};
    RasterFrame recorded;
    int frames = 0;
    SceneRecorder recorder(options);
    recorder.run(parsed("click 20 60\ntype Hi\nkey Esc\nclick 200 100\ntype A\nwait 1\n"), [&](const RasterFrame& frame) {
        if (frames++ == 10)
            recorded = frame;
        return true;
    });
    EXPECT_EQ(frames, FrameClock(25).framesAfter(4 + 63));

    // The same messages sent as the desktop program sends them, then
    // painted as it paints.
    SceneRig rig(320, 240);
    rig.view.OnLButtonDown(0, {20, 60});
    rig.view.OnLButtonUp(0, {20, 60});
    for (unsigned code : {unsigned{'H'}, unsigned{'i'}, keycode::Escape}) {
        rig.tick();
        rig.view.OnChar(code, 1, 0);
    }
    rig.view.OnLButtonDown(0, {200, 100});
    rig.view.OnLButtonUp(0, {200, 100});
    rig.tick();
    rig.view.OnChar('A', 1, 0);
    rig.tick(21);
    RasterFrame live;
    live.resize(320, 240);
    live.clear(Rgb{255, 255, 255});
    RasterDrawContext dc(live);
    rig.view.OnDraw(dc);

    ASSERT_EQ(rig.bodyCount(), 3);
    int ink = 0;
    for (int y = 0; y < live.height(); ++y)
        for (int x = 0; x < live.width(); ++x)
            ink += live.at(x, y) != RasterFrame::pixel(Rgb{255, 255, 255});
    EXPECT_GT(ink, 200) << "the letters are drawn";
    EXPECT_TRUE(samePixels(recorded, live));
}

TEST(Recording, EveryFrameShowsTheLettersTypedSoFarWithTheCursorAfterThem)
{
    // Frames are taken at the end of a tick, before the next key: each
    // shows what the window shows then. The last shows every letter.
    const std::string text = "abcdef";
    const RecordOptions options{.width = 320, .height = 240, .fps = 30};
    std::vector<RasterFrame> frames;
    SceneRecorder recorder(options);
    ASSERT_TRUE(recorder.run(parsed("click 20 100\ntype " + text + "\n"), [&](const RasterFrame& frame) {
        frames.push_back(frame);
        return true;
    }));

    const FrameClock clock(options.fps);
    int tick = 0;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        while (clock.framesAfter(tick) <= static_cast<int>(k))
            ++tick;
        // The click comes at the start, key i right after tick i; a frame
        // taken after a tick shows nothing that comes after that tick.
        SceneRig rig(320, 240);
        for (int t = 0; t <= tick; ++t) {
            if (t > 0)
                rig.tick();
            if (t == tick)
                break;
            if (t == 0) {
                rig.view.OnLButtonDown(0, {20, 100});
                rig.view.OnLButtonUp(0, {20, 100});
            } else if (t <= static_cast<int>(text.size())) {
                rig.view.OnChar(static_cast<unsigned char>(text[static_cast<std::size_t>(t - 1)]), 1, 0);
            }
        }
        RasterFrame live;
        live.resize(320, 240);
        live.clear(Rgb{255, 255, 255});
        RasterDrawContext dc(live);
        rig.view.OnDraw(dc);
        EXPECT_TRUE(samePixels(frames[k], live)) << "frame " << k << " after tick " << tick;
        if (k + 1 == frames.size()) {
            EXPECT_EQ(rig.bodyCount(), static_cast<int>(text.size()));
        }
    }
    EXPECT_EQ(tick, recorder.ticks());
}

TEST(Recording, TheSameScriptGivesTheSameBytes)
{
    TempFolder folder;
    const std::string words = folder.write("words.txt", "spray these words about\n");
    // The nozzle scatters spin from its generator, Manipulate pushes, the
    // compass turns gravity: each run must start all of them afresh.
    const std::string script = "key Esc\n"
                               "words " + words + "\n"
                               "drag 40 60 280 80 0.6\n"
                               "mode manipulate\n"
                               "drag 150 150 190 130 0.3\n"
                               "mode keyboard\n"
                               "rdrag 320 330 340 330\n"
                               "type ok\n"
                               "wait 0.5\n";
    const RecordOptions options{.width = 320, .height = 240, .fps = 20};
    for (const char* extension : {".gif", ".webp", ".png", ".mp4", ".webm"}) {
        SCOPED_TRACE(extension);
        const std::string first = folder.path() + "/first" + extension;
        const std::string second = folder.path() + "/second" + extension;
        record(script, first, options);
        record(script, second, options);
        const std::string bytes = bytesOf(first);
        EXPECT_GT(bytes.size(), 100u);
        EXPECT_TRUE(bytes == bytesOf(second));
    }
}

TEST(Recording, FramesBeforeTheStartAreLeftOut)
{
    // The same frames from the start time on, the first of them the one due
    // then: 1 s of a 2 s script at 10 frames a second.
    const auto frames = [](int fromMilliseconds) {
        RecordOptions options{.width = 160, .height = 120, .fps = 10};
        options.fromMilliseconds = fromMilliseconds;
        SceneRecorder recorder(options);
        std::vector<std::vector<std::uint32_t>> pictures;
        recorder.run(parsed("click 20 60\ntype Hi\nkey Esc\nwait 2\n"), [&](const RasterFrame& frame) {
            std::vector<std::uint32_t> pixels;
            for (int y = 0; y < frame.height(); ++y)
                pixels.insert(pixels.end(), frame.row(y), frame.row(y) + frame.width());
            pictures.push_back(std::move(pixels));
            return true;
        });
        return pictures;
    };
    const auto all = frames(0);
    const auto late = frames(1000);
    ASSERT_GT(all.size(), 10u);
    ASSERT_EQ(late.size(), all.size() - 10);
    EXPECT_TRUE(std::equal(late.begin(), late.end(), all.begin() + 10));
}

TEST(Recording, GifAndWebpOpenWithEveryFrameAtTheirSize)
{
    TempFolder folder;
    // 66 ticks of 16 ms give frames at 0, 1/15, ..., 16/15 s; the release
    // at the end of the drag runs the scene on to 18/15 s. The cursor
    // follows the drag and the letters fall, so no two frames are alike
    // and WebP merges none.
    const std::string script = "click 20 100\nkey Esc\ntype ab\ndrag 20 120 300 120 1\n";
    const RecordOptions options{.width = 320, .height = 240, .fps = 15};
    constexpr int kFrames = 18;

    const std::string gifPath = folder.path() + "/scene.gif";
    record(script, gifPath, options);
    int error = 0;
    GifFileType* gif = DGifOpenFileName(gifPath.c_str(), &error);
    ASSERT_TRUE(gif) << GifErrorString(error);
    EXPECT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->ImageCount, kFrames);
    EXPECT_EQ(gif->SWidth, 320);
    EXPECT_EQ(gif->SHeight, 240);
    DGifCloseFile(gif, &error);

    const std::string webpPath = folder.path() + "/scene.webp";
    record(script, webpPath, options);
    const std::string bytes = bytesOf(webpPath);
    const WebPData data{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoderOptions decoderOptions;
    ASSERT_TRUE(WebPAnimDecoderOptionsInit(&decoderOptions));
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &decoderOptions);
    ASSERT_TRUE(decoder);
    WebPAnimInfo info;
    ASSERT_TRUE(WebPAnimDecoderGetInfo(decoder, &info));
    EXPECT_EQ(info.frame_count, static_cast<uint32_t>(kFrames));
    EXPECT_EQ(info.canvas_width, 320u);
    EXPECT_EQ(info.canvas_height, 240u);
    int decoded = 0;
    int timestamp = 0;
    uint8_t* pixels = nullptr;
    while (WebPAnimDecoderHasMoreFrames(decoder) && WebPAnimDecoderGetNext(decoder, &pixels, &timestamp))
        ++decoded;
    EXPECT_EQ(decoded, kFrames);
    EXPECT_EQ(timestamp, 1200) << "the last frame ends at 18 / 15 s";
    WebPAnimDecoderDelete(decoder);
}

TEST(Recording, GifFramesComposeBackToWhatWasRecorded)
{
    // A frame of the background, one with a small change in a third
    // colour, the same again, and one of 300 colours, past what a GIF
    // frame can hold exactly.
    constexpr int kWidth = 40, kHeight = 30;
    std::vector<RasterFrame> frames(4);
    for (RasterFrame& frame : frames) {
        frame.resize(kWidth, kHeight);
        frame.clear(Rgb{255, 255, 255});
    }
    for (int i = 1; i < 4; ++i)
        for (int y = 10; y < 14; ++y)
            for (int x = 5; x < 9; ++x)
                frames[static_cast<std::size_t>(i)].row(y)[x] = x == y - 5 ? 0x000000u : 0x3366CCu;
    for (int i = 0; i < 300; ++i)
        frames[3].row(20 + i / kWidth)[i % kWidth] = static_cast<std::uint32_t>(i * 0x010305);

    TempFolder folder;
    const std::string path = folder.path() + "/frames.gif";
    std::string error;
    const std::unique_ptr<FrameWriter> writer = openFrameWriter(PictureFormat::Gif, path, kWidth, kHeight, 10, error);
    ASSERT_TRUE(writer) << error;
    for (const RasterFrame& frame : frames)
        ASSERT_TRUE(writer->add(frame));
    ASSERT_TRUE(writer->finish());

    int status = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &status);
    ASSERT_TRUE(gif);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 4);
    std::vector<std::uint32_t> canvas(kWidth * kHeight, 0);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const GifImageDesc& d = image.ImageDesc;
        ASSERT_TRUE(d.ColorMap);
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const GifColorType c = d.ColorMap->Colors[image.RasterBits[y * d.Width + x]];
                canvas[static_cast<std::size_t>((d.Top + y) * kWidth + d.Left + x)] =
                    (std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) | c.Blue;
            }
        // Exact while a frame has at most 256 colours, and each channel
        // within half a step of the 6-level cube beyond.
        const int tolerance = i == 3 ? 26 : 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const std::uint32_t want = frames[static_cast<std::size_t>(i)].at(x, y);
                const std::uint32_t got = canvas[static_cast<std::size_t>(y * kWidth + x)];
                for (int shift : {0, 8, 16})
                    ASSERT_LE(std::abs(static_cast<int>((want >> shift) & 0xFF) - static_cast<int>((got >> shift) & 0xFF)),
                              tolerance)
                        << "frame " << i << " at " << x << "," << y;
            }
    }
    EXPECT_EQ(gif->SavedImages[2].ImageDesc.Width * gif->SavedImages[2].ImageDesc.Height, 1) << "nothing changed";
    DGifCloseFile(gif, &status);
}

TEST(LiveRecording, FramesHandedOverAtTheScenesClockDecodeAsRecorded)
{
    // As the window does: the first frame at the start, then after each
    // tick the frames due, of the picture painted at the end of that tick.
    TempFolder folder;
    const std::string path = folder.path() + "/live.gif";
    std::string error;
    const std::unique_ptr<LiveRecording> recording = LiveRecording::start(path, 200, 120, 30, error);
    ASSERT_TRUE(recording) << error;

    SceneRig rig(200, 120);
    rig.view.OnLButtonDown(0, {10, 80});
    rig.view.OnLButtonUp(0, {10, 80});
    RasterFrame picture;
    std::vector<RasterFrame> handed;
    const auto paintAndHand = [&] {
        picture.resize(200, 120);
        picture.clear(Rgb{255, 255, 255});
        RasterDrawContext dc(picture);
        rig.view.OnDraw(dc);
        while (recording->framesDue() > 0) {
            ASSERT_TRUE(recording->add(picture, Rgb{255, 255, 255}));
            handed.push_back(picture);
        }
    };
    paintAndHand();
    for (int tick = 1; tick <= 40; ++tick) {
        rig.tick();
        if (tick % 4 == 0)
            rig.view.OnChar('a' + tick / 4, 1, 0);
        recording->tick();
        paintAndHand();
    }
    ASSERT_TRUE(recording->finish()) << recording->error();
    ASSERT_EQ(static_cast<int>(handed.size()), FrameClock(30).framesAfter(40));
    EXPECT_DOUBLE_EQ(recording->seconds(), handed.size() / 30.0);

    int status = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &status);
    ASSERT_TRUE(gif);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, static_cast<int>(handed.size()));
    std::vector<std::uint32_t> canvas(200 * 120, 0);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const GifImageDesc& d = image.ImageDesc;
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const GifColorType c = d.ColorMap->Colors[image.RasterBits[y * d.Width + x]];
                canvas[static_cast<std::size_t>((d.Top + y) * 200 + d.Left + x)] =
                    (std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) | c.Blue;
            }
        const RasterFrame& want = handed[static_cast<std::size_t>(i)];
        for (int y = 0; y < 120; ++y)
            ASSERT_TRUE(std::equal(want.row(y), want.row(y) + 200, canvas.data() + y * 200)) << "frame " << i << " row " << y;
    }
    DGifCloseFile(gif, &status);
}

TEST(LiveRecording, AFileThatCannotBeWrittenIsRefusedAtTheStart)
{
    TempFolder folder;
    std::string error;
    EXPECT_FALSE(LiveRecording::start(folder.path() + "/no/such/folder/a.gif", 64, 64, 30, error));
    EXPECT_NE(error.find("no/such/folder/a.gif"), std::string::npos) << error;
    EXPECT_FALSE(LiveRecording::start(folder.path() + "/a.png", 64, 64, 30, error));
}

TEST(Recording, AScriptGoesOnFromTheSceneItSaved)
{
    TempFolder folder;
    const std::string scene = folder.path() + "/half.lexscene";
    const RecordOptions options{.width = 160, .height = 120, .fps = 10};
    const auto lastFrame = [&options](const std::string& script, const std::string& from) {
        SceneRecorder recorder(options);
        std::string error, note;
        if (!from.empty()) {
            EXPECT_TRUE(recorder.openScene(from, error, note)) << error;
        }
        RasterFrame last;
        EXPECT_TRUE(recorder.run(parsed(script), [&last](const RasterFrame& frame) {
            last = frame;
            return true;
        })) << recorder.error();
        return last;
    };
    // The part before the save lasts a whole number of frames (75 ticks of
    // 16 ms, 12 frames), so that both recordings take their frames at the
    // same ticks of the scene: their last frames show the same moment,
    // whether the letters have come to rest by then or not.
    const RasterFrame whole =
        lastFrame("collide on\ntype Hi\nkey Esc\nwait 1.152\nsave " + scene + "\ntype yo\nwait 1\n", "");
    ASSERT_EQ(whole.width(), 160);
    EXPECT_TRUE(samePixels(lastFrame("type yo\nwait 1\n", scene), whole));

    SceneRecorder recorder(options);
    EXPECT_FALSE(recorder.run(parsed("type a\nsave " + folder.path() + "/no/such/folder.lexscene\n"),
                              [](const RasterFrame&) { return true; }));
    EXPECT_EQ(recorder.error().rfind("2: the scene could not be saved", 0), 0u) << recorder.error();
}
