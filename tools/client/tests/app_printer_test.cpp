#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "message_printer.h"
#include "statistics.h"
#include "vlrcommon/j1939_identifier.h"
#include "vlrscenario/truck_scenario.h"

namespace vlrclient {
namespace {

using Bytes = std::vector<uint8_t>;

// What RP1210_ReadMessage writes for a J1939 message: the timestamp, then
// the delivered layout (PGN least significant first with 0 for a PDU1
// group's PS, priority, source, destination or 0, data).
Bytes J1939Record(uint32_t timestamp_ms, uint32_t id, const Bytes& data) {
  const uint8_t pf = (id >> 16) & 0xFF, ps = (id >> 8) & 0xFF;
  const bool pdu1 = vlrcommon::j1939::IsPdu1Format(pf);
  Bytes record = {static_cast<uint8_t>(timestamp_ms >> 24),
                  static_cast<uint8_t>(timestamp_ms >> 16),
                  static_cast<uint8_t>(timestamp_ms >> 8),
                  static_cast<uint8_t>(timestamp_ms),
                  static_cast<uint8_t>(pdu1 ? 0 : ps),
                  pf,
                  static_cast<uint8_t>((id >> 24) & 1),
                  static_cast<uint8_t>((id >> 26) & 7),
                  static_cast<uint8_t>(id & 0xFF),
                  static_cast<uint8_t>(pdu1 ? ps : 0)};
  record.insert(record.end(), data.begin(), data.end());
  return record;
}

std::chrono::microseconds FixedWallClock() {
  return std::chrono::seconds(1'700'000'000);
}

std::string PrintTruck(vlrdecode::OutputFormat format, Statistics& statistics,
                       std::optional<J1939Filter> filter = std::nullopt) {
  vlrscenario::TruckOptions options;
  options.length = std::chrono::milliseconds(2500);
  options.j1708 = false;
  auto truck = vlrscenario::MakeTruckScenario(options);
  std::ostringstream out;
  MessagePrinter printer({vlrdecode::Protocol::kJ1939}, format, out, statistics,
                         FixedWallClock);
  if (filter) printer.SetLocalFilter(*filter);
  while (auto message = truck->Next()) {
    const auto ms = static_cast<uint32_t>(5000 + message->at.count() / 1000);
    EXPECT_TRUE(printer.Handle(J1939Record(ms, message->id, message->data)));
  }
  return out.str();
}

TEST(MessagePrinter, DecodesEngineSpeedAndJoinsTheTroubleCodes) {
  Statistics statistics;
  const std::string text =
      PrintTruck(vlrdecode::OutputFormat::kText, statistics);
  EXPECT_NE(text.find("J1939 0CF00400  F004 EEC1   p3 00->FF [8]"),
            std::string::npos);
  EXPECT_NE(text.find("engine speed 6"), std::string::npos);  // idling, 6xx rpm
  const std::string dm1 =
      "J1939 --------  FECA DM1    p6 00->FF [14] 04 FF 6F 00 01 04 7C 02 02 "
      "01 61 00 0F 07 | AWL on; "
      "SPN 111 (coolant level) FMI 1 (below normal, most severe) OC 4; "
      "SPN 636 (engine position sensor) FMI 2 (erratic) OC 1; "
      "SPN 97 (water in fuel) FMI 15 (above normal, least severe) OC 7";
  EXPECT_NE(text.find(dm1), std::string::npos) << text.substr(0, 2000);
  std::ostringstream summary;
  statistics.Print(summary, 2.5,
                   [](short code) { return std::to_string(code); });
  EXPECT_NE(summary.str().find("2 multi-packet transfer(s) joined"),
            std::string::npos)
      << summary.str();
}

TEST(MessagePrinter, WritesOnlyBusFramesAsCandumpLines) {
  Statistics statistics;
  const std::string log =
      PrintTruck(vlrdecode::OutputFormat::kCandump, statistics);
  std::istringstream lines(log);
  std::string line;
  std::size_t count = 0;
  while (std::getline(lines, line)) {
    ++count;
    ASSERT_EQ(line.rfind("(17000000", 0), 0u) << line;
    ASSERT_NE(line.find(" vlr0 "), std::string::npos) << line;
  }
  EXPECT_EQ(count, statistics.messages());  // no line for the joined DM1s
}

TEST(MessagePrinter, PassesOverWhatTheLocalFilterRefuses) {
  J1939Filter filter;
  filter.pgns = {0xFEF1};
  Statistics statistics;
  const std::string text =
      PrintTruck(vlrdecode::OutputFormat::kText, statistics, filter);
  EXPECT_EQ(text.find("EEC1"), std::string::npos);
  EXPECT_NE(text.find("CCVS"), std::string::npos);
  EXPECT_GE(statistics.messages(), 20u);
  EXPECT_LE(statistics.messages(), 23u);
}

TEST(MessagePrinter, ReadsEchoRecordsAndRefusesShortOnes) {
  std::ostringstream out;
  Statistics statistics;
  MessagePrinter printer({vlrdecode::Protocol::kJ1708, true, false},
                         vlrdecode::OutputFormat::kJson, out, statistics,
                         FixedWallClock);
  EXPECT_TRUE(printer.Handle(Bytes{0, 0, 0, 1, 1, 0x80, 0x54, 0x00}));
  EXPECT_FALSE(printer.Handle(Bytes{0, 0, 0, 1, 1}));
  EXPECT_EQ(out.str(),
            "{\"t\":0,\"ts\":1,\"bus\":\"J1708\",\"mid\":128,\"data\":\"5400\","
            "\"name\":\"Engine #1\","
            "\"echo\":true,\"signals\":[{\"name\":\"PID 84 road "
            "speed\",\"value\":0,\"unit\":\"km/h\"}]}\n");
}

}  // namespace
}  // namespace vlrclient
