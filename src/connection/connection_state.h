#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>

#include "connection/client_table.h"
#include "connection/device_record.h"
#include "connection/driver_settings.h"

namespace vlr {

enum class Protocol : uint8_t { kJ1708, kJ1939 };

// The process-wide state of the one connection. The connect writes the
// plain fields before it starts the adapter threads and the disconnect
// reads them after the threads end; the switches, which threads change
// while others read them, are atomic.
struct ConnectionState {
  // Atomic because an application's send may race the next connect.
  std::atomic<Protocol> protocol{Protocol::kJ1708};
  char protocolName[6] = "";
  std::atomic<int32_t> currentDeviceId{-1};
  DriverSettings settings;

  // Each switch has one setting side and one clearing side; a stale read
  // only delays the reaction by one thread cycle.
  std::atomic<uint8_t> OkToSend{1};
  std::atomic<uint8_t> LinkStopped{0};
  // The port reported the adapter gone (unplugged, line hung up). Set by
  // the adapter threads, cleared by the next connect. Unlike LinkStopped
  // the threads go on idling until the disconnect, and the application can
  // still read what was queued before.
  std::atomic<uint8_t> adapterLost{0};
  std::atomic<uint8_t> echoMode{0};
  std::atomic<uint8_t> j1708RawMode{0};

  bool IsJ1939() const {
    return protocol.load(std::memory_order_relaxed) == Protocol::kJ1939;
  }
  bool LinkDown() const {
    return adapterLost.load(std::memory_order_acquire) != 0;
  }
};

// The records of the process, built at load and destroyed at unload.
ConnectionState& Connection();
DeviceRecord& Device();
ClientTable& Clients();

}  // namespace vlr
