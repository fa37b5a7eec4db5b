// The simulated ECUs' side of requests, transfers and address claim, on a
// made-up clock.
#include <gtest/gtest.h>

#include "j1939_bench.h"
#include "vlrcommon/j1939_identifier.h"

namespace vlrsim::testing {
namespace {

namespace tp = detail::tp;

constexpr uint8_t kEcu = 0x00;
constexpr uint8_t kHost = 0xF9;

EcuOptions Engine() {
  EcuOptions ecu;
  ecu.address = kEcu;
  ecu.name = 0x8000000000000100;
  ecu.vin = "1FUJGLDR12LM12345";
  ecu.component_id = "VLR*SIM-ECU*0001*ENGINE*";
  for (uint32_t i = 0; i < 20; ++i) ecu.dm1.push_back({100 + i, 3, 1});
  ecu.dm2 = {{0x7FFFF, 31, 127}};
  return ecu;
}

uint32_t RequestId(uint8_t destination) {
  return tp::IdOf(kPgnRequest, 6, kHost, destination);
}

Bytes RequestFor(uint32_t pgn) {
  const auto bytes = vlrcommon::j1939::PgnBytes(pgn);
  return Bytes(bytes.begin(), bytes.end());
}

// Reassembles what the ECU sent to the host by broadcast or connection-mode
// transfer, playing a receiver that asks for `window` packets a CTS.
struct HostReceiver {
  explicit HostReceiver(EcuBench& bench, uint8_t window = 16)
      : bench(bench), window(window) {
    bench.host = [this](const BusFrame& frame) { Hear(frame); };
  }
  void Hear(const BusFrame& frame) {
    const auto heard = tp::Hear(frame.id, frame.data);
    if (heard.pgn == kPgnTpControl &&
        (frame.data[0] == tp::kBam || frame.data[0] == tp::kRts)) {
      size = tp::ControlSize(frame.data);
      data.clear();
      if (frame.data[0] == tp::kRts) Ask(heard.source);
    } else if (heard.pgn == kPgnTpData) {
      data.insert(data.end(), frame.data.begin() + 1, frame.data.end());
      if (heard.destination == kHost && ++in_window == window_asked) {
        Ask(heard.source);
      }
    }
  }
  void Ask(uint8_t peer) {
    const size_t have = data.size() / 7;
    const size_t left = tp::PacketCount(size) - have;
    const uint32_t control = tp::ControlId(kHost, peer);
    if (left == 0) {
      bench.Host(control, tp::EndOfMessageAck(size, pgn));
      return;
    }
    window_asked = std::min<size_t>(left, window);
    in_window = 0;
    bench.Host(control, tp::Cts(static_cast<uint8_t>(window_asked),
                                static_cast<uint8_t>(have + 1), pgn));
  }
  Bytes Message() const { return Bytes(data.begin(), data.begin() + size); }

