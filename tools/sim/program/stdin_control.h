// Control commands for a running simulator, one per line, so that other
// harnesses (the Windows tests under Wine) can drive it:
//   send j1939 ID DATA     a J1939 message on the bus (ID and DATA in hex)
//   send j1708 MID DATA..  a J1708 message on the bus (hex bytes)
//   raw BYTES..            write bytes as they are
//   ready                  write the 2xx ready frame
//   silent on|off          loopback on|off
//   ready-delay MS|off     throttle on|off
//   line-paced on|off
//   baud                   print the host's line rate
//   state                  print the 2xx adapter state
//   ecu ..., ecu-send ..., ecu-fault ..., contend ...
//                          the simulated J1939 network (network_script.h)
//   ecu-state ADDR         print what the ECU holds and received
//   quit
// Each command answers one line: "ok ..." or "error ...".
#pragma once

#include <ostream>
#include <string_view>

#include "vlrsim/pty_adapter.h"

namespace vlrsim::program {

enum class ControlOutcome { kContinue, kQuit };

ControlOutcome RunControlLine(PtyAdapter& adapter, std::string_view line,
                              std::ostream& out);

}  // namespace vlrsim::program
