#include <algorithm>
#include <numeric>
#include <random>

#include "driver_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;

uint8_t Sum(const Bytes& b) {
  return static_cast<uint8_t>(std::accumulate(b.begin(), b.end(), 0));
}
uint8_t Negated(const Bytes& b) { return static_cast<uint8_t>(-Sum(b)); }

Bytes WithSum(Bytes frame) {
  frame.push_back(Sum(frame));
  return frame;
}
Bytes WithCheck(Bytes frame) {
  frame.push_back(Negated(frame));
  return frame;
}

std::vector<Bytes> SentMessages(vlrsim::PtyAdapter& adapter, size_t count) {
  adapter.Recorded().WaitForHostMessages(count);
  std::vector<Bytes> frames;
  for (const auto& f : adapter.Recorded().HostMessages())
    frames.push_back(f.raw);
  return frames;
}

TEST_F(DriverTest, FramesOnTheLineForEachFamilyAndProtocol) {
  struct Case {
    int device;
    const char* protocol;
    Bytes message;
    Bytes frame;
  };
  const Case cases[] = {
      // 1xx J1708, converted: length, marks, type, MID, data, J1708 check.
      {101,
       "J1708",
       {3, 128, 84, 20},
       WithCheck({9, 0x6F, 0xDE, 0x80, 128, 84, 20, Negated({128, 84, 20})})},
      // 2xx J1708: channel header, data length, data and J1708 check, sum.
      {201,
       "J1708",
       {3, 128, 84, 20},
       WithSum({1, 3, 1, 0x12, 1, 4, 128, 84, 20, Negated({128, 84, 20})})},
      // 2xx J1939: PGN 0x00FEEE, priority 6, source 0.
      {202,
       "J1939",
       {0xEE, 0xFE, 0x00, 6, 0x00, 0xFF, 1, 2, 3},
       WithSum({1, 6, 2, 2, 0xC7, 0xF7, 0x70, 0x00, 3, 1, 2, 3})},
      // 1xx J1939 PF 0xEF: the destination replaces the first byte.
      {102,
       "J1939",
       {0x00, 0xEF, 0x00, 6, 0x11, 0x22, 9, 8},
       WithCheck(
           {13, 0x6F, 0xDE, 0x83, 0x22, 0xEF, 0x00, 6, 0x11, 0x22, 9, 8})},
      // PF 0xF0: the group extension stays.
      {102,
       "J1939",
       {0x04, 0xF0, 0x00, 6, 0x11, 0x22, 9, 8},
       WithCheck(
           {13, 0x6F, 0xDE, 0x83, 0x04, 0xF0, 0x00, 6, 0x11, 0x22, 9, 8})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.device) + " " + c.protocol);
    auto& adapter = StartAdapter(c.device);
    ConnectOrFail(c.device, c.protocol);
    adapter.Recorded().Clear();
    ASSERT_EQ(Send(c.message), 0);
    const auto frames = SentMessages(adapter, 1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], c.frame);
    ASSERT_EQ(Disconnect(), 0);
  }
}

// The writer is paced by the line and the adapter, not by a cycle of its
// own: a burst goes out back to back, in order, none lost. On J1708 of the
// 2xx family each frame still waits for the adapter's ready frame.
TEST_F(DriverTest, BurstGoesOutBackToBackInOrder) {
  struct Case {
    int deviceId;
    const char* protocol;
    int frames;
    std::chrono::milliseconds readyDelay;
  };
  const Case cases[] = {{201, "J1939", 200, 2ms},
                        {101, "J1939", 200, 2ms},
                        {101, "J1708", 200, 2ms},
                        {202, "J1708", 40, 10ms}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.deviceId) + " " + c.protocol);
    vlrsim::AdapterOptions options;
    options.ready_delay = c.readyDelay;
    auto& adapter = StartAdapter(c.deviceId, options);
    ConnectOrFail(c.deviceId, c.protocol);
    adapter.Recorded().Clear();
    const bool j1939 = std::string(c.protocol) == "J1939";
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < c.frames; ++i) {
      const auto n = static_cast<uint8_t>(i);
      ASSERT_EQ(Send(j1939 ? Bytes{0x00, 0xF0, 0x00, 3, 0x00, 0x00, n}
                           : Bytes{3, 128, n}),
                0);
    }
    ASSERT_TRUE(adapter.Recorded().WaitForHostMessages(
        static_cast<size_t>(c.frames), 10s));
    const auto frames = adapter.Recorded().HostMessages();
    if (c.deviceId / 100 == 2 && !j1939) {
      for (size_t i = 1; i < frames.size(); ++i) {
        EXPECT_GE(frames[i].at - frames[i - 1].at, c.readyDelay)
            << "frame " << i << " went out before the ready frame";
      }
    } else {
      // A writer with a cycle of its own took 4 s for these.
      EXPECT_LT(frames.back().at - start, 1s);
    }
    ASSERT_EQ(frames.size(), static_cast<size_t>(c.frames));
    for (size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i].data.at(0), static_cast<uint8_t>(i)) << "order";
    }
    ASSERT_EQ(Disconnect(), 0);
  }
}

