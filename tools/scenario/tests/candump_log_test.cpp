#include "vlrscenario/candump_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "shared_data.h"

namespace vlrscenario {
namespace {

using std::chrono::microseconds;

TEST(ParseCandumpLine, ReadsTimeInterfaceIdentifierAndData) {
  auto frame =
      ParseCandumpLine("(1708107535.406793) can1 0CF00400#F07D84D81200F084");
  ASSERT_TRUE(frame) << frame.error().ToString();
  EXPECT_EQ(frame.value().time, microseconds(1708107535'406793LL));
  EXPECT_EQ(frame.value().interface, "can1");
  EXPECT_TRUE(frame.value().extended);
  EXPECT_EQ(frame.value().id, 0x0CF00400u);
  EXPECT_EQ(frame.value().data, (std::vector<uint8_t>{0xF0, 0x7D, 0x84, 0xD8,
                                                      0x12, 0x00, 0xF0, 0x84}));
}

TEST(ParseCandumpLine, AcceptsEmptyDataStandardFramesAndLineEnds) {
  auto empty = ParseCandumpLine("(1.000000) can0 18EA00F9#\r");
  ASSERT_TRUE(empty) << empty.error().ToString();
  EXPECT_TRUE(empty.value().data.empty());
  auto standard = ParseCandumpLine("(1.000000) can0 301#0102");
  ASSERT_TRUE(standard);
  EXPECT_FALSE(standard.value().extended);
  EXPECT_EQ(standard.value().id, 0x301u);
}

TEST(ParseCandumpLine, RefusesMalformedLinesWithAReason) {
  struct Case {
    const char* line;
    const char* reason;  // a part of the message
  };
  const Case cases[] = {
      {"1.0 can0 0CF00400#00", "(seconds.microseconds)"},
      {"(1.0 can0 0CF00400#00", "missing ')'"},
      {"(abc) can0 0CF00400#00", "not decimal seconds"},
      {"(1.0)", "missing interface"},
      {"(1.0) can0", "missing ID#DATA"},
      {"(1.0) can0 0CF0040000", "expected ID#DATA"},
      {"(1.0) can0 0CF0040#00", "3 or 8 hex digits"},
      {"(1.0) can0 0CF0040G#00", "not hexadecimal"},
      {"(1.0) can0 2CF00400#00", "above 29 bits"},
      {"(1.0) can0 0CF00400#0", "odd number"},
      {"(1.0) can0 0CF00400#ZZ", "not hexadecimal"},
      {"(1.0) can0 0CF00400#000102030405060708", "more than 8"},
      {"(1.0) can0 0CF00400#R", "remote"},
      {"(1.0) can0 0CF00400##1DEAD", "CAN FD"},
      {"(1.0) can0 0CF00400#00 extra", "unexpected text"},
  };
  for (const Case& c : cases) {
    auto frame = ParseCandumpLine(c.line);
    ASSERT_FALSE(frame) << c.line;
    EXPECT_NE(frame.error().message.find(c.reason), std::string::npos)
        << c.line << " -> " << frame.error().message;
  }
}

TEST(FormatCandumpLine, WritesWhatTheParserReadsBack) {
  const std::vector<uint8_t> data = {0x20, 0x0E, 0x00, 0x02,
                                     0xFF, 0xCA, 0xFE, 0x00};
  const std::string line = FormatCandumpLine(microseconds(1700000000'000042LL),
                                             "vlr0", 0x18ECFF00, data);
  EXPECT_EQ(line, "(1700000000.000042) vlr0 18ECFF00#200E0002FFCAFE00");
  auto back = ParseCandumpLine(line);
  ASSERT_TRUE(back);
  EXPECT_EQ(back.value().id, 0x18ECFF00u);
  EXPECT_EQ(back.value().data, data);
  EXPECT_EQ(FormatCandumpLine(microseconds(5), "vlr0", 0x00000301, {}),
            "(0.000005) vlr0 00000301#");
}

TEST(ReadCandumpLog, TimesFromTheFirstFrameAndSkipsStandardFrames) {
  std::istringstream log(
      "(100.500000) can0 0CF00400#01\n"
      "\n"
      "(100.520000) can0 301#02\n"
      "(100.510000) can0 18FEF100#03\n"
      "(101.000000) can0 18FEF100#04\n");
  auto capture = ReadCandumpLog(log);
  ASSERT_TRUE(capture) << capture.error().ToString();
  const auto& m = capture.value().messages;
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(capture.value().skipped, 1u);
  EXPECT_EQ(m[0].at, microseconds(0));
  EXPECT_EQ(m[1].at, microseconds(10'000));
  EXPECT_EQ(m[2].at, microseconds(500'000));
  EXPECT_EQ(m[2].data, std::vector<uint8_t>{0x04});
}

TEST(ReadCandumpLog, HoldsATimeThatGoesBackSoTheFileOrderStays) {
  std::istringstream log(
      "(10.000000) can0 0CF00400#01\n"
      "(10.002000) can0 0CF00400#02\n"
      "(10.001000) can0 0CF00400#03\n");
  auto capture = ReadCandumpLog(log);
  ASSERT_TRUE(capture);
  const auto& m = capture.value().messages;
  EXPECT_EQ(m[1].at, microseconds(2000));
  EXPECT_EQ(m[2].at, microseconds(2000));
  EXPECT_EQ(m[2].data, std::vector<uint8_t>{0x03});
}

TEST(ReadCandumpLog, ReportsTheLineNumberOfAMalformedLine) {
  std::istringstream log(
      "(1.0) can0 0CF00400#01\n"
      "\n"
      "(1.1) can0 0CF00400-01\n");
  auto capture = ReadCandumpLog(log);
  ASSERT_FALSE(capture);
  EXPECT_EQ(capture.error().line, 3u);
  EXPECT_EQ(capture.error().ToString().rfind("line 3: ", 0), 0u);
}

TEST(ReadCandumpLog, ReadsTheRecordedMarineStartUp) {
  const std::string path =
      testing::SharedDataFile("marine-j1939-startup.candump.log");
  SKIP_UNLESS_PRESENT(path);
  std::ifstream in(path);
  auto capture = ReadCandumpLog(in);
  ASSERT_TRUE(capture) << capture.error().ToString();
  const auto& m = capture.value().messages;
  ASSERT_EQ(m.size(), 17293u);
  EXPECT_EQ(m.front().id, 0x18FF1080u);
  EXPECT_EQ(m.front().at, microseconds(0));
  EXPECT_EQ(m.back().id, 0x18FF1CF3u);
  // (1708107573.953992) - (1708107535.406793)
  EXPECT_EQ(m.back().at, microseconds(38'547'199));
  for (std::size_t i = 1; i < m.size(); ++i) {
    ASSERT_LE(m[i - 1].at, m[i].at) << "message " << i;
  }
}

}  // namespace
}  // namespace vlrscenario
