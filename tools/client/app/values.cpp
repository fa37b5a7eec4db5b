#include "values.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "vlrcommon/hex_text.h"

namespace vlrclient {

std::optional<int64_t> ParseInteger(std::string_view text, int64_t min,
                                    int64_t max) {
  int base = 10;
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  uint64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  if (magnitude > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
  const int64_t value = negative ? -static_cast<int64_t>(magnitude)
                                 : static_cast<int64_t>(magnitude);
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::optional<uint8_t> ParseAddress(std::string_view text) {
  auto value = ParseInteger(text, 0, 255);
  if (!value) return std::nullopt;
  return static_cast<uint8_t>(*value);
}

std::optional<double> ParsePositiveSeconds(std::string_view text) {
  if (text.empty() || text.size() > 32) return std::nullopt;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.')
      return std::nullopt;
  }
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value) || value <= 0)
    return std::nullopt;
  return value;
}

std::optional<std::string> ParseProtocol(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "J1939" || upper == "J1708") return upper;
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> ParseDataBytes(std::string_view text) {
  return vlrcommon::ParseHexBytes(text);
}

}  // namespace vlrclient
