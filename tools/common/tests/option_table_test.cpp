#include "vlrcommon/option_table.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vlrcommon {
namespace {

TEST(OptionTable, ParsesOptionsFlagsAndPositionals) {
  std::string device, format;
  bool echo = false;
  const std::vector<OptionDefinition> table = {
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

TEST(OptionTable, HelpStartsInOneColumnOrAfterALongName) {
  const std::vector<OptionDefinition> table = {
      {"--echo", "", "short", nullptr},
      {"--device", "ID", "with a value", nullptr},
      {"--a-very-long-option-name", "VALUE", "pushed right", nullptr},
  };
  std::ostringstream out;
  PrintOptions(out, table, 20);
  EXPECT_EQ(out.str(),
            "  --echo            short\n"
            "  --device ID       with a value\n"
            "  --a-very-long-option-name VALUE pushed right\n");
}

}  // namespace
}  // namespace vlrcommon
