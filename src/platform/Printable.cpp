#include "platform/Printable.h"

#include <cstdio>

std::string printable(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += byte;
        }
    }
    return shown;
}
