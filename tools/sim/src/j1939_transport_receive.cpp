// The receiving ends of transfers the host sends to the simulated ECUs.
#include <algorithm>

#include "j1939_transport.h"

namespace vlrsim::detail {

namespace {
// Copies packet `sequence` into its place in `message`.
void Place(Bytes& message, std::span<const uint8_t> packet, size_t sequence) {
  const size_t start = (sequence - 1) * tp::kPacketBytes;
  if (start >= message.size() || packet.size() < 2) return;
  const size_t count =
      std::min({tp::kPacketBytes, message.size() - start, packet.size() - 1});
  std::copy_n(packet.begin() + 1, count, message.begin() + start);
}

bool SizeFits(size_t size, size_t packets) {
  return size > 8 && size <= kLargestTransfer &&
         packets == tp::PacketCount(size);
}
}  // namespace

RtsReceiver::RtsReceiver(uint8_t self, uint8_t peer,
                         std::span<const uint8_t> rts, uint8_t window,
                         const TransferFaults& faults, Clock::time_point now,
                         Outbox& out)
    : self_(self),
      peer_(peer),
      pgn_(tp::ControlPgn(rts)),
      size_(tp::ControlSize(rts)),
      packets_(rts.size() > 3 ? rts[3] : 0),
      window_(std::max<uint8_t>(
          1, std::min(window, rts.size() > 4 ? rts[4] : uint8_t{0xFF}))),
      faults_(faults),
      data_(size_),
      holds_left_(faults.holds) {
  if (!SizeFits(size_, packets_)) {
    Abort(tp::kAbortTooLarge, now, out);
  } else if (faults_.drop_cts) {
    ended_ = true;
  } else if (faults_.abort_after_rts) {
    Abort(*faults_.abort_after_rts, now + faults_.answer_delay, out);
  } else {
    AskForMore(now, out);
  }
}

void RtsReceiver::OnData(std::span<const uint8_t> packet, Clock::time_point now,
                         Outbox& out) {
  if (ended_ || packet.empty()) return;
  if (packet[0] != next_ || next_ > window_end_) {
    Abort(tp::kAbortBadSequence, now, out);
    return;
  }
  Place(data_, packet, next_);
  ++next_;
  ++taken_;
  deadline_ = now + tp::kT1;
  if (faults_.stop_after_packet == taken_) {
    ended_ = true;
    return;
  }
  if (faults_.abort_after_packet == taken_) {
    Abort(faults_.abort_reason, now + faults_.answer_delay, out);
    return;
  }
  if (next_ > window_end_) AskForMore(now, out);
}

void RtsReceiver::Advance(Clock::time_point now, Outbox& out) {
  if (!ended_ && deadline_ && now >= *deadline_) {
    Abort(tp::kAbortTimeout, now, out);
  }
}

std::optional<Clock::time_point> RtsReceiver::Deadline() const {
  if (ended_) return std::nullopt;
  return deadline_;
}

std::optional<EcuMessage> RtsReceiver::TakeCompleted() {
  if (!complete_) return std::nullopt;
  complete_ = false;
  return EcuMessage{pgn_, peer_, self_, false, std::move(data_)};
}

// The next CTS, or the End-of-Message ACK once every packet came; each
// after the answer delay, a CTS after any hold it is due.
void RtsReceiver::AskForMore(Clock::time_point now, Outbox& out) {
  Clock::time_point at = now + faults_.answer_delay;
  const uint32_t control = tp::ControlId(self_, peer_);
  if (next_ > packets_) {
    out.Put(at, control, tp::EndOfMessageAck(size_, pgn_));
    ended_ = true;
    complete_ = true;
    return;
  }
  if (holds_left_ > 0) {
    --holds_left_;
    const Clock::time_point hold_end = at + faults_.hold_time;
    for (auto t = at; t < hold_end; t += tp::kTh) {
      out.Put(t, control, tp::Cts(0, 0xFF, pgn_));
    }
    at = hold_end;
  }
  const size_t count = std::min<size_t>(window_, packets_ - next_ + 1);
  out.Put(
      at, control,
      tp::Cts(static_cast<uint8_t>(count), static_cast<uint8_t>(next_), pgn_));
  window_end_ = next_ + count - 1;
  deadline_ = at + tp::kT2;
}

void RtsReceiver::Abort(uint8_t reason, Clock::time_point at, Outbox& out) {
  out.Put(at, tp::ControlId(self_, peer_), tp::Abort(reason, pgn_));
  ended_ = true;
}

BamReceiver::BamReceiver(uint8_t peer, std::span<const uint8_t> bam,
                         Clock::time_point now)
    : peer_(peer),
      pgn_(tp::ControlPgn(bam)),
      size_(tp::ControlSize(bam)),
      packets_(bam.size() > 3 ? bam[3] : 0),
      data_(size_),
      deadline_(now + tp::kT1),
      ended_(!SizeFits(size_, packets_)) {}

void BamReceiver::OnData(std::span<const uint8_t> packet,
                         Clock::time_point now) {
  if (ended_ || packet.empty()) return;
  if (packet[0] != next_) {
    ended_ = true;
    return;
  }
  Place(data_, packet, next_);
  deadline_ = now + tp::kT1;
  if (++next_ > packets_) {
    ended_ = true;
    complete_ = true;
  }
}

void BamReceiver::Advance(Clock::time_point now) {
  if (now >= deadline_) ended_ = true;
}

std::optional<Clock::time_point> BamReceiver::Deadline() const {
  if (ended_) return std::nullopt;
  return deadline_;
}

std::optional<EcuMessage> BamReceiver::TakeCompleted() {
  if (!complete_) return std::nullopt;
  complete_ = false;
  return EcuMessage{pgn_, peer_, 0xFF, true, std::move(data_)};
}

}  // namespace vlrsim::detail
