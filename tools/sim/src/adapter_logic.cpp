#include "adapter_logic.h"

#include "vlrsim/counted_frames.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim::detail {

AdapterLogic::AdapterLogic(const AdapterOptions& options)
    : family_(options.family),
      check_line_rate_(options.check_line_rate && !options.device),
      real_line_(options.device.has_value()),
      slot_frame_resumes_receive_(options.slot_frame_resumes_receive),
      silent_(options.silent),
      loopback_(options.loopback),
      ready_delay_(options.ready_delay),
      report_j1708_(options.report_j1708),
      report_j1939_(options.report_j1939),
      stream_regardless_(options.stream_regardless) {}

std::vector<Reaction> AdapterLogic::OnHostFrame(const HostFrame& frame,
                                                uint32_t host_baud,
                                                uint32_t stamp) {
  if (family_ == Family::k2xx && frame.kind == HostFrame::Kind::kOther) {
    NoteWakeUpBytes(frame);
    return {};
  }
  if (family_ == Family::k2xx) {
    wake_up_run_ = 0;
    garbled_run_ = 0;
    if (!Understood(frame, host_baud)) return {};
  }
  if (frame.kind == HostFrame::Kind::kCommand) return AnswerCommand(frame);
  if (frame.kind == HostFrame::Kind::kMessage)
    return AnswerMessage(frame, stamp);
  return {};
}

std::optional<Bytes> AdapterLogic::Report(const TimedMessage& message,
                                          uint32_t stamp) const {
  if (silent_) return std::nullopt;
  const bool j1939 = message.bus == Bus::kJ1939;
  if (family_ == Family::k1xx) {
    if (j1939 ? !report_j1939_ : !report_j1708_) return std::nullopt;
    return j1939 ? counted::J1939Frame(message.id, message.data)
                 : counted::J1708Frame(static_cast<uint8_t>(message.id),
                                       message.data);
  }
  if (j1939) {
    if (!stream_regardless_ &&
        (!state_.j1939_receive || !filter_.Passes(message.id))) {
      return std::nullopt;
    }
    return synced::J1939MessageFrame(message.id, message.data, stamp);
  }
  if (!stream_regardless_ && !state_.j1708_receive) return std::nullopt;
  return synced::J1708MessageFrame(static_cast<uint8_t>(message.id),
                                   message.data, stamp);
}

bool AdapterLogic::PutsOnJ1939(const HostFrame& frame,
                               uint32_t host_baud) const {
  if (frame.kind != HostFrame::Kind::kMessage || frame.bus != Bus::kJ1939) {
    return false;
  }
  return family_ == Family::k1xx || Understood(frame, host_baud);
}

// A pseudo-terminal has no line rate of its own, so a rate mismatch is
// judged from the settings: once the adapter has moved to 115200 baud, a
// frame the host writes at another rate would reach it garbled. The rate
// change itself is taken at any rate, because the host may already have
// switched by the time the simulator looks.
bool AdapterLogic::Understood(const HostFrame& frame,
                              uint32_t host_baud) const {
  if (!check_line_rate_) return true;
  if (frame.kind == HostFrame::Kind::kCommand &&
      frame.channel == synced::kChannelLink) {
    return true;
  }
  return host_baud == ListeningBaud();
}

uint32_t AdapterLogic::ListeningBaud() const {
  if (family_ == Family::k2xx && !state_.rate_changed) return kStartupBaud;
  return ConnectedBaud(family_);
}

void AdapterLogic::NoteWakeUpBytes(const HostFrame& frame) {
  for (uint8_t byte : frame.raw) {
    NoteGarbledByte(byte);
    if (byte != synced::kWakeUpByte) {
      wake_up_run_ = 0;
      continue;
    }
    ++state_.wake_up_bytes;
    if (++wake_up_run_ == kWakeUpResetCount) ResetToPowerOn();
  }
}

// A host that connects again starts at 9600 baud. On a pseudo-terminal its
// wake-up run arrives intact whatever the adapter's rate, but on a real
// line an adapter still at 115200 cannot read it: each slow byte arrives as
// framing errors, which a raw line delivers as NUL bytes. Such a run resets
// the adapter, so that the rest of the start-up, at 9600, is understood.
void AdapterLogic::NoteGarbledByte(uint8_t byte) {
  if (!real_line_ || !state_.rate_changed || byte != 0x00) {
    garbled_run_ = 0;
    return;
  }
  if (++garbled_run_ == kGarbledResetCount) ResetToPowerOn();
}

void AdapterLogic::ResetToPowerOn() {
  const int seen = state_.wake_up_bytes;
  state_ = AdapterState{};
  state_.wake_up_bytes = seen;
  filter_.Clear();
  garbled_run_ = 0;
}

void AdapterLogic::ApplyCommand(const HostFrame& frame) {
  using namespace synced;
  if (frame.channel == kChannelLink && frame.code == kLinkRateChange) {
    state_.rate_changed = true;
    state_.wake_up_bytes = 0;
    return;
  }
  if (frame.channel == kChannelJ1708) {
    if (frame.code == kJ1708ReceiveOn) state_.j1708_receive = true;
    if (frame.code == kJ1708ReceiveOff) state_.j1708_receive = false;
    return;
  }
  if (frame.channel != kChannelJ1939) return;
  if (frame.code == kJ1939ReceiveOn) state_.j1939_receive = true;
  if (frame.code == kJ1939ReceiveOff) state_.j1939_receive = false;
  if (frame.args.size() != 4) return;
  const uint32_t value = (uint32_t{frame.args[0]} << 24) |
                         (uint32_t{frame.args[1]} << 16) |
                         (uint32_t{frame.args[2]} << 8) | frame.args[3];
  if (frame.code == kJ1939FilterMask) filter_.SetMask(value);
  if (const int slot = FilterSlotOf(frame.code); slot >= 0) {
    filter_.SetSlot(slot, value);
    if (slot_frame_resumes_receive_) state_.j1939_receive = true;
  }
}

// The rate change is never acknowledged; every other command is, on its own
// channel.
std::vector<Reaction> AdapterLogic::AnswerCommand(const HostFrame& frame) {
  ApplyCommand(frame);
  if (silent_ || frame.channel == synced::kChannelLink) return {};
  return {Reaction{synced::AckFrame(frame.channel)}};
}

std::vector<Reaction> AdapterLogic::AnswerMessage(const HostFrame& frame,
                                                  uint32_t stamp) {
  std::vector<Reaction> reactions;
  if (silent_) return reactions;
  if (loopback_) {
    if (auto echo = Report(frame.AsMessage(), stamp)) {
      reactions.push_back(Reaction{std::move(*echo)});
    }
  }
  if (family_ == Family::k2xx && frame.bus == Bus::kJ1708 && ready_delay_) {
    reactions.push_back(Reaction{synced::ReadyFrame(), *ready_delay_});
  }
  return reactions;
}

}  // namespace vlrsim::detail
