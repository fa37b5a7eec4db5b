// A 2xx adapter that is already streaming when the driver starts it up
// (left in receive mode by an application that died): its replies arrive
// among message frames.
#include "fault_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;

struct BusyCase {
  const char* protocol;
  Bus bus;
};

class BusyStartUp : public DriverTest,
                    public ::testing::WithParamInterface<BusyCase> {
 protected:
  double TimedConnect() {
    const auto start = FaultClock::now();
    EXPECT_EQ(Connect(201, GetParam().protocol), 0);
    return SecondsSince(start);
  }
};

TEST_P(BusyStartUp, ConnectsAsFastAsToAQuietAdapter) {
  StartAdapter(201);
  const double quiet = TimedConnect();
  ASSERT_EQ(Disconnect(), 0);

  vlrsim::AdapterOptions options;
  options.stream_regardless = true;
  auto& adapter = StartAdapter(201, options);
  adapter.Play(Traffic(GetParam().bus, 2ms, 600s));  // 500 frames/s
  const double busy = TimedConnect();
  RecordProperty("quiet_seconds", std::to_string(quiet));
  RecordProperty("busy_seconds", std::to_string(busy));
  // A reply that had to begin a read cost all five tries (5.6 s) and failed.
  EXPECT_LT(busy, quiet + 1.5) << "quiet " << quiet << " s";
  if (GetParam().bus != Bus::kJ1939) return;

  // Command exchanges after the start-up find their acknowledgements among
  // the traffic too: a missed one would cost 2 s.
  const auto start = FaultClock::now();
  EXPECT_EQ(Command(RP1210_Set_Message_Filtering_For_J1939,
                    Bytes{0x01, 0xF1, 0xFE, 0x00, 0x03, 0x00, 0x00}),
            0);
  EXPECT_LT(SecondsSince(start), 1.5);
}

INSTANTIATE_TEST_SUITE_P(Protocols, BusyStartUp,
                         ::testing::Values(BusyCase{"J1939", Bus::kJ1939},
                                           BusyCase{"J1708", Bus::kJ1708}),
                         [](const auto& info) {
                           return std::string(info.param.protocol);
                         });

}  // namespace
}  // namespace vlrtest
