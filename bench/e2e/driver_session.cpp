#include "driver_session.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <iterator>

#include "rp1210.h"

namespace vlr::bench {
namespace {

constexpr short kDeviceId = 201;
// The driver opens "COMn" at the path this names (n = device id % 100).
constexpr char kPortVariable[] = "VLR1210_COM1";

ThreadIds NewThreads(const ThreadIds& before, const ThreadIds& after) {
  ThreadIds added;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::inserter(added, added.end()));
  return added;
}

}  // namespace

DriverSession::DriverSession(bool throttle) {
  try {
    Open(throttle);
  } catch (const std::exception& e) {
    error_ = std::string("simulator: ") + e.what();
  }
}

DriverSession::~DriverSession() {
  if (connected_) RP1210_ClientDisconnect(0);
}

void DriverSession::Open(bool throttle) {
  vlrsim::AdapterOptions options;
  options.family = vlrsim::Family::k2xx;
  options.throttle = throttle;
  const ThreadIds beforeSimulator = ProcessThreads();
  adapter_ = std::make_unique<vlrsim::PtyAdapter>(options);
  const ThreadIds beforeDriver = ProcessThreads();
  simulatorThreads_ = NewThreads(beforeSimulator, beforeDriver);
  setenv(kPortVariable, adapter_->SlavePath().c_str(), 1);

  char protocol[] = "J1939";
  const short connect =
      RP1210_ClientConnect(nullptr, kDeviceId, protocol, 8192, 8192, 0);
  if (connect != 0) {
    error_ = "RP1210_ClientConnect returned " + std::to_string(connect);
    return;
  }
  connected_ = true;
  driverThreads_ = NewThreads(beforeDriver, ProcessThreads());
  const short allPass =
      RP1210_SendCommand(RP1210_Set_All_Filters_States_to_Pass, 0, nullptr, 0);
  if (allPass != 0) {
    error_ = "command 3 returned " + std::to_string(allPass);
  }
}

}  // namespace vlr::bench
