#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "values.h"

namespace vlrclient {
namespace {

TEST(Values, ParseIntegersWithinTheirRange) {
  struct Case {
    const char* text;
    int64_t min, max;
    std::optional<int64_t> expected;
  };
  const Case cases[] = {
      {"201", 0, 1000, 201},
      {"0x80", 0, 255, 128},
      {"-1", -5, 5, -1},
      {"256", 0, 255, std::nullopt},
      {"20x", 0, 100, std::nullopt},
      {"", 0, 1, std::nullopt},
      {"0x", 0, 1, std::nullopt},
      {" 1", 0, 9, std::nullopt},
      {"99999999999999999999", 0, INT64_MAX, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseInteger(c.text, c.min, c.max), c.expected) << c.text;
}

TEST(Values, ParseSecondsProtocolsAndData) {
  EXPECT_EQ(ParsePositiveSeconds("2.5"), 2.5);
  EXPECT_FALSE(ParsePositiveSeconds("0"));
  EXPECT_FALSE(ParsePositiveSeconds("-1"));
  EXPECT_FALSE(ParsePositiveSeconds("1e3"));
  EXPECT_FALSE(ParsePositiveSeconds("nan"));
  EXPECT_EQ(ParseProtocol("j1939"), "J1939");
  EXPECT_EQ(ParseProtocol("J1708"), "J1708");
  EXPECT_FALSE(ParseProtocol("CAN"));
  EXPECT_EQ(ParseDataBytes("01 02 ff"), (std::vector<uint8_t>{1, 2, 0xFF}));
  EXPECT_FALSE(ParseDataBytes("0G"));
  EXPECT_EQ(ParseAddress("0xF9"), 0xF9);
  EXPECT_FALSE(ParseAddress("256"));
}

}  // namespace
}  // namespace vlrclient
