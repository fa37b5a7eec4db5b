#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>
#include <vector>

#include "queue/message_queue.h"

namespace vlr {
namespace {

using Message = std::vector<uint8_t>;

PushAllResult PushAll(MessageQueue& q, uint32_t session,
                      const std::vector<Message>& messages) {
  std::vector<std::span<const uint8_t>> views(messages.begin(), messages.end());
  return q.PushAllFor(session, views);
}

TEST(QueueSessions, OnlyTheBoundSessionTakesAndAdds) {
  MessageQueue q;
  q.Bind(7);
  ASSERT_EQ(PushAll(q, 7, {{1}, {2}}), PushAllResult::kQueued);
  QueueEntry e;
  EXPECT_FALSE(q.PopFor(6, e));
  EXPECT_EQ(PushAll(q, 6, {{3}}), PushAllResult::kClosed);
  EXPECT_EQ(q.GetCount(), 2);
  ASSERT_TRUE(q.PopFor(7, e));
  EXPECT_EQ(e.data[0], 1);

  q.Bind(8);  // the next connection: nothing of the last one is left
  EXPECT_TRUE(q.IsEmpty());
  EXPECT_FALSE(q.PopFor(7, e));
  EXPECT_EQ(PushAll(q, 7, {{4}}), PushAllResult::kClosed);
  q.Bind(MessageQueue::kNoConnection);
  EXPECT_EQ(PushAll(q, MessageQueue::kNoConnection + 8, {{4}}),
            PushAllResult::kClosed);
}

// Threshold, messages already queued, size of the next batch, expected.
struct BatchCase {
  int32_t threshold;
  int queued;
  int batch;
  PushAllResult expected;
};

class QueueBatches : public ::testing::TestWithParam<BatchCase> {};

TEST_P(QueueBatches, GoWholeOrNotAtAllAndNeverDropWhatWasQueued) {
  const BatchCase& c = GetParam();
  MessageQueue q;
  q.Bind(1);
  q.SetMaxCount(c.threshold);
  for (int i = 0; i < c.queued; ++i) {
    ASSERT_EQ(PushAll(q, 1, {{static_cast<uint8_t>(i)}}),
              PushAllResult::kQueued);
  }
  std::vector<Message> batch(static_cast<size_t>(c.batch), Message{0xEE});
  EXPECT_EQ(PushAll(q, 1, batch), c.expected);
  const int expectedCount =
      c.queued + (c.expected == PushAllResult::kQueued ? c.batch : 0);
  EXPECT_EQ(q.GetCount(), expectedCount);
  QueueEntry e;
  if (c.queued > 0) {
    ASSERT_TRUE(q.PopFor(1, e));
    EXPECT_EQ(e.data[0], 0) << "the oldest is still there";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, QueueBatches,
    ::testing::Values(BatchCase{200, 0, 74, PushAllResult::kQueued},
                      BatchCase{200, 126, 74, PushAllResult::kQueued},
                      BatchCase{200, 127, 74, PushAllResult::kFull},
                      BatchCase{200, 200, 1, PushAllResult::kFull},
                      BatchCase{3, 0, 4, PushAllResult::kFull},
                      BatchCase{3, 0, 0, PushAllResult::kQueued}));

TEST(QueueSessions, OverlongMessageRefusesTheWholeBatch) {
  MessageQueue q;
  q.Bind(1);
  std::vector<Message> batch{{1}, Message(kQueueEntryCapacity + 1, 2)};
  EXPECT_EQ(PushAll(q, 1, batch), PushAllResult::kNoMemory);
  EXPECT_EQ(q.GetCount(), 0);
}

// A blocking read waits on its queue: a message or the end of its
// connection wakes it long before the bound.
TEST(QueueSessions, AWaitEndsOnAnEntryOrTheEndOfItsConnection) {
  using namespace std::chrono_literals;
  for (const bool disconnect : {false, true}) {
    MessageQueue q;
    q.Bind(3);
    std::thread other([&] {
      std::this_thread::sleep_for(50ms);
      const uint8_t byte = 1;
      if (disconnect) {
        q.Bind(MessageQueue::kNoConnection);
      } else {
        q.PushFor(3, {&byte, 1}, 0, 0);
      }
    });
    const auto start = std::chrono::steady_clock::now();
    q.WaitForEntry(3, 60000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s) << disconnect;
    other.join();
    QueueEntry e;
    EXPECT_EQ(q.PopFor(3, e), !disconnect);
  }
}

}  // namespace
}  // namespace vlr
