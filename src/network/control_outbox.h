// Frames the layer owes the bus at once (CTS, EOM ACK, Abort, claims,
// answers), in the order they were decided. They go out before any data
// packet. A frame may carry a ticket so that its owner learns when it was
// taken (its timer starts then) and can withdraw it when the owner ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "network/network_types.h"

namespace vlr::network {

class ControlOutbox {
 public:
  // Bounds what a flood of refused announces can pile up while the caller
  // does not take frames; past it, new frames are dropped.
  static constexpr size_t kCapacity = 512;

  struct Entry {
    Packet frame{};
    Millis queuedAt = 0;
    uint64_t ticket = 0;  // 0: nobody waits for it
  };

  uint64_t NewTicket() { return nextTicket_++; }
  bool Push(const Packet& frame, Millis now, uint64_t ticket = 0);
  bool Pop(Entry& out);
  void Withdraw(uint64_t ticket);
  std::optional<Millis> OldestQueued() const;
  size_t Size() const { return entries_.size(); }
  void Clear() { entries_.clear(); }

 private:
  std::deque<Entry> entries_;
  uint64_t nextTicket_ = 1;
};

}  // namespace vlr::network
