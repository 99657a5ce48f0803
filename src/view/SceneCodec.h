#pragma once

// What the scene file's two halves share: the file side (SceneFile.cpp)
// packs and unpacks, the codec (SceneCodec.cpp) turns a scene into JSON
// and back.

#include <cstddef>
#include <string>
#include <string_view>

namespace sceneFile {

// The JSON text of a scene is at most this long once unpacked.
inline constexpr std::size_t kMaxTextBytes = std::size_t{1} << 30;

bool compress(std::string_view text, std::string& out);

enum class InflateResult { Done, TooLong, Broken };
// A whole gzip stream unpacked, at most `limit` bytes of it.
InflateResult inflateText(std::string_view bytes, std::size_t limit, std::string& out);

// The JSON text of a file's bytes, unpacking them into `inflated` when
// they are compressed; empty, with `error` set, when they cannot be.
std::string_view textOf(std::string_view bytes, std::string& inflated, std::string& error);

} // namespace sceneFile
