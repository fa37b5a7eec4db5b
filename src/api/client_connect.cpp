#include <optional>

#include "api/connection_api.h"
#include "api/rp1210.h"
#include "connection/protocol_string.h"
#include "link/device_traits.h"

namespace vlr::api {
namespace {

// The first client of a device opens it: the port, the start-up dialogue,
// the adapter threads.
int16_t OpenSession(Registry& registry, const link::DeviceTraits& traits,
                    int16_t clientId, const ConnectRequest& request)
    REQUIRES(registry.Lifecycle()) {
  if (registry.PortHeld(traits.comPort)) return ERR_DEVICE_IN_USE;
  auto session = std::make_shared<Session>(traits);
  if (const int16_t result = session->Open(request.protocol); result != 0) {
    return result;
  }
  Client& client = registry.ClientAt(clientId);
  // Joined before the threads start, so nothing the adapter reports right
  // after start-up is lost.
  session->Join(client, registry.Grant(clientId, request, session));
  if (!session->Start()) {
    session->Leave(client);
    registry.Release(clientId);
    session->Close(request.protocol);
    return ERR_DLL_NOT_INITIALIZED;
  }
  registry.AddSession(std::move(session));
  return 0;
}

// Another client of an open device shares its port and threads; the
// adapter is told to report the client's protocol if nobody else asked.
int16_t JoinSession(Registry& registry, const std::shared_ptr<Session>& session,
                    int16_t clientId, const ConnectRequest& request)
    REQUIRES(registry.Lifecycle()) {
  Client& client = registry.ClientAt(clientId);
  session->Join(client, registry.Grant(clientId, request, session));
  platform::LockGuard adapter(session->AdapterLock());
  if (session->FollowReceiveSwitches(request.protocol)) return 0;
  session->Leave(client);
  registry.Release(clientId);
  session->FollowReceiveSwitches(request.protocol);
  return ERR_DLL_NOT_INITIALIZED;
}

int16_t Connect(int16_t deviceId, const char* protocolName,
                bool appPacketizing) {
  const link::DeviceTraits* traits = link::TraitsOf(deviceId);
  if (traits == nullptr) return ERR_INVALID_DEVICE;
  const std::optional<Protocol> protocol = ParseProtocolString(protocolName);
  if (!protocol) return ERR_INVALID_PROTOCOL;
  const ConnectRequest request{deviceId, *protocol, appPacketizing};
  Registry& registry = TheRegistry();
  int16_t clientId = -1;
  {
    platform::LockGuard lifecycle(registry.Lifecycle());
    const std::shared_ptr<Session> session = registry.SessionFor(deviceId);
    // A J1708 client in raw mode owns the device's J1708 traffic.
    if (session && *protocol == Protocol::kJ1708 &&
        session->HasRawJ1708Client()) {
      return ERR_CONNECT_NOT_ALLOWED;
    }
    clientId = registry.FreeClientId();
    if (clientId < 0) return ERR_CLIENT_AREA_FULL;
    const int16_t result =
        session ? JoinSession(registry, session, clientId, request)
                : OpenSession(registry, *traits, clientId, request);
    if (result != 0) return result;
  }
  if (traits->pauseAfterConnectMs != 0) {
    platform::SleepMs(traits->pauseAfterConnectMs);
  }
  return clientId;
}

}  // namespace
}  // namespace vlr::api

extern "C" RP1210_EXPORT short RP1210_API
RP1210_ClientConnect(HWND, short nDeviceId, char* fpchProtocol, long, long,
                     short nIsAppPacketizingIncomingMsgs) {
  try {
    return vlr::api::Connect(nDeviceId, fpchProtocol,
                             nIsAppPacketizingIncomingMsgs != 0);
  } catch (...) {
    return ERR_NOT_ENOUGH_MEMORY;  // no exception may reach the caller
  }
}
