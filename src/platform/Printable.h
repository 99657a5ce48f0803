#pragma once

#include <string>
#include <string_view>

// `text` safe to print on a terminal: control bytes as \xNN, so that a
// name typed or read from a file cannot send an escape sequence.
std::string printable(std::string_view text);
