#include "transport_cases.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace transport_cases {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;

constexpr int kAddressClaimFailed = 146;
constexpr int kAddressLost = 153;
constexpr int kMessageNotSent = 159;
constexpr int kEcho = 16;
constexpr int kProtectAddress = 19;
constexpr int kInterpacketTime = 27;

// Generous bounds: the machine is shared. A record that should never come
// is given kStray to turn up before its absence is believed.
constexpr auto kArrival = 15000ms;
constexpr auto kStray = 500ms;

constexpr uint8_t kEngine = 0x00;
constexpr uint8_t kTool = 0xF9;
constexpr uint64_t kEngineName = 0x0000000000A00000;
// A service tool's NAME (function 129), higher than the engine's.
constexpr uint64_t kToolName = 0x00008100FFE00000;
constexpr uint32_t kProprietaryA = 0xEF00;  // destination-specific
constexpr uint32_t kProprietaryB = 0xFF20;  // broadcast
constexpr uint32_t kAddressClaimed = 0xEE00;

Bytes Message(uint32_t pgn, uint8_t source, uint8_t destination,
              const Bytes& data, uint8_t how = 6) {
  Bytes m = {static_cast<uint8_t>(pgn),
             static_cast<uint8_t>(pgn >> 8),
             static_cast<uint8_t>(pgn >> 16),
             how,
             source,
             destination};
  m.insert(m.end(), data.begin(), data.end());
  return m;
}

Bytes Request(uint32_t pgn, uint8_t source, uint8_t destination) {
  return Message(0xEA00, source, destination,
                 {static_cast<uint8_t>(pgn), static_cast<uint8_t>(pgn >> 8),
                  static_cast<uint8_t>(pgn >> 16)});
}

Bytes Pattern(size_t size, uint8_t seed) {
  Bytes data(size);
  for (size_t i = 0; i < size; ++i) {
    data[i] = static_cast<uint8_t>(seed + i * 7 + i / 255);
  }
  return data;
}

Bytes Protect(uint8_t address, uint64_t name, uint8_t how = 0) {
  Bytes argument = {address};
  for (int k = 0; k < 8; ++k) {
    argument.push_back(static_cast<uint8_t>(name >> (8 * k)));
  }
  argument.push_back(how);
  return argument;
}

uint32_t PgnOf(const Bytes& record) {
  return record[0] | record[1] << 8 | record[2] << 16;
}

// A J1939 client that takes everything: a new client's filters discard
// all until it sets them (the 2xx adapter's clients excepted).
int Join(Application& app, int device, bool packetizing = false) {
  const int client = packetizing ? app.ConnectPacketizing(device, "J1939")
                                 : app.Connect(device, "J1939");
  if (client >= 0 && client < 128) {
    EXPECT_EQ(app.Command(3, client, {}), 0);
  }
  return client;
}

// The client's next record that `wanted` accepts, skipping others; empty
// when none comes within `within`.
Bytes NextRecord(Application& app, int client,
                 const std::function<bool(const Bytes&)>& wanted,
                 std::chrono::milliseconds within = kArrival) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  Bytes record;
  while (std::chrono::steady_clock::now() < deadline) {
    const int n = app.Poll(client, record, 200ms);
    if (n > 0 && record.size() >= 6 && wanted(record)) return record;
  }
  return {};
}

Bytes RecordOf(Application& app, int client, uint32_t pgn,
               std::chrono::milliseconds within = kArrival) {
  return NextRecord(
      app, client, [&](const Bytes& r) { return PgnOf(r) == pgn; }, within);
}

Bytes DataOf(const Bytes& record) {
  return record.size() < 6 ? Bytes{} : Bytes(record.begin() + 6, record.end());
}

vlrsim::EcuOptions Engine() {
  vlrsim::EcuOptions ecu;
  ecu.address = kEngine;
  ecu.name = kEngineName;
  ecu.vin = "1VOLRA00000001210";
  ecu.bam_interval = 0ms;
  ecu.claim = false;
  return ecu;
}

