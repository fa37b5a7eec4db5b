// The simulated ECUs together, as the adapter's I/O thread drives them:
// every frame the host transmits goes to each, and their due frames come
// back in time order.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "j1939_node.h"

namespace vlrsim::detail {

class J1939Network {
 public:
  J1939Network(const std::vector<EcuOptions>& ecus, Clock::time_point now);

  void Add(const EcuOptions& ecu, Clock::time_point now);
  bool Empty() const { return nodes_.empty(); }

  void OnHostFrame(uint32_t id, std::span<const uint8_t> data,
                   Clock::time_point now);
  // Runs every ECU's timers up to `now` and returns what is due.
  std::vector<BusFrame> Advance(Clock::time_point now);
  std::optional<Clock::time_point> NextTime() const;

  // The ECU added last with this address, or null.
  EcuNode* Find(uint8_t address);
  const EcuNode* Find(uint8_t address) const;

 private:
  std::vector<EcuNode> nodes_;
};

}  // namespace vlrsim::detail
