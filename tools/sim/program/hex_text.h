// Hexadecimal text as people type it on the control line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vlrsim/family.h"

namespace vlrsim::program {

// "0102ff", "01 02 FF", "01,02": pairs of hex digits, separators ignored.
// Nothing when a digit is not hex or a pair is incomplete.
std::optional<Bytes> ParseHexBytes(std::string_view text);
// "18FEF100", "0x80": one hexadecimal number of at most 8 digits.
std::optional<uint32_t> ParseHexNumber(std::string_view text);
// "01 02 ff"
std::string HexText(const Bytes& bytes);

}  // namespace vlrsim::program
