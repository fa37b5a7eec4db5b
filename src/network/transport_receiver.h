// Reassembly of transfers to this client: broadcast (BAM) transfers from
// any source, and connection-mode (RTS/CTS) transfers addressed to an
// address the client holds. At most one of each per source at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "network/control_outbox.h"
#include "network/network_types.h"
#include "network/tp_frames.h"

namespace vlr::network {

constexpr Millis kPacketTimeoutMs = 750;  // between data packets (T1)
constexpr Millis kDataAfterCtsMs = 1250;  // first data after a CTS (T2)

class TransportReceiver {
 public:
  // `toClaimedAddress`: the frame's destination is an address this client
  // holds as claimed; connection-mode transfers to any other are not ours.
  Disposition OnFrame(std::span<const uint8_t> message, bool toClaimedAddress,
                      Millis now, ControlOutbox& outbox, Events& out);
  void OnTime(Millis now, ControlOutbox& outbox);
  // A frame carrying `ticket` went out at `now`.
  void OnTaken(uint64_t ticket, Millis now);
  std::optional<Millis> NextDeadline() const;
  void SetMaxSessions(size_t count) { maxSessions_ = count; }
  // The client no longer holds `address`: its transfers to it end without
  // a word, since the address now answers for someone else.
  void DropTo(uint8_t address, ControlOutbox& outbox);
  void Clear(ControlOutbox& outbox);

  size_t BroadcastCount() const { return broadcasts_.size(); }
  size_t ConnectionCount() const { return connections_.size(); }

 private:
  struct Inbound {
    Pgn pgn{};
    uint8_t priority = 0;
    uint8_t peer = 0;   // the sender
    uint8_t local = 0;  // our address, or 255 for a broadcast
    uint16_t size = 0;
    uint8_t packets = 0;
    uint8_t maxPerCts = 0xFF;
    uint16_t next = 1;       // sequence number expected next
    uint16_t windowEnd = 0;  // first sequence number past the asked window
    std::vector<uint8_t> data;
    std::optional<Millis> deadline;
    uint64_t ctsTicket = 0;  // the CTS not yet taken
  };
  using Sessions = std::map<uint8_t, Inbound>;

  Disposition OnControl(std::span<const uint8_t> message, bool toClaimed,
                        Millis now, ControlOutbox& outbox);
  Disposition OnData(std::span<const uint8_t> message, Millis now,
                     ControlOutbox& outbox, Events& out);
  Disposition StartBroadcast(const FrameHeader& header,
                             const ControlData& control, Millis now,
                             ControlOutbox& outbox);
  Disposition StartConnection(const FrameHeader& header,
                              const ControlData& control, Millis now,
                              ControlOutbox& outbox);
  void AskWindow(Inbound& session, Millis now, ControlOutbox& outbox);
  void Drop(Sessions& sessions, Sessions::iterator at, ControlOutbox& outbox);
  void Abort(const Inbound& session, AbortReason reason, Millis now,
             ControlOutbox& outbox);

  Sessions broadcasts_;
  Sessions connections_;
  size_t maxSessions_ = 16;
};

}  // namespace vlr::network
