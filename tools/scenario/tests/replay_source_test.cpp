#include "vlrscenario/replay_source.h"

#include <gtest/gtest.h>

#include <vector>

namespace vlrscenario {
namespace {

using std::chrono::microseconds;

Capture ThreeMessages() {
  CaptureBuilder builder;
  builder.Add(microseconds(1000), vlrsim::Bus::kJ1939, 1, {});
  builder.Add(microseconds(1500), vlrsim::Bus::kJ1708, 2, {0x10});
  builder.Add(microseconds(3000), vlrsim::Bus::kJ1939, 3, {});
  return builder.Take();
}

std::vector<vlrsim::TimedMessage> Drain(vlrsim::TrafficSource& source,
                                        std::size_t limit) {
  std::vector<vlrsim::TimedMessage> out;
  while (out.size() < limit) {
    auto next = source.Next();
    if (!next) break;
    out.push_back(*next);
  }
  return out;
}

TEST(ReplaySource, PlaysOnceInOrderWithTheCapturedTiming) {
  auto source = MakeReplaySource(ThreeMessages());
  auto played = Drain(*source, 10);
  ASSERT_EQ(played.size(), 3u);
  EXPECT_EQ(played[0].id, 1u);
  EXPECT_EQ(played[1].at, microseconds(500));
  EXPECT_EQ(played[1].bus, vlrsim::Bus::kJ1708);
  EXPECT_EQ(played[2].at, microseconds(2000));
}

TEST(ReplaySource, LoopsWithAGapAndScalesTime) {
  ReplayOptions options;
  options.loop = true;
  options.loop_gap = microseconds(1000);
  options.speed = 2.0;
  auto source = MakeReplaySource(ThreeMessages(), options);
  auto played = Drain(*source, 7);
  ASSERT_EQ(played.size(), 7u);
  // Second round starts 2000 + 1000 after the first, at double speed.
  const microseconds expected[] = {microseconds(0),    microseconds(250),
                                   microseconds(1000), microseconds(1500),
                                   microseconds(1750), microseconds(2500),
                                   microseconds(3000)};
  for (std::size_t i = 0; i < played.size(); ++i) {
    EXPECT_EQ(played[i].at, expected[i]) << i;
    EXPECT_EQ(played[i].id, i % 3 + 1) << i;
  }
}

TEST(ReplaySource, AnEmptyCaptureEndsEvenWhenLooping) {
  ReplayOptions options;
  options.loop = true;
  auto source = MakeReplaySource(Capture{}, options);
  EXPECT_FALSE(source->Next());
}

TEST(ReplaySource, SpeedZeroMakesEverythingDueAtOnce) {
  ReplayOptions options;
  options.speed = 0;
  auto source = MakeReplaySource(ThreeMessages(), options);
  for (const auto& message : Drain(*source, 10))
    EXPECT_EQ(message.at, microseconds(0));
}

}  // namespace
}  // namespace vlrscenario
