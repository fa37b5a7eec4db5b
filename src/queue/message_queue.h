#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "platform/platform.h"
#include "queue/queue_entry.h"
#include "vlr/thread_annotations.h"

namespace vlr {

enum class PushAllResult { kQueued, kFull, kClosed, kNoMemory };

// A first-in-first-out list of entries that never blocks a producer: a push
// past the threshold drops the oldest entry. Producers and consumers may be
// on different threads; a consumer may wait for an entry with a bound.
//
// A queue lives as long as its client and serves one connection after
// another. Each connection binds it to its number (never 0, different from
// the previous connection's); the operations that take a connection act
// only while the queue is bound to that one, checked under the queue's
// lock, so a thread still holding an earlier connection's number can never
// take from or add to the next connection's entries.
class MessageQueue {
 public:
  static constexpr int32_t kDefaultMaxCount = 3000;
  static constexpr int32_t kTransmitMaxCount = 200;
  static constexpr uint32_t kNoConnection = 0;

  MessageQueue();
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // False, with the queue unchanged, when there is no memory for the entry
  // or `length` exceeds an entry's capacity.
  bool Push(const uint8_t* bytes, uint32_t length, bool stampTime,
            uint8_t echo);
  bool Pop(QueueEntry& out);
  bool IsEmpty();
  bool Peek(QueueEntry& out);
  bool Clear();
  int32_t GetCount();
  bool SetMaxCount(int32_t maxCount);

  // Empties the queue and binds it to `connection` (kNoConnection: to
  // none). A consumer waiting for the previous connection wakes up.
  void Bind(uint32_t connection);
  // Push, stamped with `timestamp`, only while bound to `connection`.
  bool PushFor(uint32_t connection, std::span<const uint8_t> bytes,
               uint32_t timestamp, uint8_t echo);
  // Pop, only while the queue is bound to `connection`.
  bool PopFor(uint32_t connection, QueueEntry& out);
  // Appends every message of `messages` (unstamped) or none: kFull when
  // they would take the count past the threshold (nothing is dropped to
  // make room), kClosed when the queue is not bound to `connection`,
  // kNoMemory when an entry cannot be made (no memory, or a message longer
  // than an entry).
  PushAllResult PushAllFor(uint32_t connection,
                           std::span<const std::span<const uint8_t>> messages);

  // Blocks up to `timeoutMs` until the queue holds an entry, no longer
  // serves `connection`, or Wake is called. Callers look again after it:
  // another consumer may have taken the entry first.
  void WaitForEntry(uint32_t connection, uint32_t timeoutMs);
  // Ends the current waits early, for a reason outside the queue (the
  // link went down).
  void Wake();

 private:
  bool PopLocked(QueueEntry*& taken) REQUIRES(lock_);
  void LinkLocked(QueueEntry* first, QueueEntry* last, int32_t count)
      REQUIRES(lock_);
  // Unlinks every entry; the caller frees them after releasing the lock,
  // so threads waiting for it do not wait for the frees too.
  QueueEntry* DetachAllLocked() REQUIRES(lock_);
  static void DeleteList(QueueEntry* list);
  static QueueEntry* MakeEntry(std::span<const uint8_t> bytes);

  // lock_ is a leaf: nothing else is locked while it is held (the event's
  // own guard is the platform's, never held across a wait of ours).
  platform::Lock lock_;
  QueueEntry* head_ GUARDED_BY(lock_) = nullptr;
  QueueEntry* tail_ GUARDED_BY(lock_) = nullptr;
  uint32_t connection_ GUARDED_BY(lock_) = kNoConnection;
  // Signalled while there is something for a waiting consumer to look at:
  // an entry, or the end of its connection. Set and reset under lock_, so
  // its state never contradicts the list's.
  platform::Event ready_;
  // Read without the lock by GetCount and the overflow test.
  std::atomic<int32_t> count_{0};
  std::atomic<int32_t> maxCount_{kDefaultMaxCount};
};

}  // namespace vlr
