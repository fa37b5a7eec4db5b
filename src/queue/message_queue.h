#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "platform/platform.h"
#include "queue/queue_entry.h"
#include "vlr/thread_annotations.h"

namespace vlr {

enum class PushAllResult { kQueued, kFull, kClosed, kNoMemory };

// A first-in-first-out list of entries that never blocks: taking from an
// empty queue fails at once, and a push past the threshold drops the oldest
// entry. Producers and consumers may be on different threads.
//
// A queue lives as long as its client slot and serves one connection after
// another. Each connection binds it to its session (a number that is never
// 0 and differs from the previous connection's); the operations that take a
// session act only while the queue is bound to that one, checked under the
// queue's lock, so a thread still holding the session of an earlier
// connection can never take from or add to the next connection's entries.
class MessageQueue {
 public:
  static constexpr int32_t kDefaultMaxCount = 3000;
  static constexpr int32_t kTransmitMaxCount = 200;
  static constexpr uint32_t kNoSession = 0;

  virtual ~MessageQueue() = default;
  // False, with the queue unchanged, when there is no memory for the entry
  // or `length` exceeds an entry's capacity.
  virtual bool Push(const uint8_t* bytes, uint32_t length, bool stampTime,
                    uint32_t reserved, uint8_t echo) = 0;
  virtual bool Pop(QueueEntry& out) = 0;
  virtual bool IsEmpty() = 0;
  virtual bool Peek(QueueEntry& out) = 0;
  virtual bool Clear() = 0;
  virtual int32_t GetCount() = 0;
  virtual bool SetMaxCount(int32_t maxCount) = 0;

  // Empties the queue and binds it to `session` (kNoSession: to none).
  virtual void Bind(uint32_t session) = 0;
  // Pop, only while the queue is bound to `session`.
  virtual bool PopFor(uint32_t session, QueueEntry& out) = 0;
  // Appends every message of `messages` (unstamped) or none: kFull when they
  // would take the count past the threshold (nothing is dropped to make
  // room), kClosed when the queue is not bound to `session`, kNoMemory when
  // an entry cannot be made (no memory, or a message longer than an entry).
  virtual PushAllResult PushAllFor(
      uint32_t session, std::span<const std::span<const uint8_t>> messages) = 0;
};

// The one implementation. The protocol-named types below differ only in
// name; a client slot's queues serve either protocol.
class LinkedMessageQueue : public MessageQueue {
 public:
  LinkedMessageQueue() = default;
  ~LinkedMessageQueue() override;

  bool Push(const uint8_t* bytes, uint32_t length, bool stampTime,
            uint32_t reserved, uint8_t echo) override;
  bool Pop(QueueEntry& out) override;
  bool IsEmpty() override;
  bool Peek(QueueEntry& out) override;
  bool Clear() override;
  int32_t GetCount() override;
  bool SetMaxCount(int32_t maxCount) override;
  void Bind(uint32_t session) override;
  bool PopFor(uint32_t session, QueueEntry& out) override;
  PushAllResult PushAllFor(
      uint32_t session,
      std::span<const std::span<const uint8_t>> messages) override;

 private:
  bool PopLocked(QueueEntry*& taken) REQUIRES(lock_);
  // Unlinks every entry; the caller frees them after releasing the lock,
  // so threads waiting for it do not wait for the frees too.
  QueueEntry* DetachAllLocked() REQUIRES(lock_);
  static void DeleteList(QueueEntry* list);

  // lock_ is a leaf: nothing else is locked while it is held.
  platform::Lock lock_;
  QueueEntry* head_ GUARDED_BY(lock_) = nullptr;
  QueueEntry* tail_ GUARDED_BY(lock_) = nullptr;
  uint32_t session_ GUARDED_BY(lock_) = kNoSession;
  // Read without the lock by GetCount and the overflow test.
  std::atomic<int32_t> count_{0};
  std::atomic<int32_t> maxCount_{kDefaultMaxCount};
};

class J1708MessageQueue final : public LinkedMessageQueue {};
class J1939MessageQueue final : public LinkedMessageQueue {};

}  // namespace vlr
