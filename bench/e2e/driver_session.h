// One application connection through the exported functions to a
// simulated adapter on a pseudo-terminal: device 201 (or 101), J1939, then
// command 3, since a new connection discards every message until the
// application sets its filters.
#pragma once

#include <memory>
#include <string>

#include "cpu_usage.h"
#include "vlrsim/vlrsim.h"

namespace vlr::bench {

struct SessionSetup {
  vlrsim::Family family = vlrsim::Family::k2xx;
  // The simulator paces its output at the line rate.
  bool throttle = false;
  // The simulator paces both directions at the line rate.
  bool linePaced = false;
  // The simulated node answers every J1939 request (PGN EA00) for a
  // parameter group at once, from address 0 (see ping_probe.h).
  bool answerRequests = false;
};

class DriverSession {
 public:
  // `throttle`: the simulator (2xx) paces its output at the line rate.
  explicit DriverSession(bool throttle);
  explicit DriverSession(const SessionSetup& setup);
  ~DriverSession();
  DriverSession(const DriverSession&) = delete;
  DriverSession& operator=(const DriverSession&) = delete;

  // Empty when connected; otherwise what went wrong.
  const std::string& Error() const { return error_; }
  bool Ok() const { return error_.empty(); }

  vlrsim::PtyAdapter& Adapter() { return *adapter_; }
  // Threads that appeared with the simulator and with the connection.
  const ThreadIds& SimulatorThreads() const { return simulatorThreads_; }
  const ThreadIds& DriverThreads() const { return driverThreads_; }

 private:
  void Open(const SessionSetup& setup);
  void AnswerRequest(const vlrsim::HostFrame& frame);

  std::unique_ptr<vlrsim::PtyAdapter> adapter_;
  ThreadIds simulatorThreads_;
  ThreadIds driverThreads_;
  bool connected_ = false;
  std::string error_;
};

}  // namespace vlr::bench
