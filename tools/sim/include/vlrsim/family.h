// Basic vocabulary of the simulated adapter: the two adapter families, the
// byte strings that travel on the line, and the clock every recording uses.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace vlrsim {

using Bytes = std::vector<uint8_t>;

// The simulator's only clock. Recordings and schedules use it so that tests
// can compare instants taken in the test with instants recorded here.
using Clock = std::chrono::steady_clock;

// 1xx: 38400 baud, counted frames, no dialogue. 2xx: 9600 baud until the
// host's rate-change frame, then 115200 baud; every frame 01 n ... sum.
enum class Family : uint8_t { k1xx, k2xx };

// The line rate the adapter runs at once connected (bits per second).
constexpr uint32_t ConnectedBaud(Family family) {
  return family == Family::k2xx ? 115200 : 38400;
}

// The rate a 2xx adapter listens at until the host changes it.
constexpr uint32_t kStartupBaud = 9600;

}  // namespace vlrsim
