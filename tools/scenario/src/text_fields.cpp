#include "vlrscenario/text_fields.h"

namespace vlrscenario {
namespace {

std::optional<uint8_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  return std::nullopt;
}

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

bool AppendToken(std::string_view token, std::vector<uint8_t>& out) {
  if (token.size() > 2 && token.size() % 2 != 0) return false;
  if (token.size() <= 2) {
    auto value = ParseHexNumber(token, 2);
    if (!value) return false;
    out.push_back(static_cast<uint8_t>(*value));
    return true;
  }
  for (std::size_t i = 0; i < token.size(); i += 2) {
    auto value = ParseHexNumber(token.substr(i, 2), 2);
    if (!value) return false;
    out.push_back(static_cast<uint8_t>(*value));
  }
  return true;
}

std::optional<uint64_t> ParseDecimalDigits(std::string_view text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

}  // namespace

std::optional<uint32_t> ParseHexNumber(std::string_view text,
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
                           std::string_view separator) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * (2 + separator.size()));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text.append(separator);
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

std::optional<std::chrono::microseconds> ParseSeconds(std::string_view text) {
  const std::size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  auto seconds = ParseDecimalDigits(whole);
  if (!seconds || *seconds > 1'000'000'000'000ULL) return std::nullopt;
  uint64_t micros = 0;
  if (dot != std::string_view::npos) {
    std::string_view fraction = text.substr(dot + 1);
    if (fraction.empty()) return std::nullopt;
    for (char c : fraction) {
      if (c < '0' || c > '9') return std::nullopt;
    }
    std::string six(fraction.substr(0, 6));
    six.resize(6, '0');
    micros = *ParseDecimalDigits(six);
  }
  return std::chrono::microseconds(
      static_cast<int64_t>(*seconds * 1'000'000ULL + micros));
}

std::string_view Trim(std::string_view text) {
  auto is_space = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
  };
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TakeWord(std::string_view& rest) {
  rest = Trim(rest);
  std::size_t end = 0;
  while (end < rest.size() && rest[end] != ' ' && rest[end] != '\t') ++end;
  std::string_view word = rest.substr(0, end);
  rest.remove_prefix(end);
  return word;
}

}  // namespace vlrscenario
