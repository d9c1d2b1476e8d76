#include "OneLineText.h"

#include <cstdint>
#include <cstdio>

namespace {

std::string hexEscape(const char* format, unsigned value)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, format, value);
    return escaped;
}

std::string controlEscape(unsigned char byte)
{
    switch (byte) {
    case '\n': return "\\n";
    case '\t': return "\\t";
    case '\r': return "\\r";
    case 0x1B: return "\\e";
    default: return hexEscape("\\x%02x", byte);
    }
}

/// The length of the well-formed UTF-8 sequence at the start of `text`, 0 when there is none.
std::size_t utf8Length(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 0;
    const auto second = static_cast<unsigned char>(text[1]);
    // Overlong forms, UTF-16 surrogates and code points beyond U+10FFFF are not UTF-8.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

} // namespace

std::string OneLineText::of(std::string_view text)
{
    std::string line;
    line.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text[0]);
        std::size_t used = 1;
        if (byte < 0x20 || byte == 0x7F) {
            line += controlEscape(byte);
        } else if (byte < 0x80) {
            line += static_cast<char>(byte);
        } else if ((used = utf8Length(text)) == 0) {
            used = 1;
            line += hexEscape("\\x%02x", byte);
        } else if (byte == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0) { // U+0080 to U+009F
            line += hexEscape("\\u%04x", static_cast<unsigned char>(text[1]) & 0xFFu);
        } else {
            line.append(text.substr(0, used));
        }
        text.remove_prefix(used);
    }
    return line;
}
