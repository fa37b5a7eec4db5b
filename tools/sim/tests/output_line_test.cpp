// Ordering, pauses and pacing of the adapter's output queue, on a clock the
// test moves by hand.
#include "output_line.h"

#include <gtest/gtest.h>

namespace vlrsim {
namespace {

using detail::OutputLine;
using std::chrono::microseconds;
using std::chrono::milliseconds;

const Clock::time_point kT0 = Clock::time_point{} + std::chrono::hours{1};

TEST(OutputLine, RunsGoOutInOrderAfterTheirPauses) {
  OutputLine line(115200);
  line.Enqueue(Bytes{1});
  line.Enqueue(Bytes{2}, milliseconds{10});
  EXPECT_EQ(line.Take(kT0), Bytes{1});
  line.NoteWritten(kT0, 1);
  EXPECT_FALSE(line.Take(kT0 + milliseconds{9}));
  EXPECT_EQ(line.NextTime(kT0), kT0 + milliseconds{10});
  EXPECT_EQ(line.Take(kT0 + milliseconds{10}), Bytes{2});
  EXPECT_FALSE(line.Take(kT0 + milliseconds{11}));
  EXPECT_TRUE(line.Idle());
}

TEST(OutputLine, DelayedRunsJoinTheQueueWhenDue) {
  OutputLine line(115200);
  line.EnqueueAt(kT0 + milliseconds{5}, Bytes{9});
  line.Enqueue(Bytes{1});
  EXPECT_EQ(line.Take(kT0), Bytes{1});
  line.NoteWritten(kT0, 1);
  EXPECT_FALSE(line.Take(kT0 + milliseconds{4}));
  EXPECT_EQ(line.NextTime(kT0 + milliseconds{4}), kT0 + milliseconds{5});
  line.Enqueue(Bytes{2});  // queued before the delayed run falls due
  EXPECT_EQ(line.Take(kT0 + milliseconds{6}), Bytes{2});
  line.NoteWritten(kT0 + milliseconds{6}, 1);
  EXPECT_EQ(line.Take(kT0 + milliseconds{6}), Bytes{9});
}

TEST(OutputLine, ThrottledOutputKeepsToTheLineRate) {
  for (uint32_t baud : {38400u, 115200u}) {
    OutputLine line(baud);
    line.SetThrottle(true);
    const size_t total = 2000;
    line.Enqueue(Bytes(total, 0x55));
    Clock::time_point now = kT0;
    size_t sent = 0;
    while (!line.Idle()) {
      if (auto piece = line.Take(now)) {
        sent += piece->size();
        line.NoteWritten(now, piece->size());
      } else {
        now = *line.NextTime(now);
      }
    }
    EXPECT_EQ(sent, total);
    // The last piece starts when all before it are on the line.
    const double seconds = std::chrono::duration<double>(now - kT0).count();
    const double line_time = total * 10.0 / baud;
    EXPECT_GT(seconds, line_time * 0.9) << baud;
    EXPECT_LT(seconds, line_time * 1.1) << baud;
  }
}

TEST(OutputLine, UnthrottledOutputGoesInOnePiece) {
  OutputLine line(38400);
  line.Enqueue(Bytes(5000, 0x55));
  auto piece = line.Take(kT0);
  ASSERT_TRUE(piece);
  EXPECT_EQ(piece->size(), 5000u);
}

}  // namespace
}  // namespace vlrsim
