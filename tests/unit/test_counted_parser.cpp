// The parser of devices 101 and 102, fed byte strings directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fake_parser_sink.h"
#include "link/parser.h"

namespace vlr::link {
namespace {

using fakes::Bytes;
using fakes::Concat;
using fakes::CutInto;
using fakes::FakeParserSink;
using fakes::MessageEvent;
using fakes::ParserEvent;

constexpr uint8_t kMark = 0x84;

uint8_t Negated(const Bytes& bytes) {
  uint8_t sum = 0;
  for (const uint8_t byte : bytes) sum = static_cast<uint8_t>(sum + byte);
  return static_cast<uint8_t>(-sum);
}

// MID and data with their checksum.
Bytes J1708Message(const Bytes& midAndData) {
  return Concat({midAndData, {Negated(midAndData)}});
}

// Length, three bytes the host does not examine, message, one more.
Bytes J1708Frame(const Bytes& midAndData, uint8_t filler = 0x11) {
  const Bytes message = J1708Message(midAndData);
  const auto length = static_cast<uint8_t>(message.size() + 5);
  return Concat({{length, filler, filler, filler}, message, {filler}});
}

// Length, mark, two bytes, the 14-byte record, and at length 19 a last
// byte. The last byte, or at length 18 the fourth, makes the sum 0.
Bytes J1939Frame(const Bytes& record, uint8_t length = 19) {
  Bytes frame = Concat({{length, kMark, 0x22, 0x00}, record});
  if (length == 19) frame.push_back(0x00);
  uint8_t& balance = length == 19 ? frame.back() : frame[3];
  balance = Negated(frame);
  return frame;
}

// PGN FEF1 (broadcast), priority 6, source 0, eight data bytes.
const Bytes kCcvsRecord = {0xF1, 0xFE, 0x00, 0x06, 0x00, 0xFF, 0x11,
                           0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18};
// PGN EA00 (request) to 0x2A from 0xF9; the line carries PS in the first
// byte as well.
const Bytes kRequestOnLine = {0x2A, 0xEA, 0x00, 0x06, 0xF9, 0x2A, 0xE5,
                              0xFE, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const Bytes kRequestRecord =
    Concat({{0x00}, Bytes(kRequestOnLine.begin() + 1, kRequestOnLine.end())});

class CountedParserTest : public ::testing::Test {
 protected:
  void Reset(ParseProtocol protocol) {
    sink = FakeParserSink{};
    sink.protocol = protocol;
    tail = KeptTail{};
  }
  void Feed(const Bytes& read) { ParseCountedFrames(read, tail, sink); }
  void FeedAll(const std::vector<Bytes>& reads) {
    for (const Bytes& read : reads) Feed(read);
  }
  Bytes Tail() const {
    return {tail.bytes.begin(), tail.bytes.begin() + tail.count};
  }

  FakeParserSink sink;
  KeptTail tail;
};

// ---------------------------------------------------------------- J1708

TEST_F(CountedParserTest, J1708FrameSplitAtEveryPositionIsDeliveredOnce) {
  const Bytes first = J1708Frame({0x80, 0x54, 0x12});
  const Bytes second = J1708Frame({0x88, 0x07, 0x09, 0x0A});
  const Bytes stream = Concat({first, second});
  const std::vector expected = {MessageEvent({0x80, 0x54, 0x12}, 1),
                                MessageEvent({0x88, 0x07, 0x09, 0x0A}, 1)};
  for (size_t cut = 1; cut < stream.size(); ++cut) {
    Reset(ParseProtocol::kJ1708);
    const auto reads = CutInto(stream, {cut});
    Feed(reads[0]);
    EXPECT_EQ(sink.events.size(), cut >= first.size() ? 1u : 0u) << cut;
    Feed(reads[1]);
    EXPECT_EQ(sink.events, expected) << "cut at " << cut;
    EXPECT_EQ(tail.count, 0u);
  }
}

TEST_F(CountedParserTest, J1708RecordDropsChecksumUnlessRaw) {
  const Bytes message = J1708Message({0x80, 0x54, 0x12});
  for (const bool raw : {false, true}) {
    Reset(ParseProtocol::kJ1708);
    sink.rawMode = raw;
    Feed(J1708Frame({0x80, 0x54, 0x12}));
    const Bytes record(message.begin(), message.end() - (raw ? 0 : 1));
    EXPECT_EQ(sink.events, (std::vector{MessageEvent(record, 1)})) << raw;
  }
}

TEST_F(CountedParserTest, J1708FrameDroppedByItsLengthWithoutResync) {
  Bytes badSum = J1708Frame({0x80, 0x54, 0x12});
  badSum[5] ^= 0x01;
  const Bytes filtered = J1708Frame({0xAC, 0x54, 0x12});
  const Bytes good = J1708Frame({0x88, 0x01});
  for (const Bytes& dropped : {badSum, filtered}) {
    Reset(ParseProtocol::kJ1708);
    sink.rejectedMids = {0xAC};
    Feed(Concat({dropped, good}));
    EXPECT_EQ(sink.events, (std::vector{MessageEvent({0x88, 0x01}, 1)}));
    EXPECT_EQ(sink.j1939Tests, 0);
  }
}

TEST_F(CountedParserTest, J1708LengthBelowEightEndsTheData) {
  for (const uint8_t length : {0x01, 0x05, 0x07}) {
    Reset(ParseProtocol::kJ1708);
    Feed(Concat({{length, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11},
                 J1708Frame({0x80, 0x54})}));
    EXPECT_TRUE(sink.events.empty()) << int{length};
    EXPECT_EQ(tail.count, 0u);
  }
}

// A read that begins with 00 between frames is not frame data; one that
// goes on from a kept tail is the rest of a frame, whatever its first byte.
TEST_F(CountedParserTest, ReadStartingWithZeroIsIgnoredOnlyBetweenFrames) {
  const Bytes j1708 = J1708Frame({0x80, 0x54}, 0x00);
  const Bytes j1939 = J1939Frame(kCcvsRecord);
  struct Case {
    ParseProtocol protocol;
    Bytes first, second;
    size_t delivered;
  };
  const std::vector<Case> cases = {
      {ParseProtocol::kJ1939, {}, Concat({{0x00}, j1939}), 0},
      {ParseProtocol::kJ1708,
       {j1708[0]},
       Bytes(j1708.begin() + 1, j1708.end()),
       1},
      {ParseProtocol::kJ1939, Bytes(j1939.begin(), j1939.begin() + 3),
       Bytes(j1939.begin() + 3, j1939.end()), 1},
  };
  for (const Case& c : cases) {
    Reset(c.protocol);
    if (!c.first.empty()) Feed(c.first);
    ASSERT_EQ(c.second.front(), 0x00);
    Feed(c.second);
    EXPECT_EQ(sink.events.size(), c.delivered);
    EXPECT_TRUE(Tail().empty());
  }
}

// ---------------------------------------------------------------- J1939

TEST_F(CountedParserTest, J1939FrameClosingTheDataIsTaken) {
  Reset(ParseProtocol::kJ1939);
  Feed(J1939Frame(kCcvsRecord));
  EXPECT_EQ(sink.events, (std::vector{MessageEvent(kCcvsRecord, 1)}));
  EXPECT_EQ(tail.count, 0u);
}

TEST_F(CountedParserTest, J1939FrameNeedsTwoBytesOfTheNextToBeTaken) {
  const Bytes frame = J1939Frame(kCcvsRecord);
  const Bytes next = J1939Frame(kRequestOnLine);
  Reset(ParseProtocol::kJ1939);
  Feed(Concat({frame, {next[0], next[1]}}));
  EXPECT_EQ(sink.events, (std::vector{MessageEvent(kCcvsRecord, 1)}));
  EXPECT_EQ(Tail(), (Bytes{next[0], next[1]}));

  Reset(ParseProtocol::kJ1939);
  Feed(Concat({frame, {next[0]}}));
  EXPECT_TRUE(sink.events.empty());
  EXPECT_EQ(Tail(), Concat({frame, {next[0]}}));
  Feed(Bytes(next.begin() + 1, next.end()));
  EXPECT_EQ(sink.events, (std::vector{MessageEvent(kCcvsRecord, 1),
                                      MessageEvent(kRequestRecord, 1)}));
}

TEST_F(CountedParserTest, J1939FrameFollowedByGarbageIsNotTaken) {
  Reset(ParseProtocol::kJ1939);
  Feed(Concat({J1939Frame(kCcvsRecord), {0x55, 0x66, 0x77}}));
  EXPECT_TRUE(sink.events.empty());
  EXPECT_EQ(tail.count, 0u);
}

// A read may end right after a frame's length byte, with nothing before it
// that could keep it; the mark arrives with the next read.
TEST_F(CountedParserTest, LengthByteAloneAtTheEndIsKept) {
  const Bytes first = J1939Frame(kCcvsRecord);
  const Bytes second = J1939Frame(kRequestOnLine);
  const Bytes rest(second.begin() + 1, second.end());
  const auto firstEvent = MessageEvent(kCcvsRecord, 1);
  const auto secondEvent = MessageEvent(kRequestRecord, 1);
  const std::vector<std::pair<std::vector<Bytes>, std::vector<ParserEvent>>>
      cases = {
          {{first, {second[0]}, rest}, {firstEvent, secondEvent}},
          {{{0x55, second[0]}, rest}, {secondEvent}},
      };
  for (const auto& [reads, expected] : cases) {
    Reset(ParseProtocol::kJ1939);
    FeedAll(reads);
    EXPECT_EQ(sink.events, expected);
  }
}

TEST_F(CountedParserTest, J1939FrameSplitAtEveryPositionIsDeliveredOnce) {
  const Bytes stream =
      Concat({J1939Frame(kCcvsRecord), J1939Frame(kRequestOnLine, 18)});
  const std::vector expected = {MessageEvent(kCcvsRecord, 1),
                                MessageEvent(kRequestRecord, 1)};
  for (size_t cut = 1; cut < stream.size(); ++cut) {
    // A read that begins with 0 is ignored by rule; not a split to test.
    if (stream[cut] == 0) continue;
    Reset(ParseProtocol::kJ1939);
    FeedAll(CutInto(stream, {cut}));
    EXPECT_EQ(sink.events, expected) << "cut at " << cut;
    EXPECT_EQ(tail.count, 0u);
  }
}

TEST_F(CountedParserTest, PgnLowByteIsKeptOnlyForBroadcastFormats) {
  struct Case {
    uint8_t first, format, delivered;
  };
  const std::vector<Case> cases = {
      {0x04, 0xF0, 0x04}, {0x12, 0xFF, 0x12}, {0x55, 0xEF, 0x00},
      {0x20, 0xEC, 0x00}, {0x00, 0x00, 0x00},
  };
  for (const Case& c : cases) {
    for (const uint8_t length : {18, 19}) {
      Bytes record = kCcvsRecord;
      record[0] = c.first;
      record[1] = c.format;
      Reset(ParseProtocol::kJ1939);
      Feed(J1939Frame(record, length));
      record[0] = c.delivered;
      EXPECT_EQ(sink.events, (std::vector{MessageEvent(record, 1)}))
          << "PF " << int{c.format} << " length " << int{length};
    }
  }
}

TEST_F(CountedParserTest, OnlyLengths18And19StartAJ1939Frame) {
  const Bytes frame = J1939Frame(kCcvsRecord);
  for (const uint8_t length : {0x00, 0x01, 0x08, 0x11, 0x14, 0x84}) {
    const Bytes fake = {0x55, length, kMark, 0x00, 0x00, 0x00};
    // Passed over when it comes first ...
    Reset(ParseProtocol::kJ1939);
    Feed(Concat({fake, frame}));
    EXPECT_EQ(sink.events, (std::vector{MessageEvent(kCcvsRecord, 1)}));
    // ... and it does not confirm the end of the frame before it.
    Reset(ParseProtocol::kJ1939);
    Feed(Concat({frame, Bytes(fake.begin() + 1, fake.end())}));
    EXPECT_TRUE(sink.events.empty()) << int{length};
  }
}

TEST_F(CountedParserTest, J1939BadSumIsDroppedAndScanGoesOnAfterIt) {
  Bytes bad = J1939Frame(kCcvsRecord);
  bad[10] ^= 0x20;
  Reset(ParseProtocol::kJ1939);
  Feed(Concat({bad, J1939Frame(kRequestOnLine)}));
  EXPECT_EQ(sink.events, (std::vector{MessageEvent(kRequestRecord, 1)}));
}

TEST_F(CountedParserTest, FiltersAreThoseOfTheConnectionsProtocol) {
  Reset(ParseProtocol::kJ1939);
  sink.rejectedJ1939Sources = {0xF9};
  Feed(Concat({J1939Frame(kRequestOnLine), J1939Frame(kCcvsRecord)}));
  EXPECT_EQ(sink.events, (std::vector{MessageEvent(kCcvsRecord, 1)}));
  // The test sees the record as delivered, PGN low byte cleared.
  EXPECT_EQ(sink.j1939Tested, (std::vector{kRequestRecord, kCcvsRecord}));
  EXPECT_EQ(sink.j1708Tests, 0);

  Reset(ParseProtocol::kJ1708);
  Feed(J1708Frame({0x80, 0x54}));
  EXPECT_EQ(sink.j1708Tests, 1);
  EXPECT_EQ(sink.j1939Tests, 0);
}

TEST_F(CountedParserTest, ReadLongerThanTheReaderMakesIsParsedWhole) {
  Bytes stream;
  for (int i = 0; i < 250; ++i)
    stream = Concat({stream, J1939Frame(kCcvsRecord)});
  ASSERT_GT(stream.size(), kMaxReadSize);
  Reset(ParseProtocol::kJ1939);
  Feed(stream);
  EXPECT_EQ(sink.events.size(), 250u);
}

// -------------------------------------------------------- random traffic

// Random frames of both channels in random reads. J1939 frames and the bytes
// around them hold no 84 except the mark, so only real frames start one;
// reads never begin with 0, which the adapter's frame data never does.
class CountedTraffic {
 public:
  CountedTraffic(uint32_t seed, const FakeParserSink& sink)
      : rng_(seed), sink_(sink) {}

  // Garbage only where the parser resynchronises: on J1939.
  void Add() {
    const bool j1939 = sink_.protocol == ParseProtocol::kJ1939;
    switch (Below(4)) {
      case 0:
        return AddJ1708();
      case 1:
        if (!j1939) return AddJ1708();
        return AddItem(Clean(1 + Below(10)), false, std::nullopt);
      default:
        return AddJ1939();
    }
  }
  const Bytes& Stream() const { return stream_; }

  std::vector<Bytes> RandomReads() {
    const size_t limits[] = {4, 40, kMaxReadSize};
    for (size_t at = 0;;) {
      at += 1 + Below(limits[Below(3)]);
      if (at >= stream_.size()) return CutInto(stream_, cuts_);
      if (stream_[at] != 0) cuts_.push_back(at);
    }
  }

  // What the connection receives once the reads are cut. A J1939 frame is
  // taken where the next frame confirms its end, or where a read ends.
  std::vector<ParserEvent> Expected() const {
    std::vector<ParserEvent> events;
    for (size_t i = 0; i < items_.size(); ++i) {
      const Item& item = items_[i];
      if (!item.event) continue;
      const bool confirmed = i + 1 == items_.size() || items_[i + 1].j1939 ||
                             std::ranges::binary_search(cuts_, item.end);
      if (!item.j1939 || confirmed) events.push_back(*item.event);
    }
    return events;
  }

 private:
  struct Item {
    bool j1939 = false;
    size_t end = 0;
    std::optional<ParserEvent> event;
  };

  void AddJ1708() {
    const Bytes midAndData =
        Concat({{Pick({0x80, 0x88, 0x8C, 0x92})}, Clean(1 + Below(20))});
    Bytes frame = J1708Frame(midAndData, static_cast<uint8_t>(Below(256)));
    const bool damaged = Below(6) == 0;
    if (damaged) frame[4] ^= 0x40;
    const bool taken = sink_.protocol == ParseProtocol::kJ1708 && !damaged &&
                       !sink_.rejectedMids.contains(midAndData[0]);
    const Bytes message(frame.begin() + 4,
                        frame.end() - (sink_.rawMode ? 1 : 2));
    AddItem(frame, false,
            taken ? std::optional(MessageEvent(message, 1)) : std::nullopt);
  }

  void AddJ1939() {
    Bytes record = Clean(14);
    record[1] = static_cast<uint8_t>(Below(256));
    const uint8_t length = Below(4) == 0 ? 18 : 19;
    Bytes frame = J1939Frame(record, length);
    const bool damaged = Below(6) == 0;
    if (damaged) frame[6] ^= 0x02;
    if (sink_.protocol == ParseProtocol::kJ1708 &&
        SumIsZero(std::span(frame).subspan(4, length - 5)))
      return;  // would pass as a J1708 frame too
    if (record[1] < 240) record[0] = 0;
    const bool taken = sink_.protocol == ParseProtocol::kJ1939 && !damaged &&
                       !sink_.rejectedJ1939Sources.contains(record[4]);
    AddItem(frame, true,
            taken ? std::optional(MessageEvent(record, 1)) : std::nullopt);
  }

  void AddItem(const Bytes& bytes, bool j1939,
               std::optional<ParserEvent> event) {
    const size_t marks = std::ranges::count(bytes, kMark);
    if (marks != (j1939 ? 1u : 0u) || (j1939 && bytes[1] != kMark)) return;
    stream_ = Concat({stream_, bytes});
    items_.push_back({j1939, stream_.size(), std::move(event)});
  }

  Bytes Clean(size_t count) {
    Bytes bytes(count);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(Below(256));
    return bytes;
  }
  uint8_t Pick(std::initializer_list<uint8_t> choices) {
    return *(choices.begin() + Below(choices.size()));
  }
  uint32_t Below(size_t bound) {
    return std::uniform_int_distribution<uint32_t>(0, bound - 1)(rng_);
  }

  std::mt19937 rng_;
  const FakeParserSink& sink_;
  Bytes stream_;
  std::vector<Item> items_;
  std::vector<size_t> cuts_;
};

TEST_F(CountedParserTest, RandomTrafficInRandomReadsGivesExactlyItsFrames) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    Reset(seed % 2 ? ParseProtocol::kJ1708 : ParseProtocol::kJ1939);
    sink.rawMode = seed % 3 == 0;
    sink.rejectedMids = {0x8C};
    sink.rejectedJ1939Sources = {0x42};
    CountedTraffic traffic(seed, sink);
    for (int i = 0; i < 60; ++i) traffic.Add();
    FeedAll(traffic.RandomReads());
    ASSERT_EQ(sink.events, traffic.Expected()) << "seed " << seed;
  }
}

}  // namespace
}  // namespace vlr::link
