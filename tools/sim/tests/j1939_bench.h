// Drives one simulated ECU on a made-up clock: the test plays the host,
// answering the ECU's frames through `host` as they come out.
#pragma once

#include <functional>
#include <vector>

#include "j1939_node.h"

namespace vlrsim::testing {

using detail::BusFrame;
using namespace std::chrono_literals;

struct EcuBench {
  explicit EcuBench(EcuOptions options) : node(std::move(options), now) {}

  // The host puts a frame on the bus now.
  void Host(uint32_t id, const Bytes& data) { node.OnFrame(id, data, now); }

  // Runs the ECU's clock `duration` on, handing each frame it sends to
  // `host` at the moment it goes; returns them all.
  std::vector<BusFrame> RunFor(Clock::duration duration) {
    const Clock::time_point end = now + duration;
    std::vector<BusFrame> sent;
    for (;;) {
      node.Advance(now);
      for (BusFrame& frame : node.TakeDue(now)) {
        if (host) host(frame);
        sent.push_back(std::move(frame));
      }
      const auto next = node.NextTime();
      if (!next || *next > end) break;
      now = std::max(now, *next);
    }
    now = end;
    return sent;
  }

  Clock::time_point now = Clock::time_point{} + 1h;
  detail::EcuNode node;
  std::function<void(const BusFrame&)> host;
};

inline uint32_t Pgn(const BusFrame& frame) {
  return detail::tp::Hear(frame.id, frame.data).pgn;
}

inline Bytes Counting(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  return bytes;
}

}  // namespace vlrsim::testing
