#include "dash_command.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

#include "command_line.h"
#include "connection.h"
#include "dash_layout.h"
#include "dash_screen.h"
#include "dashboard_model.h"
#include "demo.h"
#include "driver_library.h"
#include "event_reader.h"
#include "simulated_adapter.h"
#include "simulation_options.h"
#include "stop_signal.h"
#include "values.h"

namespace vlrclient {
namespace {

using Clock = std::chrono::steady_clock;
using vlrdash::DashboardModel;

// A steady redraw whatever the traffic; the history gains a point every
// other redraw, so the line spans half a minute.
constexpr auto kRedrawPeriod = std::chrono::milliseconds(250);
constexpr int kRedrawsPerSample = 2;
// The driver queues 3000 messages; a 115200-baud adapter fills 20 ms with
// about ten, so reading this often costs little and loses nothing.
constexpr auto kIdlePause = std::chrono::milliseconds(20);
constexpr std::size_t kReadBufferSize = 1796;  // a whole 1785-byte message

struct DashOptions {
  short device = 201;
  std::string protocol = "J1939";
  bool simulate = false;
  SimulationOptions traffic;
  std::string driver_path;
};

std::vector<OptionDefinition> DashOptionTable(DashOptions& o) {
  std::vector<OptionDefinition> table = {
      DeviceIdOption("RP1210 device id: 101-104, 201-204 (default 201)",
                     [&o](short id) { o.device = id; }),
      {"--protocol", "NAME", "J1939 (default) or J1708; the j key switches",
       [&o](std::string_view v) -> std::string {
         auto protocol = ParseProtocol(v);
         if (!protocol) return "expected J1939 or J1708";
         o.protocol = *protocol;
         return {};
       }},
      {"--sim", "", "watch the built-in simulated adapter instead of a device",
       [&o](std::string_view) {
         o.simulate = true;
         return std::string();
       }},
  };
  for (OptionDefinition& option : TrafficOptionTable(o.traffic))
    table.push_back(std::move(option));
  table.push_back(DriverPathOption(o.driver_path));
  return table;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             Clock::now().time_since_epoch())
      .count();
}

class Dashboard {
 public:
  Dashboard(const DriverLibrary& driver, DashOptions& o, std::string source)
      : driver_(driver), o_(o), source_(std::move(source)) {}

  // Connects with the current protocol; the error text, empty on success.
  std::string Connect() {
    connection_.reset();
    DriverError error;
    connection_ = Connection::Open(driver_, o_.device, o_.protocol, error);
    if (!connection_) return error.message;
    if (auto failed = connection_->Command(
            RP1210_Set_All_Filters_States_to_Pass, {}, "open filters"))
      return failed->message;
    reader_ = std::make_unique<vlrdash::EventReader>(vlrdecode::ReadLayout{
        o_.protocol == "J1939" ? vlrdecode::Protocol::kJ1939
                               : vlrdecode::Protocol::kJ1708});
    return {};
  }

  void Run(vlrdash::DashScreen& screen) {
    auto next_redraw = Clock::now();
    int redraws = 0;
    while (!StopRequested() && HandleKeys(screen)) {
      const bool read_any = ReadAvailable();
      if (Clock::now() >= next_redraw) {
        if (!paused_) {
          model_.Tick(NowMs());
          if (++redraws % kRedrawsPerSample == 0) model_.Sample();
        }
        Draw(screen);
        next_redraw += kRedrawPeriod;
        if (next_redraw < Clock::now()) next_redraw = Clock::now();
      }
      if (!read_any) std::this_thread::sleep_for(kIdlePause);
    }
  }

 private:
  // False once the user asked to quit.
  bool HandleKeys(vlrdash::DashScreen& screen) {
    for (int key = screen.ReadKey(); key != -1; key = screen.ReadKey()) {
      switch (key) {
        case 'q':
        case 'Q':
          return false;
        case 'p':
        case 'P':
        case ' ':
          paused_ = !paused_;
          break;
        case 'r':
        case 'R':
          model_.ResetCounters(NowMs());
          break;
        case 'j':
        case 'J':
          SwitchProtocol();
          break;
        default:
          break;
      }
      Draw(screen);
    }
    return true;
  }

