#include "j1939_network.h"

#include <algorithm>

namespace vlrsim::detail {

J1939Network::J1939Network(const std::vector<EcuOptions>& ecus,
                           Clock::time_point now) {
  for (const EcuOptions& ecu : ecus) Add(ecu, now);
}

void J1939Network::Add(const EcuOptions& ecu, Clock::time_point now) {
  nodes_.emplace_back(ecu, now);
}

void J1939Network::OnHostFrame(uint32_t id, std::span<const uint8_t> data,
                               Clock::time_point now) {
  for (EcuNode& node : nodes_) node.OnFrame(id, data, now);
}

std::vector<BusFrame> J1939Network::Advance(Clock::time_point now) {
  std::vector<BusFrame> due;
  for (EcuNode& node : nodes_) {
    node.Advance(now);
    for (BusFrame& frame : node.TakeDue(now)) due.push_back(std::move(frame));
  }
  std::stable_sort(
      due.begin(), due.end(),
      [](const BusFrame& a, const BusFrame& b) { return a.at < b.at; });
  return due;
}

std::optional<Clock::time_point> J1939Network::NextTime() const {
  std::optional<Clock::time_point> next;
  for (const EcuNode& node : nodes_) {
    const auto candidate = node.NextTime();
    if (candidate && (!next || *candidate < *next)) next = candidate;
  }
  return next;
}

EcuNode* J1939Network::Find(uint8_t address) {
  for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) {
    if (it->options().address == address) return &*it;
  }
  return nullptr;
}

const EcuNode* J1939Network::Find(uint8_t address) const {
  return const_cast<J1939Network*>(this)->Find(address);
}

}  // namespace vlrsim::detail
