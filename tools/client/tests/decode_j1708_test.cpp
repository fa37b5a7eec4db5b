#include <gtest/gtest.h>

#include <vector>

#include "describe.h"
#include "j1708_pids.h"

namespace vlrdecode {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(SplitPids, FollowsEachPidsLengthRule) {
  struct Case {
    const char* what;
    Bytes data;
    std::vector<PidValue> expected;
    bool complete;
  };
  const Case cases[] = {
      // Recorded from an idling engine (MID 128).
      {"one- and two-byte PIDs",
       {0x54, 0x03, 0xBE, 0x6F, 0x09, 0x5B, 0x00, 0x5C, 0x1E},
       {{84, {0x03}}, {190, {0x6F, 0x09}}, {91, {0x00}}, {92, {0x1E}}},
       true},
      {"a counted PID",
       {0xC2, 0x03, 0x9B, 0xB0, 0x01, 0x54, 0x00},
       {{194, {0x9B, 0xB0, 0x01}}, {84, {0x00}}},
       true},
      {"page 2", {0xFF, 0xB7, 0x00, 0x00}, {{256 + 0xB7, {0x00, 0x00}}}, true},
      {"page 2, one byte", {0xFF, 0x10, 0x07}, {{256 + 0x10, {0x07}}}, true},
      {"proprietary escape",
       {0x54, 0x01, 0xFE, 0x11, 0x22},
       {{84, {0x01}}, {254, {0x11, 0x22}}},
       true},
      {"cut inside a two-byte value",
       {0x54, 0x01, 0xBE, 0x6F},
       {{84, {0x01}}},
       false},
      {"count beyond the end", {0xC2, 0x05, 0x01}, {}, false},
      {"a lone page switch", {0xFF}, {}, false},
      {"nothing", {}, {}, true},
  };
  for (const Case& c : cases) {
    const PidSplit split = SplitPids(c.data);
    EXPECT_EQ(split.parameters, c.expected) << c.what;
    EXPECT_EQ(split.complete, c.complete) << c.what;
  }
}

TEST(DecodePid, ScalesKnownPidsInTheirOwnUnits) {
  struct Case {
    PidValue parameter;
    double expected;
    const char* unit;
  };
  const Case cases[] = {
      {{190, {0x6F, 0x09}}, 603.75, "rpm"},
      {{84, {0x6E}}, 88.55, "km/h"},
      {{110, {0xBE}}, 190.0, "F"},
      {{100, {0x58}}, 44.0, "psi"},
      {{96, {0x90}}, 72.0, "%"},
      {{168, {0x1B, 0x01}}, 14.15, "V"},
      {{175, {0x00, 0xFF}}, -64.0, "F"},  // signed
      {{245, {0x10, 0x27, 0x00, 0x00}}, 1610.0, "km"},
  };
  for (const Case& c : cases) {
    auto signal = DecodePid(c.parameter);
    ASSERT_TRUE(signal) << c.parameter.pid;
    EXPECT_NEAR(signal->value, c.expected, 1e-9) << c.parameter.pid;
    EXPECT_EQ(signal->unit, c.unit) << c.parameter.pid;
  }
  EXPECT_FALSE(DecodePid({190, {0x6F}}));  // wrong length
  EXPECT_FALSE(DecodePid({70, {0x00}}));   // no unit known here
}

TEST(DescribeJ1708, NamesTheMidAndListsUnknownPidsRaw) {
  J1708Message message{
      128, {0x54, 0x03, 0xBE, 0x6F, 0x09, 0x46, 0x7F}, std::nullopt};
  const Description d = Describe(message);
  EXPECT_EQ(d.label, "Engine #1");
  ASSERT_EQ(d.signals.size(), 2u);
  EXPECT_EQ(d.signals[1].name, "PID 190 engine speed");
  EXPECT_EQ(DescriptionText(d),
            "PID 84 road speed 2.42 km/h, PID 190 engine speed 603.75 rpm; PID "
            "70 = 7F");
}

}  // namespace
}  // namespace vlrdecode
