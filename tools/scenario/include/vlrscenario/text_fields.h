// Parsers and printers for the small fields that captures and command lines
// are made of: hexadecimal numbers, runs of hexadecimal bytes, and times in
// decimal seconds. Each refuses anything it does not fully understand rather
// than guessing, so "0CF0040" never silently becomes a different identifier.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vlrscenario {

// 1 to max_digits hexadecimal digits, nothing else (no "0x", no sign).
std::optional<uint32_t> ParseHexNumber(std::string_view text,
                                       std::size_t max_digits = 8);

// Bytes written in hexadecimal. Tokens are separated by spaces, tabs or
// commas; a token of one or two digits is one byte, a longer token must hold
// an even number of digits and is read two digits per byte ("0102 ff" is
// 01 02 FF). Empty text is an empty run.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);

// Upper-case pairs joined by `separator`: {0x0A, 0xFF} -> "0AFF" or "0A FF".
std::string FormatHexBytes(std::span<const uint8_t> bytes,
                           std::string_view separator = "");

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
