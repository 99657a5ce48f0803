// The scene file's bytes on the disk: the signature, gzip, and writing that
// never leaves half a file in place of a whole one. The JSON itself is
// SceneCodec.cpp's.
#include "view/SceneFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/RegularFile.h"
#include "view/SceneCodec.h"

namespace sceneFile {

namespace {

// A scene file is at most this long on the disk.
constexpr std::uint64_t kMaxFileBytes = 256u << 20;
// gzip's first two bytes.
constexpr unsigned char kGzipMagic[] = {0x1f, 0x8b};

bool isGzip(std::string_view bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == kGzipMagic[0] &&
           static_cast<unsigned char>(bytes[1]) == kGzipMagic[1];
}

// The JSON text begins {"format":"lexfall-scene", blanks allowed between.
bool beginsAsScene(std::string_view text)
{
    std::size_t at = 0;
    const auto blanks = [&] {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'))
            ++at;
    };
    const auto expect = [&](std::string_view what) {
        blanks();
        if (text.substr(at, what.size()) != what)
            return false;
        at += what.size();
        return true;
    };
    return expect("{") && expect("\"format\"") && expect(":") && expect(std::string("\"") + kFormatName + "\"");
}

std::string systemError(const std::string& what)
{
    return what + std::strerror(errno);
}

// Writes all of `bytes`, retrying short writes.
bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The folder holding `path`, flushed so that a rename in it lasts.
void syncFolderOf(const std::string& path)
{
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool compress(std::string_view text, std::string& out)
{
    z_stream z{};
    // 15 + 16: a gzip stream, readable by zcat. The fastest level: the
    // text is mostly digits, which the fast level packs nearly as well.
    if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    out.resize(deflateBound(&z, static_cast<uLong>(text.size())));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return result == Z_STREAM_END;
}

InflateResult inflateText(std::string_view bytes, std::size_t limit, std::string& out)
{
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK)
        return InflateResult::Broken;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    out.clear();
    int result = Z_OK;
    while (result == Z_OK) {
        if (out.size() >= limit) {
            inflateEnd(&z);
            return InflateResult::TooLong;
        }
        const std::size_t had = out.size();
        const std::size_t grow = std::min(limit - had, std::max<std::size_t>(had, 1 << 16));
        out.resize(had + grow);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + had);
        z.avail_out = static_cast<uInt>(grow);
        result = inflate(&z, Z_NO_FLUSH);
        out.resize(had + grow - z.avail_out);
        if (result == Z_BUF_ERROR && z.avail_in == 0)
            break; // the stream stops short
    }
    const bool whole = result == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return whole ? InflateResult::Done : InflateResult::Broken;
}

bool looksLikeScene(std::string_view bytes)
{
    if (!isGzip(bytes))
        return beginsAsScene(bytes);
    // Only the head of the text is needed; the rest may even be damaged.
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK)
        return false;
    char head[256];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(head);
    z.avail_out = sizeof head;
    inflate(&z, Z_SYNC_FLUSH);
    const std::size_t got = sizeof head - z.avail_out;
    inflateEnd(&z);
    return beginsAsScene(std::string_view(head, got));
}

std::string_view textOf(std::string_view bytes, std::string& inflated, std::string& error)
{
    if (!isGzip(bytes))
        return bytes;
    switch (inflateText(bytes, kMaxTextBytes, inflated)) {
    case InflateResult::Done:
        return inflated;
    case InflateResult::TooLong:
        error = "it unpacks to more than " + std::to_string(kMaxTextBytes >> 20) + " MB, more than any scene";
        break;
    case InflateResult::Broken:
        error = "its compressed data is damaged or cut short";
        break;
    }
    return {};
}

bool save(const CLexfallView& view, const std::string& path, std::string& error)
{
    std::string bytes;
    if (!encode(view, bytes, error))
        return false;
    // Beside the target, so that the rename stays on one file system.
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = systemError("a file cannot be made beside it: ");
        return false;
    }
    // mkostemp makes the file readable by its owner alone; a scene is
    // made readable as any new file would be.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        errno = written ? errno : writeErrno;
        error = systemError("");
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = systemError("it cannot be replaced: ");
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolderOf(path);
    return true;
}

namespace {

// The file's bytes: a regular file of at most kMaxFileBytes.
bool readFile(const std::string& path, std::string& bytes, std::string& error)
{
    errno = 0;
    const RegularFile file(path.c_str());
    if (!file.isOpen()) {
        error = errno != 0 ? systemError("") : "it is not a file that can be read";
        return false;
    }
    if (file.size() > kMaxFileBytes) {
        error = "it is larger than any scene (" + std::to_string(kMaxFileBytes >> 20) + " MB at most)";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(file.size()));
    if (file.readAt(0, reinterpret_cast<unsigned char*>(bytes.data()), bytes.size()) != bytes.size()) {
        error = systemError("");
        return false;
    }
    return true;
}

} // namespace

bool isSceneFile(const std::string& path)
{
    const RegularFile file(path.c_str());
    if (!file.isOpen())
        return false;
    // Enough for the signature even once compressed.
    unsigned char head[4096];
    const std::uint64_t got = file.readAt(0, head, sizeof head);
    return looksLikeScene(std::string_view(reinterpret_cast<const char*>(head), static_cast<std::size_t>(got)));
}

bool open(CLexfallView& view, const std::string& path, std::string& error, std::string& note)
{
    std::string bytes;
    if (!readFile(path, bytes, error))
        return false;
    return decode(bytes, view, error, note);
}

} // namespace sceneFile
