#include "network/control_outbox.h"

#include <algorithm>

namespace vlr::network {

bool ControlOutbox::Push(const Packet& frame, Millis now, uint64_t ticket) {
  if (entries_.size() >= kCapacity) return false;
  entries_.push_back({frame, now, ticket});
  return true;
}

bool ControlOutbox::Pop(Entry& out) {
  if (entries_.empty()) return false;
  out = entries_.front();
  entries_.pop_front();
  return true;
}

void ControlOutbox::Withdraw(uint64_t ticket) {
  if (ticket == 0) return;
  std::erase_if(entries_, [ticket](const Entry& entry) {
    return entry.ticket == ticket;
  });
}

std::optional<Millis> ControlOutbox::OldestQueued() const {
  if (entries_.empty()) return std::nullopt;
  return entries_.front().queuedAt;
}

}  // namespace vlr::network
