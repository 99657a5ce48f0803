#include "words/Utf8.h"

#include <hb.h>

int utf8Sequence(std::string_view text, char32_t& code)
{
    if (text.empty())
        return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    const int length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || static_cast<std::size_t>(length) > text.size())
        return 0;
    char32_t value = length == 1 ? lead : lead & (0x7Fu >> length);
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3Fu);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    code = value;
    return length;
}

std::optional<std::vector<char32_t>> decodeUtf8(std::string_view text)
{
    std::vector<char32_t> codes;
    codes.reserve(text.size());
    while (!text.empty()) {
        char32_t code = 0;
        const int length = utf8Sequence(text, code);
        if (length == 0)
            return std::nullopt;
        codes.push_back(code);
        text.remove_prefix(static_cast<std::size_t>(length));
    }
    return codes;
}

bool isLetterOrNumber(char32_t code)
{
    if (code < 0x80)
        return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
    static hb_unicode_funcs_t* const funcs = hb_unicode_funcs_get_default();
    switch (hb_unicode_general_category(funcs, code)) {
    case HB_UNICODE_GENERAL_CATEGORY_UPPERCASE_LETTER:
    case HB_UNICODE_GENERAL_CATEGORY_LOWERCASE_LETTER:
    case HB_UNICODE_GENERAL_CATEGORY_TITLECASE_LETTER:
    case HB_UNICODE_GENERAL_CATEGORY_MODIFIER_LETTER:
    case HB_UNICODE_GENERAL_CATEGORY_OTHER_LETTER:
    case HB_UNICODE_GENERAL_CATEGORY_DECIMAL_NUMBER:
    case HB_UNICODE_GENERAL_CATEGORY_LETTER_NUMBER:
    case HB_UNICODE_GENERAL_CATEGORY_OTHER_NUMBER:
        return true;
    default:
        return false;
    }
}

bool isMark(char32_t code)
{
    if (code < 0x300)
        return false;
    static hb_unicode_funcs_t* const funcs = hb_unicode_funcs_get_default();
    switch (hb_unicode_general_category(funcs, code)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
        return true;
    default:
        return false;
    }
}
