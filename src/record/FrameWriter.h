#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "render/RasterFrame.h"

// Writes recorded frames to a picture file as they come.
class FrameWriter {
public:
    virtual ~FrameWriter() = default;

    // False when writing failed; error() then says why.
    virtual bool add(const RasterFrame& frame) = 0;
    // Leaves out the next `frames` frames: the last one added shows for
    // their time too. False when the format cannot, and every frame must
    // be added.
    virtual bool skip(int frames)
    {
        static_cast<void>(frames);
        return false;
    }
    // Completes and closes the file.
    virtual bool finish() = 0;
    const std::string& error() const { return m_error; }

protected:
    bool fail(std::string message)
    {
        m_error = std::move(message);
        return false;
    }

    std::string m_error;
};

enum class PictureFormat {
    Gif,  // animated, looping
    Webp, // animated, looping, lossless
    Png,  // the last frame
    Mp4,  // H.264 video
    Webm, // VP9 video
};

// A video leaves frames out when it must (FrameWriter::skip), and removes
// its file when it is not completed.
inline bool isVideo(PictureFormat format) { return format == PictureFormat::Mp4 || format == PictureFormat::Webm; }

// By the file name's extension, in any case.
std::optional<PictureFormat> pictureFormatOf(const std::string& path);

// Creates or empties `path` at once, so that an unwritable path is known
// before any frame is made. Null, with `error` set, when it cannot. A
// `live` video, recorded while the window runs, trades file size for an
// encoder fast enough to keep up.
std::unique_ptr<FrameWriter> openFrameWriter(PictureFormat format, const std::string& path, int width, int height,
                                             int fps, std::string& error, bool live = false);

// The same file, with `writer` encoding on a thread of its own while the
// caller makes the next frames.
std::unique_ptr<FrameWriter> writeOnItsOwnThread(std::unique_ptr<FrameWriter> writer);

// Removes what a writer left of `path` when it failed; only a regular
// file, never a device or anything else named.
void removeUnfinished(const std::string& path);

// What the writers share: the open file, closed however they end.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using PictureFile = std::unique_ptr<std::FILE, FileCloser>;

// Flushes and closes; false when anything written was lost.
bool closePictureFile(PictureFile& file);

std::unique_ptr<FrameWriter> makeGifWriter(PictureFile file, int width, int height, int fps, std::string& error);
std::unique_ptr<FrameWriter> makeWebpWriter(PictureFile file, int width, int height, int fps, std::string& error);
std::unique_ptr<FrameWriter> makePngWriter(PictureFile file);
// Writes through FFmpeg, which opens `path` itself.
std::unique_ptr<FrameWriter> makeVideoWriter(PictureFormat format, const std::string& path, int width, int height, int fps,
                                             bool live, std::string& error);
