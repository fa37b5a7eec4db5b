// Receiving, sending, echo and commands through the DLL under Wine: the
// essential scenarios of the Linux integration suites, on the real Win32
// serial port, threads, events and critical sections.
#include <numeric>
#include <string>

#include "wine_driver_test.h"

namespace winetest {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;
using ByteString = std::vector<uint8_t>;

using Traffic = WineDriverTest;

struct Route {
  int device;
  const char* protocol;
  bool J1939() const { return std::string(protocol) == "J1939"; }
  std::string Name() const { return std::to_string(device) + " " + protocol; }
};

const Route kRoutes[] = {
    {201, "J1939"}, {202, "J1708"}, {101, "J1939"}, {102, "J1708"}};

void PutSample(vlrsim::PtyAdapter& adapter, const Route& route, uint8_t tag) {
  if (route.J1939()) {
    adapter.PutOnBus(Bus::kJ1939, 0x18FEF100 | tag,
                     ByteString{tag, 2, 3, 4, 5, 6, 7, 8});
  } else {
    adapter.PutOnBus(Bus::kJ1708, 128, ByteString{84, tag});
  }
}

// The record the application reads for PutSample(tag), after the stamp.
ByteString SampleRecord(const Route& route, uint8_t tag) {
  if (route.J1939())
    return {0xF1, 0xFE, 0x00, 6, tag, 0, tag, 2, 3, 4, 5, 6, 7, 8};
  return {128, 84, tag};
}

// Lets every message of the protocol through the driver's filter.
std::string OpenFilterStep(const Route& route) {
  return route.J1939() ? "command 3 0 -" : "command 7 0 -";
}

uint32_t Stamp(const ByteString& record) {
  return uint32_t{record[0]} << 24 | uint32_t{record[1]} << 16 |
         uint32_t{record[2]} << 8 | record[3];
}

uint8_t Sum(const ByteString& b) {
  return static_cast<uint8_t>(std::accumulate(b.begin(), b.end(), 0));
}
ByteString WithSum(ByteString frame) {
  frame.push_back(Sum(frame));
  return frame;
}
ByteString WithCheck(ByteString frame) {
  frame.push_back(static_cast<uint8_t>(-Sum(frame)));
  return frame;
}

TEST_F(Traffic, ReceivedMessagesCarryTheTickCountOfTheirArrival) {
  for (const Route& route : kRoutes) {
    SCOPED_TRACE(route.Name());
    auto& adapter = StartAdapter(route.device);
    ASSERT_EQ(Connect(route.device, route.protocol), "0");
    ASSERT_EQ(Step(OpenFilterStep(route)), "0");
    const uint32_t before = Ticks();
    for (uint8_t tag = 1; tag <= 5; ++tag) PutSample(adapter, route, tag);
    uint32_t previous = before;
    for (uint8_t tag = 1; tag <= 5; ++tag) {
      const ReadResult r = ParseRead(Step("poll 0 600 10000"));
      const ByteString expected = SampleRecord(route, tag);
      ASSERT_EQ(r.result, static_cast<int>(expected.size() + 4)) << int(tag);
      EXPECT_EQ(Hex(ByteString(r.bytes.begin() + 4, r.bytes.end())),
                Hex(expected));
      // Unsigned differences, so a wrap of the tick count between the two
      // readings would not matter.
      EXPECT_LE(Stamp(r.bytes) - before, Ticks() - before)
          << "stamped when queued";
      EXPECT_GE(Stamp(r.bytes) - before, previous - before)
          << "in arrival order";
      previous = Stamp(r.bytes);
    }
    EXPECT_EQ(Step("read 0 600"), "0") << "nothing more";
    EXPECT_EQ(Step("disconnect 0"), "0");
    StopAdapters();
  }
}

TEST_F(Traffic, MessagesBecomeFramesOfTheDevicesFamily) {
  struct Case {
    int device;
    const char* protocol;
    ByteString message;
    ByteString frame;
  };
  const uint8_t check = static_cast<uint8_t>(-(128 + 84 + 20));
  const Case cases[] = {
      {101,
       "J1708",
       {3, 128, 84, 20},
       WithCheck({9, 0x6F, 0xDE, 0x80, 128, 84, 20, check})},
      {201,
       "J1708",
       {3, 128, 84, 20},
       WithSum({1, 3, 1, 0x12, 1, 4, 128, 84, 20, check})},
      {202,
       "J1939",
       {0xEE, 0xFE, 0x00, 6, 0x00, 0xFF, 1, 2, 3},
       WithSum({1, 6, 2, 2, 0xC7, 0xF7, 0x70, 0x00, 3, 1, 2, 3})},
      {102,
       "J1939",
       {0x00, 0xEF, 0x00, 6, 0x11, 0x22, 9, 8},
       WithCheck(
           {13, 0x6F, 0xDE, 0x83, 0x22, 0xEF, 0x00, 6, 0x11, 0x22, 9, 8})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.device) + " " + c.protocol);
    auto& adapter = StartAdapter(c.device);
    ASSERT_EQ(Connect(c.device, c.protocol), "0");
    adapter.Recorded().Clear();
    ASSERT_EQ(Step("send 0 " + Hex(c.message)), "0");
    ASSERT_TRUE(adapter.Recorded().WaitForHostMessages(1));
    EXPECT_EQ(Hex(adapter.Recorded().HostMessages().at(0).raw), Hex(c.frame));
    EXPECT_EQ(Step("disconnect 0"), "0");
    StopAdapters();
  }
}

