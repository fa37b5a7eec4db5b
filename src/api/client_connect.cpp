#include <cstdio>
#include <cstring>
#include <optional>

#include "api/connection_api.h"
#include "api/rp1210.h"
#include "connection/protocol_string.h"
#include "link/adapter_threads.h"
#include "link/command_channel.h"
#include "link/device_traits.h"
#include "link/port_setup.h"

namespace vlr::api {

namespace {

// Every connection starts from the same state, whatever the last one left.
// The client's queues are emptied and bound to the connection when its slot
// is granted (ClientTable::Allocate).
void StartAfresh(Protocol protocol) {
  ConnectionState& state = Connection();
  state.protocol.store(protocol, std::memory_order_relaxed);
  std::snprintf(state.protocolName, sizeof state.protocolName, "%s",
                protocol == Protocol::kJ1939 ? "J1939" : "J1708");
  state.LinkStopped.store(0);
  state.adapterLost.store(0);
  state.echoMode.store(0);
  state.j1708RawMode.store(0);
  link::ParserTail().count = 0;
  link::Commands().Reset();
}

struct AdapterThreads {
  platform::Event stop = nullptr;
  platform::Thread reader = nullptr;
  platform::Thread writer = nullptr;
};

// All or nothing: what was made before a failure is released, and a thread
// that was created never runs.
bool CreateAdapterThreads(AdapterThreads& out) {
  out.stop = platform::CreateManualResetEvent();
  out.reader = platform::CreateSuspendedThread(&link::ReaderThread);
  out.writer = platform::CreateSuspendedThread(&link::WriterThread);
  if (out.stop && out.reader && out.writer) return true;
  platform::CloseThread(out.reader);
  platform::CloseThread(out.writer);
  platform::CloseEvent(out.stop);
  return false;
}

void OpenDeviceRecord(int16_t deviceId, platform::Port port,
                      const AdapterThreads& threads) {
  DeviceRecord& device = Device();
  device.SetDeviceId(deviceId);
  device.AddClient(deviceId);
  device.SetPortHandle(deviceId, port);
  device.SetStopEvent(deviceId, threads.stop);
  device.SetReaderThread(deviceId, threads.reader);
  device.SetWriterThread(deviceId, threads.writer);
}

int16_t Fail(int16_t clientId, platform::Port port, int16_t code) {
  Clients().Release(clientId);
  platform::ClosePort(port);
  return code;
}

int16_t Connect(int16_t deviceId, const char* protocolName, long txSize,
                long rxSize) {
  ConnectionState& state = Connection();
  if (!DeviceRecord::IsValidDeviceId(deviceId)) return ERR_INVALID_DEVICE;
  const std::optional<Protocol> parsed = ParseProtocolString(protocolName);
  if (!parsed) return ERR_INVALID_PROTOCOL;
  const Protocol protocol = *parsed;
  if (Device().IsOpen(deviceId) && protocol == Protocol::kJ1708 &&
      Device().GetRawMode() == 1) {
    return ERR_CONNECT_NOT_ALLOWED;
  }
  // Set only once the connect goes ahead: a refused connect runs beside the
  // adapter threads of the open connection, which read these. They are set
  // before the slot is granted, so an application thread that already sees
  // the new client id (sending while the connect runs) frames its message
  // for this connection, not for the last one.
  if (Clients().IsValidClient(0)) return ERR_CLIENT_AREA_FULL;
  state.settings = DriverSettings{};
  StartAfresh(protocol);
  state.currentDeviceId.store(deviceId);
  int16_t clientId = -1;
  if (Clients().Allocate(clientId) != 0) return ERR_CLIENT_AREA_FULL;
  Clients().SetDeviceId(clientId, deviceId);
  platform::Port port = link::OpenDevicePort(deviceId);
  if (port == nullptr) return Fail(clientId, nullptr, ERR_DEVICE_IN_USE);
  if (link::ConfigurePort(port, deviceId, txSize, rxSize) == 0) {
    return Fail(clientId, port, ERR_DLL_NOT_INITIALIZED);
  }
  AdapterThreads threads;
  if (!CreateAdapterThreads(threads)) {
    return Fail(clientId, port, ERR_DLL_NOT_INITIALIZED);
  }
  OpenDeviceRecord(deviceId, port, threads);
  platform::SetThreadPriority(
      threads.reader, ThreadPriorityForCode(state.settings.readerPriority));
  platform::SetThreadPriority(
      threads.writer, ThreadPriorityForCode(state.settings.writerPriority));
  platform::ResumeThread(threads.reader);
  platform::ResumeThread(threads.writer);
  const uint32_t pause = link::TraitsOf(deviceId)->pauseAfterConnectMs;
  if (pause != 0) platform::SleepMs(pause);
  return clientId;
}

}  // namespace
}  // namespace vlr::api

extern "C" RP1210_EXPORT short RP1210_API
RP1210_ClientConnect(HWND, short nDeviceId, char* fpchProtocol,
                     long lTxBufferSize, long lRcvBufferSize, short) {
  try {
    return vlr::api::Connect(nDeviceId, fpchProtocol, lTxBufferSize,
                             lRcvBufferSize);
  } catch (...) {
    return ERR_NOT_ENOUGH_MEMORY;  // no exception may reach the caller
  }
}
