#pragma once

#include <optional>
#include <string_view>
#include <vector>

// The code points of UTF-8 text; none for malformed text (overlong forms,
// surrogates, stray or missing continuation bytes).
std::optional<std::vector<char32_t>> decodeUtf8(std::string_view text);

// The length of the well-formed UTF-8 sequence at the start of `text` and
// its code point; 0 when there is none.
int utf8Sequence(std::string_view text, char32_t& code);

// Whether a code point is a letter or a number of any script: the Unicode
// general categories L and N.
bool isLetterOrNumber(char32_t code);

// Whether a code point is a combining mark (Unicode category M), such as
// an accent after its letter or a vowel sign of an Indic script.
bool isMark(char32_t code);
