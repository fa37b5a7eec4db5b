// The one piece of process-wide state: the clients of the process and the
// sessions (open devices) they are connected to. The order in which the
// driver's locks are taken is written in connection/session.h.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "connection/client.h"
#include "connection/session.h"
#include "platform/platform.h"
#include "vlr/thread_annotations.h"

namespace vlr {

// What an exported call works with: one client's connection, taken once.
// The session stays alive while the call holds it, even if another thread
// disconnects the client meanwhile; the call then finds the client serving
// no connection, or another one, and acts for nobody.
struct ClientRef {
  Client* client = nullptr;
  uint32_t connection = MessageQueue::kNoConnection;
  Protocol protocol = Protocol::kJ1708;
  int16_t deviceId = -1;
  std::shared_ptr<Session> session;

  explicit operator bool() const { return client != nullptr; }
};

struct ConnectRequest {
  int16_t deviceId = -1;
  Protocol protocol = Protocol::kJ1708;
  bool appPacketizing = false;
};

class Registry {
 public:
  // Held for a whole connect or disconnect: sessions are made and closed,
  // and client ids granted and released, one at a time.
  platform::Lock& Lifecycle() RETURN_CAPABILITY(lifecycleLock_) {
    return lifecycleLock_;
  }

  // Any thread. Empty for an id out of range or not connected.
  ClientRef Find(int16_t clientId);

  // ----- under the lifecycle lock
  std::shared_ptr<Session> SessionFor(int16_t deviceId) const
      REQUIRES(lifecycleLock_);
  // Another open device uses the COM port.
  bool PortHeld(uint8_t comPort) const REQUIRES(lifecycleLock_);
  void AddSession(std::shared_ptr<Session> session) REQUIRES(lifecycleLock_);
  void RemoveSession(const Session* session) REQUIRES(lifecycleLock_);
  // The lowest free client id, or -1 when all are taken.
  int16_t FreeClientId() const REQUIRES(lifecycleLock_);
  // Gives the free client `clientId` a new connection to `session` and
  // publishes it; returns the connection's number.
  uint32_t Grant(int16_t clientId, const ConnectRequest& request,
                 std::shared_ptr<Session> session) REQUIRES(lifecycleLock_);
  // Ends the client's connection, after any command running for it.
  void Release(int16_t clientId) REQUIRES(lifecycleLock_);
  Client& ClientAt(int16_t clientId) { return clients_[Index(clientId)]; }

  // ----- any thread: the J1939 addresses the process claims
  enum class ClaimStart { kStarted, kFull, kHeldByAnother };
  // Starts `client`'s claim of `address` unless the process already
  // protects as many addresses as it announces, or another client holds
  // the address (two clients of one process must never contest it).
  ClaimStart StartClaim(Client& client, uint8_t address,
                        const network::Name& name);

 private:
  static size_t Index(int16_t clientId) {
    return static_cast<size_t>(clientId);
  }

  platform::Lock lifecycleLock_ ACQUIRED_BEFORE(lock_);
  platform::Lock lock_;
  platform::Lock claimsLock_;
  std::array<Client, kMaxClients> clients_;
  std::array<std::shared_ptr<Session>, kMaxClients> sessionOf_
      GUARDED_BY(lock_);
  std::vector<std::shared_ptr<Session>> sessions_ GUARDED_BY(lifecycleLock_);
  uint32_t lastConnection_ GUARDED_BY(lifecycleLock_) =
      MessageQueue::kNoConnection;
};

// Built on first use (at the latest at the first exported call), never at
// load, and destroyed at unload.
Registry& TheRegistry();

}  // namespace vlr
