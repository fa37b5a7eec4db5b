// Shared by the integration suites: a simulated adapter on a
// pseudo-terminal that the driver reaches as a COM port, and small helpers
// around the exported functions.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/posix/posix_seam.h"
#include "pseudo_terminal_skip.h"
#include "rp1210.h"
#include "vlrsim/vlrsim.h"

namespace vlrtest {

using Bytes = std::vector<uint8_t>;

inline vlrsim::Family FamilyFor(int deviceId) {
  return deviceId >= 200 ? vlrsim::Family::k2xx : vlrsim::Family::k1xx;
}

inline std::string PortVariable(int deviceId) {
  return "VLR1210_COM" + std::to_string(deviceId % 100);
}

// Points "COMn" of `deviceId` at `path` (the driver reads it at each open).
inline void RoutePort(int deviceId, const std::string& path) {
  setenv(PortVariable(deviceId).c_str(), path.c_str(), 1);
}

class LibraryApplication;

class DriverTest : public ::testing::Test {
  friend class LibraryApplication;

 protected:
  void SetUp() override { VLR_SKIP_WITHOUT_PSEUDO_TERMINAL(); }
  void TearDown() override {
    std::lock_guard guard(clients_lock_);
    for (short client : clients_) RP1210_ClientDisconnect(client);
    clients_.clear();
  }

  // A simulated adapter of the device's family, reachable as its COM port.
  vlrsim::PtyAdapter& StartAdapter(int deviceId,
                                   vlrsim::AdapterOptions options = {}) {
    options.family = FamilyFor(deviceId);
    adapter_ = std::make_unique<vlrsim::PtyAdapter>(options);
    RoutePort(deviceId, adapter_->SlavePath());
    return *adapter_;
  }

  // The client id, or an error code (128 and above). Every client it
  // connects is disconnected at the end of the test.
  short Connect(int deviceId, const char* protocol,
                bool appPacketizing = false) {
    const short result = RP1210_ClientConnect(
        nullptr, static_cast<short>(deviceId), const_cast<char*>(protocol),
        8192, 8192, appPacketizing ? 1 : 0);
    if (result >= 0 && result < ERR_DLL_NOT_INITIALIZED) {
      std::lock_guard guard(clients_lock_);
      clients_.insert(result);
    }
    return result;
  }

  // Connects with an adapter already started, expecting client id 0.
  void ConnectOrFail(int deviceId, const char* protocol) {
    ASSERT_EQ(Connect(deviceId, protocol), 0)
        << "device " << deviceId << " " << protocol;
  }

  short Disconnect(short client = 0) {
    const short result = RP1210_ClientDisconnect(client);
    if (result == 0) Forget(client);
    return result;
  }
  // The driver ended the client itself (a reset): nothing to disconnect.
  void Forget(short client) {
    std::lock_guard guard(clients_lock_);
    clients_.erase(client);
  }

  short Command(short number, Bytes argument = {}) {
    return ClientCommand(0, number, std::move(argument));
  }
  short Command(short number, const char* text) {
    return RP1210_SendCommand(number, 0, const_cast<char*>(text),
                              static_cast<short>(std::strlen(text)));
  }
  short ClientCommand(short client, short number, Bytes argument = {}) {
    return RP1210_SendCommand(number, client,
                              reinterpret_cast<char*>(argument.data()),
                              static_cast<short>(argument.size()));
  }

  short Send(Bytes message) { return ClientSend(0, std::move(message)); }
  short ClientSend(short client, Bytes message, bool block = false) {
    return RP1210_SendMessage(client, reinterpret_cast<char*>(message.data()),
                              static_cast<short>(message.size()), 0,
                              block ? 1 : 0);
  }

  // One read; the record without its timestamp (and echo byte) in `out`.
  short Read(Bytes& out, bool block = false, short size = 600) {
    return ClientRead(0, out, block, size);
  }
  short ClientRead(short client, Bytes& out, bool block = false,
                   short size = 600) {
    Bytes buffer(static_cast<size_t>(size > 0 ? size : 1));
    const short n = RP1210_ReadMessage(
        client, reinterpret_cast<char*>(buffer.data()), size, block ? 1 : 0);
    out.clear();
    if (n > 4) out.assign(buffer.begin() + 4, buffer.begin() + n);
    last_timestamp_ =
        n >= 4 ? (uint32_t{buffer[0]} << 24 | uint32_t{buffer[1]} << 16 |
                  uint32_t{buffer[2]} << 8 | buffer[3])
               : 0;
    return n;
  }

  // Waits until the driver has queued `count` records for the application
  // since the last vlr1210_posix_reset_notifications(), or the generous
  // deadline passed: it broadcasts its notification after queueing each
  // (value 0 from a 2xx adapter, 1 from a 1xx). Nothing is read, so what
  // the test does next meets the records still queued.
  bool WaitForDeliveries(unsigned count, std::chrono::milliseconds within =
                                             std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (Deliveries() < count) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  static unsigned Deliveries() {
    return vlr1210_posix_notifications(VLR1210_MESSAGE_STRING, 0, 0) +
           vlr1210_posix_notifications(VLR1210_MESSAGE_STRING, 1, 1);
  }

  // Reads until `count` records arrived or the generous deadline passed.
  std::vector<Bytes> ReadRecords(
      size_t count,
      std::chrono::milliseconds within = std::chrono::seconds(10)) {
    return ClientRecords(0, count, within);
  }
  std::vector<Bytes> ClientRecords(
      short client, size_t count,
      std::chrono::milliseconds within = std::chrono::seconds(10)) {
    std::vector<Bytes> records;
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (records.size() < count &&
           std::chrono::steady_clock::now() < deadline) {
      Bytes record;
      if (ClientRead(client, record) > 0) {
        records.push_back(record);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
    return records;
  }

  std::unique_ptr<vlrsim::PtyAdapter> adapter_;
  std::mutex clients_lock_;  // tests may connect from several threads
  std::set<short> clients_;
  uint32_t last_timestamp_ = 0;
};

}  // namespace vlrtest
