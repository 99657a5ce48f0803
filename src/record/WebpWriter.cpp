#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdint>

#include "record/FrameWriter.h"

namespace {

struct AnimEncoderDeleter {
    void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
};
using AnimEncoder = std::unique_ptr<WebPAnimEncoder, AnimEncoderDeleter>;

struct PictureFreer {
    void operator()(WebPPicture* picture) const
    {
        WebPPictureFree(picture);
        delete picture;
    }
};
using Picture = std::unique_ptr<WebPPicture, PictureFreer>;

struct DataClearer {
    void operator()(WebPData* data) const { WebPDataClear(data); }
};

// Lossless, so the scene's two colours stay exact. The encoder keeps what
// changed from frame to frame and merges a frame that did not change into
// the one before, so the file may hold fewer frames than were recorded.
class WebpWriter final : public FrameWriter {
public:
    WebpWriter(PictureFile file, int fps) : m_file(std::move(file)), m_fps(fps) {}

    bool start(int width, int height)
    {
        WebPAnimEncoderOptions options;
        if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&m_config))
            return fail("libwebp does not match the version it was built with");
        options.anim_params.loop_count = 0; // for ever
        m_config.lossless = 1;
        // The fastest lossless effort: the frames are flat and compress
        // well anyway, and recording must keep ahead of the scene.
        m_config.method = 0;
        m_config.quality = 25.0f;
        m_encoder.reset(WebPAnimEncoderNew(width, height, &options));
        m_picture.reset(new WebPPicture);
        if (!m_encoder || !WebPPictureInit(m_picture.get()))
            return fail("cannot start the WebP encoder");
        m_picture->use_argb = 1;
        m_picture->width = width;
        m_picture->height = height;
        if (!WebPPictureAlloc(m_picture.get()))
            return fail("out of memory for a WebP picture");
        return true;
    }

    bool add(const RasterFrame& frame) override
    {
        for (int y = 0; y < frame.height(); ++y) {
            const std::uint32_t* in = frame.row(y);
            std::uint32_t* out = m_picture->argb + static_cast<std::ptrdiff_t>(y) * m_picture->argb_stride;
            for (int x = 0; x < frame.width(); ++x)
                out[x] = 0xFF000000u | in[x];
        }
        if (!WebPAnimEncoderAdd(m_encoder.get(), m_picture.get(), timestampOf(m_frames), &m_config))
            return fail(std::string("cannot encode a WebP frame: ") + WebPAnimEncoderGetError(m_encoder.get()));
        ++m_frames;
        return true;
    }

    bool finish() override
    {
        WebPData data;
        WebPDataInit(&data);
        const std::unique_ptr<WebPData, DataClearer> clear(&data);
        // The end time gives the last frame its length.
        if (!WebPAnimEncoderAdd(m_encoder.get(), nullptr, timestampOf(m_frames), nullptr) ||
            !WebPAnimEncoderAssemble(m_encoder.get(), &data))
            return fail(std::string("cannot assemble the WebP: ") + WebPAnimEncoderGetError(m_encoder.get()));
        if (std::fwrite(data.bytes, 1, data.size, m_file.get()) != data.size || !closePictureFile(m_file))
            return fail("cannot write the WebP: the disk may be full");
        return true;
    }

private:
    // Milliseconds, to the nearest, of frame k at k / fps seconds.
    int timestampOf(int frame) const { return static_cast<int>((std::int64_t{frame} * 1000 + m_fps / 2) / m_fps); }

    PictureFile m_file;
    int m_fps;
    WebPConfig m_config{};
    AnimEncoder m_encoder;
    Picture m_picture;
    int m_frames = 0;
};

} // namespace

std::unique_ptr<FrameWriter> makeWebpWriter(PictureFile file, int width, int height, int fps, std::string& error)
{
    auto writer = std::make_unique<WebpWriter>(std::move(file), fps);
    if (!writer->start(width, height)) {
        error = writer->error();
        return nullptr;
    }
    return writer;
}
