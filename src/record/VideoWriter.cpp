extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <vector>

#include "record/FrameWriter.h"

namespace {

struct FormatContextCloser {
    void operator()(AVFormatContext* format) const
    {
        if (format->pb)
            avio_closep(&format->pb);
        avformat_free_context(format);
    }
};
struct CodecContextFreer {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerFreer {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
struct DictionaryFreer {
    void operator()(AVDictionary** options) const { av_dict_free(options); }
};

std::string describe(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// What each container holds and how its encoder is set: a quality a
// person would share, at a speed that keeps up with the scene on one
// thread. One thread also keeps the bytes the same from run to run.
struct VideoKind {
    const char* name;
    const char* muxer;
    const char* encoder;
    // Options of the encoder, then of the container.
    std::vector<std::pair<const char*, const char*>> encoderOptions;
    std::vector<std::pair<const char*, const char*>> muxerOptions;
    // In place of the above while the window records.
    std::pair<const char*, const char*> liveOption;
};

const VideoKind& kindOf(PictureFormat format)
{
    // H.264 at CRF 20, near the eye's threshold for flat letters;
    // veryfast keeps one core well ahead of 30 frames a second. Faststart
    // moves the index to the front, so the video plays while it loads.
    // Without the macroblock tree: x264's (r3095) reads memory it has not
    // written, and the same frames then gave other bytes now and then;
    // files are about a fifth larger.
    static const VideoKind mp4{"MP4", "mp4", "libx264",
                               {{"preset", "veryfast"}, {"crf", "20"}, {"profile", "high"}, {"x264-params", "mbtree=0"}},
                               {{"movflags", "+faststart"}},
                               // About twice as fast, for files about half as large again.
                               {"preset", "superfast"}};
    // VP9 at CRF 32 in constant quality mode, VP9's counterpart of the
    // above. Only the realtime deadline keeps up; at speed 6 it is as fast
    // as at 8 on these frames, and its files a sixth smaller.
    static const VideoKind webm{"WebM", "webm", "libvpx-vp9",
                                {{"crf", "32"}, {"deadline", "realtime"}, {"cpu-used", "6"}, {"row-mt", "0"},
                                 {"lag-in-frames", "0"}},
                                {},
                                {"cpu-used", "9"}};
    return format == PictureFormat::Mp4 ? mp4 : webm;
}

// Frames in yuv420p, whose halved colour planes need even sides: an odd
// side gains a row or column repeating the last, so nothing is cut off.
// Each frame starts at its own tick of the recording's clock, 1 / fps;
// frames left out leave the one before them showing.
class VideoWriter final : public FrameWriter {
public:
    VideoWriter(const VideoKind& kind, bool live, std::string path, int width, int height, int fps)
        : m_kind(kind), m_live(live), m_path(std::move(path)), m_width(width), m_height(height),
          m_evenWidth(width + width % 2), m_evenHeight(height + height % 2), m_fps(fps)
    {
    }

    // A file not completed is removed: the container is no use unfinished.
    ~VideoWriter() override
    {
        m_codec.reset();
        m_format.reset();
        if (m_opened && !m_finished)
            removeUnfinished(m_path);
    }

    bool start()
    {
        const AVCodec* encoder = avcodec_find_encoder_by_name(m_kind.encoder);
        if (!encoder)
            return fail(std::string("this system's FFmpeg has no ") + m_kind.encoder + " encoder for " + m_kind.name +
                        " (libavcodec with " + m_kind.encoder + " is needed)");
        AVFormatContext* format = nullptr;
        if (avformat_alloc_output_context2(&format, nullptr, m_kind.muxer, m_path.c_str()) < 0 || !format)
            return fail(std::string("this system's FFmpeg cannot write ") + m_kind.name);
        m_format.reset(format);
        m_format->flags |= AVFMT_FLAG_BITEXACT;

        m_codec.reset(avcodec_alloc_context3(encoder));
        m_frame.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        if (!m_codec || !m_frame || !m_packet)
            return fail("out of memory for the " + std::string(m_kind.name) + " encoder");
        m_codec->width = m_evenWidth;
        m_codec->height = m_evenHeight;
        m_codec->pix_fmt = AV_PIX_FMT_YUV420P;
        m_codec->time_base = AVRational{1, m_fps};
        m_codec->framerate = AVRational{m_fps, 1};
        m_codec->bit_rate = 0; // quality alone decides
        m_codec->thread_count = 1;
        m_codec->flags |= AV_CODEC_FLAG_BITEXACT;
        m_codec->color_range = AVCOL_RANGE_MPEG;
        m_codec->colorspace = AVCOL_SPC_BT709;
        m_codec->color_primaries = AVCOL_PRI_BT709;
        m_codec->color_trc = AVCOL_TRC_BT709;
        if (m_format->oformat->flags & AVFMT_GLOBALHEADER)
            m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        for (const auto& [key, value] : m_kind.encoderOptions)
            av_opt_set(m_codec->priv_data, key, value, 0);
        if (m_live)
            av_opt_set(m_codec->priv_data, m_kind.liveOption.first, m_kind.liveOption.second, 0);
        if (const int code = avcodec_open2(m_codec.get(), encoder, nullptr); code < 0)
            return fail("cannot start the " + std::string(m_kind.name) + " encoder: " + describe(code));

        m_stream = avformat_new_stream(m_format.get(), nullptr);
        if (!m_stream || avcodec_parameters_from_context(m_stream->codecpar, m_codec.get()) < 0)
            return fail("out of memory for the " + std::string(m_kind.name) + " stream");
        m_stream->time_base = m_codec->time_base;
        m_stream->avg_frame_rate = m_codec->framerate;

        if (const int code = avio_open(&m_format->pb, m_path.c_str(), AVIO_FLAG_WRITE); code < 0)
            return fail("cannot write \"" + m_path + "\": " + describe(code));
        m_opened = true;
        AVDictionary* options = nullptr;
        const std::unique_ptr<AVDictionary*, DictionaryFreer> freeOptions(&options);
        for (const auto& [key, value] : m_kind.muxerOptions)
            av_dict_set(&options, key, value, 0);
        if (const int code = avformat_write_header(m_format.get(), &options); code < 0)
            return writeFailed(code);

        m_frame->format = AV_PIX_FMT_YUV420P;
        m_frame->width = m_evenWidth;
        m_frame->height = m_evenHeight;
        if (av_frame_get_buffer(m_frame.get(), 0) < 0)
            return fail("out of memory for a " + std::string(m_kind.name) + " frame");
        m_scaler.reset(sws_getContext(m_evenWidth, m_evenHeight, AV_PIX_FMT_BGR0, m_evenWidth, m_evenHeight,
                                      AV_PIX_FMT_YUV420P, SWS_BILINEAR | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr,
                                      nullptr, nullptr));
        if (!m_scaler)
            return fail("cannot convert frames for " + std::string(m_kind.name));
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(m_scaler.get(), bt709, 0, bt709, 0, 0, 1 << 16, 1 << 16);
        if (m_evenWidth != m_width || m_evenHeight != m_height)
            m_padded.resize(static_cast<std::size_t>(m_evenWidth) * static_cast<std::size_t>(m_evenHeight));
        return true;
    }

    bool add(const RasterFrame& frame) override
    {
        if (av_frame_make_writable(m_frame.get()) < 0)
            return fail("out of memory for a " + std::string(m_kind.name) + " frame");
        // The native 0x00RRGGBB pixel is BGR0 in memory.
        const std::uint8_t* source = reinterpret_cast<const std::uint8_t*>(frame.data());
        int sourceStride = frame.stride() * 4;
        if (!m_padded.empty()) {
            pad(frame);
            source = reinterpret_cast<const std::uint8_t*>(m_padded.data());
            sourceStride = m_evenWidth * 4;
        }
        sws_scale(m_scaler.get(), &source, &sourceStride, 0, m_evenHeight, m_frame->data, m_frame->linesize);
        m_frame->pts = m_next++;
        m_added = true;
        return encode(m_frame.get());
    }

    bool skip(int frames) override
    {
        m_next += frames;
        m_skippedAtEnd = frames > 0;
        return true;
    }

    bool finish() override
    {
        // Frames left out at the end still last: the last picture again at
        // the last of their times.
        if (m_added && m_skippedAtEnd) {
            m_frame->pts = m_next - 1;
            if (!encode(m_frame.get()))
                return false;
        }
        if (!encode(nullptr))
            return false;
        if (const int code = av_write_trailer(m_format.get()); code < 0)
            return writeFailed(code);
        if (const int code = avio_closep(&m_format->pb); code < 0)
            return writeFailed(code);
        m_finished = true;
        return true;
    }

private:
    void pad(const RasterFrame& frame)
    {
        for (int y = 0; y < m_evenHeight; ++y) {
            const std::uint32_t* in = frame.row(std::min(y, m_height - 1));
            std::uint32_t* out = m_padded.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_evenWidth);
            std::copy_n(in, m_width, out);
            if (m_evenWidth != m_width)
                out[m_width] = in[m_width - 1];
        }
    }

    // Sends a frame, or the end of the frames when null, and writes every
    // packet the encoder has ready.
    bool encode(const AVFrame* frame)
    {
        if (const int code = avcodec_send_frame(m_codec.get(), frame); code < 0)
            return fail("cannot encode a " + std::string(m_kind.name) + " frame: " + describe(code));
        for (;;) {
            const int code = avcodec_receive_packet(m_codec.get(), m_packet.get());
            if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
                return true;
            if (code < 0)
                return fail("cannot encode a " + std::string(m_kind.name) + " frame: " + describe(code));
            m_packet->duration = 1;
            av_packet_rescale_ts(m_packet.get(), m_codec->time_base, m_stream->time_base);
            m_packet->stream_index = m_stream->index;
            if (const int written = av_interleaved_write_frame(m_format.get(), m_packet.get()); written < 0)
                return writeFailed(written);
        }
    }

    bool writeFailed(int code)
    {
        return fail("cannot write the " + std::string(m_kind.name) + " \"" + m_path + "\": " + describe(code));
    }

    const VideoKind& m_kind;
    bool m_live;
    std::string m_path;
    int m_width;
    int m_height;
    int m_evenWidth;
    int m_evenHeight;
    int m_fps;
    std::unique_ptr<AVFormatContext, FormatContextCloser> m_format;
    std::unique_ptr<AVCodecContext, CodecContextFreer> m_codec;
    std::unique_ptr<AVFrame, FrameFreer> m_frame;
    std::unique_ptr<AVPacket, PacketFreer> m_packet;
    std::unique_ptr<SwsContext, ScalerFreer> m_scaler;
    AVStream* m_stream = nullptr; // the format context's
    std::vector<std::uint32_t> m_padded; // a frame of even sides, when the recording's are not
    std::int64_t m_next = 0;
    bool m_opened = false; // the file exists, made by this writer
    bool m_added = false;
    bool m_skippedAtEnd = false;
    bool m_finished = false;
};

} // namespace

std::unique_ptr<FrameWriter> makeVideoWriter(PictureFormat format, const std::string& path, int width, int height, int fps,
                                             bool live, std::string& error)
{
    // Every failure comes back as the writer's error; FFmpeg's own notes
    // would only clutter standard error.
    av_log_set_level(AV_LOG_QUIET);
    auto writer = std::make_unique<VideoWriter>(kindOf(format), live, path, width, height, fps);
    if (!writer->start()) {
        error = writer->error();
        return nullptr;
    }
    return writer;
}
