#include "message_schedule.h"

#include <gtest/gtest.h>

namespace vlrscenario {
namespace {

using std::chrono::microseconds;

MessageSchedule::FireFn Every(uint32_t id, int64_t period, int burst = 1,
                              int64_t spread = 0) {
  return [=](microseconds due) {
    Firing firing;
    for (int i = 0; i < burst; ++i) {
      vlrsim::TimedMessage message;
      message.id = id;
      message.at = due + microseconds(spread * i);
      firing.messages.push_back(message);
    }
    firing.next_due = due + microseconds(period);
    return firing;
  };
}

TEST(MessageSchedule, MergesStreamsInTimeOrderAndKeepsTiesInProductionOrder) {
  MessageSchedule schedule;
  schedule.AddStream(microseconds(0), Every(1, 30));
  schedule.AddStream(microseconds(0), Every(2, 50));
  // A burst that spreads past the next firings of the others; its later
  // messages were produced first, so they lead at equal times.
  schedule.AddStream(microseconds(10), Every(3, 1000, 3, 40));
  schedule.SetEnd(microseconds(100));
  std::vector<std::pair<int64_t, uint32_t>> got;
  while (auto message = schedule.Next())
    got.emplace_back(message->at.count(), message->id);
  const std::vector<std::pair<int64_t, uint32_t>> expected = {
      {0, 1},  {0, 2},  {10, 3}, {30, 1}, {50, 3},
      {50, 2}, {60, 1}, {90, 3}, {90, 1}, {100, 2}};
  EXPECT_EQ(got, expected);
}

TEST(MessageSchedule, EndsWhenEveryStreamRetires) {
  MessageSchedule schedule;
  schedule.AddStream(microseconds(5), [](microseconds due) {
    vlrsim::TimedMessage message;
    message.at = due;
    return Firing{{message}, std::nullopt};
  });
  // A stream that would not advance is retired rather than spinning.
  schedule.AddStream(microseconds(7), [](microseconds due) {
    vlrsim::TimedMessage message;
    message.at = due;
    return Firing{{message}, due};
  });
  EXPECT_TRUE(schedule.Next());
  EXPECT_TRUE(schedule.Next());
  EXPECT_FALSE(schedule.Next());
}

}  // namespace
}  // namespace vlrscenario
