#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>

#include "driver_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;

const Bytes kRateChange = {0x01, 0x05, 0x08, 0x01, 0x03,
                           0x04, 0x00, 0x00, 0x16};

Bytes ReceiveMode(bool j1939) {
  return j1939 ? Bytes{0x01, 0x02, 0x02, 0x01, 0x00, 0x06}
               : Bytes{0x01, 0x02, 0x01, 0x11, 0x00, 0x15};
}

Bytes ReceiveOff(bool j1939) {
  return j1939 ? Bytes{0x01, 0x02, 0x02, 0x00, 0x00, 0x05}
               : Bytes{0x01, 0x02, 0x01, 0x10, 0x00, 0x14};
}

struct DeviceCase {
  int device;
  const char* protocol;
};

class EveryDevice : public DriverTest,
                    public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(EveryDevice, ConnectsWithClientZeroAndDisconnectsCleanly) {
  const auto [device, protocol] = GetParam();
  const bool j1939 = std::string(protocol) == "J1939";
  auto& adapter = StartAdapter(device);
  ASSERT_EQ(Connect(device, protocol), 0);
  if (device >= 200) {
    Bytes expected(22, 'B');
    expected.insert(expected.end(), kRateChange.begin(), kRateChange.end());
    const Bytes mode = ReceiveMode(j1939);
    expected.insert(expected.end(), mode.begin(), mode.end());
    EXPECT_EQ(adapter.Recorded().HostBytes(), expected);
    EXPECT_EQ(adapter.CurrentBaud(), 115200u);
  } else {
    EXPECT_TRUE(adapter.Recorded().HostBytes().empty());
    EXPECT_EQ(adapter.CurrentBaud(), 38400u);
  }
  adapter.Recorded().Clear();
  ASSERT_EQ(Disconnect(), 0);
  const Bytes after = adapter.Recorded().HostBytes();
  if (device >= 200) {
    adapter.Recorded().WaitForHostBytes(6, 2s);
    EXPECT_EQ(adapter.Recorded().HostBytes(), ReceiveOff(j1939));
  } else {
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(adapter.Recorded().HostBytes().empty());
  }
  // The port is free again: a second connection works at once.
  ASSERT_EQ(Connect(device, protocol), 0);
  EXPECT_EQ(Disconnect(), 0);
}

std::vector<DeviceCase> AllDevices() {
  std::vector<DeviceCase> cases;
  for (int device : {101, 102, 103, 104, 201, 202, 203, 204}) {
    cases.push_back({device, "J1708"});
    cases.push_back({device, "J1939"});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Devices, EveryDevice,
                         ::testing::ValuesIn(AllDevices()),
                         [](const auto& info) {
                           return std::to_string(info.param.device) + "_" +
                                  info.param.protocol;
                         });

TEST_F(DriverTest, RefusesUnknownDevicesAndProtocolsFirst) {
  StartAdapter(201);
  struct Case {
    int device;
    const char* protocol;
    short expected;
  };
  const Case cases[] = {
      {100, "J1939", ERR_INVALID_DEVICE},
      {205, "J1708", ERR_INVALID_DEVICE},
      {0, "J1939", ERR_INVALID_DEVICE},
      {-1, "J1939", ERR_INVALID_DEVICE},
      {301, "J1939", ERR_INVALID_DEVICE},
      {100, "J1850", ERR_INVALID_DEVICE},
      {201, "j1708", ERR_INVALID_PROTOCOL},
      {201, "J1708 ", ERR_INVALID_PROTOCOL},
      {201, "J1850", ERR_INVALID_PROTOCOL},
      {201, "ALDL", ERR_INVALID_PROTOCOL},
      {201, "", ERR_INVALID_PROTOCOL},
      {201, nullptr, ERR_INVALID_PROTOCOL},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Connect(c.device, c.protocol), c.expected)
        << c.device << " " << (c.protocol ? c.protocol : "(null)");
  }
  EXPECT_TRUE(adapter_->Recorded().HostBytes().empty())
      << "a refused connect must not touch the port";
}

