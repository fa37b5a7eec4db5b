// The adapter on a serial device, with a pseudo-terminal pair as the cable
// and the test as the host.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <system_error>

#include "cable.h"
#include "pseudo_terminal_skip.h"
#include "vlrsim/counted_frames.h"
#include "vlrsim/pty_adapter.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kArrival{5000};
constexpr milliseconds kQuiet{400};

using testing::Cable;

AdapterOptions OnDevice(Family family, const std::string& device) {
  AdapterOptions options;
  options.family = family;
  options.device = device;
  return options;
}

// The 2xx start-up as a host on a real line performs it; the adapter must
// be at each step's rate before the host's next frame, or the line would
// garble it.
TEST(SerialDevice, TwoHundredFollowsTheStartUpRates) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  for (bool j1939 : {false, true}) {
    Cable cable;
    ASSERT_TRUE(cable.ready());
    PtyAdapter adapter(OnDevice(Family::k2xx, cable.device()));
    EXPECT_EQ(adapter.SlavePath(), cable.device());
    EXPECT_EQ(cable.AdapterBaud(), 9600u);
    EXPECT_EQ(adapter.CurrentBaud(), 9600u);

    cable.Write(Bytes(synced::kWakeUpCount, synced::kWakeUpByte));
    cable.Write(synced::RateChangeFrame());
    ASSERT_TRUE(cable.WaitForAdapterBaud(115200, kArrival));
    EXPECT_EQ(adapter.CurrentBaud(), 115200u);

    cable.Write(synced::ReceiveModeFrame(j1939));
    EXPECT_EQ(cable.Read(5, kArrival), synced::AckFrame(j1939 ? 0x02 : 0x01));
    const AdapterState state = adapter.State();
    EXPECT_TRUE(state.rate_changed);
    EXPECT_EQ(state.j1939_receive, j1939);
  }
}

// The cable here carries the receive-mode frame in the same read as the
// rate change, before the adapter has switched; on a real line only a host
// at the adapter's rate gets a frame through, so the adapter must not judge
// the rate itself.
TEST(SerialDevice, LineRateCheckIsLeftToTheLine) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  Cable cable;
  ASSERT_TRUE(cable.ready());
  AdapterOptions options = OnDevice(Family::k2xx, cable.device());
  options.check_line_rate = true;
  PtyAdapter adapter(options);
  Bytes start_up = synced::RateChangeFrame();
  const Bytes receive_mode = synced::ReceiveModeFrame(true);
  start_up.insert(start_up.end(), receive_mode.begin(), receive_mode.end());
  cable.Write(start_up);
  EXPECT_EQ(cable.Read(5, kArrival), synced::AckFrame(0x02));
}

// A host connecting again starts at 9600. Its wake-up run reaches an
// adapter that listens at 115200 as framing errors (NUL bytes) on a real
// line, or intact where the host's rate does not matter; either resets.
TEST(SerialDevice, HostStartingOverTakesTheAdapterBackTo9600) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  const Bytes garbled_wake_up(3 * synced::kWakeUpCount, 0x00);
  const Bytes wake_up(synced::kWakeUpCount, synced::kWakeUpByte);
  for (const Bytes& run : {garbled_wake_up, wake_up}) {
    Cable cable;
    ASSERT_TRUE(cable.ready());
    PtyAdapter adapter(OnDevice(Family::k2xx, cable.device()));
    cable.Write(synced::RateChangeFrame());
    cable.Write(synced::FilterMaskFrame(0x00FFFF00));
    ASSERT_TRUE(cable.WaitForAdapterBaud(115200, kArrival));
    ASSERT_EQ(cable.Read(5, kArrival), synced::AckFrame(0x02));

    cable.Write(run);
    EXPECT_TRUE(cable.WaitForAdapterBaud(9600, kArrival))
        << "run of " << run.size();
    EXPECT_FALSE(adapter.State().rate_changed);
    cable.Write(synced::RateChangeFrame());
    EXPECT_TRUE(cable.WaitForAdapterBaud(115200, kArrival));
  }
}

// NUL bytes inside frames are data, and a frame resets the run.
TEST(SerialDevice, NulDataInFramesKeepsTheRate) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  Cable cable;
  ASSERT_TRUE(cable.ready());
  PtyAdapter adapter(OnDevice(Family::k2xx, cable.device()));
  cable.Write(synced::RateChangeFrame());
  ASSERT_TRUE(cable.WaitForAdapterBaud(115200, kArrival));
  const Bytes zeros(8, 0x00);
  for (int i = 0; i < 4; ++i) {
    cable.Write(synced::HostJ1939Frame(0x18FEF100, zeros));
    cable.Write(Bytes(4, 0x00));
  }
  ASSERT_TRUE(adapter.Recorded().WaitForHostMessages(4));
  EXPECT_TRUE(adapter.State().rate_changed);
  EXPECT_EQ(cable.AdapterBaud(), 115200u);
}

TEST(SerialDevice, OneHundredRunsAt38400AndTalksAtOnce) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  Cable cable;
  ASSERT_TRUE(cable.ready());
  PtyAdapter adapter(OnDevice(Family::k1xx, cable.device()));
  EXPECT_EQ(cable.AdapterBaud(), 38400u);
  EXPECT_EQ(adapter.CurrentBaud(), 38400u);
  const Bytes data{1, 2, 3, 4, 5, 6, 7, 8};
  adapter.PutOnBus(Bus::kJ1939, 0x18FEF100, data);
  const Bytes expected = counted::J1939Frame(0x18FEF100, data);
  EXPECT_EQ(cable.Read(expected.size(), kArrival), expected);
  cable.Write(synced::RateChangeFrame());  // not its dialogue
  EXPECT_TRUE(cable.Read(1, kQuiet).empty());
  EXPECT_EQ(cable.AdapterBaud(), 38400u);
}

// What() must name the device, so a program can print it as it stands.
void ExpectRefused(const std::string& device, int error, const char* why) {
  try {
    PtyAdapter adapter(OnDevice(Family::k2xx, device));
    ADD_FAILURE() << why << ": opened";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code().value(), error) << why << ": " << e.what();
    EXPECT_NE(std::string(e.what()).find(device), std::string::npos) << why;
  }
}

TEST(SerialDevice, MissingOrUnfitDeviceIsRefused) {
  ExpectRefused("/nonexistent/ttyUSB9", ENOENT, "missing");
  ExpectRefused("/dev/null", ENOTTY, "not a terminal");
}

TEST(SerialDevice, DeviceHeldByAnotherProgramIsRefused) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  enum class Hold { kLock, kExclusive, kAdapter };
  for (Hold hold : {Hold::kLock, Hold::kExclusive, Hold::kAdapter}) {
    Cable cable;
    ASSERT_TRUE(cable.ready());
    const int other = ::open(cable.device().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    std::unique_ptr<PtyAdapter> first;
    switch (hold) {
      case Hold::kLock:
        ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
        break;
      case Hold::kExclusive:
        ASSERT_EQ(::ioctl(other, TIOCEXCL), 0);
        break;
      case Hold::kAdapter:
        ::close(other);
        first = std::make_unique<PtyAdapter>(
            OnDevice(Family::k2xx, cable.device()));
        break;
    }
    ExpectRefused(cable.device(), EBUSY, "held");
    if (hold != Hold::kAdapter) ::close(other);
  }
}

}  // namespace
}  // namespace vlrsim
