#pragma once

// The character codes of the keys the view acts on, as the window sends
// them with a character message.
namespace keycode {
inline constexpr unsigned Backspace = 8;
inline constexpr unsigned Tab = 9;
inline constexpr unsigned Enter = 13;
inline constexpr unsigned Escape = 27;
} // namespace keycode
