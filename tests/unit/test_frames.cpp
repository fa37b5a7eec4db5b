// Message frames of both families and the echo records built from them.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "link/frames.h"

namespace vlr::link {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Of(const Frame& frame) {
  return Bytes(frame.bytes.begin(), frame.bytes.begin() + frame.length);
}

uint8_t SumOf(std::span<const uint8_t> bytes) {
  return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

Bytes RandomBytes(std::mt19937& rng, size_t count) {
  std::uniform_int_distribution<int> byte(0, 255);
  Bytes out(count);
  for (auto& b : out) b = static_cast<uint8_t>(byte(rng));
  return out;
}

// ------------------------------------------------------------------ sums

TEST(FrameSums, PlainAndNegated) {
  struct Case {
    Bytes bytes;
    uint8_t plain, negated;
  } cases[] = {
      {{}, 0x00, 0x00},
      {{0x01}, 0x01, 0xFF},
      {{0x80, 0x80}, 0x00, 0x00},
      {{0xFF, 0xFF, 0x03}, 0x01, 0xFF},
      {{0x01, 0x02, 0x02, 0x01}, 0x06, 0xFA},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlainSum(c.bytes), c.plain);
    EXPECT_EQ(NegatedSum(c.bytes), c.negated);
  }
}

TEST(J1939IdentifierTest, FieldsOfTheApplicationHeader) {
  struct Case {
    Bytes header;  // PGN (LSB first), how/priority, source, destination
    uint32_t identifier;
  } cases[] = {
      {{0xEE, 0xFE, 0x00, 0x06, 0x00, 0xFF}, 0x18FEEE00},  // broadcast PGN
      // Destination-specific: PS is the destination, not PGN byte 0.
      {{0x00, 0xEA, 0x00, 0x06, 0xF9, 0x17}, 0x18EA17F9},
      {{0x33, 0xEF, 0x00, 0x03, 0x25, 0x17}, 0x0CEF1725},
      {{0x33, 0xF0, 0x00, 0x03, 0x25, 0x17}, 0x0CF03325},
      // Only the priority bits of byte 3; data page only for exactly 1.
      {{0x00, 0xEA, 0x01, 0xFB, 0x25, 0x17}, 0x0DEA1725},
      {{0x00, 0xEA, 0x02, 0x03, 0x25, 0x17}, 0x0CEA1725},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(J1939Identifier(c.header.data()), c.identifier)
        << std::hex << c.identifier;
  }
}

// ------------------------------------------------------- single frames

TEST(MessageFrames, ExactBytesOfEachFamilyAndProtocol) {
  const Bytes j1708 = {0x03, 0x80, 0x54};  // priority, MID, one data byte
  struct Case {
    int deviceId;
    bool j1939, raw;
    Bytes message, frame;
  } cases[] = {
      {101,
       false,
       false,
       j1708,
       {0x08, 0x6F, 0xDE, 0x80, 0x80, 0x54, 0x2C, 0x2B}},
      {102, false, true, j1708, {0x07, 0x6F, 0xDE, 0x80, 0x80, 0x54, 0x58}},
      {201,
       false,
       false,
       j1708,
       {0x01, 0x03, 0x01, 0x12, 0x01, 0x03, 0x80, 0x54, 0x2C, 0x1B}},
      {204,
       false,
       true,
       j1708,
       {0x01, 0x03, 0x01, 0x12, 0x01, 0x02, 0x80, 0x54, 0xEE}},
      // PF 0xEF: the destination replaces PGN byte 0.
      {101,
       true,
       false,
       {0xEE, 0xEF, 0x00, 0x06, 0x25, 0x17, 0x11, 0x22},
       {0x0D, 0x6F, 0xDE, 0x83, 0x17, 0xEF, 0x00, 0x06, 0x25, 0x17, 0x11, 0x22,
        0xA8}},
      // PF 0xF0: the group extension stays.
      {102,
       true,
       false,
       {0xEE, 0xF0, 0x00, 0x06, 0x25, 0x17, 0x11, 0x22},
       {0x0D, 0x6F, 0xDE, 0x83, 0xEE, 0xF0, 0x00, 0x06, 0x25, 0x17, 0x11, 0x22,
        0xD0}},
      {202,
       true,
       false,
       {0xEE, 0xFE, 0x00, 0x06, 0x00, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8},
       {0x01, 0x06, 0x02, 0x02, 0xC7, 0xF7, 0x70, 0x00, 0x08, 1, 2, 3, 4, 5, 6,
        7, 8, 0x65}},
      // Raw mode does not concern J1939.
      {203,
       true,
       true,
       {0xEE, 0xFE, 0x00, 0x06, 0x00, 0xFF},
       {0x01, 0x06, 0x02, 0x02, 0xC7, 0xF7, 0x70, 0x00, 0x00, 0x39}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.deviceId) + (c.j1939 ? " J1939" : " J1708") +
                 (c.raw ? " raw" : ""));
    std::vector<Frame> frames;
    ASSERT_EQ(BuildMessageFrames(c.deviceId, c.j1939, c.raw, c.message, frames),
              BuildResult::kOk);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Of(frames[0]), c.frame);
  }
}

