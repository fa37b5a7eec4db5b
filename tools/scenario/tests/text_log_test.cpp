#include "vlrscenario/text_log.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vlrscenario {
namespace {

using std::chrono::microseconds;
using vlrsim::Bus;

TEST(ParseTextLogLine, ReadsBothBusesAndIgnoresComments) {
  auto j1708 = ParseTextLogLine("0.100 J1708 80 54 03 BE 6F 09  # engine");
  ASSERT_TRUE(j1708) << j1708.error().ToString();
  ASSERT_TRUE(j1708.value());
  EXPECT_EQ(j1708.value()->bus, Bus::kJ1708);
  EXPECT_EQ(j1708.value()->id, 0x80u);
  EXPECT_EQ(j1708.value()->at, microseconds(100'000));
  EXPECT_EQ(j1708.value()->data,
            (std::vector<uint8_t>{0x54, 0x03, 0xBE, 0x6F, 0x09}));

  auto j1939 = ParseTextLogLine("2 j1939 0CF00400 F07D84D81200F084");
  ASSERT_TRUE(j1939);
  EXPECT_EQ(j1939.value()->bus, Bus::kJ1939);
  EXPECT_EQ(j1939.value()->id, 0x0CF00400u);
  EXPECT_EQ(j1939.value()->data.size(), 8u);

  for (const char* blank : {"", "   ", "# only a comment", "\r"}) {
    auto none = ParseTextLogLine(blank);
    ASSERT_TRUE(none) << blank;
    EXPECT_FALSE(none.value()) << blank;
  }
}

TEST(ParseTextLogLine, RefusesMalformedLinesWithAReason) {
  struct Case {
    const char* line;
    const char* reason;
  };
  const Case cases[] = {
      {"x J1708 80 01", "not decimal seconds"},
      {"0.1 CAN 80 01", "neither J1708 nor J1939"},
      {"0.1 J1708", "missing MID"},
      {"0.1 J1939", "missing identifier"},
      {"0.1 J1708 180 01", "not one hex byte"},
      {"0.1 J1939 2CF00400 01", "29-bit"},
      {"0.1 J1708 80 0G", "not hex bytes"},
      {"0.1 J1939 0CF00400 000102030405060708", "more than 8"},
  };
  for (const Case& c : cases) {
    auto parsed = ParseTextLogLine(c.line);
    ASSERT_FALSE(parsed) << c.line;
    EXPECT_NE(parsed.error().message.find(c.reason), std::string::npos)
        << c.line << " -> " << parsed.error().message;
  }
}

TEST(FormatTextLogLine, RoundTrips) {
  vlrsim::TimedMessage messages[2];
  messages[0].at = microseconds(1'250'000);
  messages[0].bus = Bus::kJ1708;
  messages[0].id = 136;
  messages[0].data = {116, 0, 117, 0xD0};
  messages[1].at = microseconds(7);
  messages[1].id = 0x18FEF100;
  for (const auto& message : messages) {
    const std::string line = FormatTextLogLine(message);
    auto back = ParseTextLogLine(line);
    ASSERT_TRUE(back && back.value()) << line;
    EXPECT_EQ(back.value()->at, message.at) << line;
    EXPECT_EQ(back.value()->bus, message.bus) << line;
    EXPECT_EQ(back.value()->id, message.id) << line;
    EXPECT_EQ(back.value()->data, message.data) << line;
  }
  EXPECT_EQ(FormatTextLogLine(messages[0]), "1.250000 J1708 88 74 00 75 D0");
}

TEST(ReadTextLog, ReportsTheLineNumberAndTimesFromTheFirstRecord) {
  std::istringstream good(
      "# J1708 replay\n5.0 J1708 80 54 03\n5.5 J1708 82 B1 00 10\n");
  auto capture = ReadTextLog(good);
  ASSERT_TRUE(capture) << capture.error().ToString();
  ASSERT_EQ(capture.value().messages.size(), 2u);
  EXPECT_EQ(capture.value().messages[1].at, microseconds(500'000));

  std::istringstream bad(
      "5.0 J1708 80 54 03\n# fine\n5.5 J1708 8 2 B1\n5.6 J1708 XX\n");
  auto failed = ReadTextLog(bad);
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error().line, 4u);
}

}  // namespace
}  // namespace vlrscenario
