#include "dash_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace vlrdash {
namespace {

constexpr std::string_view kLevels = "_.:-=+*#%@";
constexpr int kMaxFaultLines = 8;
constexpr int kMaxErrorLines = 3;

std::string Title(const std::string& text, int width) {
  std::string line = "-- " + text + " ";
  if (static_cast<int>(line.size()) < width)
    line.append(static_cast<std::size_t>(width) - line.size(), '-');
  return line;
}

std::string Fit(std::string line, int width) {
  if (static_cast<int>(line.size()) > width)
    line.resize(static_cast<std::size_t>(std::max(width, 0)));
  return line;
}

std::string Printf(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::vector<std::string> SignalLines(const DashboardModel& model, int width) {
  std::vector<std::string> lines;
  const int history = std::clamp(width - 56, 0, 60);
  for (const SignalRow* row : model.Signals()) {
    lines.push_back(
        Printf("%-34.34s %10.1f %-6.6s ", row->name.c_str(), row->value,
               row->unit.c_str()) +
        HistoryLine(row->history, static_cast<std::size_t>(history)));
  }
  if (lines.empty()) lines.emplace_back("(no decoded signal yet)");
  return lines;
}

std::vector<std::string> FaultLines(const DashboardModel& model) {
  std::vector<std::string> lines;
  const std::vector<FaultRow> faults = model.Faults();
  if (faults.empty()) return {"none active"};
  lines.emplace_back("src  SPN      FMI  OC   ");
  for (const FaultRow& f : faults) {
    lines.push_back(Printf("%02X   %-8u %-4u %-4u %s", f.source, f.code.spn,
                           f.code.fmi, f.code.occurrences, f.text.c_str()));
  }
  return lines;
}

std::vector<std::string> RateLines(const DashboardModel& model) {
  std::vector<std::string> lines;
  const std::vector<RateRow> rates = model.Rates();
  if (rates.empty()) return {"(no traffic yet)"};
  lines.emplace_back("bus    group  name       src      msg/s      count");
  for (const RateRow& r : rates) {
    const bool j1939 = r.bus == vlrdecode::Protocol::kJ1939;
    lines.push_back(Printf(
        "%-6s %5X  %-10.10s %-5s %8.1f %10llu", j1939 ? "J1939" : "J1708",
        r.group, r.label.c_str(), j1939 ? Printf("%02X", r.source).c_str() : "",
        r.per_second, static_cast<unsigned long long>(r.count)));
  }
  return lines;
}

std::vector<std::string> ErrorLines(const DashboardModel& model) {
  std::vector<std::string> lines;
  for (const ErrorRow& e : model.Errors()) {
    lines.push_back(Printf("%s: %llu time(s)", e.text.c_str(),
                           static_cast<unsigned long long>(e.count)));
  }
  if (lines.empty()) lines.emplace_back("none");
  return lines;
}

// Appends the section's title and as many of its lines as `room` allows
// (at least the title when there is room for nothing else).
void Place(std::vector<std::string>& out, const std::string& title,
           const std::vector<std::string>& lines, int room, int width) {
  if (room <= 0) return;
  out.push_back(Title(title, width));
  const int shown = std::min(room - 1, static_cast<int>(lines.size()));
  for (int i = 0; i < shown; ++i) out.push_back(Fit(lines[i], width));
}

}  // namespace

std::string HistoryLine(const std::deque<double>& values, std::size_t width) {
  if (width == 0 || values.empty()) return {};
  const std::size_t count = std::min(width, values.size());
  const auto first = values.end() - static_cast<std::ptrdiff_t>(count);
  const auto [low, high] = std::minmax_element(first, values.end());
  std::string line;
  for (auto it = first; it != values.end(); ++it) {
    const double span = *high - *low;
    const double share = span > 0 ? (*it - *low) / span : 0.5;
    const auto level = static_cast<std::size_t>(
        std::lround(share * static_cast<double>(kLevels.size() - 1)));
    line += kLevels[std::min(level, kLevels.size() - 1)];
  }
  return line;
}

std::vector<std::string> LayOut(const DashboardModel& model,
                                const DashStatus& status, int width,
                                int height) {
  std::vector<std::string> out;
  out.push_back(Fit(
      Printf("%svlr1210 dash  %s  %.0f msg/s  bus load %.1f %%  %llu messages",
             status.paused ? "[PAUSED] " : "", status.source.c_str(),
             model.messages_per_second(), model.bus_load_percent(),
             static_cast<unsigned long long>(model.messages())),
      width));
  out.push_back(Fit(status.note.empty()
                        ? "q quit  p pause  j J1939/J1708  r reset counters"
                        : status.note,
                    width));
  const std::vector<std::string> signals = SignalLines(model, width);
  const std::vector<std::string> faults = FaultLines(model);
  const std::vector<std::string> errors = ErrorLines(model);
  const int faults_room =
      std::min(kMaxFaultLines, static_cast<int>(faults.size())) + 1;
  const int errors_room =
      std::min(kMaxErrorLines, static_cast<int>(errors.size())) + 1;
  int left = height - 2;
  const int signals_room =
      std::min(static_cast<int>(signals.size()) + 1,
               std::max(left - faults_room - errors_room - 3, 3));
  Place(out, "signals", signals, std::min(signals_room, left), width);
  left = height - static_cast<int>(out.size());
  Place(out, "active faults (DM1)", faults, std::min(faults_room, left), width);
  left = height - static_cast<int>(out.size());
  const int traffic_room = left - std::min(errors_room, left / 2);
  Place(out, "traffic by group and source", RateLines(model), traffic_room,
        width);
  left = height - static_cast<int>(out.size());
  Place(out, "driver errors", errors, left, width);
  return out;
}

}  // namespace vlrdash
