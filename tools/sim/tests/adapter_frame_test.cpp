// The adapter's encoders read back by the test-side decoder: what a test
// asks the adapter to report is what the stream carries.
#include "vlrsim/adapter_frame.h"

#include <gtest/gtest.h>

#include "vlrsim/counted_frames.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim {
namespace {

using Kind = AdapterFrame::Kind;

struct Message {
  Bus bus;
  uint32_t id;
  Bytes data;
};

const Message kMessages[] = {
    {Bus::kJ1939, 0x18FEF100, {1, 2, 3, 4, 5, 6, 7, 8}},
    {Bus::kJ1708, 0x80, {0x5C, 0x20}},
    {Bus::kJ1939, 0x0CF00400, {0xF0, 0xFF, 0x7D, 0x40, 0x19, 0x00, 0xF0, 0x7D}},
    {Bus::kJ1708, 0x88, {}},
    {Bus::kJ1939, 0x18EA00F9, {0x00, 0xEE, 0x00}},
};

TEST(AdapterFrames, SyncedStreamRoundTrips) {
  Bytes stream = synced::AckFrame(synced::kChannelJ1939);
  for (const auto& m : kMessages) {
    const Bytes frame = m.bus == Bus::kJ1939
                            ? synced::J1939MessageFrame(m.id, m.data, 77)
                            : synced::J1708MessageFrame(m.id, m.data, 77);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  const Bytes ready = synced::ReadyFrame();
  stream.insert(stream.end(), ready.begin(), ready.end());

  const auto frames = DecodeAdapterBytes(Family::k2xx, stream);
  ASSERT_EQ(frames.size(), std::size(kMessages) + 2);
  EXPECT_EQ(frames.front().kind, Kind::kAck);
  EXPECT_EQ(frames.front().channel, synced::kChannelJ1939);
  EXPECT_EQ(frames.back().kind, Kind::kReady);
  for (size_t i = 0; i < std::size(kMessages); ++i) {
    const auto& f = frames[i + 1];
    EXPECT_EQ(f.kind, Kind::kMessage);
    EXPECT_EQ(f.bus, kMessages[i].bus);
    EXPECT_EQ(f.id, kMessages[i].id);
    EXPECT_EQ(f.data, kMessages[i].data);
    EXPECT_TRUE(f.checksum_ok);
  }
}

TEST(AdapterFrames, CountedStreamRoundTrips) {
  Bytes stream;
  for (const auto& m : kMessages) {
    const Bytes frame = m.bus == Bus::kJ1939
                            ? counted::J1939Frame(m.id, m.data)
                            : counted::J1708Frame(m.id, m.data);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  const auto frames = DecodeAdapterBytes(Family::k1xx, stream);
  ASSERT_EQ(frames.size(), std::size(kMessages));
  for (size_t i = 0; i < std::size(kMessages); ++i) {
    const auto& f = frames[i];
    const auto& m = kMessages[i];
    EXPECT_EQ(f.bus, m.bus);
    EXPECT_EQ(f.id, m.id);
    EXPECT_TRUE(f.checksum_ok);
    if (m.bus == Bus::kJ1708) {
      EXPECT_EQ(f.data, m.data);
    } else {
      Bytes padded = m.data;
      padded.resize(8, 0xFF);
      EXPECT_EQ(f.data, padded);
    }
  }
}

}  // namespace
}  // namespace vlrsim
