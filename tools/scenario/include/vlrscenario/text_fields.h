// Parsers for the small fields that captures are made of besides their
// hexadecimal ones (vlrcommon/hex_text.h): times in decimal seconds and
// blank-separated words. Each refuses anything it does not fully understand
// rather than guessing.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace vlrscenario {

// Non-negative decimal seconds with an optional fraction, "12", "12.5",
// "1708107535.406793", "1123.379836291075". Digits past the sixth decimal
// are dropped (truncated), never rounded, so two stamps a microsecond apart
// stay apart.
std::optional<std::chrono::microseconds> ParseSeconds(std::string_view text);

// Text without leading and trailing spaces, tabs and line-end characters
// (a capture saved on Windows carries '\r').
std::string_view Trim(std::string_view text);

// The first word of `rest` (ended by a space or tab), with leading blanks
// skipped; `rest` is left just after it. Empty when nothing is left.
std::string_view TakeWord(std::string_view& rest);

}  // namespace vlrscenario
