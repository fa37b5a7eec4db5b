// The exported functions called directly, as the shared cases call them,
// through the fixture so that every client left connected is disconnected
// at the end of the test.
#pragma once

#include "driver_fixture.h"
#include "several_clients_cases.h"

namespace vlrtest {

class LibraryApplication : public several_clients::Application {
 public:
  explicit LibraryApplication(DriverTest& test) : test_(test) {}
  int Connect(int device, const char* protocol) override {
    return test_.Connect(device, protocol);
  }
  int ConnectPacketizing(int device, const char* protocol) override {
    return test_.Connect(device, protocol, true);
  }
  int Disconnect(int client) override {
    return test_.Disconnect(static_cast<short>(client));
  }
  int Command(int number, int client, const Bytes& argument) override {
    return test_.ClientCommand(static_cast<short>(client),
                               static_cast<short>(number), argument);
  }
  int Send(int client, const Bytes& message) override {
    return test_.ClientSend(static_cast<short>(client), message);
  }
  int SendBlocking(int client, const Bytes& message) override {
    return test_.ClientSend(static_cast<short>(client), message, true);
  }
  int Poll(int client, Bytes& record,
           std::chrono::milliseconds within) override {
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
      const short n = test_.ClientRead(static_cast<short>(client), record,
                                       false, kLongestRead);
      if (n != 0 || std::chrono::steady_clock::now() >= deadline) return n;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

 private:
  // 1785 data bytes, 6 header bytes, the stamp and the echo byte.
  static constexpr short kLongestRead = 1796;
  DriverTest& test_;
};

}  // namespace vlrtest
