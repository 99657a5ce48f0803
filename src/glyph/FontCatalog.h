#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

// One face of a font file: collections (.ttc, .otc) hold several.
struct FaceLocation {
    std::string file;
    long index = 0;

    bool operator==(const FaceLocation&) const = default;
};

struct _FcConfig;

// The installed fonts, as fontconfig knows them, through a configuration
// of its own (the user's and the system's rules and fonts), loaded on
// first use. Only faces with outlines count: bitmap fonts cannot be meshed.
class FontCatalog {
public:
    FontCatalog();
    ~FontCatalog();
    FontCatalog(const FontCatalog&) = delete;
    FontCatalog& operator=(const FontCatalog&) = delete;

    // The face a user names: a font file, "FILE:N" for face N of a
    // collection, or an installed family as findFamily takes it. None, with
    // the reason in `error`, when there is no such file or family, or the
    // collection holds no face N (the reason then says how many it holds).
    std::optional<FaceLocation> locate(const std::string& face, std::string& error) const;

    // The name a face file gives its face, "FILE:N" naming face N of a
    // collection: its full name ("DejaVu Sans Bold"), else its family. None
    // for a family, and for a file that holds no such face.
    static std::optional<std::string> faceName(const std::string& face);

    // Every family name once, sorted.
    std::vector<std::string> families() const;

    // The face of a family, in fontconfig's pattern syntax ("DejaVu Serif",
    // "DejaVu Serif:bold"). None when no installed family has the name: the
    // match fontconfig would substitute does not count.
    std::optional<FaceLocation> findFamily(const std::string& pattern) const;

    // Null when fontconfig cannot be set up.
    _FcConfig* config() const;

private:
    struct Config;
    std::unique_ptr<Config> m_config;
};

// The installed faces that may give a face the characters it lacks:
// fontconfig's sorted match for the face's family, best first.
class FallbackFaces {
public:
    FallbackFaces(const FontCatalog& catalog, const std::string& family);
    ~FallbackFaces();
    FallbackFaces(const FallbackFaces&) = delete;
    FallbackFaces& operator=(const FallbackFaces&) = delete;

    // The first face from position `from` on whose character set has the
    // code, with its position; none when no face has it.
    struct Found {
        int position;
        FaceLocation face;
    };
    std::optional<Found> find(char32_t code, int from) const;

private:
    struct Fonts;
    std::unique_ptr<Fonts> m_fonts;
};
