// Just enough JSON to write one object per line: strings escaped, numbers
// that every reader accepts (no NaN or infinity), nested arrays of objects.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vlrdecode {

class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view value);
  JsonObject& Add(std::string_view key, const char* value) {
    return Add(key, std::string_view(value));
  }
  JsonObject& Add(std::string_view key, double value);
  JsonObject& Add(std::string_view key, int64_t value);
  JsonObject& Add(std::string_view key, uint32_t value) {
    return Add(key, int64_t{value});
  }
  JsonObject& Add(std::string_view key, int value) {
    return Add(key, int64_t{value});
  }
  JsonObject& Add(std::string_view key, bool value);
  // `json` must already be valid JSON (an array or object).
  JsonObject& AddRaw(std::string_view key, std::string_view json);

  std::string Close() const { return body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string body_ = "{";
};

// A JSON array of already-encoded values.
class JsonArray {
 public:
  JsonArray& AddRaw(std::string_view json);
  std::string Close() const { return body_ + "]"; }

 private:
  std::string body_ = "[";
};

std::string JsonString(std::string_view text);

}  // namespace vlrdecode
