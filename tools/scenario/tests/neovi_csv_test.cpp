#include "vlrscenario/neovi_csv.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "shared_data.h"

namespace vlrscenario {
namespace {

using std::chrono::microseconds;
using vlrsim::Bus;

const char* const kHeaders =
    "Vehicle Spy 3 Bus Traffic File\n"
    "Notes,a short excerpt\n"
    "\n"
    "Line,Abs Time(Sec),Rel Time (Sec),Status,Er,Tx,Description,Network,Node,"
    "Arb ID,Remote,Xtd,B1,B2,B3,B4,B5,B6,B7,B8,Value,Trigger,Signals\n"
    "Line,Abs Time(Sec),Rel Time (Sec),Status,Er,Tx,Description,Network,Node,"
    "PT,Trgt,Src,B1,B2,B3,B4,B5,B6,B7,B8,Value,Trigger,Signals\n";

Parsed<Capture> Read(const std::string& records) {
  std::istringstream in(std::string(kHeaders) + records);
  return ReadNeoviCsv(in);
}

TEST(ReadNeoviCsv, ReadsCanAndJ1708RecordsInFileOrder) {
  auto capture = Read(
      "1,10.5,0,0,F,F,HS CAN $CF00400,HS "
      "CAN,,CF00400,F,T,F0,7D,84,D8,12,00,F0,84,,,\n"
      "2,10.75,0,0,F,F,J1708 $80,J1708,,80,FF,B7,00,00,CA,,,,,,,,\n"
      "3,10.8,0,0,F,F,HS CAN $18EA00F9,HS "
      "CAN,,18EA00F9,F,T,E5,FE,00,,,,,,,,\n");
  ASSERT_TRUE(capture) << capture.error().ToString();
  const auto& m = capture.value().messages;
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].bus, Bus::kJ1939);
  EXPECT_EQ(m[0].id, 0x0CF00400u);
  EXPECT_EQ(m[0].data.size(), 8u);
  EXPECT_EQ(m[1].bus, Bus::kJ1708);
  EXPECT_EQ(m[1].id, 0x80u);
  // Trgt, Src and B1.. are the bytes after the MID; the checksum (CA) goes.
  EXPECT_EQ(m[1].data, (std::vector<uint8_t>{0xFF, 0xB7, 0x00, 0x00}));
  EXPECT_EQ(m[1].at, microseconds(250'000));
  EXPECT_EQ(m[2].data, (std::vector<uint8_t>{0xE5, 0xFE, 0x00}));
}

TEST(ReadNeoviCsv, UnpacksBytesBeyondTenFromTheLastCell) {
  auto capture = Read(
      "41,1.0,0,0,F,F,J1708 $80,J1708,,80,55,58,79,00,B7,22,00,B8,E1,"
      "02 7A 00 A8 1B 01 AD 98 03 60,,,\n");
  ASSERT_TRUE(capture) << capture.error().ToString();
  ASSERT_EQ(capture.value().messages.size(), 1u);
  const std::vector<uint8_t> expected = {0x55, 0x58, 0x79, 0x00, 0xB7, 0x22,
                                         0x00, 0xB8, 0xE1, 0x02, 0x7A, 0x00,
                                         0xA8, 0x1B, 0x01, 0xAD, 0x98, 0x03};
  EXPECT_EQ(capture.value().messages[0].data, expected);
}

TEST(ReadNeoviCsv, SkipsWhatNoAdapterReports) {
  auto capture = Read(
      "1,1.0,0,0,F,F,HS CAN $301,HS CAN,,301,F,F,01,,,,,,,,,,\n"
      "2,1.1,0,0,F,F,HS CAN $18FEF100,HS CAN,,18FEF100,T,T,,,,,,,,,,,\n"
      "3,1.2,0,0,F,F,LIN,LIN,,12,F,F,01,,,,,,,,,,\n"
      "4,1.3,0,0,F,F,HS CAN $301,HS CAN,,301,F,T,01,,,,,,,,,,\n");
  ASSERT_TRUE(capture) << capture.error().ToString();
  EXPECT_EQ(capture.value().skipped, 3u);
  ASSERT_EQ(capture.value().messages.size(), 1u);
  EXPECT_EQ(capture.value().messages[0].id, 0x301u);
}

TEST(ReadNeoviCsv, RefusesBadRecordsWithTheirLineNumber) {
  struct Case {
    const char* record;
    const char* reason;
  };
  const Case cases[] = {
      {"9,1.0,0,0,F,F,J1708 $80,J1708,,80,FF,B7,00,00,CB,,,,,,,,\n",
       "checksum"},
      {"9,1.0,0,0,F,F,J1708 $80,J1708,,,FF,,,,,,,,,,,,\n", "MID"},
      {"9,1.0,0,0,F,F,J1708 $80,J1708,,80,,,,,,,,,,,,,\n", "checksum"},
      {"9,x,0,0,F,F,HS CAN $1,HS CAN,,1,F,T,01,,,,,,,,,,\n", "time"},
      {"9,1.0,0,0,F,F,HS CAN $1,HS CAN,,3FFFFFFF,F,T,01,,,,,,,,,,\n", "Arb ID"},
      {"9,1.0,0,0,F,F,HS CAN $1,HS CAN,,1,F,T,01,2,123,,,,,,,,\n", "data byte"},
  };
  for (const Case& c : cases) {
    auto capture = Read(
        std::string("1,0.5,0,0,F,F,HS CAN $1,HS CAN,,1,F,T,01,,,,,,,,,,\n") +
        c.record);
    ASSERT_FALSE(capture) << c.record;
    EXPECT_EQ(capture.error().line, 7u) << c.record;
    EXPECT_NE(capture.error().message.find(c.reason), std::string::npos)
        << c.record << " -> " << capture.error().message;
  }
}

TEST(ReadNeoviCsv, RefusesInputWithoutItsHeader) {
  std::istringstream in("1,2,3\n4,5,6\n");
  auto capture = ReadNeoviCsv(in);
  ASSERT_FALSE(capture);
  EXPECT_NE(capture.error().message.find("no header row"), std::string::npos);

  std::istringstream lacking("Line,Abs Time(Sec),Network\n1,1.0,HS CAN\n");
  auto missing = ReadNeoviCsv(lacking);
  ASSERT_FALSE(missing);
  EXPECT_NE(missing.error().message.find("Arb ID"), std::string::npos);
}

TEST(ReadNeoviCsv, ReadsTheRecordedTruck) {
  const std::string path =
      testing::SharedDataFile("truck-j1939-j1708.neovi.csv");
  SKIP_UNLESS_PRESENT(path);
  std::ifstream in(path);
  auto capture = ReadNeoviCsv(in);
  ASSERT_TRUE(capture) << capture.error().ToString();
  std::size_t can = 0, j1708 = 0, bam_announces = 0;
  for (const auto& m : capture.value().messages) {
    if (m.bus == Bus::kJ1708) {
      ++j1708;
    } else {
      ++can;
    }
    // The broadcast transfer of PGN 65251 (FEE3), 34 bytes in 5 packets.
    if (m.id == 0x1CECFF00 && m.data.size() == 8 && m.data[0] == 0x20) {
      ++bam_announces;
      EXPECT_EQ(m.data, (std::vector<uint8_t>{0x20, 0x22, 0x00, 0x05, 0xFF,
                                              0xE3, 0xFE, 0x00}));
    }
  }
  EXPECT_EQ(can, 1056u);
  EXPECT_EQ(j1708, 47u);
  EXPECT_EQ(bam_announces, 1u);
  EXPECT_EQ(capture.value().skipped, 0u);
  const auto& m = capture.value().messages;
  for (std::size_t i = 1; i < m.size(); ++i) ASSERT_LE(m[i - 1].at, m[i].at);
  EXPECT_GT(m.back().at, microseconds(1'900'000));
  EXPECT_LT(m.back().at, microseconds(2'100'000));
}

}  // namespace
}  // namespace vlrscenario