TEST_F(DriverTest, ASecondConnectJoinsAndLeavesTheFirstAlone) {
  auto& adapter = StartAdapter(202);
  ConnectOrFail(202, "J1939");
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  adapter.PutOnBus(vlrsim::Bus::kJ1939, 0x18FEF100,
                   Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_EQ(ReadRecords(1).size(), 1u);
  vlr1210_posix_reset_notifications();
  adapter.PutOnBus(vlrsim::Bus::kJ1939, 0x18FEF100,
                   Bytes{9, 9, 9, 9, 9, 9, 9, 9});
  ASSERT_TRUE(WaitForDeliveries(1));
  adapter.Recorded().Clear();
  EXPECT_EQ(Connect(202, "J1939"), 1);
  EXPECT_EQ(Connect(202, "J1708"), 2);
  // 102 is on COM2 too.
  EXPECT_EQ(Connect(102, "J1939"), ERR_DEVICE_IN_USE);
  EXPECT_EQ(Connect(102, "J1708"), ERR_DEVICE_IN_USE);
  EXPECT_TRUE(
      adapter.Recorded().WaitUntil([](const vlrsim::RecordedTraffic& t) {
        for (const auto& frame : t.HostCommands())
          if (frame.raw == ReceiveMode(false)) return true;
        return false;
      }))
      << "the J1708 client's join switches J1708 receiving on";
  for (const auto& frame : adapter.Recorded().HostFrames()) {
    EXPECT_EQ(frame.kind, vlrsim::HostFrame::Kind::kCommand)
        << "the joins start nothing up again";
  }
  const auto records = ReadRecords(1);
  ASSERT_EQ(records.size(), 1u) << "the queued message survives";
  EXPECT_EQ(records[0].size(), 14u) << "still a J1939 client";
  EXPECT_EQ(records[0][6], 9);
  for (short client : {1, 2}) {
    Bytes record;
    EXPECT_EQ(ClientRead(client, record), 0)
        << "client " << client << " starts discarding";
  }
}

TEST_F(DriverTest, RawModeOfAJ1708ClientRefusesAnotherJ1708Connect) {
  StartAdapter(201);
  ConnectOrFail(201, "J1708");
  ASSERT_EQ(Command(RP1210_Set_J1708_Mode, "0"), 0);
  EXPECT_EQ(Connect(201, "J1708"), ERR_CONNECT_NOT_ALLOWED);
  EXPECT_EQ(Connect(201, "J1939"), 1) << "J1939 joins";
  ASSERT_EQ(Disconnect(1), 0);
  ASSERT_EQ(Disconnect(), 0);
  // Raw mode is the client's: the next one starts converted.
  ConnectOrFail(201, "J1708");
  EXPECT_EQ(Connect(201, "J1708"), 1);
  EXPECT_EQ(Command(RP1210_Set_J1708_Mode, "0"), ERR_CHANGE_MODE_FAILED)
      << "raw mode needs the device's only J1708 client";
  ASSERT_EQ(Disconnect(1), 0);
  ASSERT_EQ(Command(RP1210_Set_J1708_Mode, "0"), 0);
  EXPECT_EQ(Connect(201, "J1708"), ERR_CONNECT_NOT_ALLOWED);
  ASSERT_EQ(Command(RP1210_Set_J1708_Mode, "1"), 0);
  EXPECT_EQ(Connect(201, "J1708"), 1);
}

TEST_F(DriverTest, HeldOrMissingPortIsInUseUntilFreed) {
  auto& adapter = StartAdapter(202);
  const int holder = ::open(adapter.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(Connect(202, "J1939"), ERR_DEVICE_IN_USE);
  ::close(holder);
  EXPECT_EQ(Connect(202, "J1939"), 0);
  ASSERT_EQ(Disconnect(), 0);

  RoutePort(203, "/nonexistent/vlr1210-port");
  EXPECT_EQ(Connect(203, "J1939"), ERR_DEVICE_IN_USE);
  RoutePort(203, adapter.SlavePath());
  EXPECT_EQ(Connect(203, "J1939"), 0);
}

TEST_F(DriverTest, SilentAdapterFailsTheConnectAndFreesTheSlot) {
  vlrsim::AdapterOptions options;
  options.silent = true;
  auto& adapter = StartAdapter(204, options);
  EXPECT_EQ(Connect(204, "J1939"), ERR_DLL_NOT_INITIALIZED);
  // Five tries of the receive-mode frame before giving up.
  const Bytes bytes = adapter.Recorded().HostBytes();
  const Bytes mode = ReceiveMode(true);
  size_t tries = 0;
  for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), mode.begin(),
                                                  mode.end())) != bytes.end();
       ++at) {
    ++tries;
  }
  EXPECT_EQ(tries, 5u);
  adapter.SetSilent(false);
  EXPECT_EQ(Connect(204, "J1939"), 0) << "the slot and port were released";
}

TEST_F(DriverTest, DisconnectRefusesClientsThatAreNotConnected) {
  StartAdapter(101);
  for (short id : {0, 1, 2, -1}) {
    EXPECT_EQ(RP1210_ClientDisconnect(id), ERR_INVALID_CLIENT_ID) << id;
  }
  ConnectOrFail(101, "J1708");
  for (short id : {1, 2, -1}) {
    EXPECT_EQ(RP1210_ClientDisconnect(id), ERR_INVALID_CLIENT_ID) << id;
  }
  EXPECT_EQ(Disconnect(), 0);
  EXPECT_EQ(RP1210_ClientDisconnect(0), ERR_INVALID_CLIENT_ID);
}

TEST_F(DriverTest, DisconnectCreatesTheVolatileKeyAndReadsOemApp) {
  vlr1210_posix_registry_clear();
  StartAdapter(102);
  ConnectOrFail(102, "J1939");
  EXPECT_EQ(Disconnect(), 0);
  EXPECT_TRUE(vlr1210_posix_registry_has_key("SOFTWARE\\Volra\\KT 300"));
  // A value longer than the driver's buffer must not overrun it.
  vlr1210_posix_registry_set("SOFTWARE\\Volra\\KT 300", "OEMApp",
                             std::string(300, 'x').c_str());
  ConnectOrFail(102, "J1939");
  EXPECT_EQ(Disconnect(), 0);
}

}  // namespace
}  // namespace vlrtest
