#pragma once

#include <atomic>
#include <cstdint>

#include "platform/platform.h"
#include "queue/queue_entry.h"

namespace vlr {

// A first-in-first-out list of entries that never blocks: taking from an
// empty queue fails at once, and a push past the threshold drops the oldest
// entry. Producers and consumers may be on different threads.
class MessageQueue {
 public:
  static constexpr int32_t kDefaultMaxCount = 3000;
  static constexpr int32_t kTransmitMaxCount = 200;

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
};

// The one implementation; the protocol-named types below differ only in
// name, so the connection can say which protocol its queues serve.
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

 private:
  platform::Lock lock_;
  QueueEntry* head_ = nullptr;  // guarded by lock_
  QueueEntry* tail_ = nullptr;  // guarded by lock_
  // Read without the lock by GetCount and the overflow test.
  std::atomic<int32_t> count_{0};
  std::atomic<int32_t> maxCount_{kDefaultMaxCount};
};

class J1708MessageQueue final : public LinkedMessageQueue {};
class J1939MessageQueue final : public LinkedMessageQueue {};

}  // namespace vlr