// The host's J1939 frames with this PGN (PDU1: the PF) and source.
size_t HostFramesOf(vlrsim::PtyAdapter& adapter, uint32_t pgn, uint8_t source) {
  size_t count = 0;
  for (const auto& f : adapter.Recorded().HostMessages()) {
    const uint32_t pf = (f.id >> 16) & 0xFF;
    const uint32_t framePgn = pf < 240 ? pf << 8 : (f.id >> 8) & 0xFFFF;
    if (f.bus == Bus::kJ1939 && framePgn == pgn && (f.id & 0xFF) == source) {
      ++count;
    }
  }
  return count;
}

bool Eventually(const std::function<bool()>& holds,
                std::chrono::milliseconds within = kArrival) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  while (!holds()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// 1785 bytes each way, broadcast and connection mode, byte for byte.
void LongestMessagesBothWays(Application& app, vlrsim::PtyAdapter& adapter,
                             int device) {
  adapter.AddEcu(Engine());
  const int client = Join(app, device);
  ASSERT_EQ(client, 0);
  ASSERT_EQ(app.Command(kInterpacketTime, client, {0, 0, 0, 0}), 0);
  ASSERT_EQ(app.Command(kProtectAddress, client, Protect(kTool, kToolName)), 0);
  const Bytes broadcast = Pattern(1785, 1);
  ASSERT_TRUE(adapter.SendFromEcu(kEngine, kProprietaryB, 0xFF, broadcast));
  const Bytes bam = RecordOf(app, client, kProprietaryB);
  EXPECT_EQ(DataOf(bam), broadcast) << "broadcast to the host";
  const Bytes addressed = Pattern(1785, 2);
  ASSERT_TRUE(adapter.SendFromEcu(kEngine, kProprietaryA, kTool, addressed));
  const Bytes rts = RecordOf(app, client, kProprietaryA);
  EXPECT_EQ(DataOf(rts), addressed) << "connection mode to the host";
  if (rts.size() > 6) {
    EXPECT_EQ(rts[5], kTool);
  }

  const Bytes out = Pattern(1785, 3);
  ASSERT_EQ(app.Send(client, Message(kProprietaryB, kTool, 0xFF, out)), 0);
  ASSERT_EQ(
      app.SendBlocking(client, Message(kProprietaryA, kTool, kEngine, out)), 0);
  const auto got = adapter.WaitForEcuMessages(kEngine, 2, kArrival);
  ASSERT_EQ(got.size(), 2u);
  for (const auto& m : got) {
    EXPECT_EQ(m.data, out) << (m.broadcast ? "broadcast" : "connection");
    EXPECT_EQ(m.source, kTool);
  }
}

// With the flag at 0 a DM1 of 20 faults is one record; with 1 it is the
// transfer's frames.
void Dm1AsOneRecordOrAsFrames(Application& app, vlrsim::PtyAdapter& adapter,
                              int device) {
  vlrsim::EcuOptions ecu = Engine();
  for (uint32_t k = 0; k < 20; ++k) ecu.dm1.push_back({100 + k, 3, 1});
  adapter.AddEcu(ecu);
  const int whole = Join(app, device);
  const int raw = Join(app, device, true);
  ASSERT_EQ(whole, 0);
  ASSERT_EQ(raw, 1);
  ASSERT_EQ(app.Send(whole, Request(vlrsim::kPgnDm1, kTool, 0xFF)), 0);
  const Bytes dm1 = RecordOf(app, whole, vlrsim::kPgnDm1);
  ASSERT_EQ(dm1.size(), 6u + 2 + 20 * 4);
  EXPECT_EQ(DataOf(dm1), *vlrsim::EcuPayload(ecu, vlrsim::kPgnDm1));
  EXPECT_TRUE(RecordOf(app, raw, 0xEC00).size() >= 14) << "announce, raw";
  EXPECT_TRUE(RecordOf(app, raw, 0xEB00).size() >= 14) << "packets, raw";
  EXPECT_TRUE(RecordOf(app, whole, 0xEB00, kStray).empty())
      << "no packet for the reassembling client";
}

// A VIN asked of the engine by address comes by connection mode to the
// claimed address.
void VinRequestedByAddress(Application& app, vlrsim::PtyAdapter& adapter,
                           int device) {
  const vlrsim::EcuOptions ecu = Engine();
  adapter.AddEcu(ecu);
  const int client = Join(app, device);
  ASSERT_EQ(app.Command(kProtectAddress, client, Protect(kTool, kToolName)), 0);
  ASSERT_EQ(app.Send(client, Request(vlrsim::kPgnVin, kTool, kEngine)), 0);
  const Bytes vin = RecordOf(app, client, vlrsim::kPgnVin);
  EXPECT_EQ(DataOf(vin), *vlrsim::EcuPayload(ecu, vlrsim::kPgnVin));
}

// Claimed, answered on request, defended, lost to a better NAME.
void AddressClaim(Application& app, vlrsim::PtyAdapter& adapter, int device) {
  const int client = Join(app, device);
  EXPECT_EQ(app.Command(kProtectAddress, client, Protect(254, kToolName)), 144);
  ASSERT_EQ(app.Command(kProtectAddress, client, Protect(kTool, kToolName)), 0);
  EXPECT_EQ(HostFramesOf(adapter, kAddressClaimed, kTool), 1u);
  adapter.PutOnBus(Bus::kJ1939, 0x18EAFF00, Bytes{0x00, 0xEE, 0x00});
  EXPECT_TRUE(Eventually([&] {
    return HostFramesOf(adapter, kAddressClaimed, kTool) == 2;
  })) << "answered a request";
  adapter.Contend(kTool, kToolName + 1);
  EXPECT_TRUE(Eventually([&] {
    return HostFramesOf(adapter, kAddressClaimed, kTool) == 3;
  })) << "defended against a higher NAME";
  EXPECT_EQ(app.Send(client, Message(0xFEF1, kTool, 0xFF, Bytes(8, 1))), 0);
  adapter.Contend(kTool, kToolName - 1);
  EXPECT_TRUE(Eventually([&] {
    return HostFramesOf(adapter, kAddressClaimed, 254) == 1;
  })) << "Cannot Claim after losing";
  EXPECT_TRUE(Eventually([&] {
    return app.Send(client, Message(0xFEF1, kTool, 0xFF, Bytes(8, 1))) ==
           kAddressLost;
  }));
  EXPECT_EQ(app.Command(kProtectAddress, client, Protect(kTool, kToolName)),
            kAddressClaimFailed)
      << "the winner defends the address";
}

// A blocking send ends with the transfer; echo gives the whole message
// once, and nothing for a failed transfer.
void BlockingSendAndEcho(Application& app, vlrsim::PtyAdapter& adapter,
                         int device) {
  adapter.AddEcu(Engine());
  const int client = Join(app, device);
  ASSERT_EQ(app.Command(kInterpacketTime, client, {0, 0, 0, 0}), 0);
  ASSERT_EQ(app.Command(kEcho, client, {1}), 0);
  const Bytes sent = Message(kProprietaryA, kTool, kEngine, Pattern(20, 4));
  ASSERT_EQ(app.SendBlocking(client, sent), 0);
  const auto echoOf = [](const Bytes& r) { return r.size() > 7 && r[0] == 1; };
  const Bytes echo = NextRecord(app, client, echoOf);
  ASSERT_EQ(echo.size(), sent.size() + 1);
  EXPECT_EQ(Bytes(echo.begin() + 7, echo.end()), DataOf(sent));
  EXPECT_TRUE(NextRecord(app, client, echoOf, kStray).empty())
      << "one echo for the whole message, none for its packets";
  vlrsim::TransferFaults faults;
  faults.drop_cts = true;
  ASSERT_TRUE(adapter.SetEcuFaults(kEngine, faults));
  EXPECT_EQ(app.SendBlocking(client, sent), kMessageNotSent);
  EXPECT_TRUE(NextRecord(app, client, echoOf, kStray).empty())
      << "no echo of a failed transfer";
  EXPECT_EQ(app.SendBlocking(
                client, Message(kProprietaryB, kTool, 0xFF, Pattern(30, 5))),
            0)
      << "a broadcast ends with its last packet";
}

}  // namespace

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"LongestMessagesBothWays", LongestMessagesBothWays},
      {"Dm1AsOneRecordOrAsFrames", Dm1AsOneRecordOrAsFrames},
      {"VinRequestedByAddress", VinRequestedByAddress},
      {"AddressClaim", AddressClaim},
      {"BlockingSendAndEcho", BlockingSendAndEcho},
  };
  return cases;
}

}  // namespace transport_cases
