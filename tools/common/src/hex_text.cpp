#include "vlrcommon/hex_text.h"

#include "vlrcommon/j1939_identifier.h"

namespace vlrcommon {
namespace {

std::optional<uint8_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  return std::nullopt;
}

bool IsSeparator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == ':';
}

bool AppendToken(std::string_view token, std::vector<uint8_t>& out) {
  if (token.size() <= 2) {
    auto value = ParseHexDigits(token, 2);
    if (!value) return false;
    out.push_back(static_cast<uint8_t>(*value));
    return true;
  }
  if (token.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < token.size(); i += 2) {
    auto value = ParseHexDigits(token.substr(i, 2), 2);
    if (!value) return false;
    out.push_back(static_cast<uint8_t>(*value));
  }
  return true;
}

}  // namespace

std::optional<uint32_t> ParseHexDigits(std::string_view text,
                                       std::size_t max_digits) {
  if (text.empty() || text.size() > max_digits || text.size() > 8) {
    return std::nullopt;
  }
  uint32_t value = 0;
  for (char c : text) {
    auto digit = HexDigit(c);
    if (!digit) return std::nullopt;
    value = (value << 4) | *digit;
  }
  return value;
}

std::optional<uint32_t> ParseHexNumber(std::string_view text,
                                       std::size_t max_digits) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  return ParseHexDigits(text, max_digits);
}

std::optional<uint32_t> ParseJ1939Identifier(std::string_view text) {
  auto id = ParseHexNumber(text);
  if (!id || *id > j1939::kLargestIdentifier) return std::nullopt;
  return id;
}

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<uint8_t> bytes;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (IsSeparator(text[pos])) {
      ++pos;
      continue;
    }
    std::size_t end = pos;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    if (!AppendToken(text.substr(pos, end - pos), bytes)) return std::nullopt;
    pos = end;
  }
  return bytes;
}

std::string FormatHexBytes(std::span<const uint8_t> bytes,
                           std::string_view separator, LetterCase letters) {
  const char* digits =
      letters == LetterCase::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * (2 + separator.size()));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text.append(separator);
    text.push_back(digits[bytes[i] >> 4]);
    text.push_back(digits[bytes[i] & 0x0F]);
  }
  return text;
}

}  // namespace vlrcommon
