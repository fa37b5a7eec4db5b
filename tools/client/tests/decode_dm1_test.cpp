#include <gtest/gtest.h>

#include <vector>

#include "dm1.h"

namespace vlrdecode {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(DiagnosticMessage, ReadsLampsAndEachTroubleCode) {
  // Amber lamp on; SPN 111 FMI 1 OC 4, SPN 636 FMI 2 OC 1, SPN 97 FMI 15 OC 7.
  const Bytes data = {0x04, 0xFF, 0x6F, 0x00, 0x01, 0x04, 0x7C,
                      0x02, 0x02, 0x01, 0x61, 0x00, 0x0F, 0x07};
  auto dm = ParseDiagnosticMessage(data);
  ASSERT_TRUE(dm);
  EXPECT_EQ(dm->amber_warning, LampState::kOn);
  EXPECT_EQ(dm->malfunction, LampState::kOff);
  EXPECT_EQ(dm->red_stop, LampState::kOff);
  EXPECT_EQ(dm->protect, LampState::kOff);
  const std::vector<TroubleCode> expected = {
      {111, 1, 4}, {636, 2, 1}, {97, 15, 7}};
  EXPECT_EQ(dm->codes, expected);
  const std::string text = DescribeDiagnosticMessage(*dm);
  EXPECT_EQ(text.rfind("AWL on; SPN 111 (coolant level) FMI 1 (below normal, "
                       "most severe) OC 4",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("SPN 97 (water in fuel) FMI 15"), std::string::npos)
      << text;
}

TEST(DiagnosticMessage, TakesTheTopThreeSpnBitsFromTheThirdByte) {
  // SPN 0x7FFFF (the largest) with FMI 31, conversion bit set, OC 127.
  auto dm = ParseDiagnosticMessage(Bytes{0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  ASSERT_TRUE(dm);
  EXPECT_TRUE(dm->codes.empty());  // all 0xFF is padding, not a code
  auto high = ParseDiagnosticMessage(Bytes{0x40, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE});
  ASSERT_TRUE(high);
  EXPECT_EQ(high->malfunction, LampState::kOn);
  ASSERT_EQ(high->codes.size(), 1u);
  EXPECT_EQ(high->codes[0], (TroubleCode{0x7FFFF, 31, 0x7E}));
}

TEST(DiagnosticMessage, KnowsTheNoCodeFillerAndTooShortData) {
  auto none = ParseDiagnosticMessage(
      Bytes{0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF});
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->codes.empty());
  EXPECT_EQ(DescribeDiagnosticMessage(*none), "no lamp on; no trouble code");
  EXPECT_FALSE(ParseDiagnosticMessage(Bytes{0x00, 0xFF, 0x00}));
}

}  // namespace
}  // namespace vlrdecode
