#include <random>
#include <thread>

#include "driver_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;

uint32_t NowTicks() {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

struct Route {
  int device;
  const char* protocol;
};

class Receiving : public DriverTest,
                  public ::testing::WithParamInterface<Route> {
 protected:
  bool J1939() const { return std::string(GetParam().protocol) == "J1939"; }
  bool TwoHundred() const { return GetParam().device >= 200; }
  void PutSample(uint8_t tag) {
    if (J1939()) {
      adapter_->PutOnBus(Bus::kJ1939, 0x18FEF100 | tag,
                         Bytes{tag, 2, 3, 4, 5, 6, 7, 8});
    } else {
      adapter_->PutOnBus(Bus::kJ1708, 128, Bytes{84, tag});
    }
  }
  // The delivered record for PutSample(tag).
  Bytes SampleRecord(uint8_t tag) const {
    if (J1939())
      return Bytes{0xF1, 0xFE, 0x00, 6, tag, 0, tag, 2, 3, 4, 5, 6, 7, 8};
    return Bytes{128, 84, tag};
  }
};

TEST_P(Receiving, FilterDiscardsUntilOpenedThenDeliversInOrder) {
  const auto [device, protocol] = GetParam();
  StartAdapter(device);
  ConnectOrFail(device, protocol);
  vlr1210_posix_reset_notifications();
  PutSample(1);
  Bytes record;
  // Only the 2xx J1939 path has no driver-side test: the adapter filters.
  if (J1939() && TwoHundred()) {
    ASSERT_EQ(ReadRecords(1).size(), 1u);
  } else {
    // Nothing arrives to wait for: the time a delivery would take.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Read(record), 0) << "nothing passes before the filter opens";
  }
  ASSERT_EQ(Command(J1939() ? RP1210_Set_All_Filters_States_to_Pass
                            : RP1210_Set_Message_Filtering_For_J1708),
            0);
  const uint32_t before = NowTicks();
  for (uint8_t tag = 10; tag < 30; ++tag) PutSample(tag);
  const auto records = ReadRecords(20);
  const uint32_t after = NowTicks();
  ASSERT_EQ(records.size(), 20u);
  for (uint8_t tag = 10; tag < 30; ++tag) {
    EXPECT_EQ(records[tag - 10], SampleRecord(tag)) << int(tag);
  }
  EXPECT_LE(last_timestamp_ - before, after - before)
      << "tick count at queueing";
  const intptr_t value = TwoHundred() ? 0 : 1;
  EXPECT_TRUE(WaitForDeliveries(20)) << "each posted after its queueing";
  EXPECT_GE(vlr1210_posix_notifications("Vlr1210MessageString", value, value),
            20u);
  EXPECT_EQ(
      vlr1210_posix_notifications("Vlr1210MessageString", 1 - value, 1 - value),
      0u);
}

TEST_P(Receiving, ReadsBlockUntilAMessageComes) {
  const auto [device, protocol] = GetParam();
  StartAdapter(device);
  ConnectOrFail(device, protocol);
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  Bytes record;
  EXPECT_EQ(Read(record), 0);
  std::thread later([this] {
    std::this_thread::sleep_for(300ms);
    PutSample(7);
  });
  const short n = Read(record, true);
  later.join();
  ASSERT_GT(n, 0);
  EXPECT_EQ(record, SampleRecord(7));
}

TEST_P(Receiving, TooSmallBufferLosesOnlyThatMessage) {
  const auto [device, protocol] = GetParam();
  StartAdapter(device);
  ConnectOrFail(device, protocol);
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  vlr1210_posix_reset_notifications();
  PutSample(1);
  PutSample(2);
  ASSERT_TRUE(WaitForDeliveries(2));
  const short length = static_cast<short>(SampleRecord(1).size());
  Bytes record;
  // Five bytes are reserved even with echo off.
  EXPECT_EQ(Read(record, false, length + 4), -ERR_MESSAGE_TOO_LONG);
  ASSERT_EQ(Read(record, false, length + 5), length + 4);
  EXPECT_EQ(record, SampleRecord(2));
}

INSTANTIATE_TEST_SUITE_P(
    Routes, Receiving,
    ::testing::Values(Route{201, "J1939"}, Route{202, "J1708"},
                      Route{101, "J1939"}, Route{102, "J1708"}),
    [](const auto& info) {
      return std::to_string(info.param.device) + "_" + info.param.protocol;
    });

TEST_F(DriverTest, ReadRefusesBadCallsWithoutLosingMessages) {
  StartAdapter(203);
  Bytes record;
  EXPECT_EQ(Read(record), -ERR_INVALID_CLIENT_ID);
  ConnectOrFail(203, "J1939");
  vlr1210_posix_reset_notifications();
  adapter_->PutOnBus(Bus::kJ1939, 0x0CF00400, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_TRUE(WaitForDeliveries(1));
  for (short id : {1, 2, -1}) {
    char buffer[64];
    EXPECT_EQ(RP1210_ReadMessage(id, buffer, 64, 0), -ERR_INVALID_CLIENT_ID);
  }
  EXPECT_EQ(RP1210_ReadMessage(0, nullptr, 64, 0), -ERR_MESSAGE_TOO_LONG);
  ASSERT_EQ(Read(record), 18);
  // PF 0xF0 is broadcast: the PS byte is the group extension, kept.
  EXPECT_EQ(record,
            (Bytes{0x04, 0xF0, 0x00, 3, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(DriverTest, J1708RawModeKeepsTheChecksum) {
  StartAdapter(201);
  ConnectOrFail(201, "J1708");
  ASSERT_EQ(Command(RP1210_Set_Message_Filtering_For_J1708), 0);
  ASSERT_EQ(Command(RP1210_Set_J1708_Mode, "0"), 0);
  adapter_->PutOnBus(Bus::kJ1708, 128, Bytes{84, 20});
  const auto raw = ReadRecords(1);
  ASSERT_EQ(raw.size(), 1u);
  EXPECT_EQ(raw[0],
            (Bytes{128, 84, 20, static_cast<uint8_t>(-(128 + 84 + 20))}));
  ASSERT_EQ(Command(RP1210_Set_J1708_Mode, "1"), 0);
}

// Random frames of both channels, split at random points, with bytes that
// start no frame between them: exactly the frames of the connection's
// protocol come out, each once, in order.
TEST_F(DriverTest, RandomTrafficIsReceivedExactly) {
  auto& adapter = StartAdapter(204);
  ConnectOrFail(204, "J1939");
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  std::mt19937 random(1210);
  auto byte = [&](bool avoidFrameStart) {
    uint8_t b;
    do b = static_cast<uint8_t>(random());
    while (avoidFrameStart && b == 0x01);
    return b;
  };
  // The record the driver delivers for a J1939 message.
  auto recordOf = [](uint32_t id, const Bytes& data) {
    const uint8_t pf = static_cast<uint8_t>(id >> 16),
                  ps = static_cast<uint8_t>(id >> 8);
    Bytes record = {static_cast<uint8_t>(pf >= 240 ? ps : 0),
                    pf,
                    static_cast<uint8_t>((id >> 24) & 1),
                    static_cast<uint8_t>((id >> 26) & 7),
                    static_cast<uint8_t>(id),
                    static_cast<uint8_t>(pf < 240 ? ps : 0)};
    record.insert(record.end(), data.begin(), data.end());
    return record;
  };
  Bytes stream;
  std::vector<Bytes> expected;
  for (int i = 0; i < 300; ++i) {
    const int kind = random() % 3;
    if (kind == 0) {
      Bytes data(random() % 9);
      for (auto& b : data) b = byte(true);
      const uint32_t id = (random() & 0x1CFFFFFF) | 0x00000100;
      const Bytes frame = vlrsim::synced::J1939MessageFrame(id, data);
      if (std::count(frame.begin() + 1, frame.end() - 1, 0x01) != 0) continue;
      stream.insert(stream.end(), frame.begin(), frame.end());
      expected.push_back(recordOf(id, data));
    } else if (kind == 1) {
      Bytes data(1 + random() % 12);
      for (auto& b : data) b = byte(true);
      const Bytes frame = vlrsim::synced::J1708MessageFrame(byte(true), data);
      if (std::count(frame.begin() + 1, frame.end(), 0x01) != 0) continue;
      stream.insert(stream.end(), frame.begin(), frame.end());
    } else {
      for (int n = random() % 6; n > 0; --n) stream.push_back(byte(true));
    }
  }
  // A last message marks the end: once it is read, whatever the stream
  // could have delivered wrongly has been delivered before it.
  const Bytes mark(8, 0xAA);
  const Bytes markFrame = vlrsim::synced::J1939MessageFrame(0x18FEF1AA, mark);
  ASSERT_EQ(std::count(markFrame.begin() + 1, markFrame.end() - 1, 0x01), 0);
  stream.insert(stream.end(), markFrame.begin(), markFrame.end());
  expected.push_back(recordOf(0x18FEF1AA, mark));
  std::vector<size_t> cuts;
  for (size_t at = 1 + random() % 40; at < stream.size();
       at += 1 + random() % 60) {
    cuts.push_back(at);
  }
  adapter.SendSplit(stream, cuts, 3ms);
  const auto records = ReadRecords(expected.size(), 30s);
  ASSERT_EQ(records.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(records[i], expected[i]) << i;
  Bytes extra;
  EXPECT_EQ(Read(extra), 0) << "nothing else is delivered";
}

TEST_F(DriverTest, SeveralApplicationThreadsShareTheReceiveQueue) {
  auto& adapter = StartAdapter(102);
  ConnectOrFail(102, "J1939");
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  constexpr int kMessages = 300;
  std::atomic<int> received{0};
  std::vector<std::thread> readers;
  std::vector<std::vector<int>> seen(3);
  for (int t = 0; t < 3; ++t) {
    readers.emplace_back([&, t] {
      char buffer[64];
      const auto deadline = std::chrono::steady_clock::now() + 30s;
      while (received.load() < kMessages &&
             std::chrono::steady_clock::now() < deadline) {
        const short n = RP1210_ReadMessage(0, buffer, sizeof buffer, 0);
        if (n == 18) {
          seen[t].push_back(static_cast<uint8_t>(buffer[10]) |
                            static_cast<uint8_t>(buffer[11]) << 8);
          ++received;
        } else {
          std::this_thread::sleep_for(1ms);
        }
      }
    });
  }
  for (int i = 0; i < kMessages; ++i) {
    adapter.PutOnBus(Bus::kJ1939, 0x18FEF100,
                     Bytes{static_cast<uint8_t>(i),
                           static_cast<uint8_t>(i >> 8), 0, 0, 0, 0, 0, 0});
    if (i % 20 == 0) std::this_thread::sleep_for(5ms);
  }
  for (auto& r : readers) r.join();
  std::vector<int> all;
  for (const auto& s : seen) {
    EXPECT_TRUE(std::is_sorted(s.begin(), s.end()));
    all.insert(all.end(), s.begin(), s.end());
  }
  std::sort(all.begin(), all.end());
  ASSERT_EQ(all.size(), static_cast<size_t>(kMessages));
  for (int i = 0; i < kMessages; ++i) EXPECT_EQ(all[i], i);
}

}  // namespace
}  // namespace vlrtest
