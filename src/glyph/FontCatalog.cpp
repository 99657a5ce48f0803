#include "glyph/FontCatalog.h"

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <string_view>

#include "platform/Printable.h"
#include "platform/RegularFile.h"

namespace {

struct ConfigDeleter {
    void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

struct FontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
using FontSet = std::unique_ptr<FcFontSet, FontSetDeleter>;

bool hasOutlines(const FcPattern* font)
{
    FcBool outline = FcFalse;
    return FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && outline;
}

std::optional<FaceLocation> locationOf(const FcPattern* font)
{
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file)
        return std::nullopt;
    if (FcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch)
        index = 0;
    // The upper bits of a variable font's index name an instance.
    return FaceLocation{reinterpret_cast<const char*>(file), index & 0xFFFF};
}

// Family names compare as fontconfig compares them: case and blanks aside.
bool sameFamily(std::string_view a, std::string_view b)
{
    const auto folded = [](std::string_view s) {
        std::string out;
        for (const char c : s)
            if (c != ' ')
                out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        return out;
    };
    return folded(a) == folded(b);
}

// A pattern for matching, with the user's and the system's rules applied.
Pattern matchPattern(FcConfig* config, FcPattern* pattern)
{
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return Pattern(pattern);
}

// A face named by its file, or "FILE:N" for face N of a collection, when
// the file can be read.
std::optional<FaceLocation> fileFace(const std::string& face)
{
    if (RegularFile(face.c_str()).isOpen())
        return FaceLocation{face, 0};
    const auto colon = face.rfind(':');
    if (colon == std::string::npos || colon + 1 >= face.size())
        return std::nullopt;
    long index = 0;
    const char* end = face.data() + face.size();
    const auto [stop, failure] = std::from_chars(face.data() + colon + 1, end, index);
    const std::string file = face.substr(0, colon);
    if (failure != std::errc{} || stop != end || !RegularFile(file.c_str()).isOpen())
        return std::nullopt;
    return FaceLocation{file, index};
}

// Face `index` of a font file as fontconfig reads it, and the faces the
// file holds (left 0 when that face cannot be read); null when it cannot.
Pattern queryFace(const std::string& file, long index, int& faces)
{
    return Pattern(FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(file.c_str()), static_cast<unsigned>(index),
                                   nullptr, &faces));
}

} // namespace

// The toolkit keeps a configuration of its own.
struct FontCatalog::Config {
    bool tried = false;
    std::unique_ptr<FcConfig, ConfigDeleter> loaded;
};

FontCatalog::FontCatalog() : m_config(std::make_unique<Config>()) {}

FontCatalog::~FontCatalog() = default;

FcConfig* FontCatalog::config() const
{
    if (!m_config->tried) {
        m_config->tried = true;
        m_config->loaded.reset(FcInitLoadConfigAndFonts());
    }
    return m_config->loaded.get();
}

std::optional<FaceLocation> FontCatalog::locate(const std::string& face, std::string& error) const
{
    if (face.empty()) {
        error = "no face was named";
        return std::nullopt;
    }
    if (const std::optional<FaceLocation> file = fileFace(face)) {
        // A face past the end of a collection is named as such; a file that
        // holds no face is left for the face loader to refuse.
        int faces = 0;
        queryFace(file->file, 0, faces);
        if (faces > 0 && (file->index < 0 || file->index >= faces)) {
            error = "\"" + file->file + "\" holds " +
                    (faces == 1 ? std::string("1 face (0)")
                                : std::to_string(faces) + " faces (0 to " + std::to_string(faces - 1) + ")");
            return std::nullopt;
        }
        return file;
    }
    struct stat status {};
    if (::stat(face.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        error = "\"" + printable(face) + "\" is not a font file but a " +
                (S_ISDIR(status.st_mode) ? "folder" : "special file");
        return std::nullopt;
    }
    if (face.find('/') != std::string::npos) {
        error = "cannot read the font file \"" + printable(face) + "\"";
        return std::nullopt;
    }
    if (std::optional<FaceLocation> found = findFamily(face))
        return found;
    error = "no installed font family is named \"" + printable(face) + "\"";
    return std::nullopt;
}

std::optional<std::string> FontCatalog::faceName(const std::string& face)
{
    const std::optional<FaceLocation> file = fileFace(face);
    if (!file || file->index < 0)
        return std::nullopt;
    int faces = 0;
    const Pattern font = queryFace(file->file, file->index, faces);
    FcChar8* name = nullptr;
    if (font && (FcPatternGetString(font.get(), FC_FULLNAME, 0, &name) == FcResultMatch ||
                 FcPatternGetString(font.get(), FC_FAMILY, 0, &name) == FcResultMatch))
        return std::string(reinterpret_cast<const char*>(name));
    return std::nullopt;
}

std::vector<std::string> FontCatalog::families() const
{
    std::vector<std::string> names;
    if (!config())
        return names;
    Pattern any(FcPatternCreate());
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_OUTLINE, nullptr);
    const FontSet fonts(FcFontList(config(), any.get(), objects));
    FcObjectSetDestroy(objects);
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcChar8* family = nullptr;
        if (hasOutlines(fonts->fonts[i]) && FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch)
            names.emplace_back(reinterpret_cast<const char*>(family));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::optional<FaceLocation> FontCatalog::findFamily(const std::string& text) const
{
    if (!config() || text.empty())
        return std::nullopt;
    FcPattern* parsed = FcNameParse(reinterpret_cast<const FcChar8*>(text.c_str()));
    FcChar8* wanted = nullptr;
    if (!parsed || FcPatternGetString(parsed, FC_FAMILY, 0, &wanted) != FcResultMatch) {
        if (parsed)
            FcPatternDestroy(parsed);
        return std::nullopt;
    }
    const std::string family = reinterpret_cast<const char*>(wanted);
    const Pattern pattern = matchPattern(config(), parsed);
    FcResult result = FcResultNoMatch;
    const Pattern match(FcFontMatch(config(), pattern.get(), &result));
    if (!match || !hasOutlines(match.get()))
        return std::nullopt;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match.get(), FC_FAMILY, i, &name) == FcResultMatch; ++i)
        if (sameFamily(reinterpret_cast<const char*>(name), family))
            return locationOf(match.get());
    return std::nullopt;
}

struct FallbackFaces::Fonts {
    FontSet sorted;
};

FallbackFaces::FallbackFaces(const FontCatalog& catalog, const std::string& family) : m_fonts(std::make_unique<Fonts>())
{
    FcConfig* config = catalog.config();
    if (!config)
        return;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(family.empty() ? "sans-serif" : family.c_str()));
    const Pattern prepared = matchPattern(config, pattern);
    FcResult result = FcResultNoMatch;
    // Trimmed: a face that adds no character to those before it is left out.
    m_fonts->sorted.reset(FcFontSort(config, prepared.get(), FcTrue, nullptr, &result));
}

FallbackFaces::~FallbackFaces() = default;

std::optional<FallbackFaces::Found> FallbackFaces::find(char32_t code, int from) const
{
    const FcFontSet* fonts = m_fonts->sorted.get();
    for (int i = std::max(from, 0); fonts && i < fonts->nfont; ++i) {
        FcCharSet* characters = nullptr;
        const FcPattern* font = fonts->fonts[i];
        if (!hasOutlines(font) || FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch
            || !FcCharSetHasChar(characters, code))
            continue;
        if (const std::optional<FaceLocation> location = locationOf(font))
            return Found{i, *location};
    }
    return std::nullopt;
}
