#include "messages.h"

namespace vlrdecode {
namespace {

namespace j1939 = vlrcommon::j1939;

constexpr std::size_t kTimestampBytes = 4;
constexpr std::size_t kJ1939Header = 6;

std::optional<J1939Message> ParseJ1939Record(std::span<const uint8_t> record) {
  if (record.size() < kJ1939Header) return std::nullopt;
  J1939Message message;
  const uint8_t ps = record[0], pf = record[1];
  message.pgn = j1939::PgnOf(record[2], pf, ps);
  message.priority = record[3] & 0x07;
  message.source = record[4];
  message.destination = j1939::DestinationOf(pf, record[5]);
  message.data.assign(record.begin() + kJ1939Header, record.end());
  return message;
}

std::optional<J1708Message> ParseJ1708Record(std::span<const uint8_t> record,
                                             bool raw) {
  if (record.empty() || (raw && record.size() < 2)) return std::nullopt;
  J1708Message message;
  message.mid = record[0];
  std::span<const uint8_t> rest = record.subspan(1);
  if (raw) {
    message.checksum = rest.back();
    rest = rest.first(rest.size() - 1);
  }
  message.data.assign(rest.begin(), rest.end());
  return message;
}

}  // namespace

uint32_t IdentifierOf(const J1939Message& message) {
  return j1939::IdentifierOf(
      {message.pgn, message.priority, message.source, message.destination});
}

J1939Message FromIdentifier(uint32_t id, std::span<const uint8_t> data) {
  const j1939::MessageHeader header = j1939::HeaderOf(id);
  J1939Message message;
  message.pgn = header.pgn;
  message.priority = header.priority;
  message.source = header.source;
  message.destination = header.destination;
  message.data.assign(data.begin(), data.end());
  return message;
}

std::optional<ReadRecord> ParseReadBuffer(std::span<const uint8_t> bytes,
                                          const ReadLayout& layout) {
  const std::size_t head = kTimestampBytes + (layout.echo_mode ? 1 : 0);
  if (bytes.size() < head) return std::nullopt;
  ReadRecord record;
  record.timestamp_ms = uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 |
                        uint32_t{bytes[2]} << 8 | bytes[3];
  record.echoed = layout.echo_mode && bytes[4] != 0;
  const std::span<const uint8_t> body = bytes.subspan(head);
  if (layout.protocol == Protocol::kJ1939) {
    auto message = ParseJ1939Record(body);
    if (!message) return std::nullopt;
    record.message = std::move(*message);
  } else {
    auto message = ParseJ1708Record(body, layout.j1708_raw);
    if (!message) return std::nullopt;
    record.message = std::move(*message);
  }
  return record;
}

}  // namespace vlrdecode
