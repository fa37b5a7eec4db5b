// The network script's lines as the simulator reads them.
#include "vlrsim/network_script.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vlrsim {
namespace {

using namespace std::chrono_literals;

TEST(NetworkScript, ReadsEcuLines) {
  std::string error;
  const auto line = ParseNetworkLine(
      "ecu 0x0B 8000000000000B00 vin=ABC component=A*B*C* "
      "dm1=100:3:1,524287:31:127 dm2=190:0:2 dm1-every=1000 "
      "bam-interval=0 window=4 claim-after=250 no-claim  # brakes",
      error);
  ASSERT_TRUE(line) << error;
  const auto& ecu = std::get<EcuOptions>(*line);
  EXPECT_EQ(ecu.address, 0x0B);
  EXPECT_EQ(ecu.name, 0x8000000000000B00u);
  EXPECT_EQ(ecu.vin, "ABC");
  EXPECT_EQ(ecu.component_id, "A*B*C*");
  EXPECT_EQ(ecu.dm1,
            (std::vector<TroubleCode>{{100, 3, 1}, {524287, 31, 127}}));
  EXPECT_EQ(ecu.dm2, (std::vector<TroubleCode>{{190, 0, 2}}));
  EXPECT_EQ(ecu.dm1_period, 1000ms);
  EXPECT_EQ(ecu.bam_interval, 0ms);
  EXPECT_EQ(ecu.packets_per_cts, 4);
  EXPECT_EQ(ecu.claim_after, 250ms);
  EXPECT_FALSE(ecu.claim);
}

TEST(NetworkScript, ReadsSendFaultAndContendLines) {
  std::string error;
  auto send = ParseNetworkLine("ecu-send 00 FEF1 F9 fill=1785 after=20", error);
  ASSERT_TRUE(send) << error;
  const auto& s = std::get<EcuSendLine>(*send);
  EXPECT_EQ(s.pgn, 0xFEF1u);
  EXPECT_EQ(s.destination, 0xF9);
  EXPECT_EQ(s.data.size(), 1785u);
  EXPECT_EQ(s.data[300], 300 % 256);
  EXPECT_EQ(s.after, 20ms);
  send = ParseNetworkLine("ecu-send 00 EF00 FF 01 02:03 0405", error);
  EXPECT_EQ(std::get<EcuSendLine>(*send).data, (Bytes{1, 2, 3, 4, 5}));

  const auto fault = ParseNetworkLine(
      "ecu-fault 0B drop-cts abort-after-rts=2 abort-after=20:4 "
      "stop-after=5 delay=150 hold=2:1200",
      error);
  ASSERT_TRUE(fault) << error;
  TransferFaults expected;
  expected.drop_cts = true;
  expected.abort_after_rts = 2;
  expected.abort_after_packet = 20;
  expected.abort_reason = 4;
  expected.stop_after_packet = 5;
  expected.answer_delay = 150ms;
  expected.holds = 2;
  expected.hold_time = 1200ms;
  EXPECT_EQ(std::get<EcuFaultLine>(*fault).faults, expected);
  EXPECT_EQ(
      std::get<EcuFaultLine>(*ParseNetworkLine("ecu-fault 0B", error)).faults,
      TransferFaults{});

  const auto contend = ParseNetworkLine("contend 80 2A after=500", error);
  ASSERT_TRUE(contend) << error;
  EXPECT_EQ(std::get<ContendLine>(*contend).address, 0x80);
  EXPECT_EQ(std::get<ContendLine>(*contend).name, 0x2Au);
  EXPECT_EQ(std::get<ContendLine>(*contend).after, 500ms);
}

TEST(NetworkScript, RefusesWhatItDoesNotUnderstand) {
  for (const char* text :
       {"ecu 00", "ecu 100 1", "ecu 00 12345678901234567",
        "ecu 00 1 vin=", "ecu 00 1 dm1=5", "ecu 00 1 dm1=1:32:1",
        "ecu 00 1 window=0", "ecu 00 1 colour=red", "ecu-send 00 FEF1 FF",
        "ecu-send 00 FEF1 FF fill=1786", "ecu-send 00 40000 FF 01",
        "ecu-send 00 FEF1 FF 01 after=x", "ecu-fault", "ecu-fault 00 slow",
        "ecu-fault 00 stop-after=0", "contend 80", "contend 80 1 2",
        "frobnicate 1"}) {
    std::string error;
    EXPECT_FALSE(ParseNetworkLine(text, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(NetworkScript, AScriptSplitsEcusFromActionsAndNamesBadLines) {
  std::istringstream good(
      "# a network\n\necu 00 1\ncontend 80 2\necu 0B 3\n"
      "ecu-send 00 FEF1 FF fill=9\n");
  std::string error;
  const auto script = ReadNetworkScript(good, error);
  ASSERT_TRUE(script) << error;
  EXPECT_EQ(script->ecus.size(), 2u);
  EXPECT_EQ(script->actions.size(), 2u);

  std::istringstream bad("ecu 00 1\n\necu 0B\n");
  EXPECT_FALSE(ReadNetworkScript(bad, error));
  EXPECT_TRUE(error.starts_with("line 3: ")) << error;
}

}  // namespace
}  // namespace vlrsim
