// Merges many periodic message streams into one sequence in time order, as
// the ECUs of a vehicle interleave on a shared bus. A stream fires at its
// due time and may emit several messages spread after it (a multi-packet
// transfer), which then interleave with the other streams' messages.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <queue>
#include <vector>

#include "vlrsim/traffic_source.h"

namespace vlrscenario {

struct Firing {
  // Absolute times, none before the due time that produced them.
  std::vector<vlrsim::TimedMessage> messages;
  // When the stream fires again; nothing retires it.
  std::optional<std::chrono::microseconds> next_due;
};

class MessageSchedule {
 public:
  using FireFn = std::function<Firing(std::chrono::microseconds due)>;

  void AddStream(std::chrono::microseconds first_due, FireFn fire);
  // No message after `end` is returned; nothing: no end.
  void SetEnd(std::optional<std::chrono::microseconds> end) { end_ = end; }

  // The earliest message not yet returned; equal times come in the order
  // they were produced. Nothing once every stream has retired or the end
  // has passed.
  std::optional<vlrsim::TimedMessage> Next();

 private:
  struct Stream {
    std::optional<std::chrono::microseconds> due;
    FireFn fire;
  };
  struct Pending {
    vlrsim::TimedMessage message;
    uint64_t order = 0;
    bool operator>(const Pending& other) const {
      if (message.at != other.message.at) return message.at > other.message.at;
      return order > other.order;
    }
  };

  Stream* EarliestStream();
  void Fire(Stream& stream);

  std::vector<Stream> streams_;
  std::priority_queue<Pending, std::vector<Pending>, std::greater<>> pending_;
  uint64_t produced_ = 0;
  std::optional<std::chrono::microseconds> end_;
};

}  // namespace vlrscenario
