// One application connection through the exported functions to a
// simulated 2xx adapter on a pseudo-terminal: device 201, J1939, then
// command 3, since a new connection discards every message until the
// application sets its filters.
#pragma once

#include <memory>
#include <string>

#include "cpu_usage.h"
#include "vlrsim/vlrsim.h"

namespace vlr::bench {

class DriverSession {
 public:
  // `throttle`: the simulator paces its output at the line rate.
  explicit DriverSession(bool throttle);
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
  void Open(bool throttle);

  std::unique_ptr<vlrsim::PtyAdapter> adapter_;
  ThreadIds simulatorThreads_;
  ThreadIds driverThreads_;
  bool connected_ = false;
  std::string error_;
};

}  // namespace vlr::bench
