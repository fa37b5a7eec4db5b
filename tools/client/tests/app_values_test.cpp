#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"
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

TEST(CommandLine, ParsesOptionsFlagsAndPositionals) {
  std::string device, format;
  bool echo = false;
  const std::vector<OptionSpec> table = {
      {"--device", "ID", "",
       [&](std::string_view v) {
         device = v;
         return std::string();
       }},
      {"--format", "F", "",
       [&](std::string_view v) {
         format = v;
         return v == "bad" ? std::string("no good") : std::string();
       }},
      {"--echo", "", "",
       [&](std::string_view) {
         echo = true;
         return std::string();
       }},
  };
  std::vector<std::string_view> positional;
  const std::vector<std::string_view> args = {"--device", "202", "18FEF100#00",
                                              "--format=json", "--echo"};
  EXPECT_EQ(ParseArguments(args, table, positional), "");
  EXPECT_EQ(device, "202");
  EXPECT_EQ(format, "json");
  EXPECT_TRUE(echo);
  EXPECT_EQ(positional, std::vector<std::string_view>{"18FEF100#00"});

  struct Case {
    std::vector<std::string_view> args;
    const char* error;
  };
  const Case bad[] = {
      {{"--devise", "1"}, "unknown option --devise"},
      {{"--device"}, "--device needs a value ID"},
      {{"--echo=1"}, "--echo takes no value"},
      {{"--format", "bad"}, "--format: no good"},
  };
  for (const Case& c : bad) {
    positional.clear();
    EXPECT_EQ(ParseArguments(c.args, table, positional), c.error);
  }
}

}  // namespace
}  // namespace vlrclient
