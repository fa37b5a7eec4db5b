#include "hex_text.h"

namespace {

int NibbleValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<ByteArgument> ParseByteArgument(const std::string& text) {
  ByteArgument out;
  if (text == "-") {
    out.isNull = true;
    return out;
  }
  if (text == "empty") return out;
  if (text.size() % 2 != 0) return std::nullopt;
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = NibbleValue(text[i]);
    const int low = NibbleValue(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out.bytes.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  return out;
}

std::string HexText(const uint8_t* bytes, size_t count) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}