TEST(MessageFrames, SingleFrameBuilders) {
  const Bytes message = {0x00, 0xEA, 0x01, 0xFB, 0x25, 0x17, 0x99};
  Frame frame;
  ASSERT_TRUE(BuildJ1939Frame2xx(message, frame));
  // Priority bits only, data page set, PS = destination.
  EXPECT_EQ(Of(frame), (Bytes{0x01, 0x06, 0x02, 0x02, 0x6F, 0x50, 0xB9, 0x28,
                              0x01, 0x99, 0x45}));
  ASSERT_TRUE(BuildJ1939Frame1xx(message, frame));
  // The 1xx adapter gets byte 3 as the application wrote it.
  EXPECT_EQ(frame.bytes[7], 0xFB);
  EXPECT_FALSE(BuildJ1939Frame1xx(Bytes(5), frame));
  EXPECT_FALSE(BuildJ1939Frame2xx(Bytes(15), frame));
  EXPECT_FALSE(BuildJ1708Frame1xx(Bytes(1), false, frame));
  EXPECT_FALSE(BuildJ1708Frame2xx(Bytes{}, true, frame));
}

// Every byte of a 1xx frame sums to 0; a 2xx frame ends in the plain sum
// of the rest; a converted J1708 message carries a valid J1708 checksum.
TEST(MessageFrames, SumsHoldForRandomMessages) {
  std::mt19937 rng(1708);
  std::uniform_int_distribution<size_t> j1708Size(2, 200);
  std::uniform_int_distribution<size_t> j1939Size(6, 14);
  for (int round = 0; round < 500; ++round) {
    const bool j1939 = round % 2 == 1;
    const bool raw = round % 4 == 0;
    const Bytes message =
        RandomBytes(rng, j1939 ? j1939Size(rng) : j1708Size(rng));
    for (int deviceId : {101, 201}) {
      std::vector<Frame> frames;
      ASSERT_EQ(BuildMessageFrames(deviceId, j1939, raw, message, frames),
                BuildResult::kOk);
      for (const Frame& frame : frames) {
        const auto bytes = frame.View();
        if (deviceId == 101) {
          EXPECT_EQ(SumOf(bytes), 0);
          EXPECT_EQ(bytes[0], bytes.size());
        } else {
          EXPECT_EQ(bytes.back(), SumOf(bytes.first(bytes.size() - 1)));
          EXPECT_EQ(bytes.size(), bytes[1] + bytes[bytes[1] + 2] + 4u);
        }
      }
      if (!j1939 && !raw) {
        const size_t at = deviceId == 101 ? 4 : 6;
        EXPECT_EQ(SumOf(frames[0].View().subspan(at, message.size())), 0);
      }
    }
  }
}

// ------------------------------------------------------------- size limits

