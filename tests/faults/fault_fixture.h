// Shared by the fault suites: steady traffic for the simulated adapter, the
// process's CPU time, and the result sets the exported functions may give
// when an application's threads race each other.
#pragma once

#include <time.h>

#include <chrono>
#include <cstdint>
#include <optional>

#include "driver_fixture.h"

namespace vlrtest {

using FaultClock = std::chrono::steady_clock;

// `count` messages, one every `interval`, each carrying its index in its
// first four data bytes (most significant first).
class PeriodicSource : public vlrsim::TrafficSource {
 public:
  PeriodicSource(vlrsim::Bus bus, std::chrono::microseconds interval,
                 uint32_t count)
      : bus_(bus), interval_(interval), count_(count) {}

  std::optional<vlrsim::TimedMessage> Next() override {
    if (next_ >= count_) return std::nullopt;
    vlrsim::TimedMessage message;
    message.at = interval_ * next_;
    message.bus = bus_;
    message.id = bus_ == vlrsim::Bus::kJ1939 ? 0x18FEF100u : 128u;
    message.data = {static_cast<uint8_t>(next_ >> 24),
                    static_cast<uint8_t>(next_ >> 16),
                    static_cast<uint8_t>(next_ >> 8),
                    static_cast<uint8_t>(next_),
                    0x55,
                    0x66,
                    0x77,
                    0x88};
    ++next_;
    return message;
  }

 private:
  vlrsim::Bus bus_;
  std::chrono::microseconds interval_;
  uint32_t count_;
  uint32_t next_ = 0;
};

inline std::unique_ptr<vlrsim::TrafficSource> Traffic(
    vlrsim::Bus bus, std::chrono::microseconds interval,
    std::chrono::seconds length) {
  return std::make_unique<PeriodicSource>(
      bus, interval, static_cast<uint32_t>(length / interval));
}

// CPU time of the whole process (every thread) so far.
inline std::chrono::duration<double> ProcessCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return std::chrono::duration<double>(now.tv_sec + now.tv_nsec * 1e-9);
}

inline double SecondsSince(FaultClock::time_point start) {
  return std::chrono::duration<double>(FaultClock::now() - start).count();
}

// A 14-byte J1939 application message (PGN FEF1, priority 6).
inline Bytes J1939Message(uint8_t tag) {
  return {0xF1, 0xFE, 0x00, 0x06, 0x00, 0xFF, tag, 1, 2, 3, 4, 5, 6, 7};
}

// A J1708 application message: priority, MID 128, data.
inline Bytes J1708Message(uint16_t tag) {
  return {0x08, 128, static_cast<uint8_t>(tag >> 8), static_cast<uint8_t>(tag),
          0x01};
}

}  // namespace vlrtest
