#include "help.h"

#include "dash_command.h"
#include "info.h"
#include "monitor.h"
#include "plot_command.h"
#include "send_options.h"
#include "sim_command.h"
#include "simulation_options.h"

namespace vlrclient {
namespace {

constexpr const char* kOverview =
    R"(vlr1210: watch and drive J1939 and J1708 vehicle networks through an
RP1210 adapter of the Volra 1xx or 2xx family, or the built-in simulator.

  vlr1210                     demonstration: a simulated truck, monitored
  vlr1210 monitor [options]   print the messages of a device until stopped
  vlr1210 dash [options]      a full-screen dashboard: signals, faults, rates
  vlr1210 plot [CAPTURE] [options]
                              signals over time into PNG and SVG files
  vlr1210 send [options] [IIIIIIII#DATA]
                              transmit a J1939 or J1708 message
  vlr1210 info [--device ID]  versions, devices, hardware status
  vlr1210 ports [set COMn PATH | unset COMn]
                              where the COM ports lead; set them for this user
  vlr1210 sim [options]       a simulated adapter for other programs
  vlr1210 demo [options]      the demonstration, with monitor options
  vlr1210 help [COMMAND]      this text, or a command's options

Examples:
  vlr1210 monitor --device 202 --pgn EEC1 --pgn CCVS --duration 10
  vlr1210 monitor --device 201 --format candump --output trace.log
  vlr1210 send --device 201 18EA00F9#E5FE00
  vlr1210 send --device 201 --protocol J1708 --mid 128 --data "54 00"
  vlr1210 sim --replay capture.log --loop

The driver is loaded by path: --driver PATH, else $VLR1210_DRIVER, else
libvlr1210.so beside this program, else the one it was built or installed
with. On Linux the driver opens COMn as the path in $VLR1210_COMn, else the one in
$XDG_CONFIG_HOME/vlr1210/ports.ini (~/.config/...), else /etc/vlr1210/ports.ini,
else /dev/ttyS<n-1>.
Exit status: 0 success, 1 a driver or I/O failure, 2 a usage error.
)";

constexpr const char* kPortsHelp =
    R"(vlr1210 ports                      where COM1-COM4 lead, and which setting says so
vlr1210 ports set COMn /dev/PATH   write it into the user's ports file
vlr1210 ports unset COMn           take it out of that file again

The user's file is $XDG_CONFIG_HOME/vlr1210/ports.ini (else
~/.config/vlr1210/ports.ini); /etc/vlr1210/ports.ini holds the machine's.
Lines read "COM1 = /dev/ttyUSB0"; # starts a comment. $VLR1210_COMn comes
before both files. A file with a line the driver does not understand is
ignored whole, and the client says so.
)";

}  // namespace

bool PrintHelp(std::ostream& out, std::string_view command) {
  MonitorOptions monitor;
  SendOptions send;
  SimulationOptions traffic;
  if (command.empty()) {
    out << kOverview;
  } else if (command == "monitor" || command == "demo") {
    out << "vlr1210 " << command << " options:\n";
    PrintOptions(out, MonitorOptionTable(monitor));
    if (command == "demo") PrintOptions(out, TrafficOptionTable(traffic));
    out << "  --driver PATH              the RP1210 driver library to load\n";
  } else if (command == "send") {
    out << "vlr1210 send [IIIIIIII#DATA] options:\n";
    PrintOptions(out, SendOptionTable(send));
  } else if (command == "sim") {
    PrintSimHelp(out);
  } else if (command == "plot") {
    PrintPlotHelp(out);
  } else if (command == "dash") {
    PrintDashHelp(out);
  } else if (command == "ports") {
    out << kPortsHelp;
  } else if (command == "info") {
    PrintInfoHelp(out);
  } else {
    return false;
  }
  return true;
}

}  // namespace vlrclient
