// Joins the packets of J1939 multi-packet transfers back into the message
// they carry, watching the bus as a bystander: broadcast transfers
// (announce 0x20 to the global address) and connection transfers (request
// to send 0x10 between two nodes), each followed by numbered data packets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "messages.h"

namespace vlrdecode {

inline constexpr uint32_t kPgnTpCm = 0x00EC00;
inline constexpr uint32_t kPgnTpDt = 0x00EB00;

class TransportReassembler {
 public:
  // A sender that pauses longer than this between packets has given up
  // (J1939 allows 750 ms).
  static constexpr uint32_t kPacketTimeoutMs = 1000;

  // Feed every J1939 message in the order read, with the driver's
  // timestamp. Returns the carried message when this packet completes a
  // transfer; its priority is the announce's.
  std::optional<J1939Message> Feed(const J1939Message& message,
                                   uint32_t timestamp_ms);

  // Transfers abandoned: a packet missing, an abort, a timeout, or a new
  // announce from the same sender before the last one finished.
  std::size_t abandoned() const { return abandoned_; }

 private:
  struct Session {
    uint32_t pgn = 0;
    uint16_t size = 0;
    uint8_t packets = 0;
    uint8_t next = 1;
    uint8_t priority = 0;
    uint32_t last_ms = 0;
    std::vector<uint8_t> data;
  };
  using Key = std::pair<uint8_t, uint8_t>;  // sender, receiver (0xFF: all)

  void OnConnectionManagement(const J1939Message& message,
                              uint32_t timestamp_ms);
  std::optional<J1939Message> OnDataTransfer(const J1939Message& message,
                                             uint32_t timestamp_ms);
  void Abandon(const Key& key);

  std::map<Key, Session> sessions_;
  std::size_t abandoned_ = 0;
};

}  // namespace vlrdecode
