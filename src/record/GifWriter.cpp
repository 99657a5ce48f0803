#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "record/FrameWriter.h"

namespace {

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

struct ColorMapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColorMap = std::unique_ptr<ColorMapObject, ColorMapFreer>;

constexpr int kMaxColours = 256;

int writeToFile(GifFileType* gif, const GifByteType* bytes, int count)
{
    return static_cast<int>(std::fwrite(bytes, 1, static_cast<std::size_t>(count), static_cast<std::FILE*>(gif->UserData)));
}

GifColorType colourOf(std::uint32_t pixel)
{
    return {static_cast<GifByteType>(pixel >> 16), static_cast<GifByteType>(pixel >> 8), static_cast<GifByteType>(pixel)};
}

// The part of a frame that changed since the one before.
struct Area {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Every frame is a sub-image of what changed, drawn over the frame before,
// in as many colours as it holds. The scene has two colours, so a frame is
// usually a one-bit image; one of more than 256 colours falls back to a
// fixed 6x6x6 colour cube. Nothing depends on more than the frames, so the
// bytes are the same on every run.
class GifWriter final : public FrameWriter {
public:
    GifWriter(PictureFile file, int width, int height, int fps)
        : m_file(std::move(file)), m_width(width), m_height(height), m_fps(fps),
          m_previous(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    {
    }

    bool start()
    {
        int error = 0;
        m_gif.reset(EGifOpen(m_file.get(), writeToFile, &error));
        if (!m_gif)
            return fail(std::string("cannot start the GIF: ") + GifErrorString(error));
        EGifSetGifVersion(m_gif.get(), true);
        // Loop for ever (the NETSCAPE2.0 application block every viewer knows).
        static const GifByteType loop[] = {1, 0, 0};
        if (EGifPutScreenDesc(m_gif.get(), m_width, m_height, 8, 0, nullptr) != GIF_OK ||
            EGifPutExtensionLeader(m_gif.get(), APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
            EGifPutExtensionBlock(m_gif.get(), 11, "NETSCAPE2.0") != GIF_OK ||
            EGifPutExtensionBlock(m_gif.get(), sizeof loop, loop) != GIF_OK ||
            EGifPutExtensionTrailer(m_gif.get()) != GIF_OK)
            return writeFailed();
        return true;
    }

    bool add(const RasterFrame& frame) override
    {
        const Area area = changedArea(frame);
        const ColorMap map = indexArea(frame, area);
        if (!map)
            return fail("out of memory for a GIF colour map");

        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.DelayTime = delayOf(m_frames);
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        const auto length = static_cast<int>(EGifGCBToExtension(&control, extension));
        if (EGifPutExtension(m_gif.get(), GRAPHICS_EXT_FUNC_CODE, length, extension) != GIF_OK ||
            EGifPutImageDesc(m_gif.get(), area.left, area.top, area.width, area.height, false, map.get()) != GIF_OK)
            return writeFailed();
        for (int y = 0; y < area.height; ++y)
            if (EGifPutLine(m_gif.get(), m_indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(area.width),
                            area.width) != GIF_OK)
                return writeFailed();

        for (int y = 0; y < m_height; ++y)
            std::copy_n(frame.row(y), m_width, m_previous.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width));
        ++m_frames;
        return true;
    }

    bool finish() override
    {
        int error = 0;
        if (EGifCloseFile(m_gif.release(), &error) != GIF_OK)
            return writeFailed();
        return closePictureFile(m_file) || writeFailed();
    }

private:
    bool writeFailed() { return fail("cannot write the GIF: the disk may be full"); }

    // Hundredths of a second, rounded so that frame k starts as near k / fps
    // as GIF's clock allows.
    int delayOf(int frame) const
    {
        const auto start = [this](int k) { return (k * 100 + m_fps / 2) / m_fps; };
        return start(frame + 1) - start(frame);
    }

    Area changedArea(const RasterFrame& frame) const
    {
        if (m_frames == 0)
            return {0, 0, m_width, m_height};
        int left = m_width, right = -1, top = m_height, bottom = -1;
        for (int y = 0; y < m_height; ++y) {
            const std::uint32_t* now = frame.row(y);
            const std::uint32_t* before = m_previous.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
            if (std::equal(now, now + m_width, before))
                continue;
            top = std::min(top, y);
            bottom = y;
            int x = 0;
            while (now[x] == before[x])
                ++x;
            left = std::min(left, x);
            x = m_width - 1;
            while (now[x] == before[x])
                --x;
            right = std::max(right, x);
        }
        // An unchanged frame is still a frame: one pixel, as it was.
        if (bottom < 0)
            return {0, 0, 1, 1};
        return {left, top, right - left + 1, bottom - top + 1};
    }

    // Fills m_indices with the area's colour indices and returns its map.
    ColorMap indexArea(const RasterFrame& frame, const Area& area)
    {
        m_indices.resize(static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height));
        std::vector<std::uint32_t> colours;
        std::uint32_t last = 0;
        GifByteType lastIndex = 0;
        bool cube = false;
        auto out = m_indices.begin();
        for (int y = area.top; y < area.top + area.height && !cube; ++y) {
            const std::uint32_t* row = frame.row(y);
            for (int x = area.left; x < area.left + area.width; ++x) {
                const std::uint32_t pixel = row[x] & 0xFFFFFF;
                if (colours.empty() || pixel != last) {
                    const auto index = static_cast<std::size_t>(std::find(colours.begin(), colours.end(), pixel) - colours.begin());
                    if (index == kMaxColours) {
                        cube = true;
                        break;
                    }
                    if (index == colours.size())
                        colours.push_back(pixel);
                    last = pixel;
                    lastIndex = static_cast<GifByteType>(index);
                }
                *out++ = lastIndex;
            }
        }
        if (cube)
            return indexByCube(frame, area);

        int size = 2;
        while (size < static_cast<int>(colours.size()))
            size *= 2;
        std::vector<GifColorType> entries(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
        std::transform(colours.begin(), colours.end(), entries.begin(), colourOf);
        return ColorMap(GifMakeMapObject(size, entries.data()));
    }

    ColorMap indexByCube(const RasterFrame& frame, const Area& area)
    {
        const auto level = [](std::uint32_t c) { return ((c & 0xFF) * 5 + 127) / 255; };
        auto out = m_indices.begin();
        for (int y = area.top; y < area.top + area.height; ++y) {
            const std::uint32_t* row = frame.row(y);
            for (int x = area.left; x < area.left + area.width; ++x)
                *out++ = static_cast<GifByteType>(level(row[x] >> 16) * 36 + level(row[x] >> 8) * 6 + level(row[x]));
        }
        std::vector<GifColorType> entries(kMaxColours, GifColorType{0, 0, 0});
        for (int i = 0; i < 216; ++i)
            entries[static_cast<std::size_t>(i)] = {static_cast<GifByteType>(i / 36 * 51),
                                                    static_cast<GifByteType>(i / 6 % 6 * 51),
                                                    static_cast<GifByteType>(i % 6 * 51)};
        return ColorMap(GifMakeMapObject(kMaxColours, entries.data()));
    }

    PictureFile m_file; // declared before the GIF, which writes into it
    GifHandle m_gif;
    int m_width;
    int m_height;
    int m_fps;
    std::vector<std::uint32_t> m_previous; // the last frame, rows packed
    std::vector<GifByteType> m_indices;
    int m_frames = 0;
};

} // namespace

std::unique_ptr<FrameWriter> makeGifWriter(PictureFile file, int width, int height, int fps, std::string& error)
{
    auto writer = std::make_unique<GifWriter>(std::move(file), width, height, fps);
    if (!writer->start()) {
        error = writer->error();
        return nullptr;
    }
    return writer;
}
