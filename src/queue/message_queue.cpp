#include "queue/message_queue.h"

#include <cstring>
#include <new>

namespace vlr {

// Qualified: during destruction a virtual call would not reach an override
// anyway, and saying so keeps the reader from looking for one.
LinkedMessageQueue::~LinkedMessageQueue() { LinkedMessageQueue::Clear(); }

bool LinkedMessageQueue::Push(const uint8_t* bytes, uint32_t length,
                              bool stampTime, uint32_t reserved, uint8_t echo) {
  if (length > kQueueEntryCapacity || (length > 0 && bytes == nullptr)) {
    return false;
  }
  // Allocate and fill outside the lock: the entry is private until linked.
  auto* entry = new (std::nothrow) QueueEntry;
  if (entry == nullptr) return false;
  entry->length = length;
  entry->echo = echo;
  if (length > 0) std::memcpy(entry->data.data(), bytes, length);
  entry->timestamp = stampTime ? platform::TickCount() : 0;
  entry->reserved = reserved;
  entry->next = nullptr;
  {
    platform::LockGuard guard(lock_);
    if (head_ == nullptr) {
      head_ = entry;
    } else {
      tail_->next = entry;
    }
    tail_ = entry;
    count_.fetch_add(1, std::memory_order_relaxed);
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

bool LinkedMessageQueue::PopLocked(QueueEntry*& taken) {
  if (head_ == nullptr) return false;
  taken = head_;
  head_ = taken->next;
  if (head_ == nullptr) tail_ = nullptr;
  count_.fetch_sub(1, std::memory_order_relaxed);
  return true;
}

bool LinkedMessageQueue::Pop(QueueEntry& out) {
  QueueEntry* taken = nullptr;
  {
    platform::LockGuard guard(lock_);
    if (!PopLocked(taken)) return false;
  }
  out = *taken;
  delete taken;
  return true;
}

bool LinkedMessageQueue::PopFor(uint32_t session, QueueEntry& out) {
  QueueEntry* taken = nullptr;
  {
    platform::LockGuard guard(lock_);
    if (session_ != session || !PopLocked(taken)) return false;
  }
  out = *taken;
  delete taken;
  return true;
}

bool LinkedMessageQueue::IsEmpty() {
  platform::LockGuard guard(lock_);
  return head_ == nullptr;
}

bool LinkedMessageQueue::Peek(QueueEntry& out) {
  platform::LockGuard guard(lock_);
  if (head_ == nullptr) return false;
  out = *head_;
  return true;
}

void LinkedMessageQueue::DeleteList(QueueEntry* list) {
  while (list != nullptr) {
    QueueEntry* next = list->next;
    delete list;
    list = next;
  }
}

QueueEntry* LinkedMessageQueue::DetachAllLocked() {
  QueueEntry* list = head_;
  head_ = nullptr;
  tail_ = nullptr;
  count_.store(0, std::memory_order_relaxed);
  return list;
}

bool LinkedMessageQueue::Clear() {
  QueueEntry* list = nullptr;
  {
    platform::LockGuard guard(lock_);
    list = DetachAllLocked();
  }
  DeleteList(list);
  return true;
}

void LinkedMessageQueue::Bind(uint32_t session) {
  QueueEntry* list = nullptr;
  {
    platform::LockGuard guard(lock_);
    list = DetachAllLocked();
    session_ = session;
  }
  DeleteList(list);
}

PushAllResult LinkedMessageQueue::PushAllFor(
    uint32_t session, std::span<const std::span<const uint8_t>> messages) {
  if (messages.empty()) return PushAllResult::kQueued;
  // The entries are made and chained outside the lock; the chain is linked
  // in one step or thrown away whole.
  QueueEntry* first = nullptr;
  QueueEntry* last = nullptr;
  for (const auto& message : messages) {
    auto* entry = message.size() <= kQueueEntryCapacity ? new (std::nothrow)
                                                              QueueEntry
                                                        : nullptr;
    if (entry == nullptr) {
      DeleteList(first);
      return PushAllResult::kNoMemory;
    }
    entry->length = static_cast<uint32_t>(message.size());
    if (!message.empty()) {
      std::memcpy(entry->data.data(), message.data(), message.size());
    }
    (first == nullptr ? first : last->next) = entry;
    last = entry;
  }
  const auto count = static_cast<int32_t>(messages.size());
  PushAllResult result = PushAllResult::kQueued;
  {
    platform::LockGuard guard(lock_);
    if (session_ != session) {
      result = PushAllResult::kClosed;
    } else if (count_.load(std::memory_order_relaxed) + count >
               maxCount_.load(std::memory_order_relaxed)) {
      result = PushAllResult::kFull;
    } else {
      (head_ == nullptr ? head_ : tail_->next) = first;
      tail_ = last;
      count_.fetch_add(count, std::memory_order_relaxed);
    }
  }
  if (result != PushAllResult::kQueued) DeleteList(first);
  return result;
}

int32_t LinkedMessageQueue::GetCount() {
  return count_.load(std::memory_order_relaxed);
}

bool LinkedMessageQueue::SetMaxCount(int32_t maxCount) {
  maxCount_.store(maxCount, std::memory_order_relaxed);
  return true;
}

}  // namespace vlr
