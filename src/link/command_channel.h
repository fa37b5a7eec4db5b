#pragma once

#include <atomic>
#include <cstdint>

#include "link/frames.h"
#include "platform/platform.h"
#include "vlr/thread_annotations.h"

namespace vlr::link {

// Command frames for one adapter after start-up. The writer thread stays the
// only writer of the port, so an application thread hands it the frame and
// waits; the reader thread, which sees the adapter's acknowledgement in the
// byte stream, wakes the waiting thread.
class CommandChannel {
 public:
  // `writerWake` is signalled whenever a frame is handed over, so the
  // writer, waiting for work, takes it at once.
  explicit CommandChannel(platform::Event writerWake);
  ~CommandChannel();
  CommandChannel(const CommandChannel&) = delete;
  CommandChannel& operator=(const CommandChannel&) = delete;

  // Application thread. Queues `frame` ahead of any message frame and, when
  // `awaitAck`, waits up to `timeoutMs` for the adapter to acknowledge it.
  // True when acknowledged, or when no acknowledgement was awaited and the
  // frame was written in time.
  bool Exchange(const Frame& frame, bool awaitAck, uint32_t timeoutMs);

  // Writer thread: takes the frame waiting to be written, if any, and marks
  // it as the frame written last.
  bool TakePending(Frame& out);
  // Writer thread: a frame is waiting (a hint; TakePending decides).
  bool HasPending() const {
    return hasPendingHint_.load(std::memory_order_acquire);
  }

  // Reader thread: the adapter acknowledged a command on `channel`.
  void Acknowledged(uint8_t channelId);

  // The link is gone (stopped, or the adapter vanished): no frame will be
  // written or answered any more, so waits end now rather than at their
  // bound, and later exchanges fail at once.
  void Abandon();

 private:
  // How long an adapter takes to answer a command at most, when it does.
  static constexpr uint32_t kLateAnswerMs = 20;

  bool Settled(uint32_t sequence, bool awaitAck) const;
  void AbsorbLateAnswer(uint32_t sequence) REQUIRES(exchangeLock_);

  // One command at a time; held while waiting for the acknowledgement, so
  // it comes first: Exchange takes pendingLock_ inside it, and nothing that
  // holds pendingLock_ may wait for a command.
  platform::Lock exchangeLock_ ACQUIRED_BEFORE(pendingLock_);
  platform::Lock pendingLock_;
  Frame pending_ GUARDED_BY(pendingLock_);
  bool hasPending_ GUARDED_BY(pendingLock_) = false;
  uint32_t nextSequence_ GUARDED_BY(pendingLock_) = 1;
  uint8_t pendingChannel_ GUARDED_BY(pendingLock_) = 0;
  std::atomic<bool> hasPendingHint_{false};
  std::atomic<uint32_t> writtenSequence_{0};
  std::atomic<uint8_t> writtenChannel_{0};
  std::atomic<uint32_t> acknowledgedSequence_{0};
  std::atomic<bool> abandoned_{false};
  const platform::Event writerWake_;
  // Signalled on every step an exchange waits for: its frame written, an
  // acknowledgement, the link gone.
  platform::Event progress_;
};

}  // namespace vlr::link
