#include "driver_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;
using Clock = std::chrono::steady_clock;

const Bytes kReceiveOn = {0x01, 0x02, 0x02, 0x01, 0x00, 0x06};
const Bytes kReceiveOff = {0x01, 0x02, 0x02, 0x00, 0x00, 0x05};
const Bytes kJ1708ReceiveOff = {0x01, 0x02, 0x01, 0x10, 0x00, 0x14};

std::vector<Bytes> CommandFrames(vlrsim::PtyAdapter& adapter) {
  std::vector<Bytes> frames;
  for (const auto& f : adapter.Recorded().HostCommands())
    frames.push_back(f.raw);
  return frames;
}

TEST_F(DriverTest, EveryCommandRefusesClientsThatAreNotConnected) {
  StartAdapter(201);
  ConnectOrFail(201, "J1939");
  Bytes argument = {1, 0, 0, 0, 0, 0, 0};
  for (short id : {-1, 1, 2}) {
    for (short command = -1; command <= 20; ++command) {
      EXPECT_EQ(RP1210_SendCommand(command, id,
                                   reinterpret_cast<char*>(argument.data()), 7),
                ERR_INVALID_CLIENT_ID)
          << "command " << command << " client " << id;
    }
    EXPECT_EQ(RP1210_SendCommand(42, id, nullptr, 0), ERR_INVALID_CLIENT_ID);
  }
}

TEST_F(DriverTest, CommandResultsOnAJ1708Connection) {
  auto& adapter = StartAdapter(101);
  ConnectOrFail(101, "J1708");
  const Bytes group = {1, 0xF1, 0xFE, 0, 3, 0, 0};
  struct Case {
    short command;
    Bytes argument;
    short expected;
  };
  const Case cases[] = {
      {1, {}, 0},
      {2, {}, 0},
      {6, {}, 0},
      {8, {}, 0},
      {13, {}, 0},
      {19, {}, 0},
      {42, {}, 0},
      {-1, {}, 0},
      {5, {}, ERR_COMMAND_NOT_SUPPORTED},
      {14, {}, ERR_COMMAND_NOT_SUPPORTED},
      {4, group, ERR_COMMAND_NOT_SUPPORTED},
      {17, {}, 0},
      {7, {}, 0},
      {3, {}, 0},
  };
  for (const Case& c : cases) {
    Bytes argument = c.argument;
    EXPECT_EQ(Command(c.command, argument), c.expected) << c.command;
  }
  for (short command : {15, 16, 18}) {
    EXPECT_EQ(RP1210_SendCommand(command, 0, nullptr, 1), ERR_INVALID_COMMAND)
        << command;
  }
  EXPECT_EQ(RP1210_SendCommand(4, 0, nullptr, 0), ERR_COMMAND_NOT_SUPPORTED)
      << "the protocol is checked before the buffer";
  // Nothing comes to wait for: the time it would take to arrive.
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(adapter.Recorded().HostBytes().empty())
      << "1xx gets no command frames";
}

