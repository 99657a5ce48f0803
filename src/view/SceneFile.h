#pragma once

#include <string>
#include <string_view>

class CLexfallView;

// Scene files: everything that decides how a scene goes on, so that a scene
// opened again continues bit for bit as it would have. JSON, gzip-compressed
// when large; docs/scene-format.md describes it.
namespace sceneFile {

inline constexpr const char* kExtension = "lexscene";
inline constexpr const char* kMimeType = "application/x-lexfall-scene";
inline constexpr const char* kFormatName = "lexfall-scene";
// 2: a sleeper's measure no longer lists its triangles by grid cells; the
// cells of a file of format 1 are passed over.
// 3: an outline "triangles" passes over the sides of a triangle with a
// repeated corner; one of format 2 or older counts them.
inline constexpr int kVersion = 3;
// JSON text longer than this is written compressed.
inline constexpr std::size_t kCompressAbove = 64 * 1024;

// The scene as a file's bytes. False, with the reason, when it cannot be
// written (a number in it is no longer finite).
bool encode(const CLexfallView& view, std::string& bytes, std::string& error);

// Whether `bytes` begin as a scene file does, compressed or not.
bool looksLikeScene(std::string_view bytes);

// Reads a scene into `view`. The whole file is read and checked into new
// objects first, and only then does the scene on screen give way to it:
// on failure the view is exactly as it was and `error` says why. `note`
// says what could not come back as saved (a face that is not installed).
bool decode(std::string_view bytes, CLexfallView& view, std::string& error, std::string& note);

// Writes to a temporary file beside `path`, flushes it to the disk and
// renames it over `path`: a failure leaves any file there untouched, and
// `error` says why (the reason alone, as for open).
bool save(const CLexfallView& view, const std::string& path, std::string& error);

// Whether the file at `path` is a scene file, by its first bytes.
bool isSceneFile(const std::string& path);

// As decode; `error` is the reason alone, the file's name left to the
// caller.
bool open(CLexfallView& view, const std::string& path, std::string& error, std::string& note);

} // namespace sceneFile
