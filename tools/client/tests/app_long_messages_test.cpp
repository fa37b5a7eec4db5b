// The client's options for whole transported messages and address claim:
// what `send` builds for the driver, and how `monitor` connects and shows
// records of up to 1785 data bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor.h"
#include "output_format.h"
#include "result_meaning.h"
#include "send_options.h"

namespace vlrclient {
namespace {

using Bytes = std::vector<uint8_t>;

// Parses `args` as `vlr1210 send` does (no frame text) and plans the send.
SendPlan Plan(const std::vector<std::string_view>& args) {
  SendOptions options;
  std::vector<std::string_view> positional;
  const std::string error =
      ParseArguments(args, SendOptionTable(options), positional);
  if (!error.empty()) return SendPlan{"", {}, {}, 1, error};
  return PlanSend(options);
}

TEST(SendLong, ClaimsWithTheNameLeastSignificantByteFirst) {
  const SendPlan only = Plan({"--claim", "0x80", "--name", "0000E0FF00810000"});
  ASSERT_EQ(only.error, "");
  EXPECT_TRUE(only.message.empty());
  EXPECT_EQ(only.claim_command,
            (Bytes{0x80, 0x00, 0x00, 0x81, 0x00, 0xFF, 0xE0, 0x00, 0x00, 0}));

  const SendPlan then =
      Plan({"--claim", "0x80", "--name", "1", "--pgn", "0xEF00", "--dest",
            "0x00", "--data", std::string(40, 'A')});
  ASSERT_EQ(then.error, "");
  EXPECT_EQ(then.claim_command.size(), 10u);
  // PGN, priority, source (the claimed address), destination, 20 bytes.
  EXPECT_EQ(Bytes(then.message.begin(), then.message.begin() + 6),
            (Bytes{0x00, 0xEF, 0x00, 6, 0x80, 0x00}));
  EXPECT_EQ(then.message.size(), 6u + 20);
  EXPECT_EQ(then.frames, 1u + 3);
}

TEST(SendLong, MarksABroadcastTransferToADestination) {
  struct Case {
    std::vector<std::string_view> args;
    uint8_t how;
  };
  const Case cases[] = {
      {{"--pgn", "0xEF00", "--dest", "0", "--data", "0102030405060708090A"}, 6},
      {{"--bam", "--pgn", "0xEF00", "--dest", "0", "--data",
        "0102030405060708090A"},
       0x86},
      {{"--bam", "--priority", "3", "--pgn", "0xFEF1", "--data", "01"}, 0x83},
  };
  for (const Case& c : cases) {
    const SendPlan plan = Plan(c.args);
    ASSERT_EQ(plan.error, "") << c.args[0];
    EXPECT_EQ(plan.message[3], c.how) << c.args[0];
  }
}

TEST(SendLong, RefusesWhatCannotBeSentOrClaimed) {
  const std::string too_long(2 * 1786, 'B');
  const std::vector<std::vector<std::string_view>> bad = {
      {"--claim", "0x80"},
      {"--name", "1", "--pgn", "0xFEF1", "--data", "01"},
      {"--claim", "254", "--name", "1"},
      {"--claim", "0x80", "--name", "12345678901234567"},
      {"--claim", "0x80", "--name", "XYZ"},
      {"--claim", "0x80", "--name", "1", "--data", "01"},
      {"--bam", "--mid", "128", "--data", "01"},
      {"--claim", "0x80", "--name", "1", "--mid", "128", "--data", "01"},
      {"--pgn", "0xFEF1", "--data", too_long},
  };
  for (const auto& args : bad) {
    std::string text;
    for (auto a : args) (text += a.substr(0, 20)) += ' ';
    EXPECT_NE(Plan(args).error, "") << text;
  }
}

TEST(SendLong, ExplainsTheNetworkResultCodes) {
  for (short code : {144, 146, 152, 153, 157, 159}) {
    EXPECT_NE(ResultMeaning(code), "") << code;
  }
  EXPECT_EQ(ResultMeaning(134), "");
}

TEST(MonitorLong, RawTransportIsAJ1939Choice) {
  MonitorOptions options;
  std::vector<std::string_view> positional;
  const std::vector<std::string_view> args = {"--raw-transport"};
  ASSERT_EQ(ParseArguments(args, MonitorOptionTable(options), positional), "");
  EXPECT_TRUE(options.raw_transport);
  EXPECT_EQ(CheckMonitorOptions(options), "");
  options.protocol = "J1708";
  EXPECT_NE(CheckMonitorOptions(options), "");
  EXPECT_FALSE(MonitorOptions{}.raw_transport);
}

TEST(MonitorLong, ShowsAWholeMessageOnOneReadableLine) {
  vlrdecode::J1939Message message;
  message.pgn = 0xFEEC;
  message.source = 0x00;
  message.priority = 6;
  const std::string vin = "1FUJGLDR12LM12345*";
  message.data.assign(vin.begin(), vin.end());
  vlrdecode::MessageEvent event;
  event.message = message;
  std::string line =
      vlrdecode::FormatTextLine(event, vlrdecode::Describe(message));
  EXPECT_NE(line.find("--------"), std::string::npos) << line;
  EXPECT_NE(line.find("[18]"), std::string::npos) << line;
  EXPECT_NE(line.find("VIN 1FUJGLDR12LM12345*"), std::string::npos) << line;

  message.pgn = 0xEF00;
  message.destination = 0xF9;
  message.data.assign(1785, 0x5A);
  event.message = message;
  line = vlrdecode::FormatTextLine(event, vlrdecode::Describe(message));
  EXPECT_NE(line.find("[1785]"), std::string::npos) << line;
  EXPECT_NE(line.find("(+1737 bytes)"), std::string::npos) << line;
  EXPECT_LT(line.size(), 300u);
  std::string whole;
  for (int i = 0; i < 1785; ++i) whole += "5A";
  const std::string json =
      vlrdecode::FormatJsonLine(event, vlrdecode::Describe(message));
  EXPECT_NE(json.find("\"data\":\"" + whole + "\""), std::string::npos);
  EXPECT_EQ(json.find("\"id\""), std::string::npos);
}

}  // namespace
}  // namespace vlrclient