TEST_F(DriverTest, ModeCommandsEmptyTheQueuesAndMessageReceiveOnlyForZero) {
  auto& adapter = StartAdapter(202);
  ConnectOrFail(202, "J1708");
  ASSERT_EQ(Command(RP1210_Set_Message_Filtering_For_J1708), 0);
  auto queueOne = [&](uint8_t tag) {
    vlr1210_posix_reset_notifications();
    adapter.PutOnBus(Bus::kJ1708, 128, Bytes{tag});
    ASSERT_TRUE(WaitForDeliveries(1));
  };
  struct Case {
    short command;
    Bytes argument;
    bool empties;
  };
  const Case cases[] = {
      {RP1210_Set_Message_Receive, {'0'}, false},
      {RP1210_Set_J1708_Mode, {'1'}, true},
      {RP1210_Echo_Transmitted_Messages, {'0'}, true},
      {RP1210_Set_Message_Receive, {1}, false},
  };
  for (const Case& c : cases) {
    queueOne(1);
    EXPECT_EQ(Command(c.command, c.argument), 0);
    Bytes record;
    EXPECT_EQ(Read(record) == 0, c.empties)
        << c.command << " " << int(c.argument[0]);
    while (Read(record) > 0) {
    }
  }

  // Receive off empties the queue and stops delivery until it is on again;
  // the adapter stops reporting J1708 meanwhile.
  queueOne(2);
  ASSERT_EQ(Command(RP1210_Set_Message_Receive, Bytes{0}), 0);
  Bytes record;
  EXPECT_EQ(Read(record), 0);
  EXPECT_TRUE(adapter.Recorded().WaitUntil([&](const auto& t) {
    return !t.HostCommands().empty() &&
           t.HostCommands().back().raw == kJ1708ReceiveOff;
  }));
  adapter.PutOnBus(Bus::kJ1708, 128, Bytes{3});
  ASSERT_EQ(Command(RP1210_Set_Message_Receive, Bytes{1}), 0);
  const auto deadline = Clock::now() + 10s;
  while (!adapter.State().j1708_receive && Clock::now() < deadline)
    std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(adapter.State().j1708_receive);
  adapter.PutOnBus(Bus::kJ1708, 128, Bytes{4});
  EXPECT_EQ(ReadRecords(1), std::vector<Bytes>{(Bytes{128, 4})})
      << "nothing of the time it was off";
}

TEST_F(DriverTest, ResetDisconnectsTheOnlyClient) {
  auto& adapter = StartAdapter(204);
  ConnectOrFail(204, "J1708");
  EXPECT_EQ(Command(RP1210_Reset_Device), 0);
  Forget(0);
  EXPECT_EQ(Command(RP1210_Reset_Device), ERR_INVALID_CLIENT_ID);
  adapter.Recorded().WaitForHostBytes(1);
  EXPECT_EQ(Connect(204, "J1708"), 0) << "the device was closed";
}

TEST_F(DriverTest,
       AllPassOn2xxJ1939SendsReceiveOnAndReturnsOnTheAcknowledgement) {
  auto& adapter = StartAdapter(203);
  ConnectOrFail(203, "J1939");
  adapter.Recorded().Clear();
  const auto start = Clock::now();
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  EXPECT_LT(Clock::now() - start, 1500ms) << "returns once acknowledged";
  EXPECT_EQ(CommandFrames(adapter), std::vector<Bytes>{kReceiveOn});
  adapter.Recorded().Clear();
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Discard), 0);
  EXPECT_EQ(CommandFrames(adapter), std::vector<Bytes>{kReceiveOn});
}

TEST_F(DriverTest, AllPassOn1xxJ1939WritesNothing) {
  auto& adapter = StartAdapter(101);
  ConnectOrFail(101, "J1939");
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  ASSERT_EQ(Command(RP1210_Set_Message_Filtering_For_J1939,
                    Bytes{0x01, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00}),
            0);
  // Nothing comes to wait for: the time it would take to arrive.
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(adapter.Recorded().HostBytes().empty());
}

TEST_F(DriverTest, UnacknowledgedCommandCostsTheWaitButSucceeds) {
  auto& adapter = StartAdapter(203);
  ConnectOrFail(203, "J1939");
  adapter.SetSilent(true);
  const auto start = Clock::now();
  EXPECT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  EXPECT_GE(Clock::now() - start, 2000ms);
}

