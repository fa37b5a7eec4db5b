#include <gtest/gtest.h>

#include <vector>

#include "filter_groups.h"
#include "message_builder.h"
#include "send_options.h"

namespace vlrclient {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(FilterGroups, OneGroupPerCombinationWithTheFlagsOfWhatIsGiven) {
  J1939Filter filter;
  EXPECT_TRUE(BuildFilterGroups(filter).empty());
  filter.pgns = {0xF004, 0xEA00};
  filter.sources = {0x00};
  filter.priority = 3;
  EXPECT_EQ(BuildFilterGroups(filter),
            (Bytes{0x07, 0x04, 0xF0, 0x00, 3, 0x00, 0x00,  //
                   0x07, 0x00, 0xEA, 0x00, 3, 0x00, 0x00}));
  J1939Filter destinations;
  destinations.destinations = {0x17, 0xF9};
  EXPECT_EQ(BuildFilterGroups(destinations),
            (Bytes{0x08, 0, 0, 0, 0, 0, 0x17,  //
                   0x08, 0, 0, 0, 0, 0, 0xF9}));
}

TEST(FilterGroups, MatchesExactlyWhatTheGroupsDescribe) {
  J1939Filter filter;
  filter.pgns = {0xFEF1, 0xFEEE};
  filter.sources = {0x00};
  EXPECT_TRUE(Matches(filter, 0xFEF1, 6, 0x00, 0xFF));
  EXPECT_TRUE(Matches(filter, 0xFEEE, 6, 0x00, 0xFF));
  EXPECT_FALSE(Matches(filter, 0xFEF2, 6, 0x00, 0xFF));  // same PF, other group
  EXPECT_FALSE(Matches(filter, 0xFEF1, 6, 0x03, 0xFF));
  filter.priority = 3;
  EXPECT_FALSE(Matches(filter, 0xFEF1, 6, 0x00, 0xFF));
  EXPECT_TRUE(Matches(J1939Filter{}, 0x1234, 7, 0x42, 0x17));
}

TEST(MessageBuilder, LaysOutJ1939AndJ1708Messages) {
  J1939Fields fields;
  fields.pgn = 0x00FEEE;
  fields.priority = 6;
  fields.source = 0x00;
  fields.data = {0x11, 0x22};
  EXPECT_EQ(BuildJ1939Message(fields),
            (Bytes{0xEE, 0xFE, 0x00, 6, 0x00, 0xFF, 0x11, 0x22}));
  EXPECT_EQ(BuildJ1708Message(8, 128, Bytes{0x54, 0x00}),
            (Bytes{8, 128, 0x54, 0x00}));
}

TEST(MessageBuilder, ReadsCansendStyleFrames) {
  std::string error;
  auto request = ParseFrameText("18EA00F9#E5FE00", error);
  ASSERT_TRUE(request) << error;
  EXPECT_EQ(request->pgn, 0xEA00u);
  EXPECT_EQ(request->priority, 6);
  EXPECT_EQ(request->source, 0xF9);
  EXPECT_EQ(request->destination, 0x00);
  EXPECT_EQ(request->data, (Bytes{0xE5, 0xFE, 0x00}));
  auto prefixed = ParseFrameText("0x18EA00F9#E5FE00", error);
  ASSERT_TRUE(prefixed) << error;
  EXPECT_EQ(prefixed->destination, 0x00);
  EXPECT_EQ(prefixed->data, request->data);
  auto broadcast = ParseFrameText("1DF20080#", error);
  ASSERT_TRUE(broadcast) << error;
  EXPECT_EQ(broadcast->pgn, 0x1F200u);
  EXPECT_EQ(broadcast->destination, 0xFF);
  for (const char* bad :
       {"18EA00F9", "8EA00F9#00", "18EA00F9#0", "18EA00F9#0 0", "3FFFFFFF#00",
        "18EA00FG#00", "0x8EA00F9#00", "0x#00"}) {
    EXPECT_FALSE(ParseFrameText(bad, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(MessageBuilder, CountsTheFramesOfAMultiPacketTransfer) {
  const std::pair<std::size_t, std::size_t> cases[] = {
      {0, 1}, {8, 1}, {9, 3}, {14, 3}, {15, 4}, {506, 74}};
  for (const auto& [bytes, frames] : cases)
    EXPECT_EQ(J1939FrameCount(bytes), frames) << bytes;
}

TEST(PlanSend, ChoosesTheProtocolAndRefusesContradictions) {
  SendOptions j1708;
  j1708.mid = 128;
  j1708.data = {0x54, 0x00};
  SendPlan plan = PlanSend(j1708);
  EXPECT_EQ(plan.error, "");
  EXPECT_EQ(plan.protocol, "J1708");
  EXPECT_EQ(plan.message, (Bytes{8, 128, 0x54, 0x00}));

  SendOptions long_j1939;
  long_j1939.pgn = 0xFEF1;
  long_j1939.data.assign(12, 0xAA);
  plan = PlanSend(long_j1939);
  EXPECT_EQ(plan.error, "");
  EXPECT_EQ(plan.protocol, "J1939");
  EXPECT_EQ(plan.frames, 3u);

  struct Case {
    const char* what;
    SendOptions options;
  };
  std::vector<Case> bad(5);
  bad[0].what = "nothing to send";
  bad[1].what = "a MID on J1939";
  bad[1].options.mid = 128;
  bad[1].options.protocol = "J1939";
  bad[2].what = "a PGN on J1708";
  bad[2].options.mid = 128;
  bad[2].options.pgn = 0xF004;
  bad[3].what = "frame and PGN";
  bad[3].options.frame_text = "18FEF100#00";
  bad[3].options.pgn = 0xFEF1;
  bad[4].what = "J1939 priority 8";
  bad[4].options.pgn = 0xFEF1;
  bad[4].options.priority = 8;
  for (const Case& c : bad) EXPECT_NE(PlanSend(c.options).error, "") << c.what;
}

}  // namespace
}  // namespace vlrclient
