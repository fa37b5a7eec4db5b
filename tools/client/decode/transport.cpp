#include "transport.h"

#include <algorithm>

namespace vlrdecode {
namespace {

using vlrcommon::j1939::kGlobalAddress;

constexpr uint8_t kRequestToSend = 0x10;
constexpr uint8_t kBroadcastAnnounce = 0x20;
constexpr uint8_t kAbort = 0xFF;
constexpr std::size_t kBytesPerPacket = 7;
constexpr uint16_t kLargestTransfer = 1785;

}  // namespace

std::optional<J1939Message> TransportReassembler::Feed(
    const J1939Message& message, uint32_t timestamp_ms) {
  if (message.pgn == kPgnTpCm) {
    OnConnectionManagement(message, timestamp_ms);
    return std::nullopt;
  }
  if (message.pgn == kPgnTpDt) return OnDataTransfer(message, timestamp_ms);
  return std::nullopt;
}

void TransportReassembler::OnConnectionManagement(const J1939Message& message,
                                                  uint32_t timestamp_ms) {
  const std::vector<uint8_t>& d = message.data;
  if (d.size() < 8) return;
  const Key key{message.source, message.destination};
  if (d[0] == kAbort) {
    Abandon(key);
    Abandon(Key{message.destination, message.source});
    return;
  }
  const bool broadcast =
      d[0] == kBroadcastAnnounce && message.destination == kGlobalAddress;
  const bool connection =
      d[0] == kRequestToSend && message.destination != kGlobalAddress;
  if (!broadcast && !connection)
    return;  // CTS, end of message: nothing to join
  Session session;
  session.size = static_cast<uint16_t>(d[1] | d[2] << 8);
  session.packets = d[3];
  session.pgn = vlrcommon::j1939::PgnFromBytes(std::span(d).subspan<5, 3>());
  session.priority = message.priority;
  session.last_ms = timestamp_ms;
  const bool consistent =
      session.size > 8 && session.size <= kLargestTransfer &&
      session.packets == (session.size + kBytesPerPacket - 1) / kBytesPerPacket;
  Abandon(key);
  if (consistent) sessions_[key] = std::move(session);
}

std::optional<J1939Message> TransportReassembler::OnDataTransfer(
    const J1939Message& message, uint32_t timestamp_ms) {
  const Key key{message.source, message.destination};
  auto found = sessions_.find(key);
  if (found == sessions_.end() || message.data.empty()) return std::nullopt;
  Session& session = found->second;
  const uint8_t sequence = message.data[0];
  if (timestamp_ms - session.last_ms > kPacketTimeoutMs || sequence == 0 ||
      sequence > session.next || sequence > session.packets) {
    Abandon(key);
    return std::nullopt;
  }
  // A connection's sender may repeat packets the receiver asked for again.
  session.data.resize((sequence - 1) * kBytesPerPacket);
  const std::size_t count = std::min(kBytesPerPacket, message.data.size() - 1);
  session.data.insert(
      session.data.end(), message.data.begin() + 1,
      message.data.begin() + 1 + static_cast<std::ptrdiff_t>(count));
  session.next = static_cast<uint8_t>(sequence + 1);
  session.last_ms = timestamp_ms;
  if (sequence < session.packets) return std::nullopt;
  if (session.data.size() < session.size) {
    Abandon(key);
    return std::nullopt;
  }
  J1939Message carried;
  carried.pgn = session.pgn;
  carried.priority = session.priority;
  carried.source = message.source;
  carried.destination =
      IsPdu1(session.pgn) ? message.destination : kGlobalAddress;
  carried.data.assign(session.data.begin(),
                      session.data.begin() + session.size);
  sessions_.erase(found);
  return carried;
}

void TransportReassembler::Abandon(const Key& key) {
  if (sessions_.erase(key) > 0) ++abandoned_;
}

}  // namespace vlrdecode