  EcuBench& bench;
  uint8_t window;
  uint32_t pgn = 0;
  size_t size = 0;
  Bytes data;
  size_t window_asked = 0;
  size_t in_window = 0;
};

TEST(J1939Ecu, AnswersRequestsByFrameBroadcastOrConnection) {
  struct Case {
    uint32_t pgn;
    uint8_t destination;
    uint8_t first_control;  // 0: one frame
  };
  const Case cases[] = {
      {kPgnVin, 0xFF, tp::kBam},         {kPgnVin, kEcu, tp::kRts},
      {kPgnComponentId, 0xFF, tp::kBam}, {kPgnDm1, kEcu, tp::kRts},
      {kPgnDm1, 0xFF, tp::kBam},         {kPgnDm2, 0xFF, 0},
      {kPgnAddressClaimed, 0xFF, 0},     {kPgnAddressClaimed, kEcu, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << std::hex << c.pgn << " to " << int{c.destination});
    EcuBench bench(Engine());
    bench.RunFor(10ms);  // its own claim
    HostReceiver host(bench);
    host.pgn = c.pgn;
    bench.Host(RequestId(c.destination), RequestFor(c.pgn));
    const auto sent = bench.RunFor(3s);
    ASSERT_FALSE(sent.empty());
    const Bytes expected = *EcuPayload(Engine(), c.pgn);
    if (c.first_control == 0) {
      ASSERT_EQ(sent.size(), 1u);
      EXPECT_EQ(Pgn(sent[0]), c.pgn);
      EXPECT_EQ(sent[0].data, expected);
      continue;
    }
    EXPECT_EQ(Pgn(sent[0]), kPgnTpControl);
    EXPECT_EQ(sent[0].data[0], c.first_control);
    EXPECT_EQ(sent[0].id >> 26, 7u);
    EXPECT_EQ(host.Message(), expected);
  }
}

TEST(J1939Ecu, PayloadsCarryTheirRecords) {
  const EcuOptions ecu = Engine();
  EXPECT_EQ(EcuPayload(ecu, kPgnDm1)->size(), 2u + 4 * 20);
  EXPECT_EQ(*EcuPayload(ecu, kPgnDm2),
            (Bytes{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF}));
  Bytes vin(ecu.vin.begin(), ecu.vin.end());
  vin.push_back('*');
  EXPECT_EQ(*EcuPayload(ecu, kPgnVin), vin);
  EXPECT_EQ(EcuPayload(ecu, 0xFEF1), std::nullopt);
  EXPECT_EQ(*EcuPayload(EcuOptions{}, kPgnDm1),
            (Bytes{0x00, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF}));
}

TEST(J1939Ecu, BroadcastPacketsAreSpacedAsConfigured) {
  for (int interval : {0, 50, 120}) {
    EcuOptions ecu = Engine();
    ecu.bam_interval = std::chrono::milliseconds{interval};
    EcuBench bench(ecu);
    bench.RunFor(10ms);
    const Bytes message = Counting(1785);
    bench.node.SendLong(0xFEF1, 0xFF, message, bench.now);
    const auto sent = bench.RunFor(40s);
    ASSERT_EQ(sent.size(), 1u + 255);
    for (size_t i = 1; i < sent.size(); ++i) {
      EXPECT_EQ(sent[i].at - sent[i - 1].at,
                std::chrono::milliseconds{interval});
      EXPECT_EQ(sent[i].data[0], i);
    }
  }
}

// Plays the host sending `message` to the ECU by connection-mode transfer,
// packets on each CTS as asked; notes how the ECU answered.
struct HostSender {
  HostSender(EcuBench& bench, Bytes message)
      : bench(bench), message(std::move(message)) {
    bench.host = [this](const BusFrame& frame) { Hear(frame); };
  }
  void Start() {
    bench.Host(tp::ControlId(kHost, kEcu), tp::Rts(message.size(), 0xFF, kPgn));
  }
  void Hear(const BusFrame& frame) {
    if (Pgn(frame) != kPgnTpControl) return;
    switch (frame.data[0]) {
      case tp::kCts:
        if (frame.data[1] == 0) ++holds;
        for (uint8_t i = 0; i < frame.data[1]; ++i) {
          bench.Host(
              tp::DataId(kHost, kEcu),
              tp::DataPacket(message, static_cast<uint8_t>(frame.data[2] + i)));
        }
        ++windows;
        break;
      case tp::kEndOfMessageAck:
        acknowledged = true;
        break;
      case tp::kAbort:
        abort_reason = frame.data[1];
        break;
      default:
        break;
    }
  }
  static constexpr uint32_t kPgn = 0xEF00;
  EcuBench& bench;
  Bytes message;
  int windows = 0;
  int holds = 0;
  bool acknowledged = false;
  std::optional<uint8_t> abort_reason;
};

TEST(J1939Ecu, TakesTheHostsTransfersAndSpoilsThemOnDemand) {
  struct Case {
    const char* what;
    TransferFaults faults;
    bool acknowledged;
    std::optional<uint8_t> abort_reason;
    int holds;
  };
  TransferFaults drop;
  drop.drop_cts = true;
  TransferFaults refuse;
  refuse.abort_after_rts = 2;
  TransferFaults mid;
  mid.abort_after_packet = 20;
  mid.abort_reason = 4;
  TransferFaults stop;
  stop.stop_after_packet = 5;
  TransferFaults slow;
  slow.answer_delay = 150ms;
  TransferFaults hold;
  hold.holds = 2;
  hold.hold_time = 1200ms;
  const Case cases[] = {
      {"clean", {}, true, std::nullopt, 0},
      {"drop", drop, false, std::nullopt, 0},
      {"refuse", refuse, false, 2, 0},
      {"mid", mid, false, 4, 0},
      // Silent after packet 5: the ECU's own time-out ends the session.
      {"stop", stop, false, std::nullopt, 0},
      {"slow", slow, true, std::nullopt, 0},
      // Each hold of 1200 ms is refreshed at 500 ms: three CTS(0) a hold.
      {"hold", hold, true, std::nullopt, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EcuOptions ecu = Engine();
    ecu.faults = c.faults;
    EcuBench bench(ecu);
    bench.RunFor(10ms);
    HostSender host(bench, Counting(1785));
    host.Start();
    bench.RunFor(30s);
    EXPECT_EQ(host.acknowledged, c.acknowledged);
    EXPECT_EQ(host.abort_reason, c.abort_reason);
    EXPECT_EQ(host.holds, c.holds);
    const auto& received = bench.node.Status().received;
    ASSERT_EQ(received.size(), c.acknowledged ? 1u : 0u);
    if (c.acknowledged) {
      EXPECT_EQ(received[0].data, host.message);
      EXPECT_EQ(received[0].pgn, HostSender::kPgn);
      EXPECT_EQ(received[0].source, kHost);
      EXPECT_EQ(host.windows, 16 + c.holds);  // 255 packets, 16 a CTS
    }
  }
}

TEST(J1939Ecu, DropsTheHostsTransfersThatGoWrong) {
  struct Case {
    const char* what;
    size_t size;
    std::vector<uint8_t> sequences;  // sent after the first CTS
    std::optional<uint8_t> abort_reason;
  };
  const Case cases[] = {
      {"out of sequence", 30, {1, 3}, tp::kAbortBadSequence},
      {"repeated packet", 30, {1, 1}, tp::kAbortBadSequence},
      {"too large", 1786, {}, tp::kAbortTooLarge},
      {"packets stop", 30, {1, 2}, tp::kAbortTimeout},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EcuBench bench(Engine());
    bench.RunFor(10ms);
    std::optional<uint8_t> abort_reason;
    bench.host = [&](const BusFrame& frame) {
      if (Pgn(frame) == kPgnTpControl && frame.data[0] == tp::kAbort) {
        abort_reason = frame.data[1];
      }
    };
    const Bytes message = Counting(c.size);
    Bytes rts = tp::Rts(c.size, 0xFF, HostSender::kPgn);
    rts[3] = static_cast<uint8_t>(tp::PacketCount(c.size));
    bench.Host(tp::ControlId(kHost, kEcu), rts);
    bench.RunFor(1ms);
    for (uint8_t sequence : c.sequences) {
      bench.Host(tp::DataId(kHost, kEcu), tp::DataPacket(message, sequence));
    }
    bench.RunFor(5s);
    EXPECT_EQ(abort_reason, c.abort_reason);
    EXPECT_TRUE(bench.node.Status().received.empty());
  }
}

TEST(J1939Ecu, ReassemblesTheHostsBroadcastsAndDropsBrokenOnes) {
  struct Case {
    const char* what;
    std::chrono::milliseconds gap;
    bool skip_one;
    bool complete;
  };
  const Case cases[] = {
      {"on time", 50ms, false, true},
      {"packet missing", 50ms, true, false},
      {"too slow", 800ms, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EcuBench bench(Engine());
    const Bytes message = Counting(100);
    bench.Host(tp::ControlId(kHost, 0xFF), tp::Bam(message.size(), 0xFEF1));
    for (uint8_t sequence = 1; sequence <= tp::PacketCount(100); ++sequence) {
      bench.RunFor(c.gap);
      if (c.skip_one && sequence == 4) continue;
      bench.Host(tp::DataId(kHost, 0xFF), tp::DataPacket(message, sequence));
    }
    const auto& received = bench.node.Status().received;
    ASSERT_EQ(received.size(), c.complete ? 1u : 0u);
    if (c.complete) {
      EXPECT_EQ(received[0].data, message);
      EXPECT_TRUE(received[0].broadcast);
    }
  }
}

TEST(J1939Ecu, ItsOwnConnectionTransfersHonourTheHostsAnswers) {
  using Result = EcuSendOutcome::Result;
  struct Case {
    const char* what;
    uint8_t window;
    bool answer;                                // the host answers at all
    std::optional<uint8_t> abort_after_window;  // reason
    Result result;
  };
  const Case cases[] = {
      {"window 1", 1, true, std::nullopt, Result::kAcknowledged},
      {"window 16", 16, true, std::nullopt, Result::kAcknowledged},
      {"window 255", 255, true, std::nullopt, Result::kAcknowledged},
      {"no answer", 16, false, std::nullopt, Result::kTimedOut},
      {"host aborts", 16, true, 2, Result::kAborted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EcuBench bench(Engine());
    bench.RunFor(10ms);
    HostReceiver host(bench, c.window);
    host.pgn = 0xEF00;
    if (!c.answer) bench.host = nullptr;
    if (c.abort_after_window) {
      bench.host = [&](const BusFrame& frame) {
        host.Hear(frame);
        if (Pgn(frame) == kPgnTpData && frame.data[0] == c.window) {
          bench.Host(tp::ControlId(kHost, kEcu),
                     tp::Abort(*c.abort_after_window, 0xEF00));
        }
      };
    }
    const Bytes message = Counting(1785);
    bench.node.SendLong(0xEF00, kHost, message, bench.now);
    bench.RunFor(30s);
    const auto& sent = bench.node.Status().sent;
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].result, c.result);
    if (c.result == Result::kAcknowledged) {
      EXPECT_EQ(host.Message(), message);
    }
    if (c.abort_after_window) {
      EXPECT_EQ(sent[0].abort_reason, *c.abort_after_window);
      EXPECT_EQ(host.data.size(), c.window * 7u);  // nothing after the abort
    }
  }
}

TEST(J1939Ecu, ItsOwnSendsWaitThroughAHold) {
  EcuBench bench(Engine());
  bench.RunFor(10ms);
  HostReceiver host(bench, 16);
  host.pgn = 0xEF00;
  bool held = false;
  bench.host = [&](const BusFrame& frame) {
    const bool rts = Pgn(frame) == kPgnTpControl && frame.data[0] == tp::kRts;
    if (rts && !held) {
      held = true;
      host.size = tp::ControlSize(frame.data);
      bench.Host(tp::ControlId(kHost, kEcu), tp::Cts(0, 0xFF, 0xEF00));
      return;
    }
    host.Hear(frame);
  };
  bench.node.SendLong(0xEF00, kHost, Counting(40), bench.now);
  bench.RunFor(900ms);  // under T4: still waiting
  EXPECT_TRUE(bench.node.Status().sent.empty());
  host.Ask(kEcu);
  bench.RunFor(1s);
  ASSERT_EQ(bench.node.Status().sent.size(), 1u);
  EXPECT_EQ(bench.node.Status().sent[0].result,
            EcuSendOutcome::Result::kAcknowledged);
  EXPECT_EQ(host.Message(), Counting(40));
}

TEST(J1939Ecu, ContestsItsAddressByName) {
  struct Case {
    uint64_t host_name;
    bool ecu_keeps;
  };
  const uint64_t own = Engine().name;
  const Case cases[] = {
      {own + 1, true}, {own, true}, {own - 1, false}, {0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host_name);
    EcuBench bench(Engine());
    const auto claim = bench.RunFor(10ms);
    ASSERT_EQ(claim.size(), 1u);
    EXPECT_EQ(claim[0].id, 0x18EEFF00u | kEcu);
    EXPECT_EQ(claim[0].data, NameBytes(own));
    bench.Host(0x18EEFF00u | kEcu, NameBytes(c.host_name));
    const auto answer = bench.RunFor(10ms);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].id & 0xFF, c.ecu_keeps ? kEcu : kNullAddress);
    EXPECT_EQ(answer[0].data, NameBytes(own));
    EXPECT_EQ(bench.node.Status().holds_address, c.ecu_keeps);
    // A request for the address claimed: claimed again, or cannot claim.
    bench.Host(RequestId(0xFF), RequestFor(kPgnAddressClaimed));
    const auto again = bench.RunFor(10ms);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].id & 0xFF, c.ecu_keeps ? kEcu : kNullAddress);
    // Having lost, it answers nothing by address.
    bench.Host(RequestId(kEcu), RequestFor(kPgnVin));
    EXPECT_EQ(bench.RunFor(3s).empty(), !c.ecu_keeps);
  }
}

