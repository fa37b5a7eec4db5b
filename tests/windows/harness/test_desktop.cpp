// What only the window system shows: the broadcast notification received by
// a real top-level window, and the device-104 watch of a real "Transmission
// Connect / Disconnect" window. Needs an X display (the suite runs under
// xvfb-run); without one these tests are skipped.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "wine_driver_test.h"

namespace winetest {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;
using ByteString = std::vector<uint8_t>;

class DesktopTest : public WineDriverTest {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) {
      GTEST_SKIP() << "no X display: run under xvfb-run";
    }
    WineDriverTest::SetUp();
  }
};

class Notifications : public DesktopTest {
 protected:
  // Waits until `count` notifications arrived, then a little longer so
  // that surplus ones would show too.
  std::string SettledCounts(int count) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    const std::string total = "total=" + std::to_string(count) + " ";
    do {
      if (Step("notify-count").rfind(total, 0) == 0) break;
      Step("sleep 20");
    } while (std::chrono::steady_clock::now() < deadline);
    Step("sleep 200");
    return Step("notify-count");
  }
};

TEST_F(Notifications, EachQueuedMessageIsBroadcastWithItsFamilysParameters) {
  ASSERT_EQ(Step("notify-open"), "0");
  struct Case {
    int device;
    const char* protocol;
    const char* counts;
  };
  for (const Case c : {Case{201, "J1939", "total=3 zero=3 one=0 other=0"},
                       Case{102, "J1708", "total=3 zero=0 one=3 other=0"}}) {
    SCOPED_TRACE(std::to_string(c.device) + " " + c.protocol);
    auto& adapter = StartAdapter(c.device);
    ASSERT_EQ(Connect(c.device, c.protocol), "0");
    const bool j1939 = std::string(c.protocol) == "J1939";
    ASSERT_EQ(Step(j1939 ? "command 3 0 -" : "command 7 0 -"), "0");
    Step("notify-reset");
    for (uint8_t tag = 1; tag <= 3; ++tag) {
      if (j1939) {
        adapter.PutOnBus(Bus::kJ1939, 0x18FEF100,
                         ByteString{tag, 2, 3, 4, 5, 6, 7, 8});
      } else {
        adapter.PutOnBus(Bus::kJ1708, 128, ByteString{84, tag});
      }
    }
    for (int i = 0; i < 3; ++i)
      ASSERT_GT(ParseRead(Step("poll 0 600 10000")).result, 0);
    EXPECT_EQ(SettledCounts(3), c.counts);
    EXPECT_EQ(Step("disconnect 0"), "0");
    StopAdapters();
  }
}

TEST_F(Notifications, EchoIsAnnouncedLikeA1xxMessage) {
  ASSERT_EQ(Step("notify-open"), "0");
  StartAdapter(201);
  ASSERT_EQ(Connect(201, "J1708"), "0");
  ASSERT_EQ(Step("command 16 0 01"), "0");
  Step("notify-reset");
  ASSERT_EQ(Step("send 0 038054"), "0");
  ASSERT_GT(ParseRead(Step("poll 0 64 10000")).result, 0);
  EXPECT_EQ(SettledCounts(1), "total=1 zero=0 one=1 other=0");
}

class WindowWatch : public DesktopTest {
 protected:
  static constexpr const char* kSend = "send 0 038001";
  // Sends report 142 once the watch has stopped the link.
  bool Stopped() { return Step(kSend) == "142"; }
  bool StopsWithin(std::chrono::milliseconds limit) {
    return StepUntil(kSend, "142", limit) == "142";
  }
};

TEST_F(WindowWatch, DisconnectedStateStopsDevice104) {
  // Wine's debug channel shows what the driver writes with
  // OutputDebugStringA.
  const std::string log = (Layout().work / "window-watch.log").string();
  std::ofstream(log, std::ios::trunc);
  RestartProgram({"WINEDEBUG=-all,+debugstr"}, log);
  ASSERT_EQ(Step("txwin-open"), "0");
  StartAdapter(104);
  ASSERT_EQ(Connect(104, "J1708"), "0");
  for (const char* state :
       {"txwin-set 1 1 1", "txwin-set 1 0 0", "txwin-set 1 1 0"}) {
    ASSERT_EQ(Step(state), "0");
    Step("sleep 300");
    EXPECT_FALSE(Stopped())
        << state << ": an enabled Disconnect never stops it";
  }
  ASSERT_EQ(Step("txwin-set 0 1 1"), "0");
  ASSERT_TRUE(StopsWithin(5s));
  EXPECT_EQ(Step("read 0 64"), "-142");
  EXPECT_EQ(Step("send 0 038001"), "142");
  EXPECT_EQ(Step("send 5 038001"), "129")
      << "a stopped link is its device's, not another client's";
  EXPECT_EQ(Step("disconnect 0"), "0") << "both threads have ended";
  std::stringstream written;
  written << std::ifstream(log).rdbuf();
  EXPECT_NE(written.str().find("stop transmission"), std::string::npos);

  ASSERT_EQ(Step("txwin-set 1 1 1"), "0");
  ASSERT_EQ(Connect(104, "J1708"), "0");
  EXPECT_FALSE(Stopped()) << "a new connection starts the link afresh";
}

TEST_F(WindowWatch, StateThatFlipsBackWithin100msDoesNotStop) {
  ASSERT_EQ(Step("txwin-open"), "0");
  StartAdapter(104);
  ASSERT_EQ(Connect(104, "J1939"), "0");
  for (int i = 0; i < 12; ++i) {
    const std::string pulse = Step("txwin-pulse 0 1 1 15");
    const int held = std::atoi(pulse.substr(pulse.find("held=") + 5).c_str());
    if (held >= 90) {
      GTEST_SKIP() << "the machine held a 15 ms state for " << held
                   << " ms; the watch may rightly have stopped the link";
    }
    Step("sleep 150");
  }
  EXPECT_FALSE(Stopped());
}

TEST_F(WindowWatch, OtherDevicesDoNotWatch) {
  ASSERT_EQ(Step("txwin-open"), "0");
  ASSERT_EQ(Step("txwin-set 0 1 1"), "0");
  StartAdapter(103);
  ASSERT_EQ(Connect(103, "J1708"), "0");
  Step("sleep 400");
  EXPECT_FALSE(Stopped());
}

}  // namespace
}  // namespace winetest
