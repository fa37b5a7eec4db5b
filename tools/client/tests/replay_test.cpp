// Recorded vehicle traffic replayed by the simulated adapter through the
// real driver, read back as an application reads it (the exported
// functions of the library, loaded by path): every frame of the
// connection's bus must arrive once, intact, in the recorded order.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "connection.h"
#include "driver_library.h"
#include "messages.h"
#include "pseudo_terminal_skip.h"
#include "simulated_adapter.h"
#include "vlrscenario/capture_file.h"

namespace vlrclient {
namespace {

using Clock = std::chrono::steady_clock;
using vlrsim::Bus;

struct Frame {
  uint32_t id = 0;  // J1939 identifier or J1708 MID
  std::vector<uint8_t> data;
  bool operator==(const Frame&) const = default;
};

// The driver does not deliver identifier bit 25 (extended data page).
constexpr uint32_t kDeliveredIdBits = 0x1FFFFFFF & ~(1u << 25);

std::vector<Frame> ExpectedFrames(const vlrscenario::Capture& capture,
                                  Bus bus) {
  std::vector<Frame> frames;
  for (const auto& m : capture.messages) {
    if (m.bus != bus) continue;
    frames.push_back(
        {bus == Bus::kJ1939 ? m.id & kDeliveredIdBits : m.id, m.data});
  }
  return frames;
}

Frame FrameOf(const vlrdecode::ReadRecord& record) {
  if (const auto* j1939 =
          std::get_if<vlrdecode::J1939Message>(&record.message)) {
    return {vlrdecode::IdentifierOf(*j1939), j1939->data};
  }
  const auto& j1708 = std::get<vlrdecode::J1708Message>(record.message);
  return {j1708.mid, j1708.data};
}

// Reads until `wanted` frames arrived, or the traffic has played out and
// the line stayed quiet for a while (generous bounds: the machine is shared).
std::vector<Frame> ReadAll(Connection& connection, SimulatedAdapter& adapter,
                           vlrdecode::ReadLayout layout, std::size_t wanted) {
  std::vector<Frame> frames;
  std::array<uint8_t, 1024> buffer{};
  const Clock::time_point give_up = Clock::now() + std::chrono::minutes(4);
  Clock::time_point last_message = Clock::now();
  while (frames.size() < wanted && Clock::now() < give_up) {
    const short got = connection.ReadNow(buffer);
    if (got > 0) {
      auto record = vlrdecode::ParseReadBuffer(
          std::span(buffer.data(), static_cast<std::size_t>(got)), layout);
      EXPECT_TRUE(record) << "a record of " << got << " bytes fits no layout";
      if (record) frames.push_back(FrameOf(*record));
      last_message = Clock::now();
      continue;
    }
    EXPECT_EQ(got, 0) << "driver error " << -got;
    if (got < 0) break;
    if (adapter.TrafficDelivered() &&
        Clock::now() - last_message > std::chrono::seconds(2))
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return frames;
}

struct ReplayCase {
  const char* capture;
  short device;
  const char* protocol;
  std::size_t expected_count;
  double speed;
};

std::string CaseName(const ::testing::TestParamInfo<ReplayCase>& info) {
  const std::string capture = info.param.capture;
  return capture.substr(0, capture.find('-')) + "_" +
         std::to_string(info.param.device) + "_" + info.param.protocol;
}

class Replay : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(Replay, DeliversEveryFrameOfTheBusInOrder) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  const ReplayCase& c = GetParam();
  const std::string path = std::string(VLR_SHARED_DATA_DIR) + "/" + c.capture;
  if (!std::filesystem::exists(path))
    GTEST_SKIP() << "capture not present: " << path;
  auto capture = vlrscenario::LoadCaptureFile(path);
  ASSERT_TRUE(capture) << capture.error().ToString();
  const bool j1939 = std::string(c.protocol) == "J1939";
  const std::vector<Frame> expected =
      ExpectedFrames(capture.value(), j1939 ? Bus::kJ1939 : Bus::kJ1708);
  ASSERT_EQ(expected.size(), c.expected_count);

  SimulationOptions traffic;
  traffic.family =
      c.device / 100 == 1 ? vlrsim::Family::k1xx : vlrsim::Family::k2xx;
  traffic.replay_path = path;
  traffic.replay.speed = c.speed;
  traffic.reported_protocol = c.protocol;
  std::string error;
  auto adapter = SimulatedAdapter::Create(traffic, error);
  ASSERT_TRUE(adapter) << error;
  adapter->PointComPortHere(c.device % 100);
  auto driver = LoadDriver("", error);
  ASSERT_TRUE(driver) << error;
  DriverError failed;
  // Every frame as it travelled: the transport frames too, not joined.
  auto connection = Connection::Open(*driver, c.device, c.protocol, failed,
                                     /*raw_transport=*/true);
  ASSERT_TRUE(connection) << failed.message;
  ASSERT_FALSE(connection->Command(RP1210_Set_All_Filters_States_to_Pass, {},
                                   "open filters"));
  adapter->Play();

  const vlrdecode::ReadLayout layout{j1939 ? vlrdecode::Protocol::kJ1939
                                           : vlrdecode::Protocol::kJ1708};
  const std::vector<Frame> received =
      ReadAll(*connection, *adapter, layout, expected.size() + 1);
  ASSERT_EQ(received.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(received[i], expected[i])
        << "frame " << i << " of " << expected.size() << ": id " << std::hex
        << received[i].id << " for " << expected[i].id;
  }
}

INSTANTIATE_TEST_SUITE_P(
    SharedCaptures, Replay,
    ::testing::Values(
        ReplayCase{"truck-j1939-j1708.neovi.csv", 201, "J1939", 1056, 1.0},
        ReplayCase{"truck-j1939-j1708.neovi.csv", 202, "J1708", 47, 1.0},
        ReplayCase{"truck-j1939-j1708.neovi.csv", 101, "J1708", 47, 1.0},
        ReplayCase{"marine-j1939-startup.candump.log", 203, "J1939", 17293,
                   2.0}),
    CaseName);

}  // namespace
}  // namespace vlrclient
