#include <png.h>

#include <cstdint>
#include <vector>

#include "record/FrameWriter.h"

namespace {

struct PngWriteDeleter {
    void operator()(png_struct* png) const { png_destroy_write_struct(&png, nullptr); }
};
struct PngInfoDeleter {
    png_struct* png;
    void operator()(png_info* info) const { png_destroy_info_struct(png, &info); }
};

void pngError(png_structp png, png_const_charp message)
{
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// libpng reports errors by a long jump back here, so this frame holds
// nothing that needs destroying: the handles and the row belong to the
// caller.
bool writeRows(png_struct* png, png_info* info, std::FILE* file, const RasterFrame& frame, png_byte* row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.width()), static_cast<png_uint_32>(frame.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < frame.height(); ++y) {
        const std::uint32_t* in = frame.row(y);
        for (int x = 0; x < frame.width(); ++x) {
            row[3 * x] = static_cast<png_byte>(in[x] >> 16);
            row[3 * x + 1] = static_cast<png_byte>(in[x] >> 8);
            row[3 * x + 2] = static_cast<png_byte>(in[x]);
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

// Keeps the newest frame and writes it at the end.
class PngWriter final : public FrameWriter {
public:
    explicit PngWriter(PictureFile file) : m_file(std::move(file)) {}

    bool add(const RasterFrame& frame) override
    {
        m_last = frame;
        return true;
    }

    bool finish() override
    {
        std::string message = "out of memory";
        const std::unique_ptr<png_struct, PngWriteDeleter> png(
            png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, pngError, pngWarning));
        if (!png)
            return fail("cannot start the PNG: " + message);
        const std::unique_ptr<png_info, PngInfoDeleter> info(png_create_info_struct(png.get()), PngInfoDeleter{png.get()});
        std::vector<png_byte> row(static_cast<std::size_t>(m_last.width()) * 3);
        if (!info || !writeRows(png.get(), info.get(), m_file.get(), m_last, row.data()))
            return fail("cannot write the PNG: " + message);
        return closePictureFile(m_file) || fail("cannot write the PNG: the disk may be full");
    }

private:
    PictureFile m_file;
    RasterFrame m_last;
};

} // namespace

std::unique_ptr<FrameWriter> makePngWriter(PictureFile file) { return std::make_unique<PngWriter>(std::move(file)); }
