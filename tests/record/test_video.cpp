extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "record/FrameWriter.h"
#include "record/LiveRecording.h"
#include "record/SceneRecorder.h"
#include "support/TempFolder.h"

namespace {

// What a video file holds, as a player reads it.
struct Decoded {
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    AVRational frameRate{0, 1};
    int packets = 0;
    double seconds = 0.0;
    std::vector<std::vector<std::uint32_t>> frames; // 0x00RRGGBB, rows packed
};

Decoded decode(const std::string& path)
{
    Decoded result;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "cannot open " << path;
        return result;
    }
    const std::unique_ptr<AVFormatContext*, void (*)(AVFormatContext**)> closeFormat(&format, avformat_close_input);
    avformat_find_stream_info(format, nullptr);
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index < 0 || !decoder) {
        ADD_FAILURE() << "no video stream in " << path;
        return result;
    }
    const AVStream* stream = format->streams[index];
    result.codec = stream->codecpar->codec_id;
    result.width = stream->codecpar->width;
    result.height = stream->codecpar->height;
    result.frameRate = stream->avg_frame_rate;
    result.seconds = static_cast<double>(format->duration) / AV_TIME_BASE;

    AVCodecContext* codec = avcodec_alloc_context3(decoder);
    const std::unique_ptr<AVCodecContext*, void (*)(AVCodecContext**)> freeCodec(&codec, avcodec_free_context);
    avcodec_parameters_to_context(codec, stream->codecpar);
    codec->thread_count = 1;
    EXPECT_EQ(avcodec_open2(codec, decoder, nullptr), 0);
    AVPacket* packet = av_packet_alloc();
    const std::unique_ptr<AVPacket*, void (*)(AVPacket**)> freePacket(&packet, av_packet_free);
    AVFrame* frame = av_frame_alloc();
    const std::unique_ptr<AVFrame*, void (*)(AVFrame**)> freeFrame(&frame, av_frame_free);

    const auto receive = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            std::vector<std::uint32_t> pixels(static_cast<std::size_t>(frame->width) * static_cast<std::size_t>(frame->height));
            SwsContext* scaler = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                                frame->width, frame->height, AV_PIX_FMT_BGR0, SWS_BILINEAR | SWS_ACCURATE_RND,
                                                nullptr, nullptr, nullptr);
            const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
            sws_setColorspaceDetails(scaler, bt709, 0, bt709, 0, 0, 1 << 16, 1 << 16);
            std::uint8_t* out = reinterpret_cast<std::uint8_t*>(pixels.data());
            const int stride = frame->width * 4;
            sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, &out, &stride);
            sws_freeContext(scaler);
            result.frames.push_back(std::move(pixels));
        }
    };
    while (av_read_frame(format, packet) == 0) {
        if (packet->stream_index == index) {
            ++result.packets;
            avcodec_send_packet(codec, packet);
            receive();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(codec, nullptr);
    receive();
    return result;
}

// The mean difference of the colour channels over the recorded picture,
// as a share of full ink.
double meanDifference(const RasterFrame& want, const std::vector<std::uint32_t>& got, int gotWidth)
{
    double total = 0.0;
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x) {
            const std::uint32_t a = want.at(x, y);
            const std::uint32_t b = got[static_cast<std::size_t>(y) * static_cast<std::size_t>(gotWidth) + static_cast<std::size_t>(x)];
            for (int shift : {0, 8, 16})
                total += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        }
    return total / (3.0 * 255.0 * want.width() * want.height());
}

// Records `script` into `path` and keeps every frame, as a GIF holds them.
std::vector<RasterFrame> recordKeeping(const std::string& script, const std::string& path, const RecordOptions& options)
{
    std::string error;
    const std::unique_ptr<FrameWriter> writer =
        openFrameWriter(*pictureFormatOf(path), path, options.width, options.height, options.fps, error);
    EXPECT_TRUE(writer) << error;
    std::vector<RasterFrame> frames;
    if (!writer)
        return frames;
    ParsedScript parsed = parseScript(script);
    SceneRecorder recorder(options);
    EXPECT_TRUE(recorder.run(parsed.script, [&](const RasterFrame& frame) {
        frames.push_back(frame);
        return writer->add(frame);
    }));
    EXPECT_TRUE(writer->finish()) << writer->error();
    return frames;
}

// Letters falling, a word at rest and the cursor on the move: every frame
// differs from the one before.
const char* const kScript = "click 20 100\nkey Esc\ntype Lexfall\ndrag 20 120 300 120 1\n";

} // namespace

TEST(Video, Mp4AndWebmHoldTheGifsFramesAtTheRateAsked)
{
    TempFolder folder;
    const RecordOptions options{.width = 320, .height = 240, .fps = 15};
    for (const auto& [name, codec] : {std::pair{"scene.mp4", AV_CODEC_ID_H264}, std::pair{"scene.webm", AV_CODEC_ID_VP9}}) {
        SCOPED_TRACE(name);
        const std::string path = folder.path() + "/" + name;
        const std::vector<RasterFrame> frames = recordKeeping(kScript, path, options);
        const Decoded video = decode(path);
        EXPECT_EQ(video.codec, codec);
        EXPECT_EQ(video.width, 320);
        EXPECT_EQ(video.height, 240);
        EXPECT_EQ(av_cmp_q(video.frameRate, AVRational{15, 1}), 0) << video.frameRate.num << "/" << video.frameRate.den;
        EXPECT_EQ(video.packets, static_cast<int>(frames.size()));
        ASSERT_EQ(video.frames.size(), frames.size());
        double worst = 0.0;
        for (std::size_t i = 0; i < frames.size(); ++i)
            worst = std::max(worst, meanDifference(frames[i], video.frames[i], video.width));
        EXPECT_LE(worst, 0.02);
        RecordProperty(std::string(name) + "_worst_mean_difference", std::to_string(worst));
    }
}