TEST(MessageFrames, SizeLimitsAndDevicesWithoutFraming) {
  struct Case {
    int deviceId;
    bool j1939, raw;
    size_t size;
    BuildResult result;
    size_t frames;
  } cases[] = {
      {101, false, false, 1, BuildResult::kTooLong, 0},
      {201, false, true, 1, BuildResult::kTooLong, 0},
      {101, false, false, 2, BuildResult::kOk, 1},    // priority and MID
      {101, false, false, 250, BuildResult::kOk, 1},  // T = 255
      {101, false, false, 251, BuildResult::kTooLong, 0},
      {101, false, true, 251, BuildResult::kOk, 1},
      {101, false, true, 252, BuildResult::kTooLong, 0},
      {201, false, false, 255, BuildResult::kOk, 1},  // L = 255
      {201, false, false, 256, BuildResult::kTooLong, 0},
      {201, false, true, 256, BuildResult::kOk, 1},
      {201, false, true, 257, BuildResult::kTooLong, 0},
      {101, true, false, 5, BuildResult::kTooLong, 0},
      {201, true, false, 5, BuildResult::kTooLong, 0},
      {101, true, false, 6, BuildResult::kOk, 1},
      {201, true, false, 14, BuildResult::kOk, 1},
      // Longer J1939 messages go by the transport, not as frames here.
      {201, true, false, 15, BuildResult::kTooLong, 0},
      {102, true, false, 15, BuildResult::kTooLong, 0},
      {201, false, false, 0, BuildResult::kTooLong, 0},
      {103, false, false, 3, BuildResult::kNoFraming, 0},
      {104, true, false, 14, BuildResult::kNoFraming, 0},
      {100, true, false, 14, BuildResult::kNoFraming, 0},
      {205, false, false, 3, BuildResult::kNoFraming, 0},
      {-201, false, false, 3, BuildResult::kNoFraming, 0},
  };
  const Bytes big(600, 0x5A);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.deviceId) +
                 (c.j1939 ? " J1939 " : " J1708 ") + std::to_string(c.size) +
                 (c.raw ? " raw" : ""));
    std::vector<Frame> frames(2);  // stale contents are replaced
    EXPECT_EQ(BuildMessageFrames(c.deviceId, c.j1939, c.raw,
                                 std::span(big).first(c.size), frames),
              c.result);
    EXPECT_EQ(frames.size(), c.frames);
    for (const Frame& frame : frames) EXPECT_LE(frame.length, kMaxFrameSize);
  }
}

// ------------------------------------------------------------ echo records

Bytes EchoOf(int deviceId, bool j1939, bool raw, const Bytes& message) {
  std::vector<Frame> frames;
  EXPECT_EQ(BuildMessageFrames(deviceId, j1939, raw, message, frames),
            BuildResult::kOk);
  EXPECT_EQ(frames.size(), 1u);
  std::array<uint8_t, kMaxFrameSize> out{};
  const DeviceFamily family = FamilyOf(deviceId);
  const size_t length =
      j1939 ? J1939EchoRecord(family, frames[0].View(), out)
            : J1708EchoRecord(family, raw, frames[0].View(), out);
  return Bytes(out.begin(), out.begin() + length);
}

TEST(EchoRecords, J1708IsTheMessageWithoutPriority) {
  struct Case {
    bool raw;
    Bytes message, record;
  } cases[] = {
      {false, {0x03, 0x80, 0x54, 0x01}, {0x80, 0x54, 0x01}},
      {false, {0x03, 0x80}, {0x80}},  // priority and MID only
      // Raw: the application's own last byte stays, checksum or not.
      {true, {0x03, 0x80, 0x54, 0x2C}, {0x80, 0x54, 0x2C}},
      {true, {0x03, 0x80}, {0x80}},
  };
  for (int deviceId : {101, 202}) {
    for (const auto& c : cases) {
      EXPECT_EQ(EchoOf(deviceId, false, c.raw, c.message), c.record)
          << deviceId << (c.raw ? " raw" : " converted") << " size "
          << c.message.size();
    }
  }
}

