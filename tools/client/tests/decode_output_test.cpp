#include <gtest/gtest.h>

#include "output_format.h"
#include "socketcan_frame.h"
#include "vlrscenario/candump_log.h"

namespace vlrdecode {
namespace {

using std::chrono::microseconds;

MessageEvent Eec1Event() {
  MessageEvent event;
  event.timestamp_ms = 1000;
  event.elapsed_ms = 1234;
  event.message = FromIdentifier(
      0x0CF00400,
      std::vector<uint8_t>{0xF0, 0x7D, 0x84, 0xD8, 0x12, 0x00, 0xF0, 0x84});
  return event;
}

TEST(OutputFormat, TextShowsIdentifierNameAddressesDataAndValues) {
  const MessageEvent event = Eec1Event();
  const std::string line =
      FormatTextLine(event, Describe(std::get<J1939Message>(event.message)));
  EXPECT_EQ(line,
            "       1.234    J1939 0CF00400  F004 EEC1   p3 00->FF [8] F0 7D "
            "84 D8 12 00 F0 84"
            " | actual engine torque 7 %, engine speed 603 rpm");
}

TEST(OutputFormat, TextMarksEchoesAndJoinedTransfers) {
  MessageEvent event = Eec1Event();
  event.echoed = true;
  EXPECT_NE(FormatTextLine(event, {}).find(" TX J1939 0CF00400"),
            std::string::npos);
  event.echoed = false;
  event.reassembled = true;
  EXPECT_NE(FormatTextLine(event, {}).find("J1939 --------  F004"),
            std::string::npos);
}

TEST(OutputFormat, JsonCarriesFieldsAndValues) {
  const MessageEvent event = Eec1Event();
  const std::string json =
      FormatJsonLine(event, Describe(std::get<J1939Message>(event.message)));
  EXPECT_EQ(json,
            "{\"t\":1.234,\"ts\":1000,\"bus\":\"J1939\",\"id\":\"0CF00400\","
            "\"pgn\":61444,"
            "\"priority\":3,\"src\":0,\"dst\":255,\"data\":"
            "\"F07D84D81200F084\",\"name\":\"EEC1\","
            "\"signals\":[{\"name\":\"actual engine "
            "torque\",\"value\":7,\"unit\":\"%\"},"
            "{\"name\":\"engine speed\",\"value\":603,\"unit\":\"rpm\"}]}");
}

TEST(OutputFormat, JsonEscapesText) {
  MessageEvent event;
  event.message = J1708Message{0x80, {0x01}, 0x7F};
  Description d;
  d.text = "quote \" backslash \\ tab \t";
  EXPECT_EQ(FormatJsonLine(event, d),
            "{\"t\":0,\"ts\":0,\"bus\":\"J1708\",\"mid\":128,\"data\":\"01\","
            "\"checksum\":127,"
            "\"text\":\"quote \\\" backslash \\\\ tab \\u0009\"}");
}

TEST(OutputFormat, CandumpLinesReadBackAndSkipWhatACanLogCannotHold) {
  const MessageEvent event = Eec1Event();
  auto line = FormatCandumpLine(event, microseconds(1'700'000'000'000'000LL));
  ASSERT_TRUE(line);
  EXPECT_EQ(*line, "(1700000001.234000) vlr0 0CF00400#F07D84D81200F084");
  auto back = vlrscenario::ParseCandumpLine(*line);
  ASSERT_TRUE(back) << back.error().ToString();
  EXPECT_EQ(back.value().id, 0x0CF00400u);

  MessageEvent joined = event;
  joined.reassembled = true;
  EXPECT_FALSE(FormatCandumpLine(joined, microseconds(0)));
  MessageEvent j1708;
  j1708.message = J1708Message{0x80, {0x01}, std::nullopt};
  EXPECT_FALSE(FormatCandumpLine(j1708, microseconds(0)));
}

TEST(SocketCanFrame, ExtendedIdentifierFirstLengthThenPaddedData) {
  MessageEvent request;
  request.message =
      FromIdentifier(0x18EA00F9, std::vector<uint8_t>{0xE5, 0xFE, 0x00});
  const std::array<uint8_t, 16> expected = {0x98, 0xEA, 0x00, 0xF9, 3, 0, 0, 0,
                                            0xE5, 0xFE, 0x00, 0,    0, 0, 0, 0};
  EXPECT_EQ(SocketCanFrame(request), expected);
  auto eec1 = SocketCanFrame(Eec1Event());
  ASSERT_TRUE(eec1);
  EXPECT_EQ((*eec1)[0], 0x8C);
  EXPECT_EQ((*eec1)[15], 0x84);

  MessageEvent joined = Eec1Event();
  joined.reassembled = true;
  MessageEvent j1708;
  j1708.message = J1708Message{0x80, {0x01}, std::nullopt};
  MessageEvent long_data;
  long_data.message = FromIdentifier(0x18FEF100, std::vector<uint8_t>(9));
  for (const MessageEvent& none : {joined, j1708, long_data})
    EXPECT_FALSE(SocketCanFrame(none));
}

TEST(DriverTimeline, CountsFromTheFirstStampAcrossTheWrap) {
  DriverTimeline timeline;
  EXPECT_EQ(timeline.Elapsed(0xFFFFFF00u), 0);
  EXPECT_EQ(timeline.Elapsed(0xFFFFFFF0u), 0xF0);
  EXPECT_EQ(timeline.Elapsed(0x00000010u), 0x110);
  EXPECT_EQ(timeline.Elapsed(0x00000008u), 0x108);  // slightly older
}

}  // namespace
}  // namespace vlrdecode
