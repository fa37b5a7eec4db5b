// Several clients in one process: the cases shared with the Wine suite, and
// those that need the application's own threads.
#include <algorithm>
#include <atomic>
#include <future>
#include <iostream>

#include "driver_fixture.h"
#include "library_application.h"
#include "several_clients_cases.h"

namespace vlrtest {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class SeveralClients
    : public DriverTest,
      public ::testing::WithParamInterface<several_clients::Case> {};

TEST_P(SeveralClients, Case) {
  StartAdapter(201);
  LibraryApplication library(*this);
  GetParam().run(library, *adapter_);
}

INSTANTIATE_TEST_SUITE_P(Shared, SeveralClients,
                         ::testing::ValuesIn(several_clients::Cases()),
                         [](const auto& info) {
                           return several_clients::CaseName(info.param);
                         });

TEST_F(DriverTest, ClientIdsArePerProcessAcrossDevices) {
  StartAdapter(201);
  vlrsim::AdapterOptions options;
  vlrsim::PtyAdapter second(options);
  RoutePort(202, second.SlavePath());
  EXPECT_EQ(Connect(201, "J1939"), 0);
  EXPECT_EQ(Connect(202, "J1708"), 1);
  ASSERT_EQ(Disconnect(0), 0);
  EXPECT_EQ(Connect(202, "J1939"), 0) << "the lowest free id, on 202";
  EXPECT_EQ(Connect(201, "J1708"), 2);
  for (short client : {0, 1, 2}) EXPECT_EQ(Disconnect(client), 0) << client;
}

// Occurrences of `frame` in the host's bytes.
size_t Count(const Bytes& bytes, const Bytes& frame) {
  size_t count = 0;
  for (auto at = bytes.begin();
       (at = std::search(at, bytes.end(), frame.begin(), frame.end())) !=
       bytes.end();
       ++at) {
    ++count;
  }
  return count;
}

TEST_F(DriverTest, ConnectsAtTheSameTimeShareOneSession) {
  auto& adapter = StartAdapter(201);
  const Bytes rateChange = {0x01, 0x05, 0x08, 0x01, 0x03,
                            0x04, 0x00, 0x00, 0x16};
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    adapter.Recorded().Clear();
    std::promise<void> go;
    std::shared_future<void> start = go.get_future().share();
    auto connect = [&](const char* protocol) {
      return std::async(std::launch::async, [start, protocol, this] {
        start.wait();
        return Connect(201, protocol);
      });
    };
    auto first = connect("J1939");
    auto second = connect(round % 2 ? "J1708" : "J1939");
    go.set_value();
    const short a = first.get();
    const short b = second.get();
    EXPECT_EQ(std::min(a, b), 0);
    EXPECT_EQ(std::max(a, b), 1);
    EXPECT_EQ(Count(adapter.Recorded().HostBytes(), rateChange), 1u)
        << "one start-up dialogue";
    EXPECT_EQ(Disconnect(0), 0);
    EXPECT_EQ(Disconnect(1), 0);
  }
}

TEST_F(DriverTest, BlockingReadEndsWhenAnotherThreadDisconnectsItsClient) {
  auto& adapter = StartAdapter(201);
  ASSERT_EQ(Connect(201, "J1939"), 0);
  ASSERT_EQ(Connect(201, "J1939"), 1);
  ASSERT_EQ(ClientCommand(0, RP1210_Set_All_Filters_States_to_Pass), 0);
  auto blocked = std::async(std::launch::async, [] {
    std::vector<char> buffer(600);
    return RP1210_ReadMessage(1, buffer.data(), 600, 1);
  });
  // Long enough for the read to be waiting on the client's queue.
  std::this_thread::sleep_for(200ms);
  const auto start = Clock::now();
  ASSERT_EQ(Disconnect(1), 0);
  ASSERT_EQ(blocked.wait_for(15s), std::future_status::ready)
      << "the read still waits for a client that is gone";
  std::cout << "blocking read ended "
            << std::chrono::duration<double>(Clock::now() - start).count()
            << " s after the disconnect\n";
  const short result = blocked.get();
  EXPECT_TRUE(result == 0 || result == -ERR_INVALID_CLIENT_ID ||
              result == -ERR_CLIENT_DISCONNECTED)
      << result;
  adapter.PutOnBus(vlrsim::Bus::kJ1939, 0x18FEF100, Bytes{1, 2, 3});
  EXPECT_EQ(ClientRecords(0, 1).size(), 1u) << "the other client reads on";
}

}  // namespace
}  // namespace vlrtest
