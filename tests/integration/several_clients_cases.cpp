#include "several_clients_cases.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <thread>
#include <utility>

namespace several_clients {
namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::string>;
using vlrsim::Bus;

// Result codes, by their numbers in the RP1210A table.
constexpr int kClientAreaFull = 131;
constexpr int kDeviceInUse = 135;
constexpr int kConnectNotAllowed = 149;
constexpr int kChangeModeFailed = 150;
constexpr int kMultipleClientsConnected = 156;

constexpr int kReset = 0;
constexpr int kAllPass = 3;
constexpr int kJ1939Filter = 4;
constexpr int kJ1708Filter = 7;
constexpr int kJ1708Mode = 15;
constexpr int kEcho = 16;
constexpr int kAllDiscard = 17;
constexpr int kMessageReceive = 18;

// Generous bounds: the machine is shared. A record that should never come
// is given kStray to turn up before its absence is believed.
constexpr auto kArrival = 10000ms;
constexpr auto kStray = 300ms;

constexpr uint32_t kEngineTemperature = 0xFEEE;
constexpr uint32_t kVehicleSpeed = 0xFEF1;
constexpr uint32_t kEngineSpeed = 0xF004;

void PutJ1939(vlrsim::PtyAdapter& adapter, uint32_t pgn, uint8_t tag) {
  adapter.PutOnBus(Bus::kJ1939, 0x18000000u | pgn << 8,
                   Bytes{tag, 2, 3, 4, 5, 6, 7, 8});
}

void PutJ1708(vlrsim::PtyAdapter& adapter, uint8_t tag) {
  adapter.PutOnBus(Bus::kJ1708, 128, Bytes{84, tag});
}

// A J1939 group that passes one PGN whatever its priority and addresses.
Bytes PgnGroup(uint32_t pgn) {
  return {0x01,
          static_cast<uint8_t>(pgn),
          static_cast<uint8_t>(pgn >> 8),
          static_cast<uint8_t>(pgn >> 16),
          0,
          0,
          0};
}

// What the host programmed into the adapter's J1939 filter: the mask and
// the slots' values, whatever slots hold them.
using Programmed = std::pair<uint32_t, std::multiset<uint32_t>>;

Programmed ProgrammedOf(const vlrsim::IdentifierFilter& filter) {
  Programmed programmed{filter.Mask(), {}};
  for (int slot = 0; slot < vlrsim::IdentifierFilter::kSlots; ++slot) {
    if (auto value = filter.Slot(slot)) programmed.second.insert(*value);
  }
  return programmed;
}

// The filter a lone client programs with one PGN group per entry of `pgns`.
Programmed ProgrammedForOneClient(Application& app, vlrsim::PtyAdapter& adapter,
                                  const std::vector<uint32_t>& pgns) {
  const int client = app.Connect(201, "J1939");
  EXPECT_EQ(client, 0);
  for (uint32_t pgn : pgns)
    EXPECT_EQ(app.Command(kJ1939Filter, client, PgnGroup(pgn)), 0);
  const Programmed programmed = ProgrammedOf(adapter.Filter());
  EXPECT_EQ(app.Disconnect(client), 0);
  return programmed;
}

// A record as the cases name it: "J1939 FEF1 #3", "J1708 #3", with "echo "
// in front of an echo. A leading echo byte is there when the client has
// echo on (sizes 15 and 4 with these messages).
std::string Describe(Bytes record) {
  std::string prefix;
  if (record.size() == 15 || record.size() == 4) {
    prefix = record[0] == 1 ? "echo " : "";
    record.erase(record.begin());
  }
  char text[40];
  if (record.size() == 14) {
    std::snprintf(text, sizeof text, "J1939 %04X #%d",
                  record[0] | record[1] << 8 | record[2] << 16, record[6]);
  } else if (record.size() == 3 && record[0] == 128 && record[1] == 84) {
    std::snprintf(text, sizeof text, "J1708 #%d", record[2]);
  } else {
    std::snprintf(text, sizeof text, "other of %zu bytes", record.size());
  }
  return prefix + text;
}

// The next `count` records of the client and whatever else turns up within
// kStray after them.
Names Received(Application& app, int client, size_t count) {
  Names names;
  Bytes record;
  for (size_t i = 0; i < count; ++i) {
    const int n = app.Poll(client, record, kArrival);
    if (n <= 0) {
      names.push_back("result " + std::to_string(n));
      return names;
    }
    names.push_back(Describe(record));
  }
  if (app.Poll(client, record, kStray) > 0) names.push_back(Describe(record));
  return names;
}

// The adapter's state follows the commands the driver sends it.
bool Eventually(const std::function<bool()>& holds) {
  const auto deadline = std::chrono::steady_clock::now() + kArrival;
  while (!holds()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

void J1708AndJ1939ClientsSideBySide(Application& app,
                                    vlrsim::PtyAdapter& adapter) {
  const int j1708 = app.Connect(201, "J1708");
  ASSERT_EQ(j1708, 0);
  adapter.Recorded().Clear();
  const int j1939 = app.Connect(201, "J1939");
  ASSERT_EQ(j1939, 1);
  EXPECT_TRUE(Eventually([&] { return adapter.State().j1939_receive; }))
      << "the joining protocol's receive-on frame";
  for (const auto& frame : adapter.Recorded().HostFrames()) {
    EXPECT_EQ(frame.kind, vlrsim::HostFrame::Kind::kCommand)
        << "a join has no start-up dialogue";
  }
  EXPECT_TRUE(adapter.State().j1708_receive);
  ASSERT_EQ(app.Command(kJ1708Filter, j1708, {}), 0);
  ASSERT_EQ(app.Command(kAllPass, j1939, {}), 0);
  PutJ1939(adapter, kVehicleSpeed, 1);
  PutJ1708(adapter, 1);
  PutJ1939(adapter, kVehicleSpeed, 2);
  PutJ1708(adapter, 2);
  EXPECT_EQ(Received(app, j1939, 2), (Names{"J1939 FEF1 #1", "J1939 FEF1 #2"}));
  EXPECT_EQ(Received(app, j1708, 2), (Names{"J1708 #1", "J1708 #2"}));

  // Each filter is its client's own: the J1939 client narrows to one PGN
  // (FEEE passes the adapter, whose mask compares the PF only, and the
  // driver drops it), the J1708 client discards all.
  ASSERT_EQ(app.Command(kJ1939Filter, j1939, PgnGroup(kVehicleSpeed)), 0);
  ASSERT_EQ(app.Command(kAllDiscard, j1708, {}), 0);
  PutJ1939(adapter, kEngineTemperature, 3);
  PutJ1708(adapter, 3);
  PutJ1939(adapter, kVehicleSpeed, 4);
  EXPECT_EQ(Received(app, j1939, 1), Names{"J1939 FEF1 #4"});
  ASSERT_EQ(app.Command(kJ1708Filter, j1708, {}), 0);
  PutJ1708(adapter, 4);
  EXPECT_EQ(Received(app, j1708, 1), Names{"J1708 #4"});

  // The J1939 client reads on after the J1708 client has gone, which
  // switched the adapter's J1708 reception off; the last disconnect
  // switches J1939 off too, as a lone client's always has.
  ASSERT_EQ(app.Disconnect(j1708), 0);
  EXPECT_TRUE(Eventually([&] { return !adapter.State().j1708_receive; }));
  PutJ1939(adapter, kVehicleSpeed, 5);
  EXPECT_EQ(Received(app, j1939, 1), Names{"J1939 FEF1 #5"});
  EXPECT_TRUE(adapter.State().j1939_receive);
  EXPECT_EQ(app.Disconnect(j1939), 0);
  EXPECT_TRUE(Eventually([&] { return !adapter.State().j1939_receive; }));
}

void SixteenClientsThenTheAreaIsFull(Application& app,
                                     vlrsim::PtyAdapter& adapter) {
  for (int expected = 0; expected < 16; ++expected) {
    ASSERT_EQ(app.Connect(201, expected % 2 ? "J1939" : "J1708"), expected);
  }
  EXPECT_EQ(app.Connect(201, "J1939"), kClientAreaFull);
  // Lowest free id first.
  ASSERT_EQ(app.Disconnect(9), 0);
  ASSERT_EQ(app.Disconnect(5), 0);
  EXPECT_EQ(app.Connect(201, "J1708"), 5);
  EXPECT_EQ(app.Connect(201, "J1939"), 9);
  EXPECT_EQ(app.Connect(201, "J1708"), kClientAreaFull);
  // The last of them still hears its bus.
  ASSERT_EQ(app.Command(kAllPass, 15, {}), 0);
  PutJ1939(adapter, kVehicleSpeed, 1);
  EXPECT_EQ(Received(app, 15, 1), Names{"J1939 FEF1 #1"});
  for (int client = 0; client < 16; ++client) {
    EXPECT_EQ(app.Disconnect(client), 0) << client;
  }
  EXPECT_EQ(app.Connect(201, "J1939"), 0) << "every id is free again";
  EXPECT_EQ(app.Disconnect(0), 0);
}

void ResetIsRefusedWhileAnotherClientIsOn(Application& app,
                                          vlrsim::PtyAdapter& adapter) {
  const int first = app.Connect(201, "J1939");
  const int second = app.Connect(201, "J1939");
  ASSERT_EQ(first, 0);
  ASSERT_EQ(second, 1);
  for (int client : {first, second}) {
    ASSERT_EQ(app.Command(kAllPass, client, {}), 0);
  }
  PutJ1939(adapter, kVehicleSpeed, 1);
  for (int client : {first, second}) {
    EXPECT_EQ(app.Command(kReset, client, {}), kMultipleClientsConnected);
  }
  for (int client : {first, second}) {
    EXPECT_EQ(Received(app, client, 1), Names{"J1939 FEF1 #1"})
        << "client " << client << " untouched by the refused reset";
  }
  ASSERT_EQ(app.Disconnect(second), 0);
  EXPECT_EQ(app.Command(kReset, first, {}), 0) << "the only client now";
  EXPECT_EQ(app.Disconnect(first), 129) << "the reset disconnected it";
}

void EachJ1939ClientHasItsOwnFilterAndTheAdapterTheUnion(
    Application& app, vlrsim::PtyAdapter& adapter) {
  const int speed = app.Connect(201, "J1939");
  const int engine = app.Connect(201, "J1939");
  ASSERT_EQ(speed, 0);
  ASSERT_EQ(engine, 1);
  ASSERT_EQ(app.Command(kJ1939Filter, speed, PgnGroup(kVehicleSpeed)), 0);
  ASSERT_EQ(app.Command(kJ1939Filter, engine, PgnGroup(kEngineSpeed)), 0);
  const auto filter = adapter.Filter();
  EXPECT_TRUE(filter.Passes(0x18FEF100)) << "the first client's group";
  EXPECT_TRUE(filter.Passes(0x18F00400)) << "the second client's group";
  // The adapter's one mask compares the PF only; FD is neither group's.
  EXPECT_FALSE(filter.Passes(0x18FD0000)) << "no more than the union";
  const Programmed unionOfTwo = ProgrammedOf(filter);

  // FEEE passes the adapter (PF FE) and is for neither client. The engine
  // client's last record comes after everything else, so once it has been
  // read the speed client's queue is complete.
  PutJ1939(adapter, kEngineSpeed, 1);
  PutJ1939(adapter, kEngineTemperature, 2);
  PutJ1939(adapter, kVehicleSpeed, 3);
  PutJ1939(adapter, kVehicleSpeed, 4);
  PutJ1939(adapter, kEngineSpeed, 5);
  EXPECT_EQ(Received(app, engine, 2),
            (Names{"J1939 F004 #1", "J1939 F004 #5"}));
  EXPECT_EQ(Received(app, speed, 2), (Names{"J1939 FEF1 #3", "J1939 FEF1 #4"}));

  // One client passing all opens the adapter; the other keeps its filter.
  ASSERT_EQ(app.Command(kAllPass, engine, {}), 0);
  EXPECT_TRUE(adapter.Filter().Passes(0x18FD0000));
  PutJ1939(adapter, kEngineTemperature, 6);
  PutJ1939(adapter, kVehicleSpeed, 7);
  EXPECT_EQ(Received(app, engine, 2),
            (Names{"J1939 FEEE #6", "J1939 FEF1 #7"}));
  EXPECT_EQ(Received(app, speed, 1), Names{"J1939 FEF1 #7"});
  EXPECT_EQ(app.Disconnect(engine), 0);
  EXPECT_EQ(app.Disconnect(speed), 0);
  EXPECT_EQ(unionOfTwo,
            ProgrammedForOneClient(app, adapter, {kVehicleSpeed, kEngineSpeed}))
      << "the two clients' groups program the adapter as one client's would";
}

void APortHeldByAnotherDeviceIdIsInUse(Application& app,
                                       vlrsim::PtyAdapter& adapter) {
  const int client = app.Connect(201, "J1939");
  ASSERT_EQ(client, 0);
  EXPECT_EQ(app.Connect(101, "J1939"), kDeviceInUse) << "101 is on COM1 too";
  EXPECT_EQ(app.Connect(101, "J1708"), kDeviceInUse);
  ASSERT_EQ(app.Command(kAllPass, client, {}), 0);
  PutJ1939(adapter, kVehicleSpeed, 1);
  EXPECT_EQ(Received(app, client, 1), Names{"J1939 FEF1 #1"});
  EXPECT_EQ(app.Disconnect(client), 0);
}

void EchoGoesToTheSenderOnly(Application& app, vlrsim::PtyAdapter& adapter) {
  const int sender = app.Connect(201, "J1708");
  const int other = app.Connect(201, "J1708");
  ASSERT_EQ(sender, 0);
  ASSERT_EQ(other, 1);
  for (int client : {sender, other}) {
    ASSERT_EQ(app.Command(kJ1708Filter, client, {}), 0);
    ASSERT_EQ(app.Command(kEcho, client, {1}), 0);
  }
  ASSERT_EQ(app.Send(sender, {3, 128, 84, 7}), 0);
  EXPECT_EQ(Received(app, sender, 1), Names{"echo J1708 #7"});
  // The echo was queued before this message was put on the bus.
  PutJ1708(adapter, 8);
  EXPECT_EQ(Received(app, other, 1), Names{"J1708 #8"});
  EXPECT_EQ(Received(app, sender, 1), Names{"J1708 #8"});
  EXPECT_EQ(app.Disconnect(other), 0);
  EXPECT_EQ(app.Disconnect(sender), 0);
}

void RawModeNeedsTheOnlyJ1708Client(Application& app,
                                    vlrsim::PtyAdapter& /*adapter*/) {
  const int first = app.Connect(201, "J1708");
  const int second = app.Connect(201, "J1708");
  ASSERT_EQ(first, 0);
  ASSERT_EQ(second, 1);
  EXPECT_EQ(app.Command(kJ1708Mode, first, {'0'}), kChangeModeFailed);
  ASSERT_EQ(app.Disconnect(second), 0);
  ASSERT_EQ(app.Command(kJ1708Mode, first, {'0'}), 0);
  EXPECT_EQ(app.Connect(201, "J1708"), kConnectNotAllowed);
  const int j1939 = app.Connect(201, "J1939");
  EXPECT_EQ(j1939, 1) << "J1939 may join a raw J1708 client";
  ASSERT_EQ(app.Command(kJ1708Mode, first, {'1'}), 0);
  EXPECT_EQ(app.Connect(201, "J1708"), 2);
  for (int client : {2, j1939, first}) {
    EXPECT_EQ(app.Disconnect(client), 0) << client;
  }
}

void ReceiveSwitchIsEachClientsOwn(Application& app,
                                   vlrsim::PtyAdapter& adapter) {
  const int first = app.Connect(201, "J1939");
  const int second = app.Connect(201, "J1939");
  ASSERT_EQ(first, 0);
  ASSERT_EQ(second, 1);
  for (int client : {first, second}) {
    ASSERT_EQ(app.Command(kAllPass, client, {}), 0);
  }
  ASSERT_EQ(app.Command(kMessageReceive, first, {0}), 0);
  EXPECT_TRUE(adapter.State().j1939_receive) << "the second still wants it";
  PutJ1939(adapter, kVehicleSpeed, 1);
  EXPECT_EQ(Received(app, second, 1), Names{"J1939 FEF1 #1"});

  ASSERT_EQ(app.Command(kMessageReceive, second, {0}), 0);
  EXPECT_TRUE(Eventually([&] { return !adapter.State().j1939_receive; }))
      << "nobody wants J1939";
  ASSERT_EQ(app.Command(kMessageReceive, first, {1}), 0);
  EXPECT_TRUE(Eventually([&] { return adapter.State().j1939_receive; }));
  PutJ1939(adapter, kVehicleSpeed, 2);
  EXPECT_EQ(Received(app, first, 1), Names{"J1939 FEF1 #2"})
      << "nothing of the time it was off";
  ASSERT_EQ(app.Command(kMessageReceive, second, {1}), 0);
  PutJ1939(adapter, kVehicleSpeed, 3);
  EXPECT_EQ(Received(app, second, 1), Names{"J1939 FEF1 #3"});
  EXPECT_EQ(Received(app, first, 1), Names{"J1939 FEF1 #3"});
  EXPECT_EQ(app.Disconnect(second), 0);
  EXPECT_EQ(app.Disconnect(first), 0);
}

}  // namespace

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"J1708AndJ1939ClientsSideBySide", J1708AndJ1939ClientsSideBySide},
      {"SixteenClientsThenTheAreaIsFull", SixteenClientsThenTheAreaIsFull},
      {"ResetIsRefusedWhileAnotherClientIsOn",
       ResetIsRefusedWhileAnotherClientIsOn},
      {"EachJ1939ClientHasItsOwnFilterAndTheAdapterTheUnion",
       EachJ1939ClientHasItsOwnFilterAndTheAdapterTheUnion},
      {"APortHeldByAnotherDeviceIdIsInUse", APortHeldByAnotherDeviceIdIsInUse},
      {"EchoGoesToTheSenderOnly", EchoGoesToTheSenderOnly},
      {"RawModeNeedsTheOnlyJ1708Client", RawModeNeedsTheOnlyJ1708Client},
      {"ReceiveSwitchIsEachClientsOwn", ReceiveSwitchIsEachClientsOwn},
  };
  return cases;
}

}  // namespace several_clients
