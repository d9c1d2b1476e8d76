#pragma once

#include <string>
#include <string_view>

/// Text made safe for a one-line message on a terminal, whatever was typed: control characters
/// are written as escapes (`\n`, `\t`, `\r`, `\e`, else `\x01`), so a value holding a newline
/// cannot split a message and an escape sequence cannot reach the terminal. C1 controls are
/// written as `\u0085`, and bytes that are not UTF-8 as `\xff`; everything else is kept.
class OneLineText {
public:
    static std::string of(std::string_view text);
};
