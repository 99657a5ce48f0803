#include "record/FrameWriter.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

std::optional<PictureFormat> pictureFormatOf(const std::string& path)
{
    const auto dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.')
        return std::nullopt;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (extension == "gif")
        return PictureFormat::Gif;
    if (extension == "webp")
        return PictureFormat::Webp;
    if (extension == "png")
        return PictureFormat::Png;
    if (extension == "mp4")
        return PictureFormat::Mp4;
    if (extension == "webm")
        return PictureFormat::Webm;
    return std::nullopt;
}

std::unique_ptr<FrameWriter> openFrameWriter(PictureFormat format, const std::string& path, int width, int height,
                                             int fps, std::string& error, bool live)
{
    PictureFile file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot write \"" + path + "\": " + std::strerror(errno);
        return nullptr;
    }
    switch (format) {
    case PictureFormat::Gif:
        return makeGifWriter(std::move(file), width, height, fps, error);
    case PictureFormat::Webp:
        return makeWebpWriter(std::move(file), width, height, fps, error);
    case PictureFormat::Png:
        return makePngWriter(std::move(file));
    case PictureFormat::Mp4:
    case PictureFormat::Webm:
        file.reset();
        if (auto writer = makeVideoWriter(format, path, width, height, fps, live, error))
            return writer;
        removeUnfinished(path); // made just now, and still empty
        return nullptr;
    }
    return nullptr;
}

bool closePictureFile(PictureFile& file)
{
    std::FILE* f = file.release();
    const bool written = std::fflush(f) == 0 && !std::ferror(f);
    return std::fclose(f) == 0 && written;
}

void removeUnfinished(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        std::remove(path.c_str());
}
