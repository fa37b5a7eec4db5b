#include "j1939_tp.h"

#include <algorithm>

#include "vlrcommon/j1939_identifier.h"
#include "vlrsim/j1939_ecu.h"

namespace vlrsim::detail {

namespace j1939 = vlrcommon::j1939;

void Outbox::Put(Clock::time_point at, uint32_t id, Bytes data) {
  frames_.push_back(BusFrame{at, id, std::move(data)});
}

std::vector<BusFrame> Outbox::TakeDue(Clock::time_point now) {
  std::vector<BusFrame> due;
  std::vector<BusFrame> later;
  for (auto& frame : frames_) {
    (frame.at <= now ? due : later).push_back(std::move(frame));
  }
  frames_ = std::move(later);
  std::stable_sort(
      due.begin(), due.end(),
      [](const BusFrame& a, const BusFrame& b) { return a.at < b.at; });
  return due;
}

std::optional<Clock::time_point> Outbox::NextTime() const {
  if (frames_.empty()) return std::nullopt;
  return std::min_element(
             frames_.begin(), frames_.end(),
             [](const BusFrame& a, const BusFrame& b) { return a.at < b.at; })
      ->at;
}

void Outbox::DropPending(uint32_t id_mask, uint32_t id_value) {
  std::erase_if(frames_, [&](const BusFrame& frame) {
    return (frame.id & id_mask) == id_value;
  });
}

namespace tp {

Heard Hear(uint32_t id, std::span<const uint8_t> data) {
  const j1939::MessageHeader header = j1939::HeaderOf(id);
  return Heard{header.pgn, header.priority, header.source, header.destination,
               data};
}

uint32_t IdOf(uint32_t pgn, uint8_t priority, uint8_t source,
              uint8_t destination) {
  return j1939::IdentifierOf(
      j1939::MessageHeader{pgn, priority, source, destination});
}

namespace {
constexpr uint8_t kTransportPriority = 7;

void AppendPgn(Bytes& bytes, uint32_t pgn) {
  for (uint8_t byte : j1939::PgnBytes(pgn)) bytes.push_back(byte);
}

Bytes SizedControl(uint8_t control, size_t size, uint8_t third, uint8_t fourth,
                   uint32_t pgn) {
  Bytes bytes{control, static_cast<uint8_t>(size & 0xFF),
              static_cast<uint8_t>(size >> 8), third, fourth};
  AppendPgn(bytes, pgn);
  return bytes;
}
}  // namespace

uint32_t ControlId(uint8_t source, uint8_t destination) {
  return IdOf(kPgnTpControl, kTransportPriority, source, destination);
}

uint32_t DataId(uint8_t source, uint8_t destination) {
  return IdOf(kPgnTpData, kTransportPriority, source, destination);
}

size_t PacketCount(size_t size) {
  return (size + kPacketBytes - 1) / kPacketBytes;
}

Bytes Rts(size_t size, uint8_t max_per_cts, uint32_t pgn) {
  return SizedControl(kRts, size, static_cast<uint8_t>(PacketCount(size)),
                      max_per_cts, pgn);
}

Bytes Cts(uint8_t packets, uint8_t next, uint32_t pgn) {
  Bytes bytes{kCts, packets, next, 0xFF, 0xFF};
  AppendPgn(bytes, pgn);
  return bytes;
}

Bytes EndOfMessageAck(size_t size, uint32_t pgn) {
  return SizedControl(kEndOfMessageAck, size,
                      static_cast<uint8_t>(PacketCount(size)), 0xFF, pgn);
}

Bytes Bam(size_t size, uint32_t pgn) {
  return SizedControl(kBam, size, static_cast<uint8_t>(PacketCount(size)), 0xFF,
                      pgn);
}

Bytes Abort(uint8_t reason, uint32_t pgn) {
  Bytes bytes{kAbort, reason, 0xFF, 0xFF, 0xFF};
  AppendPgn(bytes, pgn);
  return bytes;
}

Bytes DataPacket(std::span<const uint8_t> message, uint8_t sequence) {
  Bytes packet(8, 0xFF);
  packet[0] = sequence;
  const size_t start = (sequence - 1u) * kPacketBytes;
  if (start >= message.size()) return packet;
  const size_t count = std::min(kPacketBytes, message.size() - start);
  std::copy_n(message.begin() + start, count, packet.begin() + 1);
  return packet;
}

uint32_t ControlPgn(std::span<const uint8_t> data) {
  if (data.size() < 8) return 0;
  return j1939::PgnFromBytes(data.subspan<5, 3>());
}

size_t ControlSize(std::span<const uint8_t> data) {
  if (data.size() < 3) return 0;
  return data[1] | (size_t{data[2]} << 8);
}

}  // namespace tp
}  // namespace vlrsim::detail
