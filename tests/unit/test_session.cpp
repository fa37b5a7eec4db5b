#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "connection/session.h"
#include "link/device_traits.h"

namespace vlr {
namespace {

using Bytes = std::vector<uint8_t>;

// Clients joined to a session that opens no port: delivery and the
// writer's choice are the session's own logic.
class SessionClients : public ::testing::Test {
 protected:
  Client& Add(Session& session, Protocol protocol, int16_t filterCount) {
    Client& client = clients_[used_];
    const auto connection = static_cast<uint32_t>(++used_);
    client.Reset();
    client.protocol = protocol;
    client.filters.filterCount = filterCount;
    client.rxQueue.Bind(connection);
    client.txQueue.Bind(connection);
    client.connection = connection;
    session.Join(client, connection);
    return client;
  }

  static Bytes Take(Client& client) {
    QueueEntry entry;
    if (!client.rxQueue.PopFor(client.connection, entry)) return {};
    return {entry.data.begin(), entry.data.begin() + entry.length};
  }

  std::array<Client, kMaxClients> clients_;
  size_t used_ = 0;
};

Bytes J1939Record(uint8_t pf, uint8_t ps) {
  return {ps, pf, 0, 6, 0x25, 0, 1, 2, 3, 4, 5, 6, 7, 8};
}

TEST_F(SessionClients, EachClientTakesWhatItsProtocolFilterAndModesLetIn) {
  const J1939FilterGroup eec1{0x01, 0x04, 0xF0, 0x00, 0, 0, 0};
  for (const int16_t device : {101, 201}) {
    SCOPED_TRACE(device);
    used_ = 0;
    Session session(*link::TraitsOf(device));
    Client& all = Add(session, Protocol::kJ1939, 0);
    Client& one = Add(session, Protocol::kJ1939, 0);
    std::vector<int> added;
    ASSERT_EQ(AddJ1939Filter(one.filters, eec1, added), AddFilterResult::kOk);
    Client& fresh = Add(session, Protocol::kJ1939, -1);
    Client& converted = Add(session, Protocol::kJ1708, 0);
    Client& raw = Add(session, Protocol::kJ1708, 0);
    raw.j1708Raw = true;
    Client& off = Add(session, Protocol::kJ1708, 0);
    off.receive = false;

    const Bytes eec1Record = J1939Record(0xF0, 0x04);
    const Bytes ccvsRecord = J1939Record(0xFE, 0xF1);
    EXPECT_TRUE(session.Deliver(Protocol::kJ1939, eec1Record));
    EXPECT_TRUE(session.Deliver(Protocol::kJ1939, ccvsRecord));
    const Bytes j1708 = {128, 84, 0x2C};
    EXPECT_TRUE(session.Deliver(Protocol::kJ1708, j1708));

    EXPECT_EQ(Take(all), eec1Record);
    EXPECT_EQ(Take(all), ccvsRecord);
    EXPECT_EQ(Take(one), eec1Record);
    EXPECT_EQ(Take(one), Bytes{}) << "its stored group decides";
    // A 2xx adapter filters J1939 itself: a client that never stored a
    // group gets what the adapter reports, as a lone client always did.
    const bool adapterFilters = device / 100 == 2;
    EXPECT_EQ(Take(fresh).empty(), !adapterFilters);
    EXPECT_EQ(Take(converted), (Bytes{128, 84}));
    EXPECT_EQ(Take(raw), j1708);
    EXPECT_EQ(Take(off), Bytes{});
    EXPECT_TRUE(
        session.AnyClientAccepts(Protocol::kJ1939, ccvsRecord.data(), 0));
  }
}

TEST_F(SessionClients, TheWriterTakesTheClientsInTurn) {
  Session session(*link::TraitsOf(201));
  Client& transfer = Add(session, Protocol::kJ1939, 0);
  Client& single = Add(session, Protocol::kJ1939, 0);
  for (uint8_t k = 0; k < 5; ++k) {
    transfer.txQueue.Push(&k, 1, false, 0);
  }
  const uint8_t lone = 0xAA;
  single.txQueue.Push(&lone, 1, false, 0);
  std::vector<uint8_t> order;
  TakenFrame taken;
  while (session.TakeNextFrame(taken)) order.push_back(taken.entry.data[0]);
  EXPECT_EQ(order, (std::vector<uint8_t>{0, 0xAA, 1, 2, 3, 4}));
}

TEST_F(SessionClients, OnlyJ1708FramesWaitForTheReadyFrame) {
  for (const int16_t device : {101, 201}) {
    SCOPED_TRACE(device);
    used_ = 0;
    Session session(*link::TraitsOf(device));
    Client& j1708 = Add(session, Protocol::kJ1708, 0);
    Client& j1939 = Add(session, Protocol::kJ1939, 0);
    const uint8_t byte = 1;
    j1708.txQueue.Push(&byte, 1, false, 0);
    j1939.txQueue.Push(&byte, 1, false, 0);
    session.SetOkToSend(false);
    TakenFrame taken;
    ASSERT_TRUE(session.TakeNextFrame(taken));
    const bool readyFlowControl = device / 100 == 2;
    EXPECT_EQ(taken.protocol,
              readyFlowControl ? Protocol::kJ1939 : Protocol::kJ1708);
    EXPECT_EQ(session.TakeNextFrame(taken), !readyFlowControl);
  }
}

}  // namespace
}  // namespace vlr
