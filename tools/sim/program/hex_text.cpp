#include "hex_text.h"

#include <cctype>
#include <cstdio>

namespace vlrsim::program {

namespace {
int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsSeparator(char c) { return c == ' ' || c == ',' || c == ':' || c == '\t'; }
}  // namespace

std::optional<Bytes> ParseHexBytes(std::string_view text) {
  Bytes bytes;
  int high = -1;
  for (char c : text) {
    if (IsSeparator(c)) {
      if (high >= 0) return std::nullopt;
      continue;
    }
    const int value = DigitValue(c);
    if (value < 0) return std::nullopt;
    if (high < 0) {
      high = value;
    } else {
      bytes.push_back(static_cast<uint8_t>(high * 16 + value));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

std::optional<uint32_t> ParseHexNumber(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    const int digit = DigitValue(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

std::string HexText(const Bytes& bytes) {
  std::string text;
  char piece[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(piece, sizeof piece, i == 0 ? "%02x" : " %02x", bytes[i]);
    text += piece;
  }
  return text;
}

}  // namespace vlrsim::program
