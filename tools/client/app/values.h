// Parsers for the values users type on the command line. Each returns
// nothing for anything it does not fully accept, so "20x" is never read as
// 20; the caller turns that into a message naming the option.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlrclient {

// A whole number, decimal or hex with "0x", within [min, max].
std::optional<int64_t> ParseInteger(std::string_view text, int64_t min,
                                    int64_t max);

// A J1939 address, 0..255 ("0xF9" or "249").
std::optional<uint8_t> ParseAddress(std::string_view text);

// Seconds, a positive decimal ("2", "0.5").
std::optional<double> ParsePositiveSeconds(std::string_view text);

// "J1939" or "J1708", any case; returned in the driver's spelling.
std::optional<std::string> ParseProtocol(std::string_view text);

// Data bytes in hex: "0102ff", "01 02 ff", "01,02", "01:02".
std::optional<std::vector<uint8_t>> ParseDataBytes(std::string_view text);

}  // namespace vlrclient
