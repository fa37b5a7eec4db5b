// The simulated ECUs through the adapter on a real pseudo-terminal, with
// the test as the host, on both families.
#include <gtest/gtest.h>

#include <thread>

#include "host_port.h"
#include "pseudo_terminal_skip.h"
#include "vlrsim/adapter_frame.h"
#include "vlrsim/counted_frames.h"
#include "vlrsim/pty_adapter.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim {
namespace {

using namespace std::chrono_literals;
using testing::HostPort;

constexpr uint8_t kEcu = 0x00;
constexpr uint8_t kHost = 0xF9;

EcuOptions Engine() {
  EcuOptions ecu;
  ecu.address = kEcu;
  ecu.name = 0x8000000000000100;
  ecu.vin = "1FUJGLDR12LM12345";
  ecu.bam_interval = 10ms;
  // Its start-up claim would race the host's opening of the line.
  ecu.claim = false;
  return ecu;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The host's end, speaking J1939 in the family's frames.
struct J1939Host {
  J1939Host(PtyAdapter& adapter, Family family)
      : port(adapter.SlavePath()), family(family) {
    if (family == Family::k1xx) {
      port.SetRate(B38400);
      return;
    }
    port.SetRate(B9600);
    port.Write(Bytes(22, 0x42));
    port.Write(synced::RateChangeFrame());
    std::this_thread::sleep_for(20ms);
    port.SetRate(B115200);
    port.Write(synced::ReceiveModeFrame(true));
    port.Read(5, 5s);
  }

  void Send(uint32_t pgn, uint8_t destination, const Bytes& data,
            uint8_t source = kHost) {
    const uint8_t ps = pgn < 0xF000 ? destination : pgn & 0xFF;
    if (family == Family::k2xx) {
      const uint32_t id = 6u << 26 | (pgn & 0x3FF00) << 8 | ps << 8 | source;
      port.Write(synced::HostJ1939Frame(id, data));
      return;
    }
    // The host writes a PDU1 destination into the PGN's low byte.
    Bytes layout{ps,
                 static_cast<uint8_t>(pgn >> 8),
                 static_cast<uint8_t>(pgn >> 16),
                 6,
                 source,
                 destination};
    layout.insert(layout.end(), data.begin(), data.end());
    port.Write(counted::HostJ1939Frame(layout));
  }

  // The J1939 messages that come within `wait`, stopping early once
  // `count` have come.
  std::vector<AdapterFrame> Read(size_t count, std::chrono::milliseconds wait) {
    std::vector<AdapterFrame> messages;
    const auto end = Clock::now() + wait;
    while (messages.size() < count && Clock::now() < end) {
      stream_ = stream_ + port.ReadFor(20ms);
      messages.clear();
      for (auto& f : DecodeAdapterBytes(family, stream_)) {
        if (f.kind == AdapterFrame::Kind::kMessage) messages.push_back(f);
      }
    }
    stream_.clear();
    return messages;
  }

  HostPort port;
  Family family;
  Bytes stream_;
};

class PtyEcu : public ::testing::TestWithParam<Family> {};

TEST_P(PtyEcu, AnswersAGlobalVinRequestByBroadcast) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  AdapterOptions options;
  options.family = GetParam();
  options.ecus = {Engine()};
  PtyAdapter adapter(options);
  J1939Host host(adapter, GetParam());
  host.Send(kPgnRequest, 0xFF, {0xEC, 0xFE, 0x00});
  const auto got = host.Read(4, 5s);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].id, 0x1CECFF00u);
  Bytes vin;
  for (size_t i = 1; i < got.size(); ++i) {
    EXPECT_EQ(got[i].id, 0x1CEBFF00u);
    EXPECT_EQ(got[i].data.size(), 8u);  // the last packet padded
    vin.insert(vin.end(), got[i].data.begin() + 1, got[i].data.end());
  }
  vin.resize(18);
  EXPECT_EQ(vin, *EcuPayload(Engine(), kPgnVin));
}

TEST_P(PtyEcu, TakesAConnectionTransferFromTheHost) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  AdapterOptions options;
  options.family = GetParam();
  options.ecus = {Engine()};
  PtyAdapter adapter(options);
  J1939Host host(adapter, GetParam());
  Bytes message(20);
  for (size_t i = 0; i < message.size(); ++i) message[i] = uint8_t(i + 1);
  host.Send(kPgnTpControl, kEcu, {0x10, 20, 0, 3, 0xFF, 0x00, 0xEF, 0x00});
  const auto cts = host.Read(1, 5s);
  ASSERT_EQ(cts.size(), 1u);
  EXPECT_EQ(cts[0].id, 0x1CECF900u);
  EXPECT_EQ(cts[0].data, (Bytes{0x11, 3, 1, 0xFF, 0xFF, 0x00, 0xEF, 0x00}));
  for (uint8_t sequence = 1; sequence <= 3; ++sequence) {
    Bytes packet(8, 0xFF);
    packet[0] = sequence;
    for (size_t i = 0; i < 7 && (sequence - 1) * 7 + i < 20; ++i) {
      packet[1 + i] = message[(sequence - 1) * 7 + i];
    }
    host.Send(kPgnTpData, kEcu, packet);
  }
  const auto ack = host.Read(1, 5s);
  ASSERT_EQ(ack.size(), 1u);
  EXPECT_EQ(ack[0].data[0], 0x13);
  const auto received = adapter.WaitForEcuMessages(kEcu, 1);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].data, message);
  EXPECT_EQ(received[0].source, kHost);
}

TEST_P(PtyEcu, SendsOnDemandAndContendsAsTold) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  AdapterOptions options;
  options.family = GetParam();
  options.ecus = {Engine()};
  PtyAdapter adapter(options);
  J1939Host host(adapter, GetParam());
  EXPECT_FALSE(adapter.SendFromEcu(0x42, 0xFEF1, 0xFF, Bytes(9)));
  ASSERT_TRUE(adapter.SendFromEcu(kEcu, 0xFEF1, 0xFF, Bytes(9, 0x55)));
  EXPECT_EQ(host.Read(3, 5s).size(), 3u);  // BAM and two packets
  adapter.Contend(0x80, 42, 50ms);
  const auto claim = host.Read(1, 5s);
  ASSERT_EQ(claim.size(), 1u);
  EXPECT_EQ(claim[0].id, 0x18EEFF80u);
  host.Send(kPgnAddressClaimed, 0xFF, NameBytes(41), 0x80);  // a better NAME
  const auto cannot = host.Read(1, 5s);
  ASSERT_EQ(cannot.size(), 1u);
  EXPECT_EQ(cannot[0].id, 0x18EEFFFEu);
  EXPECT_EQ(cannot[0].data, NameBytes(42));
  EXPECT_FALSE(adapter.EcuState(0x80)->holds_address);
}

INSTANTIATE_TEST_SUITE_P(Families, PtyEcu,
                         ::testing::Values(Family::k2xx, Family::k1xx),
                         [](const auto& info) {
                           return info.param == Family::k2xx ? "Family2xx"
                                                             : "Family1xx";
                         });

}  // namespace
}  // namespace vlrsim