TEST_F(DriverTest, J1708On2xxWaitsForTheReadyFrame) {
  vlrsim::AdapterOptions options;
  options.ready_delay = std::nullopt;
  auto& adapter = StartAdapter(204, options);
  ConnectOrFail(204, "J1708");
  adapter.Recorded().Clear();
  ASSERT_EQ(Send({3, 128, 1}), 0);
  ASSERT_EQ(Send({3, 128, 2}), 0);
  ASSERT_TRUE(adapter.Recorded().WaitForHostMessages(1));
  // Nothing comes to wait for: the time it would take to arrive.
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(adapter.Recorded().HostMessages().size(), 1u)
      << "held for the ready frame";
  adapter.SendReady();
  ASSERT_TRUE(adapter.Recorded().WaitForHostMessages(2));
  // A lost ready frame only delays: the next one releases the queue again.
  ASSERT_EQ(Send({3, 128, 3}), 0);
  // Nothing comes to wait for: the time it would take to arrive.
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(adapter.Recorded().HostMessages().size(), 2u);
  adapter.SetReadyDelay(2ms);
  adapter.SendReady();
  EXPECT_TRUE(adapter.Recorded().WaitForHostMessages(3));
}

TEST_F(DriverTest, J1708On1xxIsNotHeldBackWithoutReadyFrames) {
  auto& adapter = StartAdapter(101);
  ConnectOrFail(101, "J1708");
  for (uint8_t i = 0; i < 4; ++i) ASSERT_EQ(Send({3, 128, i}), 0);
  EXPECT_TRUE(adapter.Recorded().WaitForHostMessages(4));
}

TEST_F(DriverTest, SendRefusesWhatNoFrameCanCarry) {
  StartAdapter(101);
  Bytes ok = {3, 128, 1};
  EXPECT_EQ(Send(ok), ERR_INVALID_CLIENT_ID);
  ConnectOrFail(101, "J1708");
  struct Case {
    size_t size;
    short expected;
  };
  // 1xx J1708 converted: total length S + 5 must fit one length byte.
  for (const Case& c : {Case{250, 0}, Case{251, ERR_MESSAGE_TOO_LONG},
                        Case{1, ERR_MESSAGE_TOO_LONG}, Case{2, 0},
                        Case{513, ERR_MESSAGE_TOO_LONG}}) {
    Bytes message(c.size, 0x20);
    EXPECT_EQ(Send(message), c.expected) << c.size;
  }
  EXPECT_EQ(RP1210_SendMessage(0, nullptr, 3, 0, 0), ERR_MESSAGE_TOO_LONG);
  EXPECT_EQ(RP1210_SendMessage(0, reinterpret_cast<char*>(ok.data()), -1, 0, 0),
            ERR_MESSAGE_TOO_LONG);
  for (short id : {1, 2, -1}) {
    EXPECT_EQ(
        RP1210_SendMessage(id, reinterpret_cast<char*>(ok.data()), 3, 0, 0),
        ERR_INVALID_CLIENT_ID);
  }
}

TEST_F(DriverTest, J1939SizesAndDevicesWithoutSerialFraming) {
  auto& adapter = StartAdapter(103);
  ConnectOrFail(103, "J1939");
  EXPECT_EQ(Send(Bytes(14, 0)), 0) << "accepted, nothing to frame";
  EXPECT_EQ(Send(Bytes(5, 0)), 0) << "103 queues nothing whatever the size";
  // Nothing comes to wait for: the time it would take to arrive.
  std::this_thread::sleep_for(200ms);
  EXPECT_TRUE(adapter.Recorded().HostBytes().empty());
  ASSERT_EQ(Disconnect(), 0);
  StartAdapter(201);
  ConnectOrFail(201, "J1939");
  EXPECT_EQ(Send(Bytes(5, 0)), ERR_MESSAGE_TOO_LONG);
  EXPECT_EQ(Send(Bytes(6, 0)), 0);
  // 1785 data bytes is the most a transport transfer carries.
  EXPECT_EQ(Send(Bytes(1791, 0)), 0);
  EXPECT_EQ(Send(Bytes(1792, 0)), ERR_MESSAGE_TOO_LONG);
}

