#include "messages.h"

namespace vlrdecode {
namespace {

constexpr std::size_t kTimestampBytes = 4;
constexpr std::size_t kJ1939Header = 6;

std::optional<J1939Message> ParseJ1939Record(std::span<const uint8_t> record) {
  if (record.size() < kJ1939Header) return std::nullopt;
  J1939Message message;
  const uint32_t ps = record[0], pf = record[1], page = record[2] & 0x03;
  message.pgn = page << 16 | pf << 8 | (pf >= 240 ? ps : 0);
  message.priority = record[3] & 0x07;
  message.source = record[4];
  message.destination = pf < 240 ? record[5] : 0xFF;
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
  const uint32_t pf = (message.pgn >> 8) & 0xFF;
  const uint32_t ps =
      IsPdu1(message.pgn) ? message.destination : message.pgn & 0xFF;
  return (uint32_t{message.priority} & 7) << 26 |
         ((message.pgn >> 16) & 3) << 24 | pf << 16 | ps << 8 | message.source;
}

J1939Message FromIdentifier(uint32_t id, std::span<const uint8_t> data) {
  J1939Message message;
  const uint32_t pf = (id >> 16) & 0xFF;
  const uint32_t ps = (id >> 8) & 0xFF;
  message.pgn = ((id >> 24) & 3) << 16 | pf << 8 | (pf >= 240 ? ps : 0);
  message.priority = (id >> 26) & 7;
  message.source = id & 0xFF;
  message.destination = pf < 240 ? static_cast<uint8_t>(ps) : 0xFF;
  message.data.assign(data.begin(), data.end());
  return message;
}

bool IsPdu1(uint32_t pgn) { return ((pgn >> 8) & 0xFF) < 240; }

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
