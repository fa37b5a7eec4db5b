#include <gtest/gtest.h>

#include "link/device_traits.h"

namespace vlr::link {
namespace {

// The table is written out by hand; these are the rules its rows must keep.
TEST(DeviceTraits, EachRowFollowsTheIdsDigits) {
  for (const DeviceTraits& device : AllDevices()) {
    SCOPED_TRACE(device.id);
    EXPECT_EQ(TraitsOf(device.id), &device);
    EXPECT_EQ(device.comPort, device.id % 100);
    const DeviceFamily family =
        device.id / 100 == 1 ? DeviceFamily::k1xx : DeviceFamily::k2xx;
    EXPECT_EQ(device.family, family);
    EXPECT_EQ(FamilyOf(device.id), family);
    // Framing and start-up never cross families.
    if (device.framing == Framing::kCounted) {
      EXPECT_EQ(device.family, DeviceFamily::k1xx);
    }
    if (device.framing == Framing::kSynced ||
        device.rules.startUp == StartUp::kRateDialogue ||
        device.rules.takesCommands || device.rules.readyFlowControl) {
      EXPECT_EQ(device.family, DeviceFamily::k2xx);
    }
  }
}

TEST(DeviceTraits, OtherIdsHaveNone) {
  for (int32_t id : {-1, 0, 1, 100, 105, 200, 205, 301, 32767}) {
    EXPECT_EQ(TraitsOf(id), nullptr) << id;
    EXPECT_EQ(FamilyOf(id), DeviceFamily::kNone) << id;
    EXPECT_EQ(FramingFamilyOf(id), DeviceFamily::kNone) << id;
  }
}

}  // namespace
}  // namespace vlr::link
