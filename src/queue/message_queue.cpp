#include "queue/message_queue.h"

#include <cstring>
#include <new>

namespace vlr {

MessageQueue::MessageQueue() : ready_(platform::CreateManualResetEvent()) {}

MessageQueue::~MessageQueue() {
  Clear();
  platform::CloseEvent(ready_);
}

QueueEntry* MessageQueue::MakeEntry(std::span<const uint8_t> bytes) {
  if (bytes.size() > kQueueEntryCapacity) return nullptr;
  auto* entry = new (std::nothrow) QueueEntry;
  if (entry == nullptr) return nullptr;
  entry->length = static_cast<uint32_t>(bytes.size());
  if (!bytes.empty())
    std::memcpy(entry->data.data(), bytes.data(), bytes.size());
  return entry;
}

void MessageQueue::LinkLocked(QueueEntry* first, QueueEntry* last,
                              int32_t count) {
  (head_ == nullptr ? head_ : tail_->next) = first;
  tail_ = last;
  count_.fetch_add(count, std::memory_order_relaxed);
  platform::SignalEvent(ready_);
}

bool MessageQueue::Push(const uint8_t* bytes, uint32_t length, bool stampTime,
                        uint8_t echo) {
  if (length > 0 && bytes == nullptr) return false;
  // Made and filled outside the lock: the entry is private until linked.
  QueueEntry* entry = MakeEntry({bytes, length});
  if (entry == nullptr) return false;
  entry->echo = echo;
  entry->timestamp = stampTime ? platform::TickCount() : 0;
  {
    platform::LockGuard guard(lock_);
    LinkLocked(entry, entry, 1);
  }
  // The drop goes through an ordinary Pop so the lock is never held across
  // it; a concurrent consumer may have taken entries meanwhile, which only
  // makes the drop unnecessary, never harmful.
  if (count_.load(std::memory_order_relaxed) >
      maxCount_.load(std::memory_order_relaxed)) {
    QueueEntry scratch;
    Pop(scratch);
  }
  return true;
}

bool MessageQueue::PushFor(uint32_t connection, std::span<const uint8_t> bytes,
                           uint32_t timestamp, uint8_t echo) {
  QueueEntry* entry = MakeEntry(bytes);
  if (entry == nullptr) return false;
  entry->echo = echo;
  entry->timestamp = timestamp;
  {
    platform::LockGuard guard(lock_);
    if (connection_ != connection) {
      delete entry;
      return false;
    }
    LinkLocked(entry, entry, 1);
  }
  if (count_.load(std::memory_order_relaxed) >
      maxCount_.load(std::memory_order_relaxed)) {
    QueueEntry scratch;
    PopFor(connection, scratch);
  }
  return true;
}

bool MessageQueue::PopLocked(QueueEntry*& taken) {
  if (head_ == nullptr) return false;
  taken = head_;
  head_ = taken->next;
  if (head_ == nullptr) {
    tail_ = nullptr;
    // A consumer that waits now has nothing to look at, unless the queue
    // no longer serves anyone (its waiters must go on waking up).
    if (connection_ != kNoConnection) platform::ResetEvent(ready_);
  }
  count_.fetch_sub(1, std::memory_order_relaxed);
  return true;
}

bool MessageQueue::Pop(QueueEntry& out) {
  QueueEntry* taken = nullptr;
  {
    platform::LockGuard guard(lock_);
    if (!PopLocked(taken)) return false;
  }
  out = *taken;
  delete taken;
  return true;
}

bool MessageQueue::PopFor(uint32_t connection, QueueEntry& out) {
  QueueEntry* taken = nullptr;
  {
    platform::LockGuard guard(lock_);
    if (connection_ != connection || !PopLocked(taken)) return false;
  }
  out = *taken;
  delete taken;
  return true;
}

bool MessageQueue::IsEmpty() {
  platform::LockGuard guard(lock_);
  return head_ == nullptr;
}

bool MessageQueue::Peek(QueueEntry& out) {
  platform::LockGuard guard(lock_);
  if (head_ == nullptr) return false;
  out = *head_;
  return true;
}

void MessageQueue::DeleteList(QueueEntry* list) {
  while (list != nullptr) {
    QueueEntry* next = list->next;
    delete list;
    list = next;
  }
}

QueueEntry* MessageQueue::DetachAllLocked() {
  QueueEntry* list = head_;
  head_ = nullptr;
  tail_ = nullptr;
  count_.store(0, std::memory_order_relaxed);
  if (connection_ != kNoConnection) platform::ResetEvent(ready_);
  return list;
}

bool MessageQueue::Clear() {
  QueueEntry* list = nullptr;
  {
    platform::LockGuard guard(lock_);
    list = DetachAllLocked();
  }
  DeleteList(list);
  return true;
}

void MessageQueue::Bind(uint32_t connection) {
  QueueEntry* list = nullptr;
  {
    platform::LockGuard guard(lock_);
    // Waiters of the previous connection wake and find it gone; waiters of
    // the new one cannot exist yet.
    platform::SignalEvent(ready_);
    connection_ = connection;
    list = DetachAllLocked();
  }
  DeleteList(list);
}

PushAllResult MessageQueue::PushAllFor(
    uint32_t connection, std::span<const std::span<const uint8_t>> messages) {
  if (messages.empty()) return PushAllResult::kQueued;
  // The entries are made and chained outside the lock; the chain is linked
  // in one step or thrown away whole.
  QueueEntry* first = nullptr;
  QueueEntry* last = nullptr;
  for (const auto& message : messages) {
    QueueEntry* entry = MakeEntry(message);
    if (entry == nullptr) {
      DeleteList(first);
      return PushAllResult::kNoMemory;
    }
    (first == nullptr ? first : last->next) = entry;
    last = entry;
  }
  const auto count = static_cast<int32_t>(messages.size());
  PushAllResult result = PushAllResult::kQueued;
  {
    platform::LockGuard guard(lock_);
    if (connection_ != connection) {
      result = PushAllResult::kClosed;
    } else if (count_.load(std::memory_order_relaxed) + count >
               maxCount_.load(std::memory_order_relaxed)) {
      result = PushAllResult::kFull;
    } else {
      LinkLocked(first, last, count);
    }
  }
  if (result != PushAllResult::kQueued) DeleteList(first);
  return result;
}

void MessageQueue::WaitForEntry(uint32_t connection, uint32_t timeoutMs) {
  {
    platform::LockGuard guard(lock_);
    if (connection_ != connection || head_ != nullptr) return;
  }
  platform::WaitForEvent(ready_, timeoutMs);
}

void MessageQueue::Wake() {
  platform::LockGuard guard(lock_);
  platform::SignalEvent(ready_);
}

int32_t MessageQueue::GetCount() {
  return count_.load(std::memory_order_relaxed);
}

bool MessageQueue::SetMaxCount(int32_t maxCount) {
  maxCount_.store(maxCount, std::memory_order_relaxed);
  return true;
}

}  // namespace vlr
