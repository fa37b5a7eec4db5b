// Sending messages of more than 8 data bytes: broadcast (BAM) transfers
// paced by the interpacket time, and connection-mode (RTS/CTS) transfers
// driven by the receiver's CTS. Transfers that may not run yet wait in a
// bounded backlog, in the order they were handed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "network/control_outbox.h"
#include "network/network_types.h"
#include "network/tp_frames.h"

namespace vlr::network {

constexpr Millis kCtsTimeoutMs = 1250;   // after RTS or a window (T3)
constexpr Millis kHoldTimeoutMs = 1050;  // after a CTS that holds (T4)
constexpr size_t kMaxBacklog = 64;
constexpr size_t kMinTransportMessage = kHeaderSize + kMinTransportData;
constexpr size_t kMaxTransportMessage = kHeaderSize + kMaxTransportData;

class TransportSender {
 public:
  SendResult Send(std::span<const uint8_t> message, uint32_t id, Millis now);
  // A TP.CM frame; true when it belonged to a running transfer.
  bool OnControl(const FrameHeader& header, const ControlData& control,
                 Millis now, ControlOutbox& outbox, Events& out);
  void OnTime(Millis now, ControlOutbox& outbox, Events& out);
  bool TakeFrame(Millis now, Packet& frame, Events& out);
  std::optional<Millis> NextDeadline() const;
  void SetMaxSessions(size_t count) { maxSessions_ = count; }
  void SetInterpacketMs(uint32_t ms) { interpacketMs_ = ms; }
  void Clear() { transfers_.clear(); }

  size_t RunningCount() const;
  size_t WaitingCount() const;

 private:
  enum class Step { kWaiting, kAnnounce, kData, kAwaitCts, kAwaitEnd };
  struct Outbound {
    uint32_t id = 0;
    std::vector<uint8_t> message;
    bool broadcast = false;
    uint8_t source = 0;
    uint8_t destination = 0;
    Pgn pgn{};
    uint16_t size = 0;
    uint8_t packets = 0;
    Step step = Step::kWaiting;
    uint16_t next = 1;       // next packet to send
    uint16_t windowEnd = 0;  // first packet past the asked window
    bool allSent = false;    // every packet went out at least once
    Millis due = 0;          // next frame (announce, data) or time-out (await)
  };
  using Transfers = std::deque<Outbound>;

  void OnCts(const Transfers::iterator& at, const ControlData& control,
             Millis now, ControlOutbox& outbox, Events& out);
  Packet NextPacket(Outbound& transfer, Millis now);
  void Finish(const Transfers::iterator& at, bool ok, Millis now, Events& out);
  void Fail(const Transfers::iterator& at, AbortReason reason, Millis now,
            ControlOutbox& outbox, Events& out);
  void StartWaiting(Millis now);

  Transfers transfers_;  // running and waiting, in the order handed in
  size_t maxSessions_ = 16;
  uint32_t interpacketMs_ = 50;
};

}  // namespace vlr::network
