#include "link/command_channel.h"

namespace vlr::link {

CommandChannel::CommandChannel(platform::Event writerWake)
    : writerWake_(writerWake), progress_(platform::CreateManualResetEvent()) {}

CommandChannel::~CommandChannel() { platform::CloseEvent(progress_); }

bool CommandChannel::Settled(uint32_t sequence, bool awaitAck) const {
  if (acknowledgedSequence_.load(std::memory_order_acquire) == sequence) {
    return true;
  }
  return !awaitAck &&
         writtenSequence_.load(std::memory_order_acquire) == sequence;
}

// A frame sent without awaiting its answer may still be answered. Were
// the next command written before that answer came, the answer would be
// taken for the next command's, and the next command's caller would go on
// before the adapter had acted on it. So the exchange ends when the answer
// comes, or after the time an answer would have taken.
void CommandChannel::AbsorbLateAnswer(uint32_t sequence) {
  const uint32_t start = platform::TickCount();
  for (;;) {
    platform::ResetEvent(progress_);
    if (Settled(sequence, true) || abandoned_.load(std::memory_order_acquire)) {
      return;
    }
    const uint32_t waited = platform::TickCount() - start;
    if (waited >= kLateAnswerMs) return;
    platform::WaitForEvent(progress_, kLateAnswerMs - waited);
  }
}

bool CommandChannel::Exchange(const Frame& frame, bool awaitAck,
                              uint32_t timeoutMs) {
  platform::LockGuard one(exchangeLock_);
  if (abandoned_.load(std::memory_order_acquire)) return false;
  uint32_t sequence = 0;
  {
    platform::LockGuard guard(pendingLock_);
    sequence = nextSequence_++;
    pending_ = frame;
    pendingChannel_ = frame.length > 2 ? frame.bytes[2] : 0;
    hasPending_ = true;
    hasPendingHint_.store(true, std::memory_order_release);
  }
  platform::SignalEvent(writerWake_);
  const uint32_t start = platform::TickCount();
  for (;;) {
    // Reset before the test: a step that comes after the test signals
    // again, and one that came before it is seen by the test.
    platform::ResetEvent(progress_);
    if (Settled(sequence, awaitAck)) {
      if (!awaitAck) AbsorbLateAnswer(sequence);
      return true;
    }
    if (abandoned_.load(std::memory_order_acquire)) break;
    const uint32_t waited = platform::TickCount() - start;
    if (waited >= timeoutMs) break;
    platform::WaitForEvent(progress_, timeoutMs - waited);
  }
  // Not written or answered in time: withdraw it, so a late writer cycle
  // does not send a command nobody waits for.
  platform::LockGuard guard(pendingLock_);
  hasPending_ = false;
  hasPendingHint_.store(false, std::memory_order_release);
  return false;
}

bool CommandChannel::TakePending(Frame& out) {
  {
    platform::LockGuard guard(pendingLock_);
    if (!hasPending_) return false;
    out = pending_;
    hasPending_ = false;
    hasPendingHint_.store(false, std::memory_order_release);
    // Marked before the port write, as OkToSend is cleared before it: an
    // acknowledgement the reader parses while the write is finishing must
    // count for this frame, not for the one before.
    writtenChannel_.store(pendingChannel_, std::memory_order_relaxed);
    writtenSequence_.store(nextSequence_ - 1, std::memory_order_release);
  }
  platform::SignalEvent(progress_);
  return true;
}

void CommandChannel::Acknowledged(uint8_t channelId) {
  const uint32_t written = writtenSequence_.load(std::memory_order_acquire);
  if (written != 0 &&
      writtenChannel_.load(std::memory_order_relaxed) == channelId) {
    acknowledgedSequence_.store(written, std::memory_order_release);
    platform::SignalEvent(progress_);
  }
}

void CommandChannel::Abandon() {
  abandoned_.store(true, std::memory_order_release);
  platform::SignalEvent(progress_);
}

}  // namespace vlr::link
