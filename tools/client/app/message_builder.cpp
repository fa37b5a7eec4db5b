#include "message_builder.h"

#include "vlrcommon/hex_text.h"
#include "vlrcommon/j1939_identifier.h"

namespace vlrclient {
namespace {

namespace j1939 = vlrcommon::j1939;

constexpr std::size_t kLongestTransfer = 1785;
// cansend's mark of an extended (29-bit) identifier.
constexpr std::size_t kIdentifierDigits = 8;

// The identifier before '#', in the one syntax of vlrcommon::ParseHexNumber
// but always with all eight digits; nothing, with a reason in `error`.
std::optional<uint32_t> ParseFrameIdentifier(std::string_view text,
                                             std::string& error) {
  const std::size_t hash = text.find('#');
  std::string_view digits = text.substr(0, hash);
  if (digits.starts_with("0x") || digits.starts_with("0X")) {
    digits.remove_prefix(2);
  }
  if (hash == std::string_view::npos || digits.size() != kIdentifierDigits) {
    error = "expected IIIIIIII#DATA with an 8-digit hex identifier, got '" +
            std::string(text) + "'";
    return std::nullopt;
  }
  auto id = vlrcommon::ParseJ1939Identifier(text.substr(0, hash));
  if (!id) {
    error = "identifier '" + std::string(text.substr(0, hash)) +
            "' is not a 29-bit hex number";
  }
  return id;
}

}  // namespace

std::vector<uint8_t> BuildJ1939Message(const J1939Fields& f) {
  const auto pgn = j1939::PgnBytes(f.pgn);
  std::vector<uint8_t> message(pgn.begin(), pgn.end());
  message.insert(message.end(), {static_cast<uint8_t>(f.priority & 0x07),
                                 f.source, f.destination});
  message.insert(message.end(), f.data.begin(), f.data.end());
  return message;
}

std::vector<uint8_t> BuildClaimCommand(uint8_t address, uint64_t name) {
  std::vector<uint8_t> command{address};
  for (int i = 0; i < 8; ++i) {
    command.push_back(static_cast<uint8_t>(name >> (8 * i)));
  }
  command.push_back(0);
  return command;
}

std::vector<uint8_t> BuildJ1708Message(uint8_t priority, uint8_t mid,
                                       std::span<const uint8_t> data) {
  std::vector<uint8_t> message = {priority, mid};
  message.insert(message.end(), data.begin(), data.end());
  return message;
}

std::optional<J1939Fields> ParseFrameText(std::string_view text,
                                          std::string& error) {
  auto id = ParseFrameIdentifier(text, error);
  if (!id) return std::nullopt;
  const std::string_view data_text = text.substr(text.find('#') + 1);
  auto data = vlrcommon::ParseHexBytes(data_text);
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
  const j1939::MessageHeader header = j1939::HeaderOf(*id);
  J1939Fields fields;
  fields.pgn = header.pgn;
  fields.priority = header.priority;
  fields.source = header.source;
  fields.destination = header.destination;
  fields.data = std::move(*data);
  return fields;
}

std::size_t J1939FrameCount(std::size_t data_bytes) {
  return data_bytes <= 8 ? 1 : 1 + (data_bytes + 6) / 7;
}

}  // namespace vlrclient
