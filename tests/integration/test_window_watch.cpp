#include <atomic>

#include "driver_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;

constexpr char kTitle[] = "Transmission Connect / Disconnect";

// The outside application's window with its three buttons.
struct TransmissionWindow {
  int disconnect, connect, close;

  TransmissionWindow() {
    vlr1210_posix_clear_windows();
    const int window = vlr1210_posix_add_window(0, kTitle, 1);
    disconnect = vlr1210_posix_add_window(window, "&Disconnect", 1);
    connect = vlr1210_posix_add_window(window, "&Connect", 0);
    close = vlr1210_posix_add_window(window, "C&lose", 1);
  }
  ~TransmissionWindow() { vlr1210_posix_clear_windows(); }

  void ShowDisconnected(bool disconnected) {
    vlr1210_posix_enable_window(disconnect, !disconnected);
    vlr1210_posix_enable_window(connect, disconnected);
  }
};

class WindowWatch : public DriverTest {
 protected:
  bool LinkStopped() {
    Bytes message = {3, 128, 1};
    return Send(message) == ERR_HARDWARE_NOT_RESPONDING;
  }
  bool StopsWithin(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      if (LinkStopped()) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }
};

TEST_F(WindowWatch, DisconnectedStateStopsDevice104) {
  TransmissionWindow window;
  StartAdapter(104);
  ConnectOrFail(104, "J1708");
  const unsigned linesBefore =
      vlr1210_posix_debug_output_count("stop transmission\n");
  // Nothing happens to wait for: the time a stop would take.
  std::this_thread::sleep_for(200ms);
  EXPECT_FALSE(LinkStopped()) << "an enabled Disconnect button never stops it";
  window.ShowDisconnected(true);
  ASSERT_TRUE(StopsWithin(5s));
  char buffer[32];
  EXPECT_EQ(RP1210_ReadMessage(0, buffer, sizeof buffer, 0),
            -ERR_HARDWARE_NOT_RESPONDING);
  EXPECT_EQ(RP1210_SendMessage(0, buffer, 3, 0, 0),
            ERR_HARDWARE_NOT_RESPONDING);
  EXPECT_EQ(RP1210_SendMessage(5, buffer, 3, 0, 0), ERR_INVALID_CLIENT_ID)
      << "a stopped link is its device's, not another client's";
  EXPECT_GT(vlr1210_posix_debug_output_count("stop transmission\n"),
            linesBefore);
  // Both threads have ended, so the disconnect returns.
  EXPECT_EQ(Disconnect(), 0);
  window.ShowDisconnected(false);
  ConnectOrFail(104, "J1708");
  EXPECT_FALSE(LinkStopped()) << "a new connection starts the link afresh";
}

TEST_F(WindowWatch, StateThatFlipsBackWithin100msDoesNotStop) {
  TransmissionWindow window;
  StartAdapter(104);
  ConnectOrFail(104, "J1939");
  for (int i = 0; i < 12; ++i) {
    window.ShowDisconnected(true);
    std::this_thread::sleep_for(15ms);
    window.ShowDisconnected(false);
    std::this_thread::sleep_for(150ms);
  }
  EXPECT_FALSE(LinkStopped());
}

TEST_F(WindowWatch, OtherDevicesDoNotWatch) {
  TransmissionWindow window;
  window.ShowDisconnected(true);
  StartAdapter(103);
  ConnectOrFail(103, "J1708");
  // Nothing happens to wait for: the time a stop would take.
  std::this_thread::sleep_for(400ms);
  EXPECT_FALSE(LinkStopped());
}

}  // namespace
}  // namespace vlrtest
