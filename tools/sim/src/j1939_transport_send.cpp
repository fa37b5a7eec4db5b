// The sending ends of transfers the simulated ECUs make.
#include "j1939_transport.h"

namespace vlrsim::detail {

Clock::time_point ScheduleBam(uint8_t source, uint32_t pgn,
                              std::span<const uint8_t> message,
                              Clock::time_point start,
                              std::chrono::milliseconds interval, Outbox& out) {
  out.Put(start, tp::ControlId(source, 0xFF), tp::Bam(message.size(), pgn));
  const size_t packets = tp::PacketCount(message.size());
  Clock::time_point at = start;
  for (size_t sequence = 1; sequence <= packets; ++sequence) {
    at += interval;
    out.Put(at, tp::DataId(source, 0xFF),
            tp::DataPacket(message, static_cast<uint8_t>(sequence)));
  }
  return at;
}

RtsSender::RtsSender(uint8_t self, uint8_t peer, uint32_t pgn, Bytes message,
                     std::chrono::milliseconds packet_interval,
                     Clock::time_point now, Outbox& out)
    : self_(self),
      peer_(peer),
      pgn_(pgn),
      message_(std::move(message)),
      interval_(packet_interval),
      deadline_(now + tp::kTr + tp::kT3) {
  out.Put(now, tp::ControlId(self_, peer_),
          tp::Rts(message_.size(), 0xFF, pgn_));
}

void RtsSender::OnControl(std::span<const uint8_t> control,
                          Clock::time_point now, Outbox& out) {
  if (outcome_ || control.size() < 8 || tp::ControlPgn(control) != pgn_) {
    return;
  }
  switch (control[0]) {
    case tp::kCts:
      if (control[1] == 0) {
        deadline_ = now + tp::kT4;  // a hold
      } else {
        SendWindow(control[1], control[2], now, out);
      }
      break;
    case tp::kEndOfMessageAck:
      End(EcuSendOutcome::Result::kAcknowledged, 0, out);
      break;
    case tp::kAbort:
      End(EcuSendOutcome::Result::kAborted, control[1], out);
      break;
    default:
      break;
  }
}

void RtsSender::Advance(Clock::time_point now, Outbox& out) {
  if (outcome_ || now < deadline_) return;
  out.Put(now, tp::ControlId(self_, peer_), tp::Abort(tp::kAbortTimeout, pgn_));
  End(EcuSendOutcome::Result::kTimedOut, tp::kAbortTimeout, out);
}

std::optional<Clock::time_point> RtsSender::Deadline() const {
  if (outcome_) return std::nullopt;
  return deadline_;
}

void RtsSender::SendWindow(size_t count, size_t next, Clock::time_point now,
                           Outbox& out) {
  const size_t packets = tp::PacketCount(message_.size());
  Clock::time_point at = now;
  for (size_t sequence = next; sequence < next + count && sequence <= packets;
       ++sequence) {
    if (sequence == 0) continue;
    out.Put(at, tp::DataId(self_, peer_),
            tp::DataPacket(message_, static_cast<uint8_t>(sequence)));
    at += interval_;
  }
  deadline_ = at + tp::kT3;
}

void RtsSender::End(EcuSendOutcome::Result result, uint8_t reason,
                    Outbox& out) {
  // Packets still scheduled belong to a transfer that is over.
  if (result != EcuSendOutcome::Result::kAcknowledged) {
    out.DropPending(0xFFFFFFFF, tp::DataId(self_, peer_));
  }
  outcome_ = EcuSendOutcome{pgn_, peer_, message_.size(), result, reason};
}

}  // namespace vlrsim::detail