TEST_F(DriverTest, J1939FilterProgramsTheAdapterAndOnlyMatchingTrafficPasses) {
  auto& adapter = StartAdapter(201);
  ConnectOrFail(201, "J1939");
  adapter.Recorded().Clear();
  ASSERT_EQ(Command(RP1210_Set_Message_Filtering_For_J1939,
                    Bytes{0x01, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00}),
            0);
  const auto frames = CommandFrames(adapter);
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ(frames[0], kReceiveOff);
  EXPECT_EQ(frames[1], (Bytes{0x01, 0x06, 0x02, 0x04, 0x07, 0xF8, 0x00, 0x00,
                              0x00, 0x0C}));
  EXPECT_EQ(frames[2], (Bytes{0x01, 0x06, 0x02, 0x19, 0x07, 0xF7, 0x88, 0x00,
                              0x00, 0xA8}));
  adapter.PutOnBus(Bus::kJ1939, 0x18F00400, Bytes{9, 9, 9, 9, 9, 9, 9, 9});
  adapter.PutOnBus(Bus::kJ1939, 0x18FEF100, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  const auto records = ReadRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0][0], 0xF1);
  // The other PGN went first on the line: had it passed, it would already
  // be queued ahead of the one read.
  Bytes extra;
  EXPECT_EQ(Read(extra), 0) << "the adapter dropped the other PGN";

  // A second, destination-specific group: its frames program slot 1.
  adapter.Recorded().Clear();
  ASSERT_EQ(Command(RP1210_Set_Message_Filtering_For_J1939,
                    Bytes{0x0F, 0x00, 0xEA, 0x00, 0x06, 0xF9, 0x17}),
            0);
  const auto second = CommandFrames(adapter);
  ASSERT_GE(second.size(), 3u);
  EXPECT_EQ(second[2], (Bytes{0x01, 0x06, 0x02, 0x29, 0xC7, 0x50, 0xBF, 0xC8,
                              0x00, 0xD0}));
  adapter.PutOnBus(Bus::kJ1939, 0x18EA17F9, Bytes{1, 2, 3});
  adapter.PutOnBus(Bus::kJ1939, 0x18FEF100, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(ReadRecords(2).size(), 2u) << "both groups pass";

  // All pass again: the adapter's filter is opened too.
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  adapter.PutOnBus(Bus::kJ1939, 0x18F00400, Bytes{9, 9, 9, 9, 9, 9, 9, 9});
  EXPECT_EQ(ReadRecords(1).size(), 1u);
}

TEST_F(DriverTest, J1939FilterCommandChecksItsBuffer) {
  StartAdapter(101);
  ConnectOrFail(101, "J1939");
  EXPECT_EQ(Command(RP1210_Set_Message_Filtering_For_J1939, Bytes(8, 1)),
            ERR_INVALID_COMMAND);
  EXPECT_EQ(RP1210_SendCommand(4, 0, nullptr, 7), ERR_INVALID_COMMAND);
  // Size 0 opens a discarding client to pass-all.
  adapter_->PutOnBus(Bus::kJ1939, 0x18FEF100, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  // Nothing comes to wait for: the time it would take to arrive.
  std::this_thread::sleep_for(200ms);
  Bytes record;
  EXPECT_EQ(Read(record), 0);
  char none[1] = {0};
  EXPECT_EQ(RP1210_SendCommand(4, 0, none, 0), 0);
  adapter_->PutOnBus(Bus::kJ1939, 0x18FEF100, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(ReadRecords(1).size(), 1u);
  // On 1xx the driver filters: source 0x00 only.
  EXPECT_EQ(Command(RP1210_Set_Message_Filtering_For_J1939,
                    Bytes{0x04, 0, 0, 0, 0, 0x00, 0}),
            0);
  adapter_->PutOnBus(Bus::kJ1939, 0x18FEF117, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  adapter_->PutOnBus(Bus::kJ1939, 0x18FEF100, Bytes{7, 2, 3, 4, 5, 6, 7, 8});
  const auto records = ReadRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0][6], 7);
  // 256 groups at most.
  Bytes many;
  for (int i = 0; i < 300; ++i) {
    const Bytes g = {
        0x06, 0, 0, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i),
        0};
    many.insert(many.end(), g.begin(), g.end());
  }
  EXPECT_EQ(Command(RP1210_Set_Message_Filtering_For_J1939, many),
            ERR_MAX_FILTERS_EXCEEDED);
}

}  // namespace
}  // namespace vlrtest
