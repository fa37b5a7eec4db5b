#include "api/connection_api.h"
#include "api/rp1210.h"
#include "link/frames.h"

namespace vlr::api {
namespace {

constexpr char kOemKeyPath[] = "SOFTWARE\\Volra\\KT 300";

void StopAdapterThreads(int16_t deviceId) {
  DeviceRecord& device = Device();
  platform::Event stop = device.GetStopEvent(deviceId);
  platform::Thread reader = device.GetReaderThread(deviceId);
  platform::Thread writer = device.GetWriterThread(deviceId);
  platform::SignalEvent(stop);
  if (platform::WaitForBothThreads(reader, writer)) {
    platform::CloseThread(reader);
    platform::CloseThread(writer);
  }
  platform::CloseEvent(stop);
}

void SendReceiveOff(platform::Port port) {
  const ConnectionState& state = Connection();
  if (FamilyOf(state.currentDeviceId.load()) != DeviceFamily::k2xx) return;
  const link::Frame off = link::ReceiveOffFrame(state.IsJ1939());
  uint32_t written = 0;
  // No reply is awaited: the port closes right after.
  platform::WritePort(port, off.bytes.data(), static_cast<uint32_t>(off.length),
                      written);
}

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
  if (!Clients().IsValidClient(clientId)) return ERR_INVALID_CLIENT_ID;
  const int16_t deviceId = Clients().GetDeviceId(clientId);
  if (Device().GetClientCount(deviceId) == 0) return 0;
  platform::Port port = Device().GetPortHandle(deviceId);
  StopAdapterThreads(deviceId);
  SendReceiveOff(port);
  ReadOemApplication();
  platform::ClosePort(port);
  const bool released = Clients().Release(clientId);
  // The port and the threads are gone either way; a record that still
  // named them would hand closed handles to the next caller.
  Device().Reset();
  return released ? 0 : ERR_FREE_MEMORY;
}

int16_t ClientDisconnect(int16_t clientId) {
  platform::SleepMs(200);
  return Disconnect(clientId);
}

}  // namespace vlr::api

extern "C" RP1210_EXPORT short RP1210_API
RP1210_ClientDisconnect(short nClientID) {
  return vlr::api::ClientDisconnect(nClientID);
}
