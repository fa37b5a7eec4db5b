#include "vlrscenario/text_fields.h"

#include <cstdint>
#include <string>

namespace vlrscenario {
namespace {

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
