// A TrafficSource that plays a fixed list of messages, for tests and for
// the program's control commands.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "vlrsim/traffic_source.h"

namespace vlrsim {

class ScriptedSource : public TrafficSource {
 public:
  // Messages must be in time order.
  explicit ScriptedSource(std::vector<TimedMessage> messages)
      : messages_(std::move(messages)) {}

  std::optional<TimedMessage> Next() override {
    if (next_ >= messages_.size()) return std::nullopt;
    return messages_[next_++];
  }

 private:
  std::vector<TimedMessage> messages_;
  size_t next_ = 0;
};

}  // namespace vlrsim
