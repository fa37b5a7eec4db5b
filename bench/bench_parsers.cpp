// Parser throughput for each adapter family on a realistic traffic mix, in
// reads of the sizes the reader thread sees.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "link/parser.h"

namespace vlr::link {
namespace {

using Bytes = std::vector<uint8_t>;

// Counts what a parser delivers; no queue, so only the parser is measured.
class CountingSink : public ParserSink {
 public:
  explicit CountingSink(ParseProtocol protocol) : protocol_(protocol) {}
  bool Wants(ParseProtocol protocol) const override {
    return protocol == protocol_;
  }
  bool AcceptJ1708(uint8_t) override { return true; }
  bool AcceptJ1939(const uint8_t*) override { return true; }
  void DeliverJ1708(std::span<const uint8_t> message, int) override {
    ++records;
    benchmark::DoNotOptimize(message.data());
  }
  void DeliverJ1939(std::span<const uint8_t> record, int) override {
    ++records;
    benchmark::DoNotOptimize(record.data());
  }
  bool OkToSend() const override { return false; }
  void SetOkToSend() override {}
  void CommandAcknowledged(uint8_t) override {}

  int64_t records = 0;

 private:
  ParseProtocol protocol_;
};

uint8_t Sum(const Bytes& bytes) {
  uint8_t sum = 0;
  for (const uint8_t byte : bytes) sum = static_cast<uint8_t>(sum + byte);
  return sum;
}

// Identifiers of a truck's engine network: EEC1, EEC2, CCVS, ET1, LFE,
// a request and a transport-protocol data frame.
constexpr uint32_t kIdentifiers[] = {0x0CF00400, 0x0CF00300, 0x18FEF100,
                                     0x18FEEE00, 0x18FEF200, 0x18EAFFF9,
                                     0x1CEBFF00};
// MIDs of engine, brakes, transmission, instrument cluster.
constexpr uint8_t kMids[] = {0x80, 0x88, 0x8C, 0x92};
constexpr int kFrames = 4000;

Bytes SyncedFrame(uint8_t channel, const Bytes& payload) {
  Bytes frame{0x01, 0x05, channel, 0,
              0,    0,    0,       static_cast<uint8_t>(payload.size())};
  frame.insert(frame.end(), payload.begin(), payload.end());
  frame.push_back(Sum(frame));
  return frame;
}

Bytes J1708Message(std::mt19937& rng) {
  Bytes message{kMids[rng() % 4]};
  for (size_t i = 0, n = 4 + rng() % 12; i < n; ++i) message.push_back(rng());
  message.push_back(static_cast<uint8_t>(-Sum(message)));
  return message;
}

// Identifier shifted left by 3, data count, 8 data bytes.
Bytes J1939Payload(std::mt19937& rng) {
  const uint32_t wire = kIdentifiers[rng() % 7] << 3;
  Bytes payload{uint8_t(wire >> 24), uint8_t(wire >> 16), uint8_t(wire >> 8),
                uint8_t(wire), 8};
  for (int b = 0; b < 8; ++b) payload.push_back(static_cast<uint8_t>(rng()));
  return payload;
}

// Mostly 8-byte J1939 frames, one in ten J1708, and a ready frame now and
// then.
Bytes SyncedTraffic() {
  std::mt19937 rng(7);
  Bytes stream;
  for (int i = 0; i < kFrames; ++i) {
    const Bytes frame = i % 10 == 9 ? SyncedFrame(0x01, J1708Message(rng))
                                    : SyncedFrame(0x02, J1939Payload(rng));
    if (i % 50 == 0)
      stream.insert(stream.end(), {0x01, 0x01, 0x09, 0x00, 0x0B});
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  return stream;
}

Bytes CountedJ1939Traffic() {
  std::mt19937 rng(7);
  Bytes stream;
  for (int i = 0; i < kFrames; ++i) {
    const uint32_t id = kIdentifiers[rng() % 7];
    Bytes frame{19,
                0x84,
                0,
                0,
                uint8_t(id >> 8),
                uint8_t(id >> 16),
                uint8_t(id >> 24 & 1),
                uint8_t(id >> 26),
                uint8_t(id),
                0xFF};
    for (int b = 0; b < 8; ++b) frame.push_back(rng());
    frame.push_back(static_cast<uint8_t>(-Sum(frame)));
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  return stream;
}

Bytes CountedJ1708Traffic() {
  std::mt19937 rng(7);
  Bytes stream;
  for (int i = 0; i < kFrames; ++i) {
    const Bytes message = J1708Message(rng);
    stream.push_back(static_cast<uint8_t>(message.size() + 5));
    stream.insert(stream.end(), {0x01, 0x02, 0x03});
    stream.insert(stream.end(), message.begin(), message.end());
    stream.push_back(0x04);
  }
  return stream;
}

template <auto Parse>
void ParseInReads(benchmark::State& state, const Bytes& stream,
                  ParseProtocol protocol) {
  const auto readSize = static_cast<size_t>(state.range(0));
  CountingSink sink(protocol);
  KeptTail tail;
  for (auto _ : state) {
    for (size_t at = 0; at < stream.size(); at += readSize) {
      const size_t count = std::min(readSize, stream.size() - at);
      Parse(std::span(stream).subspan(at, count), tail, sink);
    }
  }
  state.SetBytesProcessed(state.iterations() * int64_t(stream.size()));
  state.counters["records/s"] =
      benchmark::Counter(double(sink.records), benchmark::Counter::kIsRate);
}

// Read sizes: a few bytes, one reader cycle of traffic at the family's
// line rate (about 30 ms: 345 bytes at 115200 baud, 115 at 38400), and the
// largest read.
void BM_SyncedJ1939(benchmark::State& state) {
  static const Bytes stream = SyncedTraffic();
  ParseInReads<ParseSyncedFrames>(state, stream, ParseProtocol::kJ1939);
}
void BM_SyncedJ1708(benchmark::State& state) {
  static const Bytes stream = SyncedTraffic();
  ParseInReads<ParseSyncedFrames>(state, stream, ParseProtocol::kJ1708);
}
void BM_CountedJ1939(benchmark::State& state) {
  static const Bytes stream = CountedJ1939Traffic();
  ParseInReads<ParseCountedFrames>(state, stream, ParseProtocol::kJ1939);
}
void BM_CountedJ1708(benchmark::State& state) {
  static const Bytes stream = CountedJ1708Traffic();
  ParseInReads<ParseCountedFrames>(state, stream, ParseProtocol::kJ1708);
}

BENCHMARK(BM_SyncedJ1939)->Arg(16)->Arg(345)->Arg(kMaxReadSize);
BENCHMARK(BM_SyncedJ1708)->Arg(16)->Arg(345)->Arg(kMaxReadSize);
BENCHMARK(BM_CountedJ1939)->Arg(16)->Arg(115)->Arg(kMaxReadSize);
BENCHMARK(BM_CountedJ1708)->Arg(16)->Arg(115)->Arg(kMaxReadSize);

}  // namespace
}  // namespace vlr::link
