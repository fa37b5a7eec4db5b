// Host frames encoded, written in arbitrary pieces with garbage around
// them, and decoded back.
#include <gtest/gtest.h>

#include <random>

#include "vlrsim/counted_frames.h"
#include "vlrsim/host_frame.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim {
namespace {

using Kind = HostFrame::Kind;

std::vector<HostFrame> FeedInPieces(Family family, const Bytes& stream,
                                    const std::vector<size_t>& cuts) {
  HostFrameDecoder decoder(family);
  std::vector<HostFrame> frames;
  size_t start = 0;
  auto feed = [&](size_t end) {
    for (auto& f :
         decoder.Feed(std::span(stream).subspan(start, end - start))) {
      frames.push_back(std::move(f));
    }
    start = end;
  };
  for (size_t cut : cuts) feed(cut);
  feed(stream.size());
  for (auto& f : decoder.Flush()) frames.push_back(std::move(f));
  return frames;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(HostFrameDecoder, SyncedStartUpAndMessagesAtEverySplit) {
  const Bytes wake(22, 0x42);
  const Bytes j1708 = synced::HostJ1708Frame(Bytes{0x80, 0x5C, 0x24});
  const Bytes j1939 = synced::HostJ1939Frame(0x18FEEE00, Bytes{1, 2, 3});
  const Bytes stream = Concat({wake, synced::RateChangeFrame(),
                               synced::ReceiveModeFrame(true), j1708, j1939});
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    const auto frames = FeedInPieces(Family::k2xx, stream, {cut});
    // The wake-up run may come out in two runs when the cut falls inside it.
    size_t i = 0;
    Bytes other;
    while (i < frames.size() && frames[i].kind == Kind::kOther) {
      other.insert(other.end(), frames[i].raw.begin(), frames[i].raw.end());
      ++i;
    }
    ASSERT_EQ(other, wake) << "cut " << cut;
    ASSERT_EQ(frames.size() - i, 4u) << "cut " << cut;
    EXPECT_EQ(frames[i].kind, Kind::kCommand);
    EXPECT_EQ(frames[i].channel, synced::kChannelLink);
    EXPECT_EQ(frames[i].args, (Bytes{0x03, 0x04, 0x00}));
    EXPECT_EQ(frames[i + 1].channel, synced::kChannelJ1939);
    EXPECT_EQ(frames[i + 1].code, synced::kJ1939ReceiveOn);
    const HostFrame& m1708 = frames[i + 2];
    EXPECT_EQ(m1708.kind, Kind::kMessage);
    EXPECT_EQ(m1708.bus, Bus::kJ1708);
    EXPECT_EQ(m1708.id, 0x80u);
    EXPECT_EQ(m1708.data, (Bytes{0x5C}));
    EXPECT_TRUE(m1708.checksum_ok);  // 80 + 5C + 24 = 100
    EXPECT_EQ(m1708.raw, j1708);
    const HostFrame& m1939 = frames[i + 3];
    EXPECT_EQ(m1939.bus, Bus::kJ1939);
    EXPECT_EQ(m1939.id, 0x18FEEE00u);
    EXPECT_EQ(m1939.data, (Bytes{1, 2, 3}));
  }
}

TEST(HostFrameDecoder, SyncedBadSumIsGarbageAndTheNextFrameStillCounts) {
  Bytes broken = synced::ReceiveModeFrame(false);
  broken.back() ^= 0xFF;
  const Bytes good = synced::ReceiveModeFrame(true);
  const auto frames = DecodeHostBytes(Family::k2xx, Concat({broken, good}));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].kind, Kind::kOther);
  EXPECT_EQ(frames[0].raw, broken);
  EXPECT_EQ(frames[1].kind, Kind::kCommand);
  EXPECT_EQ(frames[1].raw, good);
}

TEST(HostFrameDecoder, AnUnfinishedFrameIsHeldUntilFlushed) {
  const Bytes frame = synced::HostJ1939Frame(0x0CF00400, Bytes(8, 0x11));
  HostFrameDecoder decoder(Family::k2xx);
  EXPECT_TRUE(decoder.Feed(std::span(frame).first(10)).empty());
  EXPECT_EQ(decoder.Pending(), 10u);
  const auto flushed = decoder.Flush();
  ASSERT_EQ(flushed.size(), 1u);
  EXPECT_EQ(flushed[0].kind, Kind::kOther);
  EXPECT_EQ(flushed[0].raw, Bytes(frame.begin(), frame.begin() + 10));
  EXPECT_EQ(decoder.Pending(), 0u);
}

