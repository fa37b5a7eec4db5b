#include <gtest/gtest.h>

#include <vector>

#include "link/reply_scan.h"

namespace vlr::link {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kJ1939Ack = {0x01, 0x01, 0x02};

// A J1939 message frame of the 2xx adapter with a correct sum.
Bytes MessageFrame(uint8_t fill) {
  Bytes f = {0x01, 0x05, 0x02, 0,    0,    0,    0,    9,    0x18, 0xFE, 0xF1,
             0x00, 8,    fill, fill, fill, fill, fill, fill, fill, fill};
  f[7] = static_cast<uint8_t>(f.size() - 8);
  uint8_t sum = 0;
  for (uint8_t b : f) sum = static_cast<uint8_t>(sum + b);
  f.push_back(sum);
  return f;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct ScanCase {
  const char* name;
  Bytes bytes;
  bool found;
  size_t keepFrom;
};

class ReplyScanCases : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ReplyScanCases, FindsTheReplyAtAFrameStartOnly) {
  const ScanCase& c = GetParam();
  const ReplyScan scan = ScanForReply(c.bytes, kJ1939Ack);
  EXPECT_EQ(scan.found, c.found);
  EXPECT_EQ(scan.keepFrom, c.keepFrom);
}

const Bytes kReady = {0x01, 0x01, 0x09, 0x00, 0x0B};
const Bytes kJ1708Ack = {0x01, 0x01, 0x01, 0x00, 0x03};
const Bytes kAck = {0x01, 0x01, 0x02, 0x00, 0x04};
// A message frame whose data holds the reply's bytes.
const Bytes kDecoy = MessageFrame(0x01);

INSTANTIATE_TEST_SUITE_P(
    Streams, ReplyScanCases,
    ::testing::Values(
        ScanCase{"AtTheStart", kAck, true, 0},
        ScanCase{"BehindFrames", Join({kDecoy, kReady, kDecoy, kAck}), true,
                 2 * kDecoy.size() + 5},
        ScanCase{"BehindGarbage", Join({{0xFF, 0x01, 0x07}, kAck}), true, 3},
        ScanCase{"OtherChannelAckIsSkipped", kJ1708Ack, false, 5},
        ScanCase{"CutReplyIsKept", Join({kDecoy, {0x01, 0x01}}), false,
                 kDecoy.size()},
        ScanCase{"CutFrameIsKept",
                 Join({kReady, Bytes(kDecoy.begin(), kDecoy.begin() + 10)}),
                 false, 5},
        ScanCase{"ReplyInsideAFrameDoesNotCount", kDecoy, false, kDecoy.size()},
        ScanCase{"Empty", {}, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The reply split over reads is found once its last byte arrived, from the
// bytes kept between reads.
TEST(ReplyScan, FindsAReplySplitAcrossReads) {
  const Bytes stream = Join({kDecoy, kDecoy, kAck});
  for (size_t cut = 1; cut < stream.size(); ++cut) {
    Bytes unread(stream.begin(), stream.begin() + cut);
    ReplyScan scan = ScanForReply(unread, kJ1939Ack);
    if (scan.found) {
      EXPECT_GE(cut, stream.size() - 2) << cut;
      continue;
    }
    unread.erase(unread.begin(), unread.begin() + scan.keepFrom);
    unread.insert(unread.end(), stream.begin() + cut, stream.end());
    EXPECT_TRUE(ScanForReply(unread, kJ1939Ack).found) << "cut " << cut;
  }
}

}  // namespace
}  // namespace vlr::link
