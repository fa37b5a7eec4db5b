// Filter command 4 with many groups, against an adapter that acknowledges
// every command and one that has stopped answering.
#include <algorithm>

#include "fault_fixture.h"

namespace vlrtest {
namespace {

struct FilterTimeCase {
  int groups;
  bool silent;
  double boundSeconds;  // generous: one unanswered wait is 2.1 s
};

// `count` distinct PGN groups (flags 01, PGN kk FE 00).
Bytes FilterGroups(int count) {
  Bytes buffer;
  for (int k = 0; k < count; ++k) {
    const Bytes group = {0x01, static_cast<uint8_t>(k), 0xFE, 0x00, 3, 0, 0};
    buffer.insert(buffer.end(), group.begin(), group.end());
  }
  return buffer;
}

bool IsSlotFrame(const vlrsim::HostFrame& f) {
  return f.raw.size() == 10 && (f.raw[3] & 0x0F) == 0x09 && f.raw[3] >= 0x19;
}
bool IsMaskFrame(const vlrsim::HostFrame& f) {
  return f.raw.size() == 10 && f.raw[3] == 0x04;
}

class FilterTime : public DriverTest,
                   public ::testing::WithParamInterface<FilterTimeCase> {};

TEST_P(FilterTime, ProgramsTheAdapterOnceWithTheFinalState) {
  const FilterTimeCase& c = GetParam();
  auto& adapter = StartAdapter(201);
  ConnectOrFail(201, "J1939");
  adapter.SetSilent(c.silent);
  adapter.Recorded().Clear();
  const auto start = FaultClock::now();
  EXPECT_EQ(
      Command(RP1210_Set_Message_Filtering_For_J1939, FilterGroups(c.groups)),
      0);
  const double took = SecondsSince(start);
  EXPECT_LT(took, c.boundSeconds);
  RecordProperty("seconds", std::to_string(took));

  // A client that reassembles transfers adds the transport's two groups.
  const int groups = c.groups + 2;
  // Every frame reached the line, silent adapter or not.
  const size_t frames = 3 + std::min(groups, 4);
  ASSERT_TRUE(adapter.Recorded().WaitForHostFrames(frames));
  const auto commands = adapter.Recorded().HostCommands();
  EXPECT_EQ(std::count_if(commands.begin(), commands.end(), IsMaskFrame), 1);
  EXPECT_EQ(std::count_if(commands.begin(), commands.end(), IsSlotFrame),
            std::min(groups, 4));
  // Past four groups the mask lets everything through.
  const auto mask = std::find_if(commands.begin(), commands.end(), IsMaskFrame);
  ASSERT_NE(mask, commands.end());
  const bool open = std::all_of(mask->raw.begin() + 4, mask->raw.begin() + 8,
                                [](uint8_t b) { return b == 0; });
  EXPECT_EQ(open, groups > 4);
}

INSTANTIATE_TEST_SUITE_P(Groups, FilterTime,
                         ::testing::Values(FilterTimeCase{1, false, 2.0},
                                           FilterTimeCase{6, false, 2.0},
                                           FilterTimeCase{256, false, 2.0},
                                           FilterTimeCase{1, true, 4.5},
                                           FilterTimeCase{6, true, 4.5},
                                           FilterTimeCase{256, true, 4.5}),
                         [](const auto& info) {
                           return std::to_string(info.param.groups) +
                                  (info.param.silent ? "_silent"
                                                     : "_answering");
                         });

}  // namespace
}  // namespace vlrtest