TEST(EchoRecords, J1939IsTheDeliveredLayout) {
  struct Case {
    int deviceId;
    Bytes message, record;
  } cases[] = {
      // Broadcast PGN: the group extension stays, destination 0 on 2xx.
      {201,
       {0xEE, 0xFE, 0x00, 0x06, 0x25, 0x17, 0xAA},
       {0xEE, 0xFE, 0x00, 0x06, 0x25, 0x00, 0xAA}},
      // Destination-specific: byte 0 is 0, destination from the identifier.
      {201,
       {0x55, 0xEA, 0x01, 0xFB, 0x25, 0x17, 0xAA, 0xBB},
       {0x00, 0xEA, 0x01, 0x03, 0x25, 0x17, 0xAA, 0xBB}},
      {202,
       {0x00, 0xEF, 0x02, 0x03, 0xF9, 0x17},
       {0x00, 0xEF, 0x00, 0x03, 0xF9, 0x17}},
      // 1xx: the frame's message bytes, byte 0 cleared below PF 240,
      // byte 3 reduced to the priority.
      {101,
       {0x55, 0xEA, 0x01, 0xFB, 0x25, 0x17, 0xAA, 0xBB},
       {0x00, 0xEA, 0x01, 0x03, 0x25, 0x17, 0xAA, 0xBB}},
      {102,
       {0xEE, 0xFE, 0x00, 0x86, 0x25, 0x17, 0xAA},
       {0xEE, 0xFE, 0x00, 0x06, 0x25, 0x17, 0xAA}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EchoOf(c.deviceId, true, false, c.message), c.record)
        << c.deviceId;
  }
}

TEST(EchoRecords, FramesWithoutAMessageGiveNothing) {
  std::array<uint8_t, kMaxFrameSize> out{};
  std::vector<Frame> j1708, j1939;
  BuildMessageFrames(201, false, false, Bytes{0x03, 0x80, 0x54}, j1708);
  BuildMessageFrames(201, true, false, Bytes(8, 0x11), j1939);
  const J1939FilterGroup group = {0x0F, 0x00, 0xEA, 0x00, 0x06, 0xF9, 0x17};
  const std::vector<Bytes> notMessages = {
      Of(ReceiveOnFrame(true)),
      Of(ReceiveOffFrame(false)),
      Of(FilterMaskFrame(FilterMaskFor(group))),
      Of(FilterSlotFrame(0, group)),
      Of(RateChangeFrame()),
      {},
      {0x01}};
  for (const Bytes& frame : notMessages) {
    for (auto family : {DeviceFamily::k1xx, DeviceFamily::k2xx}) {
      EXPECT_EQ(J1708EchoRecord(family, false, frame, out), 0u);
      EXPECT_EQ(J1939EchoRecord(family, frame, out), 0u);
    }
  }
  // A frame of the other protocol, a cut frame, or the wrong family.
  const Bytes cut(j1708[0].View().begin(), j1708[0].View().end() - 1);
  EXPECT_EQ(J1939EchoRecord(DeviceFamily::k2xx, j1708[0].View(), out), 0u);
  EXPECT_EQ(J1708EchoRecord(DeviceFamily::k2xx, true, j1939[0].View(), out),
            0u);
  EXPECT_EQ(J1708EchoRecord(DeviceFamily::k2xx, false, cut, out), 0u);
  EXPECT_EQ(J1708EchoRecord(DeviceFamily::k1xx, false, j1708[0].View(), out),
            0u);
  EXPECT_EQ(J1708EchoRecord(DeviceFamily::kNone, false, j1708[0].View(), out),
            0u);
  // Never written past a short output.
  std::array<uint8_t, 2> small{};
  EXPECT_EQ(J1708EchoRecord(DeviceFamily::k2xx, false, j1708[0].View(), small),
            2u);
  EXPECT_EQ(J1939EchoRecord(DeviceFamily::k2xx, j1939[0].View(), small), 0u);
}

}  // namespace
}  // namespace vlr::link
