// A transmit queue that fills: sends are refused whole, and every accepted
// message reaches the adapter in order.
#include <thread>

#include "fault_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;

uint16_t TagOf(const vlrsim::HostFrame& frame) {
  return static_cast<uint16_t>(frame.data.at(0) << 8 | frame.data.at(1));
}

// A 2xx adapter that sends no ready frame holds J1708 transmission after
// the first frame, so the queue fills.
TEST_F(DriverTest, FullTransmitQueueRefusesAndLosesNothingAccepted) {
  vlrsim::AdapterOptions options;
  options.ready_delay.reset();
  auto& adapter = StartAdapter(201, options);
  ConnectOrFail(201, "J1708");
  std::vector<uint16_t> accepted;
  int refused = 0;
  for (uint16_t tag = 0; tag < 300; ++tag) {
    const short result = Send(J1708Message(tag));
    if (result == 0) {
      EXPECT_EQ(refused, 0) << "accepted after a refusal, tag " << tag;
      accepted.push_back(tag);
    } else {
      EXPECT_EQ(result, ERR_TX_QUEUE_FULL);
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GE(accepted.size(), 200u);

  // The adapter becomes ready again: everything accepted goes out.
  adapter.SetReadyDelay(2ms);
  adapter.SendReady();
  ASSERT_TRUE(adapter.Recorded().WaitForHostMessages(accepted.size(), 30s));
  std::this_thread::sleep_for(300ms);
  const auto sent = adapter.Recorded().HostMessages();
  ASSERT_EQ(sent.size(), accepted.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    ASSERT_EQ(TagOf(sent[i]), accepted[i]) << "frame " << i;
  }
}

// Long messages wait their turn in the client's transport, one broadcast
// per source at a time; past the bounded backlog a send is refused, and
// every transfer accepted goes out whole.
TEST_F(DriverTest, LongMessagesPastTheBacklogAreRefusedOthersGoOutWhole) {
  auto& adapter = StartAdapter(201);
  ConnectOrFail(201, "J1939");
  Bytes asFastAsTheLine = {0, 0, 0, 0};
  ASSERT_EQ(RP1210_SendCommand(
                27, 0, reinterpret_cast<char*>(asFastAsTheLine.data()), 4),
            0);
  // 15 bytes: nine data bytes, an announce and two data packets.
  Bytes message = {0x00, 0xEF, 0x00, 0x06, 0x21, 0xFF, 1, 2,
                   3,    4,    5,    6,    7,    8,    9};
  int accepted = 0;
  for (int i = 0; i < 200; ++i) {
    const short result = Send(message);
    if (result == 0) {
      ++accepted;
    } else {
      EXPECT_EQ(result, ERR_TX_QUEUE_FULL);
    }
  }
  EXPECT_GE(accepted, 64);
  EXPECT_LT(accepted, 200);
  const size_t frames = static_cast<size_t>(accepted) * 3;
  ASSERT_TRUE(adapter.Recorded().WaitForHostMessages(frames, 30s));
  std::this_thread::sleep_for(300ms);
  const auto sent = adapter.Recorded().HostMessages();
  ASSERT_EQ(sent.size(), frames) << "no transfer cut short, none extra";
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i].data.at(0), i % 3 == 0 ? 0x20 : i % 3) << "frame " << i;
  }
}

}  // namespace
}  // namespace vlrtest
