#include "link/device_traits.h"

#include <algorithm>
#include <array>

namespace vlr::link {
namespace {

constexpr FamilyRules k1xxRules{
    .lineRate = 38400,
    .startUp = StartUp::kSetLine,
    // At 38400 baud a frame's bytes come 0.26 ms apart; the interval
    // gathers a frame into one read instead of waking for every byte.
    .readIntervalMs = 1,
    .readTotalMultiplier = 0,
    .readTotalMs = 10,
    .writeTotalMs = 20,
    .takesCommands = false,
    .filtersJ1939 = false,
    .readyFlowControl = false,
};

constexpr FamilyRules k2xxRules{
    .lineRate = 115200,
    .startUp = StartUp::kRateDialogue,
    .readIntervalMs = kReadWhatArrived,
    .readTotalMultiplier = kReadWhatArrived,
    .readTotalMs = 10,
    .writeTotalMs = 20,
    .takesCommands = true,
    .filtersJ1939 = true,
    .readyFlowControl = true,
};

// Device 103 keeps the application waiting half a second after a
// successful connect. Nothing in the driver needs the pause (no frames go
// over the serial line for 103); it stays because a connect to 103 has
// always taken at least this long and applications may count on that.
constexpr uint32_t k103PauseMs = 500;

constexpr auto F1 = DeviceFamily::k1xx;
constexpr auto F2 = DeviceFamily::k2xx;

constexpr std::array<DeviceTraits, 8> kDevices{{
    // id  family port framing      pause        watch  family rules
    {101, F1, 1, Framing::kCounted, 0, false, k1xxRules},
    {102, F1, 2, Framing::kCounted, 0, false, k1xxRules},
    {103, F1, 3, Framing::kNone, k103PauseMs, false, k1xxRules},
    {104, F1, 4, Framing::kNone, 0, true, k1xxRules},
    {201, F2, 1, Framing::kSynced, 0, false, k2xxRules},
    {202, F2, 2, Framing::kSynced, 0, false, k2xxRules},
    {203, F2, 3, Framing::kSynced, 0, false, k2xxRules},
    {204, F2, 4, Framing::kSynced, 0, false, k2xxRules},
}};

}  // namespace

std::span<const DeviceTraits> AllDevices() { return kDevices; }

const DeviceTraits* TraitsOf(int32_t deviceId) {
  const auto* found =
      std::find_if(kDevices.begin(), kDevices.end(),
                   [&](const DeviceTraits& d) { return d.id == deviceId; });
  return found == kDevices.end() ? nullptr : found;
}

DeviceFamily FramingFamilyOf(int32_t deviceId) {
  const DeviceTraits* traits = TraitsOf(deviceId);
  if (traits == nullptr) return DeviceFamily::kNone;
  switch (traits->framing) {
    case Framing::kCounted:
      return DeviceFamily::k1xx;
    case Framing::kSynced:
      return DeviceFamily::k2xx;
    case Framing::kNone:
      break;
  }
  return DeviceFamily::kNone;
}

}  // namespace vlr::link

namespace vlr {

DeviceFamily FamilyOf(int32_t deviceId) {
  const link::DeviceTraits* traits = link::TraitsOf(deviceId);
  return traits == nullptr ? DeviceFamily::kNone : traits->family;
}

}  // namespace vlr
