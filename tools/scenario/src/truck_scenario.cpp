#include "vlrscenario/truck_scenario.h"

#include <array>
#include <utility>

#include "j1939_encoding.h"
#include "message_schedule.h"
#include "truck_j1708.h"
#include "truck_j1939.h"

namespace vlrscenario {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using DataFn = std::vector<uint8_t> (*)(const VehicleState&);

constexpr uint8_t kEngineAddress = 0x00;
// Periodic traffic starts once every ECU's claim has stood unchallenged
// for the 250 ms that J1939 address claiming asks for.
constexpr milliseconds kClaimSettle{250};

vlrsim::TimedMessage Message(microseconds at, vlrsim::Bus bus, uint32_t id,
                             std::vector<uint8_t> data) {
  vlrsim::TimedMessage message;
  message.at = at;
  message.bus = bus;
  message.id = id;
  message.data = std::move(data);
  return message;
}

MessageSchedule::FireFn Periodic(vlrsim::Bus bus, uint32_t id, DataFn data,
                                 microseconds period) {
  return [=](microseconds due) {
    return Firing{{Message(due, bus, id, data(StateAt(due)))}, due + period};
  };
}

// EEC1 follows the crankshaft: 20 ms at idle and cruise, 10 ms when the
// engine revs past 1500 rpm.
Firing FireEec1(microseconds due) {
  const VehicleState state = StateAt(due);
  const uint32_t id = J1939Id(3, kPgnEec1, kEngineAddress);
  const microseconds period =
      state.engine_rpm > 1500 ? milliseconds(10) : milliseconds(20);
  return Firing{{Message(due, vlrsim::Bus::kJ1939, id, Eec1Data(state))},
                due + period};
}

Firing FireDm1(microseconds due) {
  const std::vector<uint8_t> dm1 = Dm1Data(ActiveTroubleCodes());
  return Firing{
      BroadcastTransfer(kPgnDm1, 6, kEngineAddress, dm1, due, milliseconds(50)),
      due + milliseconds(1000)};
}

Firing FireAddressClaims(microseconds due) {
  struct Claim {
    uint8_t address;
    uint8_t function;
    microseconds boot;
  };
  static constexpr std::array<Claim, 4> kClaims = {{
      {0x00, 0, microseconds(0)},      // engine
      {0x03, 3, microseconds(3000)},   // transmission
      {0x0B, 9, microseconds(5000)},   // brakes
      {0x17, 19, microseconds(8000)},  // instrument cluster
  }};
  Firing firing;
  for (const Claim& claim : kClaims) {
    EcuName name;
    name.identity = 0x1000u + claim.address;
    name.function = claim.function;
    name.industry_group = 1;  // on-highway
    name.arbitrary_address_capable = claim.address == 0x17;
    firing.messages.push_back(Message(
        due + claim.boot, vlrsim::Bus::kJ1939,
        J1939Id(6, kPgnAddressClaimed, claim.address), EncodeName(name)));
  }
  return firing;
}

void AddJ1939Streams(MessageSchedule& schedule) {
  using vlrsim::Bus;
  const microseconds start = kClaimSettle;
  schedule.AddStream(microseconds(0), FireAddressClaims);
  schedule.AddStream(start, FireEec1);
  schedule.AddStream(start + milliseconds(5),
                     Periodic(Bus::kJ1939, J1939Id(3, kPgnEec2, kEngineAddress),
                              Eec2Data, milliseconds(50)));
  schedule.AddStream(start + milliseconds(12),
                     Periodic(Bus::kJ1939, J1939Id(6, kPgnCcvs, kEngineAddress),
                              CcvsData, milliseconds(100)));
  schedule.AddStream(start + milliseconds(37),
                     Periodic(Bus::kJ1939, J1939Id(6, kPgnLfe, kEngineAddress),
                              LfeData, milliseconds(100)));
  schedule.AddStream(start + milliseconds(120),
                     Periodic(Bus::kJ1939, J1939Id(6, kPgnEt1, kEngineAddress),
                              Et1Data, milliseconds(1000)));
  schedule.AddStream(start + milliseconds(340),
                     Periodic(Bus::kJ1939, J1939Id(6, kPgnAmb, kEngineAddress),
                              AmbData, milliseconds(1000)));
  schedule.AddStream(start + milliseconds(560),
                     Periodic(Bus::kJ1939, J1939Id(6, kPgnVep1, kEngineAddress),
                              Vep1Data, milliseconds(1000)));
  schedule.AddStream(start + milliseconds(700), FireDm1);
}

void AddJ1708Streams(MessageSchedule& schedule) {
  using vlrsim::Bus;
  schedule.AddStream(
      milliseconds(30),
      Periodic(Bus::kJ1708, kMidEngine, EngineFastPids, milliseconds(100)));
  schedule.AddStream(
      milliseconds(85),
      Periodic(Bus::kJ1708, kMidEngine, EngineSlowPids, milliseconds(1000)));
  schedule.AddStream(milliseconds(145),
                     Periodic(Bus::kJ1708, kMidTransmission, TransmissionPids,
                              milliseconds(500)));
  schedule.AddStream(
      milliseconds(260),
      Periodic(Bus::kJ1708, kMidBrakes, BrakePids, milliseconds(1000)));
}

class TruckScenario final : public vlrsim::TrafficSource {
 public:
  explicit TruckScenario(const TruckOptions& options) {
    if (options.j1939) AddJ1939Streams(schedule_);
    if (options.j1708) AddJ1708Streams(schedule_);
    schedule_.SetEnd(options.length);
  }
  std::optional<vlrsim::TimedMessage> Next() override {
    return schedule_.Next();
  }

 private:
  MessageSchedule schedule_;
};

}  // namespace

std::unique_ptr<vlrsim::TrafficSource> MakeTruckScenario(TruckOptions options) {
  return std::make_unique<TruckScenario>(options);
}

}  // namespace vlrscenario
