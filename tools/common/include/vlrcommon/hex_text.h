// Hexadecimal text as people type it and captures hold it, read one way by
// every tool, so the simulator's control line, `vlr1210 send` and the
// capture readers accept the same identifiers and bytes. Each parser refuses
// anything it does not fully understand rather than guessing, so "0CF0040"
// never silently becomes a different identifier.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vlrcommon {

// 1 to max_digits (at most 8) hexadecimal digits and nothing else: a field
// of a fixed-width format, where a prefix would change what the width says.
std::optional<uint32_t> ParseHexDigits(std::string_view text,
                                       std::size_t max_digits = 8);

// A number as people write one: the digits of ParseHexDigits, optionally
// after "0x" or "0X"; no sign, no blanks.
std::optional<uint32_t> ParseHexNumber(std::string_view text,
                                       std::size_t max_digits = 8);

// A J1939 identifier: a hexadecimal number of at most 29 bits.
std::optional<uint32_t> ParseJ1939Identifier(std::string_view text);

// Bytes written in hexadecimal. Tokens are separated by spaces, tabs, commas
// or colons; a token of one or two digits is one byte, a longer token must
// hold an even number of digits and is read two digits per byte ("0102 ff"
// and "01:02:FF" are 01 02 FF). Empty text is an empty run.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);

enum class LetterCase : uint8_t { kUpper, kLower };

// Pairs of digits joined by `separator`: {0x0A, 0xFF} -> "0AFF" or "0A FF".
std::string FormatHexBytes(std::span<const uint8_t> bytes,
                           std::string_view separator = "",
                           LetterCase letters = LetterCase::kUpper);

}  // namespace vlrcommon
