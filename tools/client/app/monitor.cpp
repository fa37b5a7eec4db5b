#include "monitor.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <fstream>
#include <iostream>
#include <set>
#include <thread>

#include "connection.h"
#include "message_printer.h"
#include "pcap_output.h"
#include "progress.h"
#include "statistics.h"
#include "stop_signal.h"

namespace vlrclient {
namespace {

using Clock = std::chrono::steady_clock;

// The largest record: a whole transported message of 1785 data bytes
// after the 6-byte J1939 header, the timestamp and the echo byte.
constexpr std::size_t kReadBufferSize = 1796;
// Between reads that find nothing: short enough that a 115200-baud adapter
// (about 520 messages a second) never builds up a backlog.
constexpr auto kIdlePause = std::chrono::milliseconds(2);

const uint8_t kOn[] = {'1'};
const uint8_t kRawMode[] = {'0'};

std::optional<DriverError> Prepare(Connection& connection,
                                   const MonitorOptions& o) {
  if (o.echo) {
    if (auto error = connection.Command(RP1210_Echo_Transmitted_Messages, kOn,
                                        "echo on"))
      return error;
  }
  if (o.raw_j1708) {
    if (auto error = connection.Command(RP1210_Set_J1708_Mode, kRawMode,
                                        "J1708 raw mode"))
      return error;
  }
  if (!o.filter.empty()) {
    return connection.Command(RP1210_Set_Message_Filtering_For_J1939,
                              BuildFilterGroups(o.filter), "J1939 filter");
  }
  return connection.Command(RP1210_Set_All_Filters_States_to_Pass, {},
                            "open filters");
}

// Errors that end the run: the connection is gone.
bool IsFatal(short code) {
  return code == ERR_HARDWARE_NOT_RESPONDING || code == ERR_INVALID_CLIENT_ID;
}

// Messages still in the adapter, the line and the driver's queue when a
// replay has played out.
constexpr auto kDrainGrace = std::chrono::milliseconds(1500);

struct Loop {
  const MonitorHooks& hooks;
  PcapOutput* capture;
  std::optional<Clock::time_point> drained_by;
  Connection& connection;
  MessagePrinter& printer;
  Statistics& statistics;
  Progress& progress;
  std::ostream& out;
};

bool Finished(const MonitorOptions& o, Loop& loop, Clock::time_point start) {
  if (StopRequested()) return true;
  if (o.count && loop.statistics.messages() >= *o.count) return true;
  const Clock::time_point now = Clock::now();
  if (o.duration_s &&
      now - start >= std::chrono::duration<double>(*o.duration_s))
    return true;
  if (!loop.drained_by && loop.hooks.traffic_done &&
      loop.hooks.traffic_done()) {
    loop.drained_by = now + kDrainGrace;
  }
  return loop.drained_by && now >= *loop.drained_by;
}

// Reads until the options say stop; false when a fatal error ended it.
bool ReadUntilDone(const MonitorOptions& o, Loop& loop,
                   Clock::time_point start) {
  std::array<uint8_t, kReadBufferSize> buffer{};
  std::set<short> reported;
  while (!Finished(o, loop, start)) {
    const short got = loop.connection.ReadNow(buffer);
    if (got > 0) {
      if (!loop.printer.Handle(
              std::span(buffer.data(), static_cast<std::size_t>(got)))) {
        std::cerr << "vlr1210: ignored a record of " << got
                  << " bytes that fits no layout\n";
      }
      loop.progress.Update(loop.statistics.messages());
      continue;
    }
    if (got < 0) {
      const short code = static_cast<short>(-got);
      loop.statistics.CountError(code);
      if (reported.insert(code).second) {
        std::cerr << "vlr1210: read: "
                  << loop.connection.driver().ErrorText(code) << "\n";
      }
      if (IsFatal(code)) return false;
    }
    loop.out.flush();
    if (loop.capture) loop.capture->Flush();
    std::this_thread::sleep_for(kIdlePause);
  }
  return true;
}

// The capture --format pcap or --write asks for; false when it cannot be
// written.
bool OpenCapture(const MonitorOptions& o, std::unique_ptr<PcapOutput>& out) {
  std::string path = o.capture_path;
  if (o.format == vlrdecode::OutputFormat::kPcap)
    path = o.output_path.empty() ? "-" : o.output_path;
  if (path.empty()) return true;
  if (path == "-" && isatty(STDOUT_FILENO)) {
    std::cerr << "vlr1210: a pcap capture is binary; pipe it (| wireshark -k "
                 "-i -) or give --output FILE.pcap\n";
    return false;
  }
  std::string error;
  out = PcapOutput::Open(path, error);
  if (!out) std::cerr << "vlr1210: " << error << "\n";
  return out != nullptr;
}

}  // namespace

int RunMonitor(const DriverLibrary& driver, const MonitorOptions& o,
               const MonitorHooks& hooks) {
  std::unique_ptr<PcapOutput> capture;
  if (!OpenCapture(o, capture)) return 1;
  std::ofstream file;
  if (!o.output_path.empty() && o.format != vlrdecode::OutputFormat::kPcap) {
    file.open(o.output_path, std::ios::out | std::ios::trunc);
    if (!file) {
      std::cerr << "vlr1210: cannot write " << o.output_path << "\n";
      return 1;
    }
  }
  std::ostream& out = o.output_path.empty() ? std::cout : file;
  DriverError error;
  auto connection =
      Connection::Open(driver, o.device, o.protocol, error, o.raw_transport);
  if (!connection) {
    std::cerr << "vlr1210: " << error.message << "\n";
    return 1;
  }
  if (auto failed = Prepare(*connection, o)) {
    std::cerr << "vlr1210: " << failed->message << "\n";
    return 1;
  }
  if (isatty(STDERR_FILENO)) {
    std::cerr << "vlr1210: monitoring device " << o.device << " (" << o.protocol
              << "); Ctrl-C to stop\n";
  }
  if (hooks.ready) hooks.ready();
  Statistics statistics;
  const vlrdecode::ReadLayout layout{o.protocol == "J1939"
                                         ? vlrdecode::Protocol::kJ1939
                                         : vlrdecode::Protocol::kJ1708,
                                     o.echo, o.raw_j1708};
  MessagePrinter printer(layout, o.format, out, statistics);
  if (!o.filter.empty()) printer.SetLocalFilter(o.filter);
  printer.SetCapture(capture.get());
  Progress progress(ShouldShowProgress(o.output_path.empty()));
  const Clock::time_point start = Clock::now();
  Loop loop{hooks,   capture.get(), std::nullopt, *connection,
            printer, statistics,    progress,     out};
  const bool intact = ReadUntilDone(o, loop, start);
  progress.Finish();
  out.flush();
  if (o.summary) {
    const double seconds =
        std::chrono::duration<double>(Clock::now() - start).count();
    statistics.Print(std::cerr, seconds,
                     [&](short code) { return driver.ErrorText(code); });
  }
  if (capture) capture->Flush();
  if (!out || (capture && !capture->ok())) {
    std::cerr << "vlr1210: writing the messages failed\n";
    return 1;
  }
  return intact && statistics.errors() == 0 ? 0 : 1;
}

}  // namespace vlrclient
