#include "link/device_traits.h"

#include <algorithm>
#include <array>

namespace vlr::link {
namespace {

constexpr uint32_t k1xxRate = 38400;
constexpr uint32_t k2xxRate = 115200;

// Device 103 keeps the application waiting half a second after a
// successful connect. Nothing in the driver needs the pause (no frames go
// over the serial line for 103); it stays because a connect to 103 has
// always taken at least this long and applications may count on that.
constexpr uint32_t k103PauseMs = 500;

constexpr auto F1 = DeviceFamily::k1xx;
constexpr auto F2 = DeviceFamily::k2xx;

constexpr std::array<DeviceTraits, 8> kDevices{{
    // id  family port framing           rate      start-up pause  watch
    {101, F1, 1, Framing::kCounted, k1xxRate, StartUp::kSetLine, 0, false},
    {102, F1, 2, Framing::kCounted, k1xxRate, StartUp::kSetLine, 0, false},
    {103, F1, 3, Framing::kNone, k1xxRate, StartUp::kSetLine, k103PauseMs,
     false},
    {104, F1, 4, Framing::kNone, k1xxRate, StartUp::kSetLine, 0, true},
    {201, F2, 1, Framing::kSynced, k2xxRate, StartUp::kRateDialogue, 0, false},
    {202, F2, 2, Framing::kSynced, k2xxRate, StartUp::kRateDialogue, 0, false},
    {203, F2, 3, Framing::kSynced, k2xxRate, StartUp::kRateDialogue, 0, false},
    {204, F2, 4, Framing::kSynced, k2xxRate, StartUp::kRateDialogue, 0, false},
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
