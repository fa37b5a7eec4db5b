// An application whose threads go on reading and sending while another of
// its threads disconnects and connects again (a "reconnect" button beside a
// reader loop). Under AddressSanitizer a touch of freed memory fails the run.
#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "fault_fixture.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;
using vlrsim::Bus;

// The results racing calls gave. A read's byte count is noted as 1.
class ResultLog {
 public:
  void Note(short result) {
    std::lock_guard guard(lock_);
    seen_.insert(result);
  }
  std::set<short> Seen() const {
    std::lock_guard guard(lock_);
    return seen_;
  }

 private:
  mutable std::mutex lock_;
  std::set<short> seen_;
};

void ReadLoop(const std::atomic<bool>& done, bool block, ResultLog& log) {
  std::vector<char> buffer(600);
  while (!done.load()) {
    const short n = RP1210_ReadMessage(0, buffer.data(), 600, block ? 1 : 0);
    log.Note(n > 0 ? 1 : n);
    if (n <= 0) std::this_thread::sleep_for(1ms);
  }
}

void SendLoop(const std::atomic<bool>& done, ResultLog& log) {
  for (uint8_t tag = 0; !done.load(); ++tag) {
    Bytes message = J1939Message(tag);
    const short n =
        RP1210_SendMessage(0, reinterpret_cast<char*>(message.data()),
                           static_cast<short>(message.size()), 0, 0);
    log.Note(n);
    std::this_thread::sleep_for(n == 0 ? 500us : 1ms);
  }
}

TEST_F(DriverTest, ReadsAndSendsRacingReconnectsNeverTouchAnotherConnection) {
  vlrsim::AdapterOptions options;
  options.loopback = true;
  auto& adapter = StartAdapter(101, options);
  adapter.Play(Traffic(Bus::kJ1939, 2ms, 600s));
  ConnectOrFail(101, "J1939");
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);

  std::atomic<bool> done{false};
  ResultLog reads, sends;
  std::vector<std::thread> threads;
  threads.emplace_back(ReadLoop, std::cref(done), true, std::ref(reads));
  threads.emplace_back(ReadLoop, std::cref(done), true, std::ref(reads));
  threads.emplace_back(ReadLoop, std::cref(done), false, std::ref(reads));
  threads.emplace_back(SendLoop, std::cref(done), std::ref(sends));
  threads.emplace_back(SendLoop, std::cref(done), std::ref(sends));

  constexpr int kCycles = 25;
  int reconnected = 0;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5 * (cycle % 7)));
    ASSERT_EQ(Disconnect(), 0) << "cycle " << cycle;
    const char* protocol = cycle % 3 == 2 ? "J1708" : "J1939";
    if (Connect(101, protocol) != 0) continue;
    ++reconnected;
    Command(RP1210_Set_All_Filters_States_to_Pass);
  }
  done = true;
  for (auto& t : threads) t.join();

  EXPECT_EQ(reconnected, kCycles);
  for (short r : reads.Seen()) {
    EXPECT_TRUE(r == 1 || r == 0 || r == -ERR_INVALID_CLIENT_ID) << r;
  }
  // 141: a J1939 message on a J1708 connection does not fit.
  for (short r : sends.Seen()) {
    EXPECT_TRUE(r == 0 || r == ERR_INVALID_CLIENT_ID ||
                r == ERR_TX_QUEUE_FULL || r == ERR_MESSAGE_TOO_LONG)
        << r;
  }
  EXPECT_TRUE(reads.Seen().count(1)) << "messages flowed meanwhile";
  EXPECT_TRUE(sends.Seen().count(0));
}

// The read began on one connection; the next connection's first message
// must not be its result.
TEST_F(DriverTest, WaitingReadEndsWithTheDisconnectNotWithTheNextConnection) {
  auto& adapter = StartAdapter(101);
  ConnectOrFail(101, "J1939");  // discards everything until command 3
  std::atomic<short> result{-1000};
  std::thread reader([&] {
    std::vector<char> buffer(600);
    result = RP1210_ReadMessage(0, buffer.data(), 600, 1);
  });
  std::this_thread::sleep_for(100ms);
  ASSERT_EQ(Disconnect(), 0);
  ConnectOrFail(101, "J1939");
  ASSERT_EQ(Command(RP1210_Set_All_Filters_States_to_Pass), 0);
  for (int i = 0; i < 20; ++i) {
    adapter.PutOnBus(Bus::kJ1939, 0x18FEF100, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  }
  reader.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(ReadRecords(20).size(), 20u) << "the new connection lost nothing";
}

}  // namespace
}  // namespace vlrtest
