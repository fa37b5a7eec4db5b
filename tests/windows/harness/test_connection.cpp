// Connect and disconnect through the DLL under Wine, against simulated
// adapters behind the prefix's COM ports.
#include <algorithm>
#include <string>

#include "wine_driver_test.h"

namespace winetest {
namespace {

using Connection = WineDriverTest;

struct Case {
  int device;
  const char* protocol;
};

std::string Describe(const Case& c) {
  return std::to_string(c.device) + " " + c.protocol;
}

const std::vector<uint8_t> kWakeUp(22, 0x42);
const std::vector<uint8_t> kRateChange =
    Bytes({0x01, 0x05, 0x08, 0x01, 0x03, 0x04, 0x00, 0x00, 0x16});
const std::vector<uint8_t> kReceiveJ1708 =
    Bytes({0x01, 0x02, 0x01, 0x11, 0x00, 0x15});
const std::vector<uint8_t> kReceiveJ1939 =
    Bytes({0x01, 0x02, 0x02, 0x01, 0x00, 0x06});
const std::vector<uint8_t> kReceiveOffJ1708 =
    Bytes({0x01, 0x02, 0x01, 0x10, 0x00, 0x14});
const std::vector<uint8_t> kReceiveOffJ1939 =
    Bytes({0x01, 0x02, 0x02, 0x00, 0x00, 0x05});

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The 2xx start-up. A slow reply may make the driver repeat the
// receive-mode frame, so only the start is fixed.
std::vector<uint8_t> StartUp(bool j1939) {
  return Join({kWakeUp, kRateChange, j1939 ? kReceiveJ1939 : kReceiveJ1708});
}

bool BeginsWith(const std::vector<uint8_t>& all,
                const std::vector<uint8_t>& head) {
  return all.size() >= head.size() &&
         std::equal(head.begin(), head.end(), all.begin());
}

bool EndsWith(const std::vector<uint8_t>& all,
              const std::vector<uint8_t>& tail) {
  return all.size() >= tail.size() &&
         std::equal(tail.rbegin(), tail.rend(), all.rbegin());
}

// Waits for the disconnect's last frame and checks the whole line.
void ExpectTwoHundredsConversation(vlrsim::PtyAdapter& adapter, bool j1939) {
  const auto& off = j1939 ? kReceiveOffJ1939 : kReceiveOffJ1708;
  ASSERT_TRUE(
      adapter.Recorded().WaitUntil([&](const vlrsim::RecordedTraffic& t) {
        return EndsWith(t.HostBytes(), off);
      }))
      << Hex(adapter.Recorded().HostBytes());
  const auto bytes = adapter.Recorded().HostBytes();
  EXPECT_TRUE(BeginsWith(bytes, StartUp(j1939))) << Hex(bytes);
}

TEST_F(Connection, EachFamilyAndProtocolConnectsAsClientZero) {
  for (const Case c : {Case{201, "J1939"}, Case{202, "J1708"},
                       Case{101, "J1708"}, Case{102, "J1939"}}) {
    SCOPED_TRACE(Describe(c));
    auto& adapter = StartAdapter(c.device);
    ASSERT_EQ(Connect(c.device, c.protocol), "0");
    EXPECT_EQ(adapter.CurrentBaud(), vlrsim::ConnectedBaud(FamilyOf(c.device)));
    EXPECT_EQ(Step("disconnect 0"), "0");
    if (c.device >= 200) {
      ExpectTwoHundredsConversation(adapter,
                                    std::string(c.protocol) == "J1939");
    } else {
      // The disconnect is synchronous: whatever the driver wrote is on the
      // line by now, and a 1xx adapter is never written to at all here.
      EXPECT_EQ(Hex(adapter.Recorded().HostBytes()), "");
    }
    StopAdapters();
  }
}

TEST_F(Connection, HardwareStatusOfTheConnectedClient) {
  StartAdapter(201);
  ASSERT_EQ(Connect(201, "J1939"), "0");
  // Wine cannot read the modem lines of a pseudo-terminal, and a failed
  // modem-status request leaves the buffer as it was (result 0). Where the
  // lines can be read, the block is CTS, count, 0, 0, 1, count.
  const std::string result = Step("status 0 16");
  const std::string untouched = "0 " + std::string(32, 'E');
  const bool readable = result == "0 030100000101" + std::string(20, '0') ||
                        result == "0 000100000101" + std::string(20, '0');
  EXPECT_TRUE(result == untouched || readable) << result;
}

TEST_F(Connection, RefusedConnectsInTheirOrder) {
  // No adapter is needed: each of these is refused before the port.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"connect 100 J1939", "134"}, {"connect 205 J1708", "134"},
      {"connect 0 J1708", "134"},   {"connect 100 j1708", "134"},
      {"connect 201 j1708", "136"}, {"connect 201 J1708%20", "136"},
      {"connect 201 J1850", "136"}, {"connect 201 ALDL", "136"},
      {"connect 201 empty", "136"}, {"connect 201 null", "136"},
  };
  for (const auto& [step, expected] : cases) {
    EXPECT_EQ(Step(step), expected) << step;
  }
}

TEST_F(Connection, SecondConnectJoinsAndTheLastDisconnectEndsTheLine) {
  auto& adapter = StartAdapter(201);
  ASSERT_EQ(Connect(201, "J1939"), "0");
  EXPECT_EQ(Connect(101, "J1708"), "135") << "101 is on COM1 too";
  EXPECT_EQ(Connect(201, "J1939"), "1");
  EXPECT_EQ(Step("disconnect 0"), "0");
  EXPECT_EQ(Step("disconnect 1"), "0");
  // One start-up, and the J1939 receive-off frame closes the line.
  ExpectTwoHundredsConversation(adapter, true);
}

TEST_F(Connection, MissingPortIsInUseUntilItAppears) {
  EXPECT_EQ(Connect(202, "J1708"), "135");
  EXPECT_EQ(Connect(104, "J1939"), "135");
  StartAdapter(202);
  EXPECT_EQ(Connect(202, "J1708"), "0");
  EXPECT_EQ(Step("disconnect 0"), "0");
}

TEST_F(Connection, SilentAdapterFailsTheStartUpAndFreesTheSlot) {
  vlrsim::AdapterOptions silent;
  silent.silent = true;
  auto& adapter = StartAdapter(203, silent);
  EXPECT_EQ(Connect(203, "J1939"), "128");
  adapter.SetSilent(false);
  EXPECT_EQ(Connect(203, "J1939"), "0");
  EXPECT_EQ(Step("disconnect 0"), "0");
}

TEST_F(Connection, DisconnectOfAnUnknownClient) {
  for (const char* client : {"0", "1", "2", "-1"}) {
    EXPECT_EQ(Step(std::string("disconnect ") + client), "129") << client;
  }
  StartAdapter(101);
  ASSERT_EQ(Connect(101, "J1708"), "0");
  EXPECT_EQ(Step("disconnect 1"), "129");
  EXPECT_EQ(Step("disconnect 0"), "0");
  EXPECT_EQ(Step("disconnect 0"), "129");
}

}  // namespace
}  // namespace winetest
