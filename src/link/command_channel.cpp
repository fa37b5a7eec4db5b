#include "link/command_channel.h"

#include "connection/connection_state.h"

namespace vlr::link {

CommandChannel& Commands() {
  static CommandChannel channel;
  return channel;
}

bool CommandChannel::Exchange(const Frame& frame, bool awaitAck,
                              uint32_t timeoutMs) {
  platform::LockGuard one(exchangeLock_);
  uint32_t sequence = 0;
  {
    platform::LockGuard guard(pendingLock_);
    sequence = nextSequence_++;
    pending_ = frame;
    pendingChannel_ = frame.length > 2 ? frame.bytes[2] : 0;
    hasPending_ = true;
  }
  const uint32_t start = platform::TickCount();
  for (;;) {
    const bool written =
        writtenSequence_.load(std::memory_order_acquire) == sequence;
    if (written && !awaitAck) return true;
    if (acknowledgedSequence_.load(std::memory_order_acquire) == sequence) {
      return true;
    }
    // A vanished adapter neither takes the frame nor answers it.
    if (Connection().LinkDown()) break;
    if (platform::TickCount() - start >= timeoutMs) break;
    platform::SleepMs(1);
  }
  // Not written in time (the link is stopping): withdraw it, so a late
  // writer cycle does not send a command nobody waits for.
  platform::LockGuard guard(pendingLock_);
  if (hasPending_) hasPending_ = false;
  return false;
}

bool CommandChannel::TakePending(Frame& out) {
  platform::LockGuard guard(pendingLock_);
  if (!hasPending_) return false;
  out = pending_;
  hasPending_ = false;
  // Marked before the port write, as OkToSend is cleared before it: an
  // acknowledgement the reader parses while the write is finishing must
  // count for this frame, not for the one before.
  writtenChannel_.store(pendingChannel_, std::memory_order_relaxed);
  writtenSequence_.store(nextSequence_ - 1, std::memory_order_release);
  return true;
}

void CommandChannel::Acknowledged(uint8_t channelId) {
  const uint32_t written = writtenSequence_.load(std::memory_order_acquire);
  if (written != 0 &&
      writtenChannel_.load(std::memory_order_relaxed) == channelId) {
    acknowledgedSequence_.store(written, std::memory_order_release);
  }
}

void CommandChannel::Reset() {
  platform::LockGuard guard(pendingLock_);
  hasPending_ = false;
  writtenSequence_.store(0, std::memory_order_relaxed);
  acknowledgedSequence_.store(0, std::memory_order_relaxed);
}

}  // namespace vlr::link
