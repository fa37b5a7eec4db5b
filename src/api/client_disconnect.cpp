#include "api/connection_api.h"
#include "api/rp1210.h"

namespace vlr::api {
namespace {

constexpr char kOemKeyPath[] = "SOFTWARE\\Volra\\KT 300";
constexpr uint32_t kPauseBeforeDisconnectMs = 200;

// The outside application's registration is read, as the adapter's own
// tools expect; a key that cannot be opened is no reason to fail.
void ReadOemApplication() {
  char oemApplication[200] = "";
  platform::RegistryKeyHandle key = nullptr;
  if (platform::OpenMachineKey(kOemKeyPath, key) == 0) {
    platform::QueryStringValue(key, "OEMApp", oemApplication,
                               sizeof oemApplication);
    platform::CloseKey(key);
  }
}

}  // namespace

int16_t Disconnect(int16_t clientId) {
  Registry& registry = TheRegistry();
  platform::LockGuard lifecycle(registry.Lifecycle());
  const ClientRef ref = registry.Find(clientId);
  if (!ref) return ERR_INVALID_CLIENT_ID;
  Session& session = *ref.session;
  session.Leave(*ref.client);
  registry.Release(clientId);
  if (session.ClientCount() == 0) {
    session.Close(ref.protocol);
    ReadOemApplication();
    registry.RemoveSession(&session);
    return 0;
  }
  // The others go on receiving; only a protocol nobody takes any more is
  // switched off at the adapter.
  platform::LockGuard adapter(session.AdapterLock());
  session.FollowReceiveSwitches(ref.protocol);
  return 0;
}

int16_t ClientDisconnect(int16_t clientId) {
  platform::SleepMs(kPauseBeforeDisconnectMs);
  return Disconnect(clientId);
}

}  // namespace vlr::api

extern "C" RP1210_EXPORT short RP1210_API
RP1210_ClientDisconnect(short nClientID) {
  try {
    return vlr::api::ClientDisconnect(nClientID);
  } catch (...) {
    return ERR_FREE_MEMORY;  // no exception may reach the caller
  }
}