TEST_F(DriverTest, EchoReturnsTransmissionsAsRecords) {
  struct Case {
    int device;
    const char* protocol;
    const char* mode;  // J1708 mode command argument, or null
    Bytes message;
    Bytes echo;
  };
  const uint8_t check = Negated({128, 84});
  const Case cases[] = {
      {201, "J1708", nullptr, {3, 128, 84}, {128, 84}},
      {101, "J1708", nullptr, {3, 128, 84}, {128, 84}},
      {101, "J1708", nullptr, {3, 128}, {128}},
      {202, "J1708", "0", {3, 128, 84, check}, {128, 84, check}},
      {202,
       "J1939",
       nullptr,
       {0xEE, 0xFE, 0x00, 6, 0x00, 0xFF, 1, 2},
       {0xEE, 0xFE, 0x00, 6, 0x00, 0x00, 1, 2}},
      {102,
       "J1939",
       nullptr,
       {0x55, 0xEA, 0x00, 0x1E, 0xF9, 0x17, 1, 2},
       {0x00, 0xEA, 0x00, 6, 0xF9, 0x17, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.device) + " " + c.protocol);
    StartAdapter(c.device);
    ConnectOrFail(c.device, c.protocol);
    if (c.mode) {
      ASSERT_EQ(Command(RP1210_Set_J1708_Mode, c.mode), 0);
    }
    ASSERT_EQ(Command(RP1210_Echo_Transmitted_Messages, Bytes{1}), 0);
    vlr1210_posix_reset_notifications();
    ASSERT_EQ(Send(c.message), 0);
    char buffer[64];
    short n = 0;
    for (int i = 0; i < 200 && n == 0; ++i) {
      n = RP1210_ReadMessage(0, buffer, sizeof buffer, 1);
    }
    ASSERT_EQ(n, static_cast<short>(c.echo.size() + 5));
    EXPECT_EQ(buffer[4], 1) << "echo byte";
    EXPECT_EQ(Bytes(buffer + 5, buffer + n), c.echo);
    // The notification follows the queueing: a read woken by the record
    // itself may return before it is posted.
    EXPECT_TRUE(WaitForDeliveries(1));
    EXPECT_EQ(vlr1210_posix_notifications("Vlr1210MessageString", 1, 1), 1u);
    ASSERT_EQ(Command(RP1210_Set_J1708_Mode, "1"), 0);
    ASSERT_EQ(Disconnect(), 0);
  }
}

// Every transmitted message comes back through the adapter's loopback as
// traffic from another node and arrives intact. Long J1939 messages travel
// as broadcast transfers that the driver reassembles; they take their own
// way to the line, so only their content is compared, not their place
// among the single frames.
TEST_F(DriverTest, RoundTripThroughTheAdapter) {
  for (const char* protocol : {"J1708", "J1939"}) {
    SCOPED_TRACE(protocol);
    const bool j1939 = std::string(protocol) == "J1939";
    vlrsim::AdapterOptions options;
    options.loopback = true;
    StartAdapter(201, options);
    ConnectOrFail(201, protocol);
    ASSERT_EQ(Command(j1939 ? RP1210_Set_All_Filters_States_to_Pass
                            : RP1210_Set_Message_Filtering_For_J1708),
              0);
    if (j1939) {
      ASSERT_EQ(Command(27, Bytes{0, 0, 0, 0}), 0);
    }
    std::mt19937 random(j1939 ? 39 : 8);
    std::vector<Bytes> sent;
    for (int i = 0; i < (j1939 ? 60 : 120); ++i) {
      Bytes m;
      if (j1939) {
        const bool longOne = i % 10 == 0;
        m = {static_cast<uint8_t>(random()), 0xFF, 0x00, 6, 0x33, 0xFF};
        for (size_t n = longOne ? 9 + random() % 60 : random() % 9; n > 0;
             --n) {
          m.push_back(static_cast<uint8_t>(random()));
        }
      } else {
        m = {3, static_cast<uint8_t>(128 + random() % 100)};
        for (size_t n = random() % 18; n > 0; --n)
          m.push_back(static_cast<uint8_t>(random()));
      }
      ASSERT_EQ(Send(m), 0);
      // J1939: PGN, source and data are what must come back; J1708: all
      // but the priority.
      if (j1939) m.erase(m.begin() + 3), m.erase(m.begin() + 4);
      if (!j1939) m.erase(m.begin());
      sent.push_back(m);
    }
    std::vector<Bytes> received;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (received.size() < sent.size() &&
           std::chrono::steady_clock::now() < deadline) {
      Bytes r;
      if (Read(r) <= 0) {
        std::this_thread::sleep_for(2ms);
        continue;
      }
      if (j1939) r.erase(r.begin() + 3), r.erase(r.begin() + 4);
      received.push_back(r);
    }
    if (j1939) {
      std::sort(sent.begin(), sent.end());
      std::sort(received.begin(), received.end());
    }
    EXPECT_EQ(received, sent);
    ASSERT_EQ(Disconnect(), 0);
  }
}

}  // namespace
}  // namespace vlrtest
