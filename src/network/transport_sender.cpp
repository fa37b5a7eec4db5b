#include "network/transport_sender.h"

#include <algorithm>
#include <array>

namespace vlr::network {
namespace {

constexpr uint8_t kSendAsBroadcast = 0x80;  // in the how/priority byte

}  // namespace

SendResult TransportSender::Send(std::span<const uint8_t> message, uint32_t id,
                                 Millis now) {
  if (message.size() < kMinTransportMessage ||
      message.size() > kMaxTransportMessage) {
    return SendResult::kTooLong;
  }
  if (WaitingCount() >= kMaxBacklog) return SendResult::kBusy;
  Outbound transfer;
  transfer.id = id;
  transfer.message.assign(message.begin(), message.end());
  transfer.broadcast =
      message[5] == kGlobal || (message[3] & kSendAsBroadcast) != 0;
  transfer.source = message[4];
  transfer.destination = transfer.broadcast ? kGlobal : message[5];
  transfer.pgn = {message[0], message[1], message[2]};
  transfer.size = static_cast<uint16_t>(message.size() - kHeaderSize);
  transfer.packets = static_cast<uint8_t>(PacketsFor(transfer.size));
  transfers_.push_back(std::move(transfer));
  StartWaiting(now);
  return SendResult::kStarted;
}

bool TransportSender::OnControl(const FrameHeader& header,
                                const ControlData& control, Millis now,
                                ControlOutbox& outbox, Events& out) {
  const uint8_t code = control.Code();
  if (code != control::kCts && code != control::kEndOfMessage &&
      code != control::kAbort) {
    return false;
  }
  const auto at = std::find_if(
      transfers_.begin(), transfers_.end(), [&](const Outbound& transfer) {
        return transfer.step != Step::kWaiting && !transfer.broadcast &&
               transfer.source == header.destination &&
               transfer.destination == header.source &&
               SamePgn(transfer.pgn, control.TransferredPgn());
      });
  if (at == transfers_.end()) return false;
  if (code == control::kAbort) {
    Finish(at, false, now, out);
  } else if (code == control::kEndOfMessage) {
    // Before every packet went out once it can only be stale; after, the
    // receiver has it all even if it had asked for packets again.
    if (at->allSent) Finish(at, true, now, out);
  } else {
    OnCts(at, control, now, outbox, out);
  }
  return true;
}

void TransportSender::OnCts(const Transfers::iterator& at,
                            const ControlData& control, Millis now,
                            ControlOutbox& outbox, Events& out) {
  Outbound& transfer = *at;
  if (transfer.step == Step::kAnnounce) return;  // our RTS is not out yet
  if (transfer.step == Step::kData && transfer.next < transfer.windowEnd) {
    Fail(at, AbortReason::kCtsDuringData, now, outbox, out);
    return;
  }
  const uint16_t count = control.CtsCount();
  const uint16_t next = control.CtsNext();
  if (count == 0) {  // a hold: the receiver asks again later
    transfer.due = now + kHoldTimeoutMs;
    return;
  }
  if (next == 0 || next + count - 1 > transfer.packets) {
    Fail(at, AbortReason::kBadSequence, now, outbox, out);
    return;
  }
  transfer.next = next;
  transfer.windowEnd = next + count;
  transfer.step = Step::kData;
  transfer.due = now;
}

void TransportSender::OnTime(Millis now, ControlOutbox& outbox, Events& out) {
  for (;;) {
    const auto expired = std::find_if(
        transfers_.begin(), transfers_.end(), [now](const Outbound& t) {
          return (t.step == Step::kAwaitCts || t.step == Step::kAwaitEnd) &&
                 t.due <= now;
        });
    if (expired == transfers_.end()) return;
    Fail(expired, AbortReason::kTimeout, now, outbox, out);
  }
}

bool TransportSender::TakeFrame(Millis now, Packet& frame, Events& out) {
  auto pick = transfers_.end();
  for (auto at = transfers_.begin(); at != transfers_.end(); ++at) {
    const bool sending = at->step == Step::kAnnounce || at->step == Step::kData;
    if (sending && at->due <= now &&
        (pick == transfers_.end() || at->due < pick->due)) {
      pick = at;
    }
  }
  if (pick == transfers_.end()) return false;
  frame = NextPacket(*pick, now);
  if (pick->broadcast && pick->step == Step::kData &&
      pick->next > pick->packets) {
    Finish(pick, true, now, out);
  }
  return true;
}

Packet TransportSender::NextPacket(Outbound& transfer, Millis now) {
  if (transfer.step == Step::kAnnounce) {
    if (transfer.broadcast) {
      transfer.step = Step::kData;
      transfer.next = 1;
      transfer.due = now + interpacketMs_;
      return BamPacket(transfer.source, transfer.size, transfer.packets,
                       transfer.pgn);
    }
    transfer.step = Step::kAwaitCts;
    transfer.due = now + kCtsTimeoutMs;
    return RtsPacket(transfer.source, transfer.destination, transfer.size,
                     transfer.packets, transfer.pgn);
  }
  const auto data =
      std::span<const uint8_t>(transfer.message).subspan(kHeaderSize);
  const Packet frame = DataPacket(transfer.source, transfer.destination,
                                  static_cast<uint8_t>(transfer.next), data);
  ++transfer.next;
  if (transfer.next > transfer.packets) transfer.allSent = true;
  if (transfer.broadcast) {
    transfer.due = now + interpacketMs_;
  } else if (transfer.next >= transfer.windowEnd) {
    // After packets asked again, the receiver may want more of them or be
    // done: its CTS or its EOM ACK comes next.
    transfer.step = transfer.allSent ? Step::kAwaitEnd : Step::kAwaitCts;
    transfer.due = now + kCtsTimeoutMs;
  }
  return frame;
}

void TransportSender::Fail(const Transfers::iterator& at, AbortReason reason,
                           Millis now, ControlOutbox& outbox, Events& out) {
  outbox.Push(AbortPacket(at->source, at->destination, reason, at->pgn), now);
  Finish(at, false, now, out);
}

void TransportSender::Finish(const Transfers::iterator& at, bool ok, Millis now,
                             Events& out) {
  out.ended.push_back({at->id, ok, std::move(at->message)});
  transfers_.erase(at);
  StartWaiting(now);
}

void TransportSender::StartWaiting(Millis now) {
  std::array<bool, 256> broadcasting{};
  std::vector<uint16_t> pairs;  // source << 8 | destination, running
  for (const Outbound& t : transfers_) {
    if (t.step == Step::kWaiting) continue;
    if (t.broadcast) {
      broadcasting[t.source] = true;
    } else {
      pairs.push_back(static_cast<uint16_t>(t.source << 8 | t.destination));
    }
  }
  for (Outbound& t : transfers_) {
    if (t.step != Step::kWaiting) continue;
    if (t.broadcast) {
      if (broadcasting[t.source]) continue;
      broadcasting[t.source] = true;
    } else {
      const auto pair = static_cast<uint16_t>(t.source << 8 | t.destination);
      if (pairs.size() >= maxSessions_ ||
          std::find(pairs.begin(), pairs.end(), pair) != pairs.end()) {
        continue;
      }
      pairs.push_back(pair);
    }
    t.step = Step::kAnnounce;
    t.due = now;
  }
}

std::optional<Millis> TransportSender::NextDeadline() const {
  std::optional<Millis> earliest;
  for (const Outbound& t : transfers_) {
    if (t.step != Step::kWaiting && (!earliest || t.due < *earliest)) {
      earliest = t.due;
    }
  }
  return earliest;
}

size_t TransportSender::RunningCount() const {
  return static_cast<size_t>(std::count_if(
      transfers_.begin(), transfers_.end(),
      [](const Outbound& t) { return t.step != Step::kWaiting; }));
}

size_t TransportSender::WaitingCount() const {
  return transfers_.size() - RunningCount();
}

}  // namespace vlr::network
