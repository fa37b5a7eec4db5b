// The encoders against byte strings taken from the line protocol, and the
// sum rules every frame must satisfy.
#include <gtest/gtest.h>

#include "vlrsim/counted_frames.h"
#include "vlrsim/sums.h"
#include "vlrsim/synced_frames.h"

namespace vlrsim {
namespace {

TEST(SyncedFrames, FixedHostFramesMatchTheLine) {
  struct Case {
    const char* name;
    Bytes actual;
    Bytes expected;
  };
  const Case cases[] = {
      {"rate change",
       synced::RateChangeFrame(),
       {0x01, 0x05, 0x08, 0x01, 0x03, 0x04, 0x00, 0x00, 0x16}},
      {"J1708 receive mode",
       synced::ReceiveModeFrame(false),
       {0x01, 0x02, 0x01, 0x11, 0x00, 0x15}},
      {"J1939 receive mode",
       synced::ReceiveModeFrame(true),
       {0x01, 0x02, 0x02, 0x01, 0x00, 0x06}},
      {"J1939 receive off",
       synced::CommandFrame(synced::kChannelJ1939, synced::kJ1939ReceiveOff),
       {0x01, 0x02, 0x02, 0x00, 0x00, 0x05}},
      {"mask of a PGN group",
       synced::FilterMaskFrame(0x07F80000),
       {0x01, 0x06, 0x02, 0x04, 0x07, 0xF8, 0x00, 0x00, 0x00, 0x0C}},
      {"slot of a PGN group",
       synced::FilterSlotFrame(0, 0x07F78800),
       {0x01, 0x06, 0x02, 0x19, 0x07, 0xF7, 0x88, 0x00, 0x00, 0xA8}},
      {"mask of a four-field group",
       synced::FilterMaskFrame(0xE7FFE7E0),
       {0x01, 0x06, 0x02, 0x04, 0xE7, 0xFF, 0xE7, 0xE0, 0x00, 0xBA}},
      {"slot of a four-field group",
       synced::FilterSlotFrame(0, 0xC750BFC8),
       {0x01, 0x06, 0x02, 0x19, 0xC7, 0x50, 0xBF, 0xC8, 0x00, 0xC0}},
      {"J1939 ack",
       synced::AckFrame(synced::kChannelJ1939),
       {0x01, 0x01, 0x02, 0x00, 0x04}},
      {"ready", synced::ReadyFrame(), {0x01, 0x01, 0x09, 0x00, 0x0B}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(SyncedFrames, SlotCodesRoundTrip) {
  const uint8_t codes[] = {0x19, 0x29, 0x39, 0x49};
  for (int slot = 0; slot < 4; ++slot) {
    EXPECT_EQ(synced::FilterSlotCode(slot), codes[slot]);
    EXPECT_EQ(synced::FilterSlotOf(codes[slot]), slot);
  }
  EXPECT_EQ(synced::FilterSlotOf(0x04), -1);
  EXPECT_EQ(synced::FilterSlotOf(0x59), -1);
}

TEST(SyncedFrames, IdentifierIsShiftedBigEndian) {
  // PGN 0x00FEEE, priority 6, source 0.
  const auto bytes = synced::IdentifierBytes(0x18FEEE00);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), (Bytes{0xC7, 0xF7, 0x70, 0x00}));
  for (uint32_t id : {0u, 1u, 0x18FEF100u, 0x1FFFFFFFu, 0x0CF00400u}) {
    EXPECT_EQ(synced::IdentifierFromBytes(synced::IdentifierBytes(id)), id);
  }
}

TEST(SyncedFrames, MessageFramesHaveTheAdapterLayout) {
  const Bytes data{0x01, 0x02, 0x03};
  const Bytes j1939 = synced::J1939MessageFrame(0x18FEF100, data, 0x11223344);
  EXPECT_EQ(j1939, (Bytes{0x01, 0x05, 0x02, 0x11, 0x22, 0x33, 0x44, 0x08, 0xC7,
                          0xF7, 0x88, 0x00, 0x03, 0x01, 0x02, 0x03,
                          Sum8(std::span(j1939).first(16))}));

  const Bytes j1708 = synced::J1708MessageFrame(0x80, Bytes{0x5C, 0x20});
  // Payload: MID, two data bytes, checksum.
  ASSERT_EQ(j1708.size(), 4u + 9u);
  EXPECT_EQ(j1708[2], synced::kChannelJ1708);
  EXPECT_EQ(j1708[7], 4);
  EXPECT_EQ(j1708[8], 0x80);
  EXPECT_TRUE(SumIsZero(std::span(j1708).subspan(8, 4)));
  EXPECT_EQ(j1708.back(), Sum8(std::span(j1708).first(j1708.size() - 1)));
}

TEST(SyncedFrames, EveryFrameEndsWithThePlainSum) {
  const Bytes data(8, 0xA5);
  const Bytes frames[] = {
      synced::HostJ1708Frame(Bytes{0x80, 0x10, 0x70}),
      synced::HostJ1939Frame(0x0CF00400, data),
      synced::J1939MessageFrame(0x1FFFFFFF, data, 0xFFFFFFFF),
      synced::J1708MessageFrame(0xFF, Bytes(200, 0xFF)),
  };
  for (const auto& frame : frames) {
    ASSERT_GE(frame.size(), 5u);
    EXPECT_EQ(frame[0], 0x01);
    const size_t header = frame[1];
    EXPECT_EQ(frame.size(), header + frame[header + 2] + 4u);
    EXPECT_EQ(frame.back(), Sum8(std::span(frame).first(frame.size() - 1)));
  }
}

TEST(SyncedFrames, OversizedJ1708DataIsCutToFitTheLengthByte) {
  const Bytes frame = synced::J1708MessageFrame(0x80, Bytes(300, 0x01));
  EXPECT_EQ(frame[7], 255);
  EXPECT_EQ(frame.size(), 255u + 9u);
}

TEST(CountedFrames, HostFramesSumToZeroAndCarryTheirLength) {
  // A 3-byte application message (priority, MID, data) in converted mode
  // gives an 8-byte frame.
  const Bytes j1708 = counted::HostJ1708Frame(Bytes{0x80, 0x5C, 0x24});
  EXPECT_EQ(j1708.size(), 8u);
  EXPECT_EQ(j1708[0], 8);
  EXPECT_EQ((Bytes{j1708[1], j1708[2], j1708[3]}), (Bytes{0x6F, 0xDE, 0x80}));
  EXPECT_TRUE(SumIsZero(j1708));

  const Bytes j1939 = counted::HostJ1939Frame(Bytes(14, 0x33));
  EXPECT_EQ(j1939.size(), 19u);
  EXPECT_EQ(j1939[3], 0x83);
  EXPECT_TRUE(SumIsZero(j1939));
}

TEST(CountedFrames, J1939FrameCarriesTheDeliveredLayout) {
  struct Case {
    uint32_t id;
    Bytes layout_head;  // PGN (3), priority, source, destination
  };
  const Case cases[] = {
      {0x18FEF100, {0xF1, 0xFE, 0x00, 6, 0x00, 0x00}},  // PDU2
      {0x18EA17F9, {0x17, 0xEA, 0x00, 6, 0xF9, 0x17}},  // PDU1
      {0x0DF00401, {0x04, 0xF0, 0x01, 3, 0x01, 0x00}},  // data page 1
  };
  const Bytes data{1, 2, 3, 4, 5, 6, 7, 8};
  for (const auto& c : cases) {
    const Bytes frame = counted::J1939Frame(c.id, data);
    ASSERT_EQ(frame.size(), 19u);
    EXPECT_EQ(frame[0], 0x13);
    EXPECT_EQ(frame[1], 0x84);
    EXPECT_EQ(Bytes(frame.begin() + 4, frame.begin() + 10), c.layout_head)
        << std::hex << c.id;
    EXPECT_EQ(Bytes(frame.begin() + 10, frame.begin() + 18), data);
    EXPECT_TRUE(SumIsZero(frame));
  }
}

TEST(CountedFrames, ShortJ1939DataIsPaddedWithFF) {
  const Bytes frame = counted::J1939Frame(0x18FEF100, Bytes{0xAA, 0xBB});
  EXPECT_EQ(Bytes(frame.begin() + 10, frame.begin() + 18),
            (Bytes{0xAA, 0xBB, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_TRUE(SumIsZero(frame));
}

TEST(CountedFrames, J1708FrameLengthIsMessagePlusFive) {
  for (size_t n : {0u, 1u, 19u, 100u}) {
    const Bytes frame = counted::J1708Frame(0x80, Bytes(n, 0x42));
    const size_t message = n + 2;  // MID + data + checksum
    EXPECT_EQ(frame.size(), message + 5);
    EXPECT_EQ(frame[0], frame.size());
    EXPECT_TRUE(SumIsZero(std::span(frame).subspan(4, message)));
    EXPECT_TRUE(SumIsZero(frame));
  }
}

TEST(Sums, ComplementMakesTheRunSumToZero) {
  const Bytes runs[] = {{}, {0x00}, {0xFF}, {0x80, 0x80}, {1, 2, 3, 250}};
  for (auto run : runs) {
    run.push_back(ZeroSumComplement(run));
    EXPECT_TRUE(SumIsZero(run));
  }
  EXPECT_EQ(Sum8(Bytes{0x01, 0x05, 0x08, 0x01, 0x03, 0x04, 0x00, 0x00}), 0x16);
}

}  // namespace
}  // namespace vlrsim