TEST(HostFrameDecoder, FlushRecoversFramesBehindAFalseStart) {
  // A stray 01 whose count would swallow the following frame.
  const Bytes good = synced::ReceiveModeFrame(true);
  Bytes stream{0x01, 0x03, 0x77};
  stream.insert(stream.end(), good.begin(), good.end());
  HostFrameDecoder decoder(Family::k2xx);
  auto frames = decoder.Feed(stream);
  for (auto& f : decoder.Flush()) frames.push_back(std::move(f));
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().kind, Kind::kCommand);
  EXPECT_EQ(frames.back().raw, good);
}

TEST(HostFrameDecoder, CountedFramesAtEverySplitWithGarbage) {
  // J1708 converted (MID 80, data 5C, checksum), J1708 raw (MID alone),
  // J1939 PDU1 with the destination substituted, J1939 PDU2.
  const Bytes j1708 = counted::HostJ1708Frame(Bytes{0x80, 0x5C, 0x24});
  const Bytes j1708_mid_only = counted::HostJ1708Frame(Bytes{0x80});
  const Bytes peer = counted::HostJ1939Frame(
      Bytes{0x17, 0xEA, 0x00, 0x06, 0xF9, 0x17, 0x00, 0xEE, 0x00});
  const Bytes broadcast = counted::HostJ1939Frame(
      Bytes{0xF1, 0xFE, 0x00, 0x03, 0x00, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8});
  const Bytes garbage{0x6F, 0xDE, 0x00, 0x13};
  const Bytes stream =
      Concat({garbage, j1708, j1708_mid_only, garbage, peer, broadcast});
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    std::vector<HostFrame> messages;
    for (auto& f : FeedInPieces(Family::k1xx, stream, {cut})) {
      if (f.kind == Kind::kMessage) messages.push_back(std::move(f));
    }
    ASSERT_EQ(messages.size(), 4u) << "cut " << cut;
    EXPECT_EQ(messages[0].bus, Bus::kJ1708);
    EXPECT_EQ(messages[0].id, 0x80u);
    EXPECT_EQ(messages[0].data, (Bytes{0x5C}));
    EXPECT_TRUE(messages[0].checksum_ok);
    EXPECT_EQ(messages[1].data, Bytes{});
    EXPECT_EQ(messages[1].payload, (Bytes{0x80}));
    EXPECT_EQ(messages[2].bus, Bus::kJ1939);
    EXPECT_EQ(messages[2].id, 0x18EA17F9u);
    EXPECT_EQ(messages[2].data, (Bytes{0x00, 0xEE, 0x00}));
    EXPECT_EQ(messages[3].id, 0x0CFEF100u);
    EXPECT_EQ(messages[3].data, (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  }
}

TEST(HostFrameDecoder, RandomStreamsDecodeEveryFrameOnce) {
  std::mt19937 random(1210);
  for (int round = 0; round < 50; ++round) {
    for (Family family : {Family::k1xx, Family::k2xx}) {
      Bytes stream;
      std::vector<uint32_t> expected_ids;
      for (int n = 0; n < 20; ++n) {
        const uint32_t id = random() & 0x1FFFFFFF;
        Bytes data(random() % 9);
        for (auto& b : data) b = static_cast<uint8_t>(random());
        Bytes frame;
        if (family == Family::k2xx) {
          frame = synced::HostJ1939Frame(id, data);
        } else {
          // The 1xx host layout carries priority, data page, PF, PS, source.
          Bytes layout{static_cast<uint8_t>(id >> 8),
                       static_cast<uint8_t>(id >> 16),
                       static_cast<uint8_t>((id >> 24) & 1),
                       static_cast<uint8_t>((id >> 26) & 7),
                       static_cast<uint8_t>(id),
                       0xFF};
          layout.insert(layout.end(), data.begin(), data.end());
          frame = counted::HostJ1939Frame(layout);
        }
        // The 1xx layout has no place for identifier bit 25.
        expected_ids.push_back(family == Family::k1xx ? id & ~(1u << 25) : id);
        stream.insert(stream.end(), frame.begin(), frame.end());
      }
      std::vector<size_t> cuts;
      for (size_t pos = random() % 7; pos < stream.size();
           pos += 1 + random() % 13) {
        cuts.push_back(pos);
      }
      std::vector<uint32_t> ids;
      for (const auto& f : FeedInPieces(family, stream, cuts)) {
        ASSERT_EQ(f.kind, Kind::kMessage);
        ids.push_back(f.id);
      }
      EXPECT_EQ(ids, expected_ids);
    }
  }
}

}  // namespace
}  // namespace vlrsim
