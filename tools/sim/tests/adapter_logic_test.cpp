// The adapter's answers and switches, driven with decoded host frames and
// no pseudo-terminal.
#include "adapter_logic.h"

#include <gtest/gtest.h>

#include "vlrsim/adapter_frame.h"
#include "vlrsim/host_frame.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim {
namespace {

using detail::AdapterLogic;
using detail::Reaction;

constexpr uint32_t kFast = 115200;
constexpr uint32_t kSlow = 9600;

// Feeds `bytes` as host frames at `baud`; returns every reaction.
std::vector<Reaction> Host(AdapterLogic& logic, const Bytes& bytes,
                           uint32_t baud) {
  std::vector<Reaction> all;
  for (const auto& frame : DecodeHostBytes(Family::k2xx, bytes)) {
    for (auto& r : logic.OnHostFrame(frame, baud)) all.push_back(std::move(r));
  }
  return all;
}

void StartUp(AdapterLogic& logic, bool j1939) {
  Host(logic, Bytes(22, 0x42), kSlow);
  Host(logic, synced::RateChangeFrame(), kSlow);
  Host(logic, synced::ReceiveModeFrame(j1939), kFast);
}

TEST(AdapterLogic, StartUpIsAcknowledgedOnTheReceiveModeChannel) {
  for (bool j1939 : {false, true}) {
    AdapterLogic logic(AdapterOptions{});
    EXPECT_TRUE(Host(logic, Bytes(22, 0x42), kSlow).empty());
    EXPECT_TRUE(Host(logic, synced::RateChangeFrame(), kSlow).empty());
    const auto answer = Host(logic, synced::ReceiveModeFrame(j1939), kFast);
    ASSERT_EQ(answer.size(), 1u);
    const uint8_t channel = j1939 ? 0x02 : 0x01;
    EXPECT_EQ(answer[0].bytes, synced::AckFrame(channel));
    EXPECT_EQ(answer[0].bytes, (Bytes{0x01, 0x01, channel, 0x00,
                                      static_cast<uint8_t>(0x02 + channel)}));
    EXPECT_EQ(logic.State().j1939_receive, j1939);
    EXPECT_EQ(logic.State().j1708_receive, !j1939);
    EXPECT_TRUE(logic.State().rate_changed);
  }
}

TEST(AdapterLogic, AfterTheRateChangeFramesAtTheWrongRateAreNotUnderstood) {
  AdapterLogic logic(AdapterOptions{});
  Host(logic, synced::RateChangeFrame(), kSlow);
  EXPECT_TRUE(Host(logic, synced::ReceiveModeFrame(true), kSlow).empty());
  EXPECT_FALSE(logic.State().j1939_receive);

  AdapterOptions lenient;
  lenient.check_line_rate = false;
  AdapterLogic unchecked(lenient);
  Host(unchecked, synced::RateChangeFrame(), kSlow);
  EXPECT_EQ(Host(unchecked, synced::ReceiveModeFrame(true), kSlow).size(), 1u);
}

TEST(AdapterLogic, SilentAdapterAnswersNothingButStillChangesState) {
  AdapterOptions options;
  options.silent = true;
  options.loopback = true;
  AdapterLogic logic(options);
  Host(logic, synced::RateChangeFrame(), kSlow);
  EXPECT_TRUE(Host(logic, synced::ReceiveModeFrame(false), kFast).empty());
  EXPECT_TRUE(
      Host(logic, synced::HostJ1708Frame(Bytes{0x80, 0x5C, 0x24}), kFast)
          .empty());
  EXPECT_FALSE(logic.Report({.bus = Bus::kJ1708, .id = 0x80, .data = {}}, 0)
                   .has_value());
}

TEST(AdapterLogic, EveryCommandButTheRateChangeIsAcknowledged) {
  AdapterLogic logic(AdapterOptions{});
  StartUp(logic, true);
  const Bytes commands[] = {
      synced::CommandFrame(0x02, 0x00),
      synced::FilterMaskFrame(0x07F80000),
      synced::FilterSlotFrame(2, 0x07F78800),
      synced::CommandFrame(0x01, 0x10),
      synced::CommandFrame(0x02, 0x7E),  // unknown code: still acknowledged
  };
  for (const auto& command : commands) {
    const auto answer = Host(logic, command, kFast);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].bytes, synced::AckFrame(command[2]));
  }
  EXPECT_TRUE(Host(logic, synced::RateChangeFrame(), kFast).empty());
}

TEST(AdapterLogic, ReadyFrameFollowsEachJ1708FrameAfterTheDelay) {
  AdapterOptions options;
  options.ready_delay = std::chrono::milliseconds{7};
  AdapterLogic logic(options);
  StartUp(logic, false);
  const Bytes j1708 = synced::HostJ1708Frame(Bytes{0x80, 0x5C, 0x24});
  auto answer = Host(logic, j1708, kFast);
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].bytes, synced::ReadyFrame());
  EXPECT_EQ(answer[0].delay, std::chrono::milliseconds{7});
  // J1939 frames get no ready frame; without a delay, nothing.
  EXPECT_TRUE(
      Host(logic, synced::HostJ1939Frame(0x18FEF100, Bytes{1}), kFast).empty());
  logic.SetReadyDelay(std::nullopt);
  EXPECT_TRUE(Host(logic, j1708, kFast).empty());
}

