#include "driver_session.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <iterator>

#include "ping_probe.h"
#include "rp1210.h"

namespace vlr::bench {
namespace {

// Both on COM1: the driver opens "COMn" at the path VLR1210_COMn names
// (n = device id % 100).
constexpr short k2xxDevice = 201;
constexpr short k1xxDevice = 101;
constexpr char kPortVariable[] = "VLR1210_COM1";

ThreadIds NewThreads(const ThreadIds& before, const ThreadIds& after) {
  ThreadIds added;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::inserter(added, added.end()));
  return added;
}

}  // namespace

DriverSession::DriverSession(bool throttle)
    : DriverSession(SessionSetup{.throttle = throttle}) {}

DriverSession::DriverSession(const SessionSetup& setup) {
  try {
    Open(setup);
  } catch (const std::exception& e) {
    error_ = std::string("simulator: ") + e.what();
  }
}

DriverSession::~DriverSession() {
  if (connected_) RP1210_ClientDisconnect(0);
}

void DriverSession::AnswerRequest(const vlrsim::HostFrame& frame) {
  if (const auto answer = AnswerTo(frame)) {
    adapter_->PutOnBus(vlrsim::Bus::kJ1939, answer->id, answer->data);
  }
}

void DriverSession::Open(const SessionSetup& setup) {
  vlrsim::AdapterOptions options;
  options.family = setup.family;
  options.throttle = setup.throttle;
  options.line_paced = setup.linePaced;
  // The I/O thread calls this only for frames the host writes, which
  // begin after the connect below, when adapter_ is set.
  if (setup.answerRequests) {
    options.on_host_frame = [this](const vlrsim::HostFrame& frame) {
      AnswerRequest(frame);
    };
  }
  const ThreadIds beforeSimulator = ProcessThreads();
  adapter_ = std::make_unique<vlrsim::PtyAdapter>(options);
  const ThreadIds beforeDriver = ProcessThreads();
  simulatorThreads_ = NewThreads(beforeSimulator, beforeDriver);
  setenv(kPortVariable, adapter_->SlavePath().c_str(), 1);

  char protocol[] = "J1939";
  const short device =
      setup.family == vlrsim::Family::k2xx ? k2xxDevice : k1xxDevice;
  const short connect =
      RP1210_ClientConnect(nullptr, device, protocol, 8192, 8192, 0);
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
