// The adapter disappears mid-stream (USB adapter unplugged; here the
// pseudo-terminal's other end is closed, which hangs up the host's side).
#include <thread>

#include "fault_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;

struct VanishCase {
  int device;
  const char* protocol;
  Bus bus;
};

class VanishedAdapter : public DriverTest,
                        public ::testing::WithParamInterface<VanishCase> {
 protected:
  void StreamAndConnect() {
    const VanishCase& c = GetParam();
    auto& adapter = StartAdapter(c.device);
    adapter.Play(Traffic(c.bus, 5ms, 600s));
    ConnectOrFail(c.device, c.protocol);
    ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
    ASSERT_TRUE(WaitForQueuedMessages());
  }

  bool WaitForQueuedMessages() {
    const auto start = FaultClock::now();
    while (SecondsSince(start) < 10) {
      std::this_thread::sleep_for(50ms);
      Bytes record;
      if (Read(record) > 0) return true;
    }
    return false;
  }

  short SendUntilRefused() {
    const bool j1939 = GetParam().bus == Bus::kJ1939;
    short result = 0;
    const auto start = FaultClock::now();
    for (uint16_t tag = 0; result == 0 && SecondsSince(start) < 10; ++tag) {
      result = Send(j1939 ? J1939Message(static_cast<uint8_t>(tag))
                          : J1708Message(tag));
      std::this_thread::sleep_for(20ms);
    }
    return result;
  }
};

TEST_P(VanishedAdapter, IsReportedWithoutSpinningAndAConnectAfterItWorks) {
  StreamAndConnect();
  adapter_.reset();  // closes the pseudo-terminal: the line hangs up

  // The application is told on its next send, once the driver noticed.
  EXPECT_EQ(SendUntilRefused(), ERR_HARDWARE_NOT_RESPONDING);

  // Meanwhile the driver's threads idle: a spinning reader would use most
  // of a core over this time.
  const auto cpuBefore = ProcessCpuTime();
  std::this_thread::sleep_for(2s);
  const double cpu = (ProcessCpuTime() - cpuBefore).count();
  EXPECT_LT(cpu, 0.5) << "CPU seconds over 2 s with the adapter gone";
  RecordProperty("cpu_seconds_in_2s", std::to_string(cpu));

  // What was queued before is still read, then the loss is reported.
  Bytes record;
  short n = 1;
  for (int i = 0; i < 100000 && n > 0; ++i) n = Read(record);
  EXPECT_EQ(n, -ERR_HARDWARE_NOT_RESPONDING);
  EXPECT_EQ(Read(record, true), -ERR_HARDWARE_NOT_RESPONDING)
      << "a blocking read does not wait for what cannot come";

  char status[6] = {0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F};
  EXPECT_EQ(RP1210_GetHardwareStatus(0, status, 6, 0), 0);
  EXPECT_EQ(status[0], 0) << "link down";
  EXPECT_EQ(status[1], 1) << "one client";

  const auto start = FaultClock::now();
  EXPECT_EQ(Disconnect(), 0);
  const double disconnect = SecondsSince(start);
  EXPECT_LT(disconnect, 3.0);
  RecordProperty("disconnect_seconds", std::to_string(disconnect));

  // The adapter is plugged in again.
  const VanishCase& c = GetParam();
  auto& again = StartAdapter(c.device);
  ConnectOrFail(c.device, c.protocol);
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  again.PutOnBus(c.bus, c.bus == Bus::kJ1939 ? 0x18FEF100u : 128u,
                 Bytes{1, 2, 3, 4});
  EXPECT_EQ(ReadRecords(1).size(), 1u);
  EXPECT_EQ(Send(c.bus == Bus::kJ1939 ? J1939Message(1) : J1708Message(1)), 0);
}

TEST_P(VanishedAdapter, CommandsDoNotWaitForAnAdapterThatIsGone) {
  StreamAndConnect();
  adapter_.reset();
  EXPECT_EQ(SendUntilRefused(), ERR_HARDWARE_NOT_RESPONDING);
  const auto start = FaultClock::now();
  EXPECT_EQ(Command(RP1210_Set_Message_Filtering_For_J1939,
                    Bytes{0x01, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00}),
            GetParam().bus == Bus::kJ1939 ? 0 : ERR_COMMAND_NOT_SUPPORTED);
  EXPECT_LT(SecondsSince(start), 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Families, VanishedAdapter,
    ::testing::Values(VanishCase{201, "J1939", Bus::kJ1939},
                      VanishCase{202, "J1708", Bus::kJ1708},
                      VanishCase{101, "J1708", Bus::kJ1708}),
    [](const auto& info) {
      return std::to_string(info.param.device) + "_" + info.param.protocol;
    });

}  // namespace
}  // namespace vlrtest
