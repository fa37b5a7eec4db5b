// Byte strings as the scenario steps write them: "0102FF", "-" for no
// buffer at all (a null pointer), "empty" for a buffer of no bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ByteArgument {
  bool isNull = false;
  std::vector<uint8_t> bytes;
};

std::optional<ByteArgument> ParseByteArgument(const std::string& text);
std::string HexText(const uint8_t* bytes, size_t count);
