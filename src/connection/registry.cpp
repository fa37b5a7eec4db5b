#include "connection/registry.h"

#include <algorithm>

#include "connection/driver_settings.h"

namespace vlr {

// Destroyed at unload or exit, which closes the devices still open. An
// application that unloads the library without disconnecting first has
// its adapter threads stopped then.
Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

ClientRef Registry::Find(int16_t clientId) {
  if (clientId < 0 || clientId >= kMaxClients) return {};
  Client& client = ClientAt(clientId);
  platform::LockGuard guard(lock_);
  const uint32_t connection = client.connection.load(std::memory_order_acquire);
  if (connection == MessageQueue::kNoConnection) return {};
  return {&client, connection, client.protocol.load(), client.deviceId.load(),
          sessionOf_[Index(clientId)]};
}

std::shared_ptr<Session> Registry::SessionFor(int16_t deviceId) const {
  for (const auto& session : sessions_) {
    if (session->DeviceId() == deviceId) return session;
  }
  return nullptr;
}

bool Registry::PortHeld(uint8_t comPort) const {
  return std::any_of(sessions_.begin(), sessions_.end(), [&](const auto& s) {
    return s->Traits().comPort == comPort;
  });
}

void Registry::AddSession(std::shared_ptr<Session> session) {
  sessions_.push_back(std::move(session));
}

void Registry::RemoveSession(const Session* session) {
  std::erase_if(sessions_, [&](const auto& s) { return s.get() == session; });
}

int16_t Registry::FreeClientId() const {
  for (int16_t id = 0; id < kMaxClients; ++id) {
    if (clients_[Index(id)].connection.load() == MessageQueue::kNoConnection) {
      return id;
    }
  }
  return -1;
}

// The queues are bound to the new connection and the client's settings
// made before the client shows it: a thread that sees the connection
// finds everything ready for it.
uint32_t Registry::Grant(int16_t clientId, const ConnectRequest& request,
                         std::shared_ptr<Session> session) {
  Client& client = ClientAt(clientId);
  if (++lastConnection_ == MessageQueue::kNoConnection) ++lastConnection_;
  const uint32_t number = lastConnection_;
  client.Reset();
  client.protocol.store(request.protocol);
  client.deviceId.store(request.deviceId);
  client.appPacketizing.store(request.appPacketizing);
  client.transport.Reset(!request.appPacketizing, kRtsCtsSessions);
  client.rxQueue.Bind(number);
  client.txQueue.Bind(number);
  platform::LockGuard guard(lock_);
  sessionOf_[Index(clientId)] = std::move(session);
  client.connection.store(number, std::memory_order_release);
  return number;
}

// The connection goes first: from then on a waiting read ends and a racing
// send is refused, and unbinding the queues throws away what they held.
void Registry::Release(int16_t clientId) {
  Client& client = ClientAt(clientId);
  platform::LockGuard command(client.commandLock);
  std::shared_ptr<Session> last;
  {
    platform::LockGuard guard(lock_);
    client.connection.store(MessageQueue::kNoConnection,
                            std::memory_order_release);
    last.swap(sessionOf_[Index(clientId)]);
  }
  client.rxQueue.Bind(MessageQueue::kNoConnection);
  client.txQueue.Bind(MessageQueue::kNoConnection);
  client.Reset();
  // Its transfers end and its addresses are given up with it.
  client.transport.Reset(true, kRtsCtsSessions);
}

Registry::ClaimStart Registry::StartClaim(Client& client, uint8_t address,
                                          const network::Name& name) {
  platform::LockGuard guard(claimsLock_);
  size_t claimed = 0;
  bool own = false;
  for (Client& other : clients_) {
    claimed += other.transport.ClaimCount();
    const network::ClaimState state = other.transport.StateOf(address);
    const bool holds = state == network::ClaimState::kPending ||
                       state == network::ClaimState::kClaimed;
    if (&other == &client) {
      own = state != network::ClaimState::kNone;
    } else if (holds) {
      return ClaimStart::kHeldByAnother;
    }
  }
  if (!own && claimed >= kJ1939Addresses) return ClaimStart::kFull;
  return client.transport.Claim(address, name) ? ClaimStart::kStarted
                                               : ClaimStart::kFull;
}

}  // namespace vlr