  void SwitchProtocol() {
    o_.protocol = o_.protocol == "J1939" ? "J1708" : "J1939";
    model_ = DashboardModel();
    note_ = Connect();
  }

  // Everything the driver holds now; true when something was read.
  bool ReadAvailable() {
    if (!connection_) return false;
    std::array<uint8_t, kReadBufferSize> buffer{};
    bool any = false;
    for (;;) {
      const short got = connection_->ReadNow(buffer);
      if (got == 0) return any;
      any = true;
      if (got < 0) {
        const auto code = static_cast<short>(-got);
        model_.CountError(code, driver_.ErrorText(code));
        if (code == ERR_HARDWARE_NOT_RESPONDING) {
          note_ = "the adapter is gone: " + driver_.ErrorText(code) +
                  "; q quits, j reconnects";
          connection_.reset();
        }
        return any;
      }
      if (paused_) continue;
      const int64_t now = NowMs();
      for (const auto& event : reader_->Read(
               std::span(buffer.data(), static_cast<std::size_t>(got))))
        model_.Feed(event, now);
    }
  }

  void Draw(vlrdash::DashScreen& screen) {
    const vlrdash::DashStatus status{source_ + ", " + o_.protocol, paused_,
                                     note_};
    screen.Show(
        vlrdash::LayOut(model_, status, screen.width(), screen.height()));
  }

  const DriverLibrary& driver_;
  DashOptions& o_;
  std::string source_;
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<vlrdash::EventReader> reader_;
  DashboardModel model_;
  bool paused_ = false;
  std::string note_;
};

std::string ParseDash(std::span<const std::string_view> args, DashOptions& o) {
  std::vector<std::string_view> positional;
  std::string error = ParseArguments(args, DashOptionTable(o), positional);
  if (error.empty() && !positional.empty())
    error = "unexpected argument " + std::string(positional[0]);
  if (!o.traffic.replay_path.empty()) o.simulate = true;
  if (error.empty() && o.simulate)
    error = CheckDemoDevice(o.device, o.traffic, o.protocol);
  // The simulated 1xx adapter plays one bus; the j key needs both.
  if (o.simulate) o.traffic.reported_protocol.clear();
  if (error.empty() && (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)))
    error =
        "the dashboard needs a terminal; 'vlr1210 monitor' writes to "
        "files and pipes";
  return error;
}

}  // namespace

void PrintDashHelp(std::ostream& out) {
  DashOptions o;
  out << "vlr1210 dash options (keys: q quit, p pause, j J1939/J1708, r reset "
         "counters):\n";
  PrintOptions(out, DashOptionTable(o));
}

int RunDash(std::span<const std::string_view> args) {
  DashOptions o;
  std::string error = ParseDash(args, o);
  if (!error.empty()) {
    std::cerr << "vlr1210 dash: " << error << "\n";
    return 2;
  }
  auto driver = LoadDriver(o.driver_path, error);
  if (!driver) {
    std::cerr << "vlr1210: " << error << "\n";
    return 1;
  }
  std::unique_ptr<SimulatedAdapter> adapter;
  std::string source = "device " + std::to_string(o.device);
  if (o.simulate) {
    adapter = SimulatedAdapter::Create(o.traffic, error);
    if (!adapter) {
      std::cerr << "vlr1210: " << error << "\n";
      return 1;
    }
    adapter->PointComPortHere(o.device % 100);
    source = adapter->description();
  }
  Dashboard dashboard(*driver, o, source);
  error = dashboard.Connect();
  if (!error.empty()) {
    std::cerr << "vlr1210: " << error << "\n";
    return 1;
  }
  if (adapter) adapter->Play();
  try {
    vlrdash::DashScreen screen;
    dashboard.Run(screen);
  } catch (const std::exception& failure) {
    // The screen is restored by now; say what happened on a sane terminal.
    std::cerr << "vlr1210 dash: " << failure.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace vlrclient
