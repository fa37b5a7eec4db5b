#include "plot_command.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <thread>

#include "command_line.h"
#include "connection.h"
#include "driver_library.h"
#include "event_reader.h"
#include "plot_layout.h"
#include "plot_render.h"
#include "signal_series.h"
#include "stop_signal.h"
#include "values.h"
#include "vlrscenario/capture_file.h"

namespace vlrclient {
namespace {

using vlrplot::Series;

// What a truck's first look needs, when no --signal says otherwise.
constexpr std::array<std::string_view, 5> kDefaultSignals = {
    "engine speed", "vehicle speed", "engine load", "coolant temperature",
    "fuel rate"};
constexpr std::size_t kFallbackSignals = 4;
constexpr std::size_t kReadBufferSize = 1796;  // a whole 1785-byte message

struct PlotOptions {
  std::string input;
  std::optional<short> device;
  std::string protocol = "J1939";
  std::optional<double> duration_s;
  std::vector<std::string> signals;
  std::vector<std::string> outputs;
  bool list = false;
  int width = vlrplot::kDefaultWidth;
  std::optional<int> height;
  std::string driver_path;
};

std::string ParseSize(std::string_view v, PlotOptions& o) {
  const auto x = v.find('x');
  const auto w = ParseInteger(v.substr(0, x), 200, 10000);
  const auto h = x == std::string_view::npos
                     ? std::nullopt
                     : ParseInteger(v.substr(x + 1), 100, 20000);
  if (!w || !h) return "expected WIDTHxHEIGHT in pixels, e.g. 1200x800";
  o.width = static_cast<int>(*w);
  o.height = static_cast<int>(*h);
  return {};
}

std::vector<OptionDefinition> PlotOptionTable(PlotOptions& o) {
  return {
      {"--input", "FILE",
       "a capture: candump log, neoVI CSV or text log (or give it bare)",
       [&o](std::string_view v) -> std::string {
         o.input = std::string(v);
         return v.empty() ? "needs a file name" : "";
       }},
      DeviceIdOption("record this device live instead, for --duration",
                     [&o](short id) { o.device = id; }),
      {"--protocol", "NAME", "of the live connection: J1939 (default), J1708",
       [&o](std::string_view v) -> std::string {
         auto protocol = ParseProtocol(v);
         if (!protocol) return "expected J1939 or J1708";
         o.protocol = *protocol;
         return {};
       }},
      {"--duration", "SECONDS", "how long to record a live device",
       [&o](std::string_view v) -> std::string {
         o.duration_s = ParsePositiveSeconds(v);
         return o.duration_s ? "" : "expected positive seconds";
       }},
      {"--signal", "NAME",
       "a signal to plot, by its name in --list (repeatable; default: engine "
       "and vehicle speed, load, coolant, fuel rate)",
       [&o](std::string_view v) -> std::string {
         o.signals.emplace_back(v);
         return {};
       }},
      {"--list", "", "name the signals found, with units, counts and ranges",
       [&o](std::string_view) {
         o.list = true;
         return std::string();
       }},
      {"--output", "FILE", "a .png or .svg file to draw (repeatable)",
       [&o](std::string_view v) -> std::string {
         o.outputs.emplace_back(v);
         return v.empty() ? "needs a file name" : "";
       }},
      {"--size", "WxH",
       "picture size in pixels (default 1000 wide, 220 per signal)",
       [&o](std::string_view v) { return ParseSize(v, o); }},
      DriverPathOption(o.driver_path),
  };
}

std::string ParsePlot(std::span<const std::string_view> args, PlotOptions& o) {
  std::vector<std::string_view> positional;
  std::string error = ParseArguments(args, PlotOptionTable(o), positional);
  if (!error.empty()) return error;
  if (positional.size() == 1 && o.input.empty()) {
    o.input = std::string(positional[0]);
  } else if (!positional.empty()) {
    return "unexpected argument " + std::string(positional[0]);
  }
  if (o.input.empty() == !o.device)
    return "give a capture file or --device (with --duration), one of them";
  if (o.device && !o.duration_s) return "--device needs --duration SECONDS";
  if (!o.list && o.outputs.empty())
    return "--output FILE.png or FILE.svg (or --list)";
  return {};
}

std::optional<std::vector<Series>> Record(const PlotOptions& o) {
  std::string error;
  auto driver = LoadDriver(o.driver_path, error);
  if (!driver) {
    std::cerr << "vlr1210: " << error << "\n";
    return std::nullopt;
  }
  DriverError failed;
  auto connection = Connection::Open(*driver, *o.device, o.protocol, failed);
  if (connection) {
    if (auto refused = connection->Command(
            RP1210_Set_All_Filters_States_to_Pass, {}, "open filters"))
      failed = *refused;
  }
  if (!connection || failed.code != 0) {
    std::cerr << "vlr1210: " << failed.message << "\n";
    return std::nullopt;
  }
  vlrdash::EventReader reader(vlrdecode::ReadLayout{
      o.protocol == "J1939" ? vlrdecode::Protocol::kJ1939
                            : vlrdecode::Protocol::kJ1708});
  vlrplot::SeriesCollector collector;
  std::array<uint8_t, kReadBufferSize> buffer{};
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::duration<double>(*o.duration_s);
  while (!StopRequested() && std::chrono::steady_clock::now() < end) {
    const short got = connection->ReadNow(buffer);
    if (got <= 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    for (const auto& event :
         reader.Read(std::span(buffer.data(), static_cast<std::size_t>(got)))) {
      if (!event.reassembled)
        collector.Add(static_cast<double>(event.elapsed_ms) / 1000.0,
                      event.message);
    }
  }
  return collector.Take();
}

std::optional<std::vector<Series>> Load(const PlotOptions& o) {
  if (o.device) return Record(o);
  auto capture = vlrscenario::LoadCaptureFile(o.input);
  if (!capture) {
    std::cerr << "vlr1210: " << capture.error().ToString() << "\n";
    return std::nullopt;
  }
  return vlrplot::SeriesFromCapture(capture.value());
}

void List(const std::vector<Series>& all) {
  std::printf("%-40s %-6s %8s %12s %12s\n", "signal", "unit", "samples", "min",
              "max");
  for (const Series& s : all) {
    const auto [low, high] =
        std::minmax_element(s.values.begin(), s.values.end());
    std::printf("%-40s %-6s %8zu %12.3f %12.3f\n", s.name.c_str(),
                s.unit.c_str(), s.values.size(), *low, *high);
  }
}

// The series asked for, or the defaults found; empty with a message when
// a name is not in the data.
std::vector<const Series*> Choose(const std::vector<Series>& all,
                                  const PlotOptions& o) {
  std::vector<const Series*> chosen;
  for (const std::string& name : o.signals) {
    const Series* found = vlrplot::FindSeries(all, name);
    if (!found) {
      std::cerr << "vlr1210 plot: no signal '" << name
                << "' in the data; --list names them\n";
      return {};
    }
    chosen.push_back(found);
  }
  if (!o.signals.empty()) return chosen;
  for (const std::string_view name : kDefaultSignals) {
    if (const Series* found = vlrplot::FindSeries(all, name))
      chosen.push_back(found);
  }
  for (std::size_t i = 0; chosen.empty() && i < all.size(); ++i) {
    if (i < kFallbackSignals) chosen.push_back(&all[i]);
  }
  if (chosen.empty()) std::cerr << "vlr1210 plot: no decoded signal found\n";
  return chosen;
}

}  // namespace

void PrintPlotHelp(std::ostream& out) {
  PlotOptions o;
  out << "vlr1210 plot [CAPTURE] options:\n";
  PrintOptions(out, PlotOptionTable(o));
}

int RunPlot(std::span<const std::string_view> args) {
  PlotOptions o;
  if (std::string error = ParsePlot(args, o); !error.empty()) {
    std::cerr << "vlr1210 plot: " << error << "\n";
    return 2;
  }
  const auto all = Load(o);
  if (!all) return 1;
  if (o.list) {
    List(*all);
    if (o.outputs.empty()) return 0;
  }
  const std::vector<const Series*> chosen = Choose(*all, o);
  if (chosen.empty()) return 1;
  const int height = o.height.value_or(
      vlrplot::kDefaultPanelHeight * static_cast<int>(chosen.size()) + 20);
  const vlrplot::PlotLayout layout =
      vlrplot::LayOutPlot(chosen, o.width, height);
  for (const std::string& output : o.outputs) {
    if (std::string error = vlrplot::RenderPlot(layout, output);
        !error.empty()) {
      std::cerr << "vlr1210: " << error << "\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace vlrclient
