#include "dashboard_model.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "describe.h"
#include "j1708_pids.h"
#include "pgn_names.h"

namespace vlrdash {
namespace {

using vlrdecode::J1708Message;
using vlrdecode::J1939Message;
using vlrdecode::Protocol;

constexpr uint32_t kDm1 = 0xFECA;
constexpr double kJ1939BitRate = 250000;
constexpr double kJ1708BitRate = 9600;

// What a technician reads first on a running truck, in this order.
constexpr std::array<std::string_view, 8> kFirstSignals = {
    "engine speed",        "vehicle speed",     "engine load",
    "coolant temperature", "fuel rate",         "actual engine torque",
    "accelerator pedal",   "battery potential",
};

// J1708 values read "PID 190 engine speed": ranked by the name after the
// PID.
std::size_t Rank(std::string_view name) {
  if (name.rfind("PID ", 0) == 0) {
    const auto space = name.find(' ', 4);
    if (space != std::string_view::npos) name.remove_prefix(space + 1);
  }
  const auto* found =
      std::find(kFirstSignals.begin(), kFirstSignals.end(), name);
  return static_cast<std::size_t>(found - kFirstSignals.begin());
}

std::string FaultText(const vlrdecode::TroubleCode& code) {
  const char* spn = vlrdecode::SpnName(code.spn);
  const char* fmi = vlrdecode::FmiText(code.fmi);
  return std::string(spn ? spn : "SPN " + std::to_string(code.spn)) + ": " +
         (fmi ? fmi : "FMI " + std::to_string(code.fmi));
}

std::string Label(Protocol bus, uint32_t group) {
  if (bus == Protocol::kJ1939) return vlrdecode::PgnLabel(group);
  return vlrdecode::MidName(static_cast<uint8_t>(group)).value_or("");
}

}  // namespace

uint64_t BitsOnBus(const vlrdecode::Message& message) {
  if (const auto* m = std::get_if<J1939Message>(&message)) {
    // Start, 29-bit identifier with SRR, IDE and RTR, control, CRC with
    // its delimiter, ACK, end of frame and interframe space: 67 bits.
    return 67 + 8 * static_cast<uint64_t>(m->data.size());
  }
  const auto& j = std::get<J1708Message>(message);
  // MID, data and checksum, 10 bits a character, and the two characters'
  // idle time that ends a message.
  return 10 * (static_cast<uint64_t>(j.data.size()) + 2 + 2);
}

void DashboardModel::Feed(const vlrdecode::MessageEvent& event,
                          int64_t now_ms) {
  if (window_start_ms_ < 0) window_start_ms_ = now_ms;
  if (!event.reassembled) CountFrame(event);
  const vlrdecode::Description description = std::visit(
      [](const auto& message) { return vlrdecode::Describe(message); },
      event.message);
  FeedSignals(description.signals);
  const auto* m = std::get_if<J1939Message>(&event.message);
  if (m && m->pgn == kDm1 && description.diagnostics && !event.echoed)
    faults_[m->source] = SourceFaults{description.diagnostics->codes, now_ms};
}

void DashboardModel::CountFrame(const vlrdecode::MessageEvent& event) {
  ++messages_;
  ++window_messages_;
  RateKey key;
  if (const auto* m = std::get_if<J1939Message>(&event.message)) {
    key = {Protocol::kJ1939, m->pgn, m->source};
    bus_rate_ = kJ1939BitRate;
  } else {
    const uint8_t mid = std::get<J1708Message>(event.message).mid;
    key = {Protocol::kJ1708, mid, mid};
    bus_rate_ = kJ1708BitRate;
  }
  window_bits_ += BitsOnBus(event.message);
  ++window_counts_[key];
  auto [row, added] = rates_.try_emplace(key);
  if (added) {
    row->second.bus = std::get<0>(key);
    row->second.group = std::get<1>(key);
    row->second.source = std::get<2>(key);
    row->second.label = Label(row->second.bus, row->second.group);
  }
  ++row->second.count;
}

void DashboardModel::FeedSignals(
    const std::vector<vlrdecode::Signal>& signals) {
  for (const vlrdecode::Signal& signal : signals) {
    auto row =
        std::find_if(signals_.begin(), signals_.end(),
                     [&](const SignalRow& r) { return r.name == signal.name; });
    if (row == signals_.end()) {
      signals_.push_back(SignalRow{signal.name, signal.value, signal.unit, {}});
    } else {
      row->value = signal.value;
    }
  }
}

void DashboardModel::CountError(short code, const std::string& text) {
  auto row = std::find_if(errors_.begin(), errors_.end(),
                          [&](const ErrorRow& r) { return r.code == code; });
  if (row == errors_.end()) {
    errors_.push_back(ErrorRow{code, text, 1});
  } else {
    ++row->count;
  }
}

void DashboardModel::Sample() {
  for (SignalRow& row : signals_) {
    row.history.push_back(row.value);
    if (row.history.size() > kHistoryLength) row.history.pop_front();
  }
}

void DashboardModel::Tick(int64_t now_ms) {
  std::erase_if(faults_, [&](const auto& entry) {
    return now_ms - entry.second.seen_ms > kFaultsStaleMs;
  });
  if (window_start_ms_ < 0) window_start_ms_ = now_ms;
  const int64_t span = now_ms - window_start_ms_;
  if (span < kRateWindowMs) return;
  const double seconds = static_cast<double>(span) / 1000.0;
  for (auto& [key, row] : rates_) {
    const auto counted = window_counts_.find(key);
    const uint64_t n = counted == window_counts_.end() ? 0 : counted->second;
    row.per_second = static_cast<double>(n) / seconds;
  }
  total_rate_ = static_cast<double>(window_messages_) / seconds;
  bus_load_ = 100.0 * static_cast<double>(window_bits_) / seconds / bus_rate_;
  window_counts_.clear();
  window_messages_ = 0;
  window_bits_ = 0;
  window_start_ms_ = now_ms;
}

void DashboardModel::ResetCounters(int64_t now_ms) {
  rates_.clear();
  window_counts_.clear();
  errors_.clear();
  for (SignalRow& row : signals_) row.history.clear();
  messages_ = window_messages_ = window_bits_ = 0;
  total_rate_ = bus_load_ = 0;
  window_start_ms_ = now_ms;
}

std::vector<const SignalRow*> DashboardModel::Signals() const {
  std::vector<const SignalRow*> rows;
  for (const SignalRow& row : signals_) rows.push_back(&row);
  std::stable_sort(rows.begin(), rows.end(),
                   [](const SignalRow* a, const SignalRow* b) {
                     return Rank(a->name) < Rank(b->name);
                   });
  return rows;
}

std::vector<FaultRow> DashboardModel::Faults() const {
  std::vector<FaultRow> rows;
  for (const auto& [source, faults] : faults_) {
    for (const vlrdecode::TroubleCode& code : faults.codes)
      rows.push_back(FaultRow{source, code, FaultText(code)});
  }
  return rows;
}

std::vector<RateRow> DashboardModel::Rates() const {
  std::vector<RateRow> rows;
  rows.reserve(rates_.size());
  for (const auto& entry : rates_) rows.push_back(entry.second);
  std::stable_sort(rows.begin(), rows.end(),
                   [](const RateRow& a, const RateRow& b) {
                     return a.per_second > b.per_second;
                   });
  return rows;
}

}  // namespace vlrdash