TEST(J1939Ecu, AContenderClaimsAtItsMoment) {
  EcuOptions contender;
  contender.address = 0x80;
  contender.name = 42;
  contender.claim_after = 500ms;
  contender.answers_requests = false;
  EcuBench bench(contender);
  EXPECT_TRUE(bench.RunFor(499ms).empty());
  EXPECT_FALSE(bench.node.Status().holds_address);
  const auto claim = bench.RunFor(2ms);
  ASSERT_EQ(claim.size(), 1u);
  EXPECT_EQ(claim[0].id, 0x18EEFF80u);
  // It answers for its address, nothing else.
  bench.Host(RequestId(0xFF), RequestFor(kPgnDm1));
  EXPECT_TRUE(bench.RunFor(1s).empty());
  bench.Host(RequestId(0x80), RequestFor(kPgnAddressClaimed));
  EXPECT_EQ(bench.RunFor(1s).size(), 1u);
}

TEST(J1939Ecu, BroadcastsDm1AtItsPeriod) {
  EcuOptions ecu = Engine();
  ecu.dm1_period = 1s;
  ecu.bam_interval = 10ms;
  EcuBench bench(ecu);
  const auto sent = bench.RunFor(3500ms);
  int bams = 0;
  for (const auto& frame : sent) {
    bams += Pgn(frame) == kPgnTpControl && frame.data[0] == tp::kBam;
  }
  EXPECT_EQ(bams, 3);
}

}  // namespace
}  // namespace vlrsim::testing
