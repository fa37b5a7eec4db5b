// The 2xx family's parser, the sum test and the J1939 conversion, fed byte
// strings directly.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "fake_parser_sink.h"
#include "link/parser.h"

namespace vlr::link {
namespace {

using fakes::AckEvent;
using fakes::Bytes;
using fakes::Concat;
using fakes::CutInto;
using fakes::FakeParserSink;
using fakes::MessageEvent;
using fakes::ParserEvent;
using fakes::ReadyEvent;

constexpr uint8_t kJ1708Channel = 0x01;
constexpr uint8_t kJ1939Channel = 0x02;
const Bytes kReadyFrame = {0x01, 0x01, 0x09, 0x00, 0x0B};

uint8_t Sum(const Bytes& bytes) {
  uint8_t sum = 0;
  for (const uint8_t byte : bytes) sum = static_cast<uint8_t>(sum + byte);
  return sum;
}

Bytes AckFrame(uint8_t channel) {
  return {0x01, 0x01, channel, 0x00, static_cast<uint8_t>(channel + 2)};
}

Bytes MessageFrame(uint8_t channel, const Bytes& payload) {
  Bytes frame{0x01, 0x05, channel, 0x10,
              0x20, 0x30, 0x40,    static_cast<uint8_t>(payload.size())};
  frame.insert(frame.end(), payload.begin(), payload.end());
  frame.push_back(Sum(frame));
  return frame;
}

// MID and data, followed by the checksum that zeroes the sum.
Bytes J1708Payload(const Bytes& midAndData) {
  Bytes payload = midAndData;
  payload.push_back(static_cast<uint8_t>(-Sum(midAndData)));
  return payload;
}

// The 29-bit identifier as the adapter sends it: shifted left by 3, the
// three low bits not part of it.
Bytes J1939Payload(uint32_t identifier, const Bytes& data,
                   uint8_t lowBits = 0) {
  const uint32_t wire = identifier << 3 | (lowBits & 0x07);
  Bytes payload{static_cast<uint8_t>(wire >> 24),
                static_cast<uint8_t>(wire >> 16),
                static_cast<uint8_t>(wire >> 8), static_cast<uint8_t>(wire),
                static_cast<uint8_t>(data.size())};
  payload.insert(payload.end(), data.begin(), data.end());
  return payload;
}

Bytes J1708Frame(const Bytes& midAndData) {
  return MessageFrame(kJ1708Channel, J1708Payload(midAndData));
}

const Bytes kEec1Data = {0xF0, 0x7D, 0x7D, 0x00, 0x00, 0x00, 0xF0, 0x7D};
// EEC1 from engine 0, identifier 0CF00400.
const Bytes kEec1Frame =
    MessageFrame(kJ1939Channel, J1939Payload(0x0CF00400, kEec1Data));
const Bytes kEec1Record =
    Concat({{0x04, 0xF0, 0x00, 0x03, 0x00, 0x00}, kEec1Data});

class SyncedParserTest : public ::testing::Test {
 protected:
  void Feed(const Bytes& read) { ParseSyncedFrames(read, tail, sink); }
  void FeedAll(const std::vector<Bytes>& reads) {
    for (const Bytes& read : reads) Feed(read);
  }
  Bytes Tail() const {
    return {tail.bytes.begin(), tail.bytes.begin() + tail.count};
  }

