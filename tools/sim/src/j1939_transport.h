// The two ends of a transport-protocol transfer as the simulated ECUs play
// them: each is fed the frames of its session and the clock, and puts its
// answers into an Outbox with the moment they are due.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "j1939_tp.h"
#include "vlrsim/j1939_ecu.h"

namespace vlrsim::detail {

// Puts a whole broadcast transfer of `message` from `source`, the BAM at
// `start` and the packets `interval` apart after it. Returns when the last
// packet goes.
Clock::time_point ScheduleBam(uint8_t source, uint32_t pgn,
                              std::span<const uint8_t> message,
                              Clock::time_point start,
                              std::chrono::milliseconds interval, Outbox& out);

// The receiving end of a connection-mode transfer `peer` started with an
// RTS to `self`, spoiled as `faults` asks.
class RtsReceiver {
 public:
  RtsReceiver(uint8_t self, uint8_t peer, std::span<const uint8_t> rts,
              uint8_t window, const TransferFaults& faults,
              Clock::time_point now, Outbox& out);

  void OnData(std::span<const uint8_t> packet, Clock::time_point now,
              Outbox& out);
  void OnAbort() { ended_ = true; }
  void Advance(Clock::time_point now, Outbox& out);

  std::optional<Clock::time_point> Deadline() const;
  bool Ended() const { return ended_; }
  // The message, once, after the End-of-Message ACK went out.
  std::optional<EcuMessage> TakeCompleted();

 private:
  void AskForMore(Clock::time_point now, Outbox& out);
  void Abort(uint8_t reason, Clock::time_point at, Outbox& out);

  uint8_t self_;
  uint8_t peer_;
  uint32_t pgn_;
  size_t size_;
  size_t packets_;
  uint8_t window_;
  TransferFaults faults_;
  Bytes data_;
  size_t next_ = 1;        // the packet expected next
  size_t window_end_ = 0;  // the last packet the current CTS asked for
  int taken_ = 0;          // packets taken over the whole transfer
  int holds_left_;
  std::optional<Clock::time_point> deadline_;
  bool ended_ = false;
  bool complete_ = false;
};

// The receiving end of a broadcast transfer from `peer`.
class BamReceiver {
 public:
  BamReceiver(uint8_t peer, std::span<const uint8_t> bam,
              Clock::time_point now);

  void OnData(std::span<const uint8_t> packet, Clock::time_point now);
  void Advance(Clock::time_point now);

  std::optional<Clock::time_point> Deadline() const;
  bool Ended() const { return ended_; }
  std::optional<EcuMessage> TakeCompleted();

 private:
  uint8_t peer_;
  uint32_t pgn_;
  size_t size_;
  size_t packets_;
  Bytes data_;
  size_t next_ = 1;
  Clock::time_point deadline_;
  bool ended_ = false;
  bool complete_ = false;
};

// The sending end of a connection-mode transfer from `self` to `peer`.
class RtsSender {
 public:
  RtsSender(uint8_t self, uint8_t peer, uint32_t pgn, Bytes message,
            std::chrono::milliseconds packet_interval, Clock::time_point now,
            Outbox& out);

  // A TP.CM from the peer to `self` (CTS, End-of-Message ACK, Abort).
  void OnControl(std::span<const uint8_t> control, Clock::time_point now,
                 Outbox& out);
  void Advance(Clock::time_point now, Outbox& out);

  std::optional<Clock::time_point> Deadline() const;
  const std::optional<EcuSendOutcome>& Outcome() const { return outcome_; }
  uint8_t peer() const { return peer_; }

 private:
  void SendWindow(size_t count, size_t next, Clock::time_point now,
                  Outbox& out);
  void End(EcuSendOutcome::Result result, uint8_t reason, Outbox& out);

  uint8_t self_;
  uint8_t peer_;
  uint32_t pgn_;
  Bytes message_;
  std::chrono::milliseconds interval_;
  Clock::time_point deadline_;
  std::optional<EcuSendOutcome> outcome_;
};

}  // namespace vlrsim::detail
