// libFuzzer target for the font path: the input bytes become a face file,
// loaded as the program loads its own (TrueType, every code 0-255) and as
// it loads any other face (TrueType, OpenType CFF, Type 1, collections:
// the characters of its Unicode map). A crash, a sanitizer report or a
// slow character is a finding. Codes that share a glyph mesh alike, so
// each glyph is meshed once: most inputs map many codes to one glyph.

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

// Meshes a character, aborting when it stalls.
void meshTimed(GlyphMesher& mesher, char32_t code)
{
    const auto start = std::chrono::steady_clock::now();
    mesher.triangulate(code, 30.0);
    if (std::chrono::steady_clock::now() - start > SlowCharacter) {
        std::fprintf(stderr, "code %u took over %lld s to mesh\n", static_cast<unsigned>(code),
                     static_cast<long long>(SlowCharacter.count()));
        std::abort();
    }
    mesher.advanceWidth(code);
}

// The first characters of the face's own map, one per glyph, as another
// face chosen by the user is meshed; no installed face stands in.
void meshAnyFace(const std::string& path)
{
    GlyphMesher mesher;
    mesher.setFallback(false);
    FontFace face;
    if (!mesher.loadFace({path, 0}, 48) || !face.openAny(path.c_str()))
        return;
    std::set<FT_UInt> meshed;
    FT_UInt index = 0;
    for (FT_ULong code = FT_Get_First_Char(face.handle(), &index); index != 0 && meshed.size() < 256;
         code = FT_Get_Next_Char(face.handle(), code, &index))
        if (meshed.insert(index).second)
            meshTimed(mesher, static_cast<char32_t>(code));
    meshTimed(mesher, 0x10FFFD); // a character it lacks: the missing glyph

    // A word of those characters shaped, as the nozzle shapes one.
    std::u32string word;
    for (FT_ULong code = FT_Get_First_Char(face.handle(), &index); index != 0 && word.size() < 16;
         code = FT_Get_Next_Char(face.handle(), code, &index))
        word += static_cast<char32_t>(code);
    for (const GlyphCache::ShapedGlyph& glyph : mesher.shape(word))
        meshTimed(mesher, glyph.key);
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

    meshAnyFace(path);

    GlyphMesher mesher;
    mesher.setFallback(false);
    mesher.setFontDirectory("/nonexistent/"); // only the input is a face
    FontFace face;
    if (!mesher.loadFont(path.c_str(), 48) || !face.open(path.c_str()))
        return 0;
    std::set<int> meshed;
    for (int code = 0; code < 256; ++code)
        if (meshed.insert(face.glyphIndex(code)).second)
            meshTimed(mesher, static_cast<char32_t>(code));
    return 0;
}
