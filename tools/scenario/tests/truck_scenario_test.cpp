#include "vlrscenario/truck_scenario.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "truck_j1939.h"

namespace vlrscenario {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::seconds;
using vlrsim::Bus;
using vlrsim::TimedMessage;

std::vector<TimedMessage> Play(TruckOptions options) {
  auto source = MakeTruckScenario(options);
  std::vector<TimedMessage> out;
  while (auto message = source->Next()) out.push_back(std::move(*message));
  return out;
}

std::vector<TimedMessage> FirstSeconds(int count) {
  TruckOptions options;
  options.length = seconds(count);
  return Play(options);
}

uint8_t Pf(uint32_t id) { return (id >> 16) & 0xFF; }

TEST(TruckScenario, ComesInTimeOrderAndRepeatsExactly) {
  const auto first = FirstSeconds(12);
  const auto second = FirstSeconds(12);
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    if (i > 0) {
      ASSERT_LE(first[i - 1].at, first[i].at) << i;
    }
    ASSERT_EQ(first[i].id, second[i].id) << i;
    ASSERT_EQ(first[i].data, second[i].data) << i;
  }
  EXPECT_LE(first.back().at, seconds(12));
}

TEST(TruckScenario, SendsEachMessageAtItsRealisticRate) {
  struct Rate {
    Bus bus;
    uint32_t id;
    int min_per_10s;
    int max_per_10s;
  };
  const Rate rates[] = {
      {Bus::kJ1939, 0x0CF00400, 500, 1000},  // EEC1, 10-20 ms
      {Bus::kJ1939, 0x0CF00300, 199, 201},   // EEC2, 50 ms
      {Bus::kJ1939, 0x18FEF100, 99, 101},    // CCVS, 100 ms
      {Bus::kJ1939, 0x18FEF200, 99, 101},    // LFE, 100 ms
      {Bus::kJ1939, 0x18FEEE00, 9, 11},      // ET1, 1 s
      {Bus::kJ1939, 0x18FEF500, 9, 11},      // AMB
      {Bus::kJ1939, 0x18FEF700, 9, 11},      // VEP1
      {Bus::kJ1939, 0x18ECFF00, 9, 11},      // DM1 announce, 1 s
      {Bus::kJ1939, 0x18EBFF00, 18, 22},     // its two data packets
      {Bus::kJ1708, 128, 105, 115},          // engine: 100 ms + 1 s
      {Bus::kJ1708, 130, 19, 21},            // transmission, 500 ms
      {Bus::kJ1708, 136, 9, 11},             // brakes, 1 s
  };
  std::map<std::pair<Bus, uint32_t>, int> counts;
  for (const auto& m : FirstSeconds(21)) {
    if (m.at >= seconds(11)) ++counts[{m.bus, m.id}];
  }
  for (const Rate& rate : rates) {
    const int count = counts[{rate.bus, rate.id}];
    EXPECT_GE(count, rate.min_per_10s) << std::hex << rate.id;
    EXPECT_LE(count, rate.max_per_10s) << std::hex << rate.id;
  }
}

TEST(TruckScenario, ClaimsFourAddressesBeforeAnyOtherJ1939Traffic) {
  std::vector<uint8_t> claimed;
  for (const auto& m : FirstSeconds(2)) {
    if (m.bus != Bus::kJ1939) continue;
    if (Pf(m.id) != 0xEE) break;
    EXPECT_EQ((m.id >> 8) & 0xFF, 0xFFu);
    EXPECT_EQ(m.data.size(), 8u);
    claimed.push_back(m.id & 0xFF);
  }
  EXPECT_EQ(claimed, (std::vector<uint8_t>{0x00, 0x03, 0x0B, 0x17}));
}

TEST(TruckScenario, SendsItsTroubleCodesAsABroadcastTransferEachSecond) {
  const std::vector<uint8_t> dm1 = Dm1Data(ActiveTroubleCodes());
  ASSERT_GE(ActiveTroubleCodes().size(), 2u);
  ASSERT_GT(dm1.size(), 8u);
  const auto messages = FirstSeconds(5);
  int transfers = 0;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    const TimedMessage& cm = messages[i];
    // A transfer still running when the source ends is cut short.
    if (cm.id != 0x18ECFF00 || cm.at > seconds(4)) continue;
    ++transfers;
    ASSERT_EQ(cm.data[0], 0x20);
    ASSERT_EQ(cm.data[1] | cm.data[2] << 8, static_cast<int>(dm1.size()));
    EXPECT_EQ(cm.data[5] | cm.data[6] << 8 | cm.data[7] << 16, 0xFECA);
    std::vector<uint8_t> joined;
    uint8_t expected_seq = 1;
    for (std::size_t j = i + 1;
         j < messages.size() && expected_seq <= cm.data[3]; ++j) {
      if (messages[j].id != 0x18EBFF00) continue;
      EXPECT_EQ(messages[j].data[0], expected_seq);
      EXPECT_EQ(messages[j].at - cm.at, milliseconds(50 * expected_seq));
      joined.insert(joined.end(), messages[j].data.begin() + 1,
                    messages[j].data.end());
      ++expected_seq;
    }
    ASSERT_EQ(expected_seq, cm.data[3] + 1) << "packets missing";
    joined.resize(dm1.size());
    EXPECT_EQ(joined, dm1);
  }
  EXPECT_GE(transfers, 4);
}

TEST(TruckScenario, EngineAndRoadSpeedStayPlausibleOverACycle) {
  double min_rpm = 1e9, max_rpm = 0, max_kmh = 0;
  for (const auto& m : FirstSeconds(150)) {
    if (m.id == 0x0CF00400) {
      const double rpm = (m.data[3] | m.data[4] << 8) * 0.125;
      min_rpm = std::min(min_rpm, rpm);
      max_rpm = std::max(max_rpm, rpm);
    } else if (m.id == 0x18FEF100) {
      max_kmh = std::max(max_kmh, (m.data[1] | m.data[2] << 8) / 256.0);
    }
  }
  EXPECT_GT(min_rpm, 600);
  EXPECT_LT(min_rpm, 700);  // idles
  EXPECT_GT(max_rpm, 1300);
  EXPECT_LT(max_rpm, 1800);
  EXPECT_GT(max_kmh, 85);
  EXPECT_LT(max_kmh, 95);
}

TEST(TruckScenario, CanBeLimitedToOneBus) {
  TruckOptions only_j1708;
  only_j1708.length = seconds(3);
  only_j1708.j1939 = false;
  for (const auto& m : Play(only_j1708)) ASSERT_EQ(m.bus, Bus::kJ1708);
  TruckOptions only_j1939 = only_j1708;
  only_j1939.j1939 = true;
  only_j1939.j1708 = false;
  const auto j1939 = Play(only_j1939);
  EXPECT_FALSE(j1939.empty());
  for (const auto& m : j1939) ASSERT_EQ(m.bus, Bus::kJ1939);
}

}  // namespace
}  // namespace vlrscenario
