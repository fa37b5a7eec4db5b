#include "message_builder.h"

#include "vlrscenario/text_fields.h"

namespace vlrclient {
namespace {

constexpr std::size_t kLongestTransfer = 1785;

}  // namespace

std::vector<uint8_t> BuildJ1939Message(const J1939Fields& f) {
  std::vector<uint8_t> message = {static_cast<uint8_t>(f.pgn & 0xFF),
                                  static_cast<uint8_t>((f.pgn >> 8) & 0xFF),
                                  static_cast<uint8_t>((f.pgn >> 16) & 0xFF),
                                  static_cast<uint8_t>(f.priority & 0x07),
                                  f.source,
                                  f.destination};
  message.insert(message.end(), f.data.begin(), f.data.end());
  return message;
}

std::vector<uint8_t> BuildJ1708Message(uint8_t priority, uint8_t mid,
                                       std::span<const uint8_t> data) {
  std::vector<uint8_t> message = {priority, mid};
  message.insert(message.end(), data.begin(), data.end());
  return message;
}

std::optional<J1939Fields> ParseFrameText(std::string_view text,
                                          std::string& error) {
  const std::size_t hash = text.find('#');
  if (hash != 8) {
    error = "expected IIIIIIII#DATA with an 8-digit hex identifier, got '" +
            std::string(text) + "'";
    return std::nullopt;
  }
  auto id = vlrscenario::ParseHexNumber(text.substr(0, 8));
  if (!id || *id > 0x1FFFFFFF) {
    error = "identifier '" + std::string(text.substr(0, 8)) +
            "' is not a 29-bit hex number";
    return std::nullopt;
  }
  const std::string_view data_text = text.substr(hash + 1);
  auto data = vlrscenario::ParseHexBytes(data_text);
  if (!data || data_text.size() % 2 != 0 ||
      data_text.find_first_not_of("0123456789abcdefABCDEF") !=
          std::string_view::npos) {
    error = "data '" + std::string(data_text) + "' is not pairs of hex digits";
    return std::nullopt;
  }
  if (data->size() > kLongestTransfer) {
    error = "more than " + std::to_string(kLongestTransfer) + " data bytes";
    return std::nullopt;
  }
  J1939Fields fields;
  const uint32_t pf = (*id >> 16) & 0xFF, ps = (*id >> 8) & 0xFF;
  fields.pgn = ((*id >> 24) & 0x03) << 16 | pf << 8 | (pf >= 240 ? ps : 0);
  fields.priority = static_cast<uint8_t>((*id >> 26) & 0x07);
  fields.source = static_cast<uint8_t>(*id & 0xFF);
  fields.destination = pf < 240 ? static_cast<uint8_t>(ps) : 0xFF;
  fields.data = std::move(*data);
  return fields;
}

std::size_t J1939FrameCount(std::size_t data_bytes) {
  return data_bytes <= 8 ? 1 : 1 + (data_bytes + 6) / 7;
}

}  // namespace vlrclient