// A J1939 message longer than one CAN frame travels as a broadcast
// transfer; the adapter's loopback brings announce and packets back, and
// together they carry the data in order. The client takes transfers raw
// (last connect argument 1), or the driver would join them again.
TEST_F(Traffic, LongJ1939MessageGoesOutInPackets) {
  vlrsim::AdapterOptions options;
  options.loopback = true;
  StartAdapter(201, options);
  ASSERT_EQ(Step("connect 201 J1939 1"), "0");
  ASSERT_EQ(Step("command 3 0 -"), "0");
  ByteString data(20);
  std::iota(data.begin(), data.end(), uint8_t{0x30});
  ByteString message = {0x10, 0xFF, 0x00, 6, 0x33, 0xFF};
  message.insert(message.end(), data.begin(), data.end());
  ASSERT_EQ(Step("send 0 " + Hex(message)), "0");
  ByteString carried;
  bool announced = false;
  for (int i = 0; i < 4; ++i) {
    const ReadResult r = ParseRead(Step("poll 0 600 10000"));
    ASSERT_GT(r.result, 10) << "record " << i;
    const ByteString record(r.bytes.begin() + 4, r.bytes.end());
    if (record[1] == 0xEC) {
      announced = true;
      EXPECT_EQ(record[7] | record[8] << 8, 20) << "announced size";
      EXPECT_EQ(Hex({record[11], record[12], record[13]}), "10FF00") << "PGN";
    } else {
      ASSERT_EQ(record[1], 0xEB) << "a data packet";
      carried.insert(carried.end(), record.begin() + 7, record.end());
    }
  }
  EXPECT_TRUE(announced);
  carried.resize(std::min(carried.size(), data.size()));
  EXPECT_EQ(Hex(carried), Hex(data));
}

TEST_F(Traffic, EchoReturnsEachTransmissionMarked) {
  struct Case {
    int device;
    const char* protocol;
    ByteString message;
    ByteString echo;
  };
  const Case cases[] = {
      {201, "J1708", {3, 128, 84}, {128, 84}},
      {102,
       "J1939",
       {0x55, 0xEA, 0x00, 0x1E, 0xF9, 0x17, 1, 2},
       {0x00, 0xEA, 0x00, 6, 0xF9, 0x17, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.device) + " " + c.protocol);
    StartAdapter(c.device);
    ASSERT_EQ(Connect(c.device, c.protocol), "0");
    ASSERT_EQ(Step("command 16 0 01"), "0");
    ASSERT_EQ(Step("send 0 " + Hex(c.message)), "0");
    const ReadResult r = ParseRead(Step("poll 0 64 10000"));
    ASSERT_EQ(r.result, static_cast<int>(c.echo.size() + 5));
    EXPECT_EQ(r.bytes[4], 1) << "echo byte";
    EXPECT_EQ(Hex(ByteString(r.bytes.begin() + 5, r.bytes.end())), Hex(c.echo));
    EXPECT_EQ(Step("disconnect 0"), "0");
    StopAdapters();
  }
}

TEST_F(Traffic, CommandResultsAndResetOfTheDevice) {
  auto& adapter = StartAdapter(203);
  ASSERT_EQ(Connect(203, "J1939"), "0");
  adapter.Recorded().Clear();
  EXPECT_EQ(Step("command 3 1 -"), "129") << "only client 0 exists";
  EXPECT_EQ(Step("command 3 0 -"), "0");
  // All-pass on a 2xx J1939 connection switches the adapter's receiving on.
  ASSERT_TRUE(
      adapter.Recorded().WaitUntil([](const vlrsim::RecordedTraffic& t) {
        return !t.HostCommands().empty();
      }));
  EXPECT_EQ(Hex(adapter.Recorded().HostCommands().at(0).raw), "010202010006");
  EXPECT_EQ(Step("command 4 0 0102030405060708"), "144")
      << "eight bytes fit no group";
  EXPECT_EQ(Step("command 14 0 -"), "143");
  EXPECT_EQ(Step("command 0 0 -"), "0") << "reset disconnects";
  EXPECT_EQ(Step("disconnect 0"), "129");
  EXPECT_EQ(Connect(203, "J1939"), "0") << "the device was closed";
}

TEST_F(Traffic, CallsWithoutAConnection) {
  EXPECT_EQ(Step("send 0 038001"), "129");
  EXPECT_EQ(Step("read 0 64"), "-129");
  EXPECT_EQ(Step("command 3 0 -"), "129");
}

}  // namespace
}  // namespace winetest
