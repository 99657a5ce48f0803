// libFuzzer target for the font path: the input bytes become a face file,
// the face is loaded as the program loads its own, and every code 0-255
// is meshed. A crash, a sanitizer report or a slow character is a finding.
// Codes that share a glyph mesh alike, so each glyph is meshed once: most
// inputs map many codes to one glyph.

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "glyph/FontFace.h"
#include "glyph/GlyphMesher.h"

namespace {

// A character takes well under 100 ms in a release build; one that takes
// this long even under the sanitizers is a stall.
constexpr std::chrono::seconds SlowCharacter(1);

// One in-memory file for every input: a regular file to the face loader,
// and no disk traffic.
int faceFile()
{
    static const int fd = ::memfd_create("lexfall-fuzz-face", MFD_CLOEXEC);
    if (fd < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = faceFile();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        std::perror("writing the face file");
        std::abort();
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    GlyphMesher mesher;
    mesher.setFontDirectory("/nonexistent/"); // only the input is a face
    FontFace face;
    if (!mesher.loadFont(path.c_str(), 48) || !face.open(path.c_str()))
        return 0;
    std::set<int> meshed;
    for (int code = 0; code < 256; ++code) {
        if (!meshed.insert(face.glyphIndex(code)).second)
            continue;
        const auto start = std::chrono::steady_clock::now();
        mesher.triangulate(static_cast<char32_t>(code), 30.0);
        if (std::chrono::steady_clock::now() - start > SlowCharacter) {
            std::fprintf(stderr, "code %d took over %lld s to mesh\n", code,
                         static_cast<long long>(SlowCharacter.count()));
            std::abort();
        }
        mesher.advanceWidth(static_cast<char32_t>(code));
    }
    return 0;
}