  FakeParserSink sink;
  KeptTail tail;
};

// ------------------------------------------------------------ shared helpers

TEST(ParserCommonTest, SumIsZero) {
  const std::vector<std::pair<Bytes, bool>> cases = {
      {{}, true},           {{0x00}, true},       {{0x01}, false},
      {{0x01, 0xFF}, true}, {{0x80, 0x80}, true}, {{0x80, 0x7F}, false},
  };
  for (const auto& [bytes, zero] : cases) EXPECT_EQ(SumIsZero(bytes), zero);
}

TEST(ParserCommonTest, ConvertsIdentifierFieldsIntoRecordHeader) {
  struct Case {
    uint32_t identifier;
    Bytes header;
  };
  const std::vector<Case> cases = {
      // PF 240, PS 4: PS is the PGN's low byte, no destination.
      {0x0CF00400, {0x04, 0xF0, 0x00, 0x03, 0x00, 0x00}},
      // PF 236, PS 32: PS is the destination.
      {0x18EC20F9, {0x00, 0xEC, 0x00, 0x06, 0xF9, 0x20}},
      // PF 239, the last format with a destination; data page 1.
      {0x1DEF5533, {0x00, 0xEF, 0x01, 0x07, 0x33, 0x55}},
      // Bit 25 set: not delivered, and it must not leak into the page.
      {0x1BFECA17, {0xCA, 0xFE, 0x01, 0x06, 0x17, 0x00}},
  };
  const Bytes data = {0xAA, 0xBB, 0xCC};
  for (const Case& c : cases) {
    std::array<uint8_t, kMaxRecordSize> out{};
    const size_t length =
        ConvertJ1939Message(J1939Payload(c.identifier, data, 0x5), out);
    ASSERT_EQ(length, 9u) << std::hex << c.identifier;
    EXPECT_EQ(Bytes(out.begin(), out.begin() + length),
              Concat({c.header, data}))
        << std::hex << c.identifier;
  }
}

TEST(ParserCommonTest, ConversionRefusesPayloadShorterThanItsCount) {
  struct Case {
    size_t payloadSize;
    uint8_t count;
    size_t length;
  };
  const std::vector<Case> cases = {
      {0, 0, 0},   {4, 0, 0},  {5, 0, 6},       {5, 1, 0},
      {13, 8, 14}, {13, 9, 0}, {260, 255, 261}, {259, 255, 0},
  };
  for (const Case& c : cases) {
    Bytes payload(c.payloadSize, 0x5A);
    if (payload.size() > 4) payload[4] = c.count;
    std::array<uint8_t, kMaxRecordSize> out{};
    EXPECT_EQ(ConvertJ1939Message(payload, out), c.length)
        << c.payloadSize << " bytes, count " << int{c.count};
  }
}

// ---------------------------------------------------------- joining reads

TEST_F(SyncedParserTest, FramesSplitAtEveryPositionAreDeliveredOnce) {
  struct Case {
    ParseProtocol protocol;
    Bytes first, second;
    ParserEvent firstEvent, secondEvent;
  };
  const std::vector<Case> cases = {
      {ParseProtocol::kJ1708, J1708Frame({0x80, 0x54, 0x12}),
       J1708Frame({0x88, 0x01}), MessageEvent({0x80, 0x54, 0x12}, 0),
       MessageEvent({0x88, 0x01}, 0)},
      {ParseProtocol::kJ1939, kEec1Frame,
       MessageFrame(kJ1939Channel, J1939Payload(0x18FEF100, {0x01})),
       MessageEvent(kEec1Record, 0),
       MessageEvent({0xF1, 0xFE, 0x00, 0x06, 0x00, 0x00, 0x01}, 0)},
  };
  for (const Case& c : cases) {
    const Bytes stream = Concat({c.first, c.second});
    for (size_t cut = 1; cut < stream.size(); ++cut) {
      SCOPED_TRACE(::testing::Message() << "cut at " << cut);
      sink = FakeParserSink{};
      sink.protocol = c.protocol;
      tail = KeptTail{};
      const auto reads = CutInto(stream, {cut});
      Feed(reads[0]);
      // A frame is whole once its payload is: its trailing byte may come
      // with the next read.
      std::vector<ParserEvent> early;
      if (cut >= c.first.size() - 1) early.push_back(c.firstEvent);
      if (cut >= stream.size() - 1) early.push_back(c.secondEvent);
      EXPECT_EQ(sink.events, early);
      Feed(reads[1]);
      EXPECT_EQ(sink.events, (std::vector{c.firstEvent, c.secondEvent}));
    }
  }
}

TEST_F(SyncedParserTest, TwoFramesInOneReadAreBothDelivered) {
  Feed(Concat({kEec1Frame, kEec1Frame}));
  EXPECT_EQ(sink.events, (std::vector{MessageEvent(kEec1Record, 0),
                                      MessageEvent(kEec1Record, 0)}));
  EXPECT_EQ(tail.count, 0u);
}

TEST_F(SyncedParserTest, LastTwoBytesAreKeptWhateverTheyAre) {
  for (const Bytes& last : {Bytes{0x55, 0x66}, Bytes{0x00, 0x00},
                            Bytes{0x01, 0x01}, Bytes{0x01, 0x05}}) {
    tail = KeptTail{};
    Feed(Concat({{0x77, 0x88}, last}));
    EXPECT_EQ(Tail(), last);
  }
  // ... and the next read is parsed with them in front.
  Feed(Bytes(kEec1Frame.begin() + 2, kEec1Frame.end()));
  EXPECT_EQ(sink.events, (std::vector{MessageEvent(kEec1Record, 0)}));
}

TEST_F(SyncedParserTest, LongestIncompleteFrameIsKeptWhole) {
  const Bytes frame =
      MessageFrame(kJ1939Channel, J1939Payload(0x18FEF100, Bytes(250, 0x33)));
  ASSERT_EQ(frame.size(), 8u + 255 + 1);
  const auto reads = CutInto(frame, {frame.size() - 2});
  Feed(reads[0]);
  EXPECT_EQ(tail.count, 262u);
  EXPECT_TRUE(sink.events.empty());
  Feed(reads[1]);
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(sink.events[0].record.size(), 256u);
}

TEST_F(SyncedParserTest, ReadLongerThanTheReaderMakesIsParsedWhole) {
  Bytes stream;
  for (int i = 0; i < 300; ++i) stream = Concat({stream, kEec1Frame});
  ASSERT_GT(stream.size(), kMaxReadSize);
  Feed(stream);
  EXPECT_EQ(sink.events.size(), 300u);
  EXPECT_EQ(tail.count, 0u);
}

// ----------------------------------------------------------------- J1708

TEST_F(SyncedParserTest, J1708RecordDropsChecksumUnlessRaw) {
  const Bytes payload = J1708Payload({0x80, 0x54, 0x12});
  for (const bool raw : {false, true}) {
    sink = FakeParserSink{};
    sink.protocol = ParseProtocol::kJ1708;
    sink.rawMode = raw;
    Feed(MessageFrame(kJ1708Channel, payload));
    const Bytes record(payload.begin(), payload.end() - (raw ? 0 : 1));
    EXPECT_EQ(sink.events, (std::vector{MessageEvent(record, 0)})) << raw;
  }
}

TEST_F(SyncedParserTest, DamagedJ1708FramesAreDroppedBeforeTheFilter) {
  Bytes badSum = J1708Frame({0x80, 0x54, 0x12});
  badSum[9] ^= 0x40;  // a data byte; the trailing byte is not tested
  const Bytes empty = MessageFrame(kJ1708Channel, {});
  const Bytes good = J1708Frame({0x8C, 0x02});
  for (const Bytes& damaged : {badSum, empty}) {
    sink = FakeParserSink{};
    sink.protocol = ParseProtocol::kJ1708;
    Feed(Concat({damaged, good}));
    EXPECT_EQ(sink.events, (std::vector{MessageEvent({0x8C, 0x02}, 0)}));
    EXPECT_EQ(sink.j1708Tests, 1);
  }
}

TEST_F(SyncedParserTest, ShortJ1939PayloadsAreDropped) {
  const std::vector<Bytes> payloads = {
      {},
      {0x0C},
      {0x0C, 0xF0},
      {0x0C, 0xF0, 0x04},
      {0x0C, 0xF0, 0x04, 0x00},
      {0x0C, 0xF0, 0x04, 0x00, 0x01},
      {0x0C, 0xF0, 0x04, 0x00, 0x09, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Bytes& payload : payloads) {
    sink = FakeParserSink{};
    Feed(Concat({MessageFrame(kJ1939Channel, payload), kEec1Frame}));
    EXPECT_EQ(sink.events, (std::vector{MessageEvent(kEec1Record, 0)}))
        << payload.size() << " payload bytes";
  }
}

// A frame that is dropped may have been a false start: the scan resumes at
// its second byte, so a real frame inside its bytes is still found.
TEST_F(SyncedParserTest, DroppedFrameIsRescannedFromItsSecondByte) {
  const Bytes innerJ1708 = J1708Frame({0x88, 0x07});
  Bytes badJ1708Payload = Concat({{0x80}, innerJ1708, {0x00}});
  if (SumIsZero(badJ1708Payload)) badJ1708Payload.back() = 0x01;
  const Bytes shortJ1939Payload =
      Concat({{0x0C, 0xF0, 0x04, 0x00, 0xFF}, kEec1Frame});
  struct Case {
    ParseProtocol protocol;
    Bytes outer;
    ParserEvent inner;
  };
  const std::vector<Case> cases = {
      {ParseProtocol::kJ1708, MessageFrame(kJ1708Channel, badJ1708Payload),
       MessageEvent({0x88, 0x07}, 0)},
      {ParseProtocol::kJ1939, MessageFrame(kJ1939Channel, shortJ1939Payload),
       MessageEvent(kEec1Record, 0)},
  };
  for (const Case& c : cases) {
    sink = FakeParserSink{};
    sink.protocol = c.protocol;
    Feed(c.outer);
    EXPECT_EQ(sink.events, (std::vector{c.inner}));
  }
}

// ----------------------------------------------------------------- J1939

TEST_F(SyncedParserTest, J1939FrameWithWrongSumIsStillDelivered) {
  Bytes frame = kEec1Frame;
  frame.back() ^= 0xFF;
  Feed(frame);
  EXPECT_EQ(sink.events, (std::vector{MessageEvent(kEec1Record, 0)}));
}

TEST_F(SyncedParserTest, FramesOfTheOtherProtocolProduceNothing) {
  const std::vector<std::pair<ParseProtocol, Bytes>> cases = {
      {ParseProtocol::kJ1939, J1708Frame({0x80, 0x54, 0x12})},
      {ParseProtocol::kJ1708, kEec1Frame},
  };
  for (const auto& [protocol, frame] : cases) {
    sink = FakeParserSink{};
    sink.protocol = protocol;
    Feed(frame);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(sink.j1708Tests + sink.j1939Tests, 0);
  }
}

TEST_F(SyncedParserTest, FilterTestsJ1708MidsAndNeverJ1939) {
  sink.protocol = ParseProtocol::kJ1708;
  sink.rejectedMids = {0x80};
  Feed(Concat({J1708Frame({0x80, 0x54}), J1708Frame({0x88, 0x54})}));
  EXPECT_EQ(sink.events, (std::vector{MessageEvent({0x88, 0x54}, 0)}));

  sink = FakeParserSink{};
  sink.rejectedJ1939Sources = {0x00};
  Feed(kEec1Frame);
  EXPECT_EQ(sink.events, (std::vector{MessageEvent(kEec1Record, 0)}));
  EXPECT_EQ(sink.j1939Tests + sink.j1708Tests, 0);
}

// --------------------------------------------- ready frame, acknowledgements

TEST_F(SyncedParserTest, ReadyFrameOpensTransmissionOnlyWhenClosed) {
  for (const bool open : {false, true}) {
    sink = FakeParserSink{};
    sink.okToSend = open;
    Feed(kReadyFrame);
    EXPECT_TRUE(sink.okToSend);
    EXPECT_EQ(sink.events,
              open ? std::vector<ParserEvent>{} : std::vector{ReadyEvent()});
  }
}

TEST_F(SyncedParserTest, ShortFramesSplitAtEveryPositionAreTakenOnce) {
  const Bytes message = J1708Frame({0x80, 0x54});
  for (const uint8_t channel : {0x01, 0x02, 0x08, 0x09}) {
    const Bytes shortFrame = channel == 0x09 ? kReadyFrame : AckFrame(channel);
    const ParserEvent expected =
        channel == 0x09 ? ReadyEvent() : AckEvent(channel);
    const Bytes stream = Concat({{0x20}, shortFrame, message});
    for (size_t cut = 1; cut < stream.size(); ++cut) {
      sink = FakeParserSink{};
      sink.protocol = ParseProtocol::kJ1708;
      sink.okToSend = false;
      tail = KeptTail{};
      FeedAll(CutInto(stream, {cut}));
      EXPECT_EQ(sink.events,
                (std::vector{expected, MessageEvent({0x80, 0x54}, 0)}))
          << "channel " << int{channel} << " cut at " << cut;
    }
  }
}

// Whether a ready frame counts is decided when it is whole, not when its
// first bytes arrive.
TEST_F(SyncedParserTest, ReadyFrameCutWhileOpenCountsIfClosedMeanwhile) {
  const auto reads = CutInto(kReadyFrame, {3});
  Feed(reads[0]);
  sink.okToSend = false;
  Feed(reads[1]);
  EXPECT_EQ(sink.events, (std::vector{ReadyEvent()}));
  EXPECT_TRUE(sink.okToSend);
}

TEST_F(SyncedParserTest, OnlyWellFormedAcknowledgementsAreReported) {
  const std::vector<Bytes> notAcks = {AckFrame(0x03),
                                      AckFrame(0x05),
                                      {0x01, 0x01, 0x01, 0x00, 0x04},
                                      {0x01, 0x01, 0x02, 0x01, 0x05}};
  for (const Bytes& frame : notAcks) {
    sink = FakeParserSink{};
    Feed(Concat({frame, kEec1Frame}));
    EXPECT_EQ(sink.events, (std::vector{MessageEvent(kEec1Record, 0)}));
  }
}

// -------------------------------------------------------- random traffic

// Random traffic of every kind the adapter sends, and garbage. Frame bodies
// and garbage hold no 01 byte, so nothing but a real frame start can look
// like one and the expected events follow from the items alone.
class SyncedTraffic {
 public:
  SyncedTraffic(uint32_t seed, FakeParserSink& sink)
      : rng_(seed), sink_(sink) {}

  void Add() {
    switch (Below(5)) {
      case 0:
        return AddJ1708();
      case 1:
        return AddJ1939();
      case 2:
        return AddAck();
      case 3:
        return Append(kReadyFrame, ReadyEvent());
      default:
        return Append(Clean(1 + Below(12)), std::nullopt);
    }
  }
  const Bytes& Stream() const { return stream_; }
  const std::vector<ParserEvent>& Expected() const { return expected_; }

  // Reads of the sizes the reader sees: mostly small, now and then large.
  std::vector<Bytes> RandomReads() {
    std::vector<size_t> cuts;
    const size_t limits[] = {8, 64, kMaxReadSize};
    for (size_t at = 0;;) {
      at += 1 + Below(limits[Below(3)]);
      if (at >= stream_.size()) return CutInto(stream_, cuts);
      cuts.push_back(at);
    }
  }

 private:
  void AddJ1708() {
    Bytes message = {Pick({0x80, 0x88, 0x8C, 0x92, 0xAC})};
    message = Concat({message, Clean(Below(20))});
    Bytes payload = J1708Payload(message);
    const bool damaged = Below(6) == 0;
    if (damaged) payload.back() ^= 0x10;
    const bool taken = sink_.protocol == ParseProtocol::kJ1708 && !damaged &&
                       !sink_.rejectedMids.contains(message[0]);
    const size_t kept = payload.size() - (sink_.rawMode ? 0 : 1);
    AppendClean(MessageFrame(kJ1708Channel, payload),
                taken ? std::optional(MessageEvent(
                            Bytes(payload.begin(), payload.begin() + kept), 0))
                      : std::nullopt);
  }

  void AddAck() {
    const uint8_t channel = Pick({0x01, 0x02, 0x08});
    Append(AckFrame(channel), AckEvent(channel));
  }

  void AddJ1939() {
    const Bytes data = Clean(Below(5) == 0 ? Below(60) : 8);
    const uint8_t priority = Below(8), page = Below(2), source = Below(256);
    const uint8_t format = Below(256), specific = Below(256);
    const uint32_t identifier = uint32_t{priority} << 26 | Below(2) << 25 |
                                uint32_t{page} << 24 | uint32_t{format} << 16 |
                                uint32_t{specific} << 8 | source;
    const bool broadcast = format >= 240;
    const Bytes record =
        Concat({{broadcast ? specific : uint8_t{0}, format, page, priority,
                 source, broadcast ? uint8_t{0} : specific},
                data});
    Bytes frame =
        MessageFrame(kJ1939Channel, J1939Payload(identifier, data, Below(8)));
    if (Below(4) == 0) frame.back() = 0x5A;  // a wrong sum changes nothing
    AppendClean(frame, sink_.protocol == ParseProtocol::kJ1939
                           ? std::optional(MessageEvent(record, 0))
                           : std::nullopt);
  }

  // Frames with a 01 after their start byte are not added: inside a frame
  // that is scanned over it could begin a false frame.
  void AppendClean(const Bytes& frame, std::optional<ParserEvent> event) {
    if (std::find(frame.begin() + 1, frame.end(), 0x01) != frame.end()) return;
    Append(frame, std::move(event));
  }
  void Append(const Bytes& bytes, std::optional<ParserEvent> event) {
    stream_ = Concat({stream_, bytes});
    if (event) expected_.push_back(*event);
  }
  Bytes Clean(size_t count) {
    Bytes bytes(count);
    for (uint8_t& byte : bytes) {
      const uint32_t value = Below(255);
      byte = static_cast<uint8_t>(value == 0 ? 0 : value + 1);
    }
    return bytes;
  }
  uint8_t Pick(std::initializer_list<uint8_t> choices) {
    return *(choices.begin() + Below(choices.size()));
  }
  uint32_t Below(size_t bound) {
    return std::uniform_int_distribution<uint32_t>(0, bound - 1)(rng_);
  }

  std::mt19937 rng_;
  FakeParserSink& sink_;
  Bytes stream_;
  std::vector<ParserEvent> expected_;
};

TEST_F(SyncedParserTest, RandomTrafficInRandomReadsGivesExactlyItsFrames) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    sink = FakeParserSink{};
    sink.protocol = seed % 2 ? ParseProtocol::kJ1708 : ParseProtocol::kJ1939;
    sink.rawMode = seed % 3 == 0;
    sink.rejectedMids = {0x8C};
    sink.okToSend = false;
    sink.closeAfterReady = true;
    tail = KeptTail{};
    SyncedTraffic traffic(seed, sink);
    for (int i = 0; i < 60; ++i) traffic.Add();
    FeedAll(traffic.RandomReads());
    ASSERT_EQ(sink.events, traffic.Expected()) << "seed " << seed;
    ASSERT_LE(tail.count, 2u) << "seed " << seed;
  }
}

}  // namespace
}  // namespace vlr::link