TEST(Video, AnOddSizeIsPaddedNeverCut)
{
    // yuv420p needs even sides: 641x479 plays as 642x480, with every
    // recorded pixel in it.
    TempFolder folder;
    const RecordOptions options{.width = 641, .height = 479, .fps = 10};
    const std::string path = folder.path() + "/odd.mp4";
    const std::vector<RasterFrame> frames = recordKeeping("click 600 400\ntype Wg\nkey Esc\nwait 0.5\n", path, options);
    const Decoded video = decode(path);
    EXPECT_EQ(video.width, 642);
    EXPECT_EQ(video.height, 480);
    ASSERT_EQ(video.frames.size(), frames.size());
    ASSERT_FALSE(frames.empty());
    EXPECT_LE(meanDifference(frames.back(), video.frames.back(), video.width), 0.02);
}

TEST(Video, ColoursComeBackInTheirChannels)
{
    // Bands of red, green, blue and a blend: a swapped channel or a
    // range read wrongly shows at once.
    const std::uint32_t bands[] = {0xFF0000u, 0x00FF00u, 0x0000FFu, 0x3366CCu};
    RasterFrame frame;
    frame.resize(128, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 128; ++x)
            frame.row(y)[x] = bands[x / 32];
    TempFolder folder;
    for (const char* name : {"colours.mp4", "colours.webm"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.path() + "/" + name;
        std::string error;
        const std::unique_ptr<FrameWriter> writer = openFrameWriter(*pictureFormatOf(path), path, 128, 32, 10, error);
        ASSERT_TRUE(writer) << error;
        ASSERT_TRUE(writer->add(frame) && writer->add(frame) && writer->finish()) << writer->error();
        const Decoded video = decode(path);
        ASSERT_EQ(video.frames.size(), 2u);
        for (int band = 0; band < 4; ++band) {
            const std::uint32_t got = video.frames[1][static_cast<std::size_t>(16 * 128 + band * 32 + 16)];
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((bands[band] >> shift) & 0xFF), 12)
                    << "band " << band << std::hex << " got " << got;
        }
    }
}

TEST(Video, FramesLeftOutLeaveTheOneBeforeShowing)
{
    // What the window's recording does when the encoder is behind: the
    // video keeps its length, and the picture before a gap shows on.
    RasterFrame white, black;
    white.resize(64, 48);
    white.clear(Rgb{255, 255, 255});
    black.resize(64, 48);
    black.clear(Rgb{0, 0, 0});
    TempFolder folder;
    const std::string path = folder.path() + "/gaps.mp4";
    std::string error;
    const std::unique_ptr<FrameWriter> writer = openFrameWriter(PictureFormat::Mp4, path, 64, 48, 10, error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->add(white) && writer->skip(2) && writer->add(black) && writer->skip(3) && writer->finish());
    const Decoded video = decode(path);
    EXPECT_NEAR(video.seconds, 0.7, 1e-6) << "seven frames' time at 10 a second";
    ASSERT_GE(video.frames.size(), 2u);
    EXPECT_EQ(video.frames.front()[0] & 0xFF, 0xFFu);
    EXPECT_EQ(video.frames.back()[0] & 0xFF, 0x00u);
}

TEST(Video, AFailedVideoSaysWhyAndLeavesNoFile)
{
    TempFolder folder;
    std::string error;
    const std::string missing = folder.path() + "/no/such/folder/a.mp4";
    EXPECT_FALSE(openFrameWriter(PictureFormat::Mp4, missing, 64, 64, 30, error));
    EXPECT_NE(error.find("no/such/folder/a.mp4"), std::string::npos) << error;

    // A disk that fills up while the window records: files may grow to
    // 64 KiB only, and writing past that fails as on a full disk.
    const std::string path = folder.path() + "/full.webm";
    const auto lastHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{64 * 1024, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    {
        const std::unique_ptr<LiveRecording> recording = LiveRecording::start(path, 320, 240, 30, error);
        ASSERT_TRUE(recording) << error;
        RasterFrame noise;
        noise.resize(320, 240);
        std::uint32_t seed = 1;
        bool added = true;
        for (int i = 0; i < 60 && added; ++i) {
            for (int y = 0; y < 240; ++y)
                for (int x = 0; x < 320; ++x)
                    noise.row(y)[x] = (seed = seed * 1664525u + 1013904223u) >> 8;
            recording->tick();
            added = recording->add(noise, Rgb{255, 255, 255});
        }
        EXPECT_FALSE(recording->finish());
        EXPECT_NE(recording->error().find("full.webm"), std::string::npos) << recording->error();
    }
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, lastHandler);
    EXPECT_FALSE(std::filesystem::exists(path));
}
