#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "queue/message_queue.h"

namespace vlr {
namespace {

bool PushValue(MessageQueue& q, uint32_t value) {
  const uint8_t bytes[4] = {
      static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
      static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  return q.Push(bytes, sizeof bytes, false, 0);
}

uint32_t ValueOf(const QueueEntry& e) {
  return uint32_t{e.data[0]} << 24 | uint32_t{e.data[1]} << 16 |
         uint32_t{e.data[2]} << 8 | e.data[3];
}

TEST(MessageQueue, NewQueueIsEmpty) {
  MessageQueue q;
  QueueEntry e;
  e.length = 77;
  EXPECT_TRUE(q.IsEmpty());
  EXPECT_EQ(q.GetCount(), 0);
  EXPECT_FALSE(q.Pop(e));
  EXPECT_FALSE(q.Peek(e));
  EXPECT_EQ(e.length, 77u) << "a failed pop must leave the record alone";
}

TEST(MessageQueue, KeepsOrderAndCopiesEveryField) {
  MessageQueue q;
  const uint8_t bytes[] = {1, 2, 3};
  ASSERT_TRUE(q.Push(bytes, 3, true, 1));
  ASSERT_TRUE(PushValue(q, 42));
  QueueEntry e;
  ASSERT_TRUE(q.Peek(e));
  EXPECT_EQ(q.GetCount(), 2);
  ASSERT_TRUE(q.Pop(e));
  EXPECT_EQ(e.length, 3u);
  EXPECT_EQ(e.echo, 1);
  EXPECT_EQ(e.data[2], 3);
  ASSERT_TRUE(q.Pop(e));
  EXPECT_EQ(ValueOf(e), 42u);
  EXPECT_EQ(e.timestamp, 0u) << "unstamped entries are zeroed";
  EXPECT_TRUE(q.IsEmpty());
}

// Threshold, number pushed, expected count, expected first value left.
struct OverflowCase {
  int32_t threshold;
  uint32_t pushes;
  int32_t count;
  uint32_t head;
};

class QueueOverflow : public ::testing::TestWithParam<OverflowCase> {};

TEST_P(QueueOverflow, DropsOldestOnePerPushPastThreshold) {
  const OverflowCase c = GetParam();
  MessageQueue q;
  q.SetMaxCount(c.threshold);
  for (uint32_t i = 0; i < c.pushes; ++i) ASSERT_TRUE(PushValue(q, i));
  EXPECT_EQ(q.GetCount(), c.count);
  QueueEntry e;
  if (c.count > 0) {
    ASSERT_TRUE(q.Peek(e));
    EXPECT_EQ(ValueOf(e), c.head);
  } else {
    EXPECT_FALSE(q.Peek(e));
  }
}

INSTANTIATE_TEST_SUITE_P(Thresholds, QueueOverflow,
                         ::testing::Values(OverflowCase{3000, 3000, 3000, 0},
                                           OverflowCase{3000, 3001, 3000, 1},
                                           OverflowCase{200, 200, 200, 0},
                                           OverflowCase{200, 201, 200, 1},
                                           OverflowCase{200, 450, 200, 250},
                                           OverflowCase{0, 5, 0, 0}));

TEST(MessageQueue, LoweringThresholdTrimsOnlyOnLaterPushes) {
  MessageQueue q;
  for (uint32_t i = 0; i < 10; ++i) PushValue(q, i);
  q.SetMaxCount(3);
  EXPECT_EQ(q.GetCount(), 10);
  PushValue(q, 10);
  EXPECT_EQ(q.GetCount(), 10) << "each push past the threshold drops one";
  QueueEntry e;
  ASSERT_TRUE(q.Pop(e));
  EXPECT_EQ(ValueOf(e), 1u);
}

TEST(MessageQueue, RefusesOversizedOrMissingBytes) {
  MessageQueue q;
  std::vector<uint8_t> big(kQueueEntryCapacity + 1, 0xAA);
  EXPECT_FALSE(q.Push(big.data(), static_cast<uint32_t>(big.size()), false, 0));
  EXPECT_FALSE(q.Push(nullptr, 4, false, 0));
  EXPECT_TRUE(q.Push(big.data(), kQueueEntryCapacity, false, 0));
  EXPECT_EQ(q.GetCount(), 1);
}

TEST(MessageQueue, ClearEmptiesAndQueueWorksAfterwards) {
  MessageQueue q;
  EXPECT_TRUE(q.Clear());
  for (uint32_t i = 0; i < 5; ++i) PushValue(q, i);
  EXPECT_TRUE(q.Clear());
  EXPECT_EQ(q.GetCount(), 0);
  QueueEntry e;
  EXPECT_FALSE(q.Pop(e));
  PushValue(q, 9);
  ASSERT_TRUE(q.Pop(e));
  EXPECT_EQ(ValueOf(e), 9u);
}

TEST(MessageQueue, ConcurrentProducersAndConsumersLoseNothing) {
  MessageQueue q;
  q.SetMaxCount(1 << 30);
  constexpr uint32_t kPerProducer = 20000;
  std::atomic<int> producersLeft{2};
  std::vector<uint32_t> seen[2];
  auto produce = [&](uint32_t base) {
    for (uint32_t i = 0; i < kPerProducer; ++i) PushValue(q, base + i);
    --producersLeft;
  };
  auto consume = [&](std::vector<uint32_t>& out) {
    QueueEntry e;
    while (producersLeft > 0 || !q.IsEmpty()) {
      if (q.Pop(e)) out.push_back(ValueOf(e));
    }
  };
  std::thread p1(produce, 0), p2(produce, 1u << 24);
  std::thread c1(consume, std::ref(seen[0])), c2(consume, std::ref(seen[1]));
  p1.join();
  p2.join();
  c1.join();
  c2.join();
  std::set<uint32_t> all(seen[0].begin(), seen[0].end());
  all.insert(seen[1].begin(), seen[1].end());
  EXPECT_EQ(seen[0].size() + seen[1].size(), 2 * kPerProducer) << "duplicates";
  EXPECT_EQ(all.size(), 2 * kPerProducer) << "lost entries";
  // Each consumer sees each producer's values in push order.
  for (const auto& s : seen) {
    uint32_t last[2] = {0, 0};
    bool any[2] = {false, false};
    for (uint32_t v : s) {
      const int p = v >> 24 ? 1 : 0;
      if (any[p]) {
        EXPECT_LT(last[p], v);
      }
      last[p] = v;
      any[p] = true;
    }
  }
}

}  // namespace
}  // namespace vlr
