// Pacing of the host's bytes on a line-paced connection, on a clock the
// test moves by hand.
#include "input_line.h"

#include <gtest/gtest.h>

#include <numeric>

namespace vlrsim {
namespace {

using detail::InputLine;

const Clock::time_point kT0 = Clock::time_point{} + std::chrono::hours{1};

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

TEST(InputLine, AHostWritingAheadIsTakenAtTheLineRate) {
  for (uint32_t baud : {38400u, 115200u}) {
    InputLine line(baud);
    Bytes written(3000);
    std::iota(written.begin(), written.end(), uint8_t{0});
    size_t taken = 0;
    Bytes arrived;
    Clock::time_point now = kT0;
    int wakes = 0;
    while (arrived.size() < written.size()) {
      const size_t room = std::min(line.Room(), written.size() - taken);
      line.Feed(std::span(written).subspan(taken, room), now);
      taken += room;
      const Bytes piece = line.Arrived(now);
      arrived.insert(arrived.end(), piece.begin(), piece.end());
      if (line.Empty()) continue;
      ASSERT_GT(*line.NextTime(), now) << baud;
      now = *line.NextTime();
      ++wakes;
    }
    EXPECT_EQ(arrived, written) << baud;
    const double line_time = static_cast<double>(written.size()) * 10 / baud;
    EXPECT_NEAR(Seconds(now - kT0), line_time, line_time * 0.01) << baud;
    // Woken about once a millisecond, not once a byte.
    EXPECT_LT(wakes * 2, static_cast<int>(written.size())) << baud;
  }
}

TEST(InputLine, AFrameOnAnIdleLineEndsOneByteTimePerByteLater) {
  for (uint32_t baud : {38400u, 115200u}) {
    InputLine line(baud);
    const auto bt = line.ByteTime();
    const Bytes frame(std::min<size_t>(line.Room(), 6), 0x42);
    line.Feed(frame, kT0);
    EXPECT_TRUE(line.Arrived(kT0).empty()) << baud;
    const auto last = kT0 + bt * static_cast<Clock::rep>(frame.size());
    EXPECT_EQ(line.Arrived(last - bt).size(), frame.size() - 1) << baud;
    EXPECT_EQ(line.NextTime(), last) << baud;
    EXPECT_TRUE(line.Arrived(last - Clock::duration{1}).empty()) << baud;
    EXPECT_EQ(line.Arrived(last).size(), 1u) << baud;
    EXPECT_TRUE(line.Empty()) << baud;
  }
}

TEST(InputLine, AnIdleLineStartsAgainWhenTheHostWrites) {
  InputLine line(115200);
  line.Feed(Bytes{1, 2}, kT0);
  const auto later = kT0 + std::chrono::seconds{1};
  line.Arrived(later);
  line.Feed(Bytes{3}, later);
  EXPECT_TRUE(line.Arrived(later).empty());
  EXPECT_EQ(line.NextTime(), later + line.ByteTime());
}

TEST(InputLine, TakesNoMoreThanItMayHold) {
  InputLine line(115200);
  const size_t room = line.Room();
  ASSERT_GT(room, 0u);
  line.Feed(Bytes(room, 0x55), kT0);
  EXPECT_EQ(line.Room(), 0u);
  line.Arrived(kT0 + line.ByteTime());
  EXPECT_EQ(line.Room(), 1u);
  EXPECT_EQ(line.TakeAll().size(), room - 1);
  EXPECT_EQ(line.Room(), room);
}

}  // namespace
}  // namespace vlrsim