TEST(AdapterLogic, ReceiveSwitchesGateReports) {
  AdapterLogic logic(AdapterOptions{});
  const TimedMessage j1939{.bus = Bus::kJ1939, .id = 0x18FEF100, .data = {1}};
  const TimedMessage j1708{.bus = Bus::kJ1708, .id = 0x80, .data = {0x5C}};
  EXPECT_FALSE(logic.Report(j1939, 0));
  EXPECT_FALSE(logic.Report(j1708, 0));
  StartUp(logic, true);
  EXPECT_TRUE(logic.Report(j1939, 0));
  EXPECT_FALSE(logic.Report(j1708, 0));
  Host(logic, synced::ReceiveModeFrame(false), kFast);
  EXPECT_TRUE(logic.Report(j1708, 0));
  Host(logic, synced::CommandFrame(0x02, synced::kJ1939ReceiveOff), kFast);
  EXPECT_FALSE(logic.Report(j1939, 0));
}

TEST(AdapterLogic, HostFilterSequenceProgramsTheFilter) {
  struct Case {
    bool slot_resumes_receive;
    bool receive_after;
  };
  for (const Case c : {Case{false, false}, Case{true, true}}) {
    AdapterOptions options;
    options.slot_frame_resumes_receive = c.slot_resumes_receive;
    AdapterLogic logic(options);
    StartUp(logic, true);
    Host(logic, synced::CommandFrame(0x02, synced::kJ1939ReceiveOff), kFast);
    Host(logic, synced::FilterMaskFrame(0xE7FFE7E0), kFast);
    Host(logic, synced::FilterSlotFrame(0, 0xC750BFC8), kFast);
    EXPECT_EQ(logic.Filter().Mask(), 0xE7FFE7E0u);
    EXPECT_EQ(logic.Filter().Slot(0), 0xC750BFC8u);
    EXPECT_EQ(logic.State().j1939_receive, c.receive_after);
    Host(logic, synced::ReceiveModeFrame(true), kFast);
    EXPECT_TRUE(
        logic.Report({.bus = Bus::kJ1939, .id = 0x18EA17F9, .data = {}}, 0));
    EXPECT_FALSE(
        logic.Report({.bus = Bus::kJ1939, .id = 0x18EA17F1, .data = {}}, 0));
  }
}

TEST(AdapterLogic, WakeUpRunResetsTheAdapter) {
  AdapterLogic logic(AdapterOptions{});
  StartUp(logic, true);
  Host(logic, synced::FilterMaskFrame(0xFFFFFFF8), kFast);
  Host(logic, synced::FilterSlotFrame(0, 0), kFast);
  Host(logic, Bytes(22, 0x42), kSlow);
  const AdapterState state = logic.State();
  EXPECT_FALSE(state.rate_changed);
  EXPECT_FALSE(state.j1939_receive);
  EXPECT_EQ(state.wake_up_bytes, 22);
  EXPECT_EQ(logic.Filter().Mask(), 0u);
}

TEST(AdapterLogic, LoopbackReportsTheHostMessageUnderTheSameRules) {
  AdapterOptions options;
  options.loopback = true;
  options.ready_delay.reset();
  AdapterLogic logic(options);
  StartUp(logic, true);
  const auto answer =
      Host(logic, synced::HostJ1939Frame(0x18FEF1F9, Bytes{1, 2, 3}), kFast);
  ASSERT_EQ(answer.size(), 1u);
  const auto frames = DecodeAdapterBytes(Family::k2xx, answer[0].bytes);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].id, 0x18FEF1F9u);
  EXPECT_EQ(frames[0].data, (Bytes{1, 2, 3}));
  // J1708 receive is off on this J1939 connection: no echo.
  EXPECT_TRUE(
      Host(logic, synced::HostJ1708Frame(Bytes{0x80, 0x5C, 0x24}), kFast)
          .empty());
}

TEST(AdapterLogic, CountedAdapterReportsTheConfiguredBuses) {
  AdapterOptions options;
  options.family = Family::k1xx;
  AdapterLogic logic(options);
  const TimedMessage j1939{.bus = Bus::kJ1939, .id = 0x18FEF100, .data = {1}};
  const TimedMessage j1708{.bus = Bus::kJ1708, .id = 0x80, .data = {0x5C}};
  EXPECT_TRUE(logic.Report(j1939, 0));
  EXPECT_TRUE(logic.Report(j1708, 0));
  logic.SetReportedBuses(true, false);
  EXPECT_FALSE(logic.Report(j1939, 0));
  EXPECT_TRUE(logic.Report(j1708, 0));
  EXPECT_EQ(logic.Report(j1708, 0)->at(1), 0x81);
}

}  // namespace
}  // namespace vlrsim
