// What the dashboard shows, apart from how it is drawn: the latest value of
// each decoded signal with a short history, the active trouble codes of
// each source as DM1 reports them, messages per second per group and
// source, the bus load and the driver's errors. Time is given by the
// caller (milliseconds on any steady scale), so the model is pure.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "dm1.h"
#include "output_format.h"

namespace vlrdash {

struct SignalRow {
  std::string name;
  double value = 0;
  std::string unit;
  std::deque<double> history;  // oldest first, one sample per Sample()
};

struct FaultRow {
  uint8_t source = 0;
  vlrdecode::TroubleCode code;
  std::string text;  // "coolant level: below normal, most severe"
};

struct RateRow {
  vlrdecode::Protocol bus = vlrdecode::Protocol::kJ1939;
  uint32_t group = 0;  // PGN, or the MID on J1708
  uint8_t source = 0;  // J1708: the MID again
  std::string label;   // "EEC1", "Engine #1"
  uint64_t count = 0;
  double per_second = 0;
};

struct ErrorRow {
  short code = 0;
  std::string text;
  uint64_t count = 0;
};

class DashboardModel {
 public:
  static constexpr std::size_t kHistoryLength = 60;
  // DM1 comes once a second while codes are active; a source silent for
  // this long has no active codes any more.
  static constexpr int64_t kFaultsStaleMs = 3000;
  static constexpr int64_t kRateWindowMs = 1000;

  // A message as the monitor hands it over (joined transfers included).
  void Feed(const vlrdecode::MessageEvent& event, int64_t now_ms);
  void CountError(short code, const std::string& text);
  // Appends the current value of every signal to its history; the caller
  // samples at its redraw rate, whatever the traffic.
  void Sample();
  // Closes the rate window once it is a second old, and ages out faults.
  void Tick(int64_t now_ms);
  // Counters, rates, histories and errors back to zero; values and faults
  // stay, as the bus still says them.
  void ResetCounters(int64_t now_ms);

  // Signals in a fixed order: the ones a driver of a truck looks at first,
  // then the rest in the order first seen.
  std::vector<const SignalRow*> Signals() const;
  std::vector<FaultRow> Faults() const;
  // Busiest first.
  std::vector<RateRow> Rates() const;
  const std::vector<ErrorRow>& Errors() const { return errors_; }
  uint64_t messages() const { return messages_; }
  double messages_per_second() const { return total_rate_; }
  // Percent of the bus's bit rate the frames of the last window used.
  double bus_load_percent() const { return bus_load_; }

 private:
  using RateKey = std::tuple<vlrdecode::Protocol, uint32_t, uint8_t>;
  struct SourceFaults {
    std::vector<vlrdecode::TroubleCode> codes;
    int64_t seen_ms = 0;
  };
  void FeedSignals(const std::vector<vlrdecode::Signal>& signals);
  void CountFrame(const vlrdecode::MessageEvent& event);

  std::vector<SignalRow> signals_;
  std::map<uint8_t, SourceFaults> faults_;
  std::map<RateKey, RateRow> rates_;
  std::map<RateKey, uint64_t> window_counts_;
  std::vector<ErrorRow> errors_;
  uint64_t messages_ = 0;
  uint64_t window_bits_ = 0;
  double bus_rate_ = 250000;  // bits per second of the bus last heard
  int64_t window_start_ms_ = -1;
  double total_rate_ = 0;
  double bus_load_ = 0;
  uint64_t window_messages_ = 0;
};

// Bits a message takes on its bus: a CAN 2.0B frame (without stuffing) or
// a J1708 message with its checksum and the idle time before the next.
uint64_t BitsOnBus(const vlrdecode::Message& message);

}  // namespace vlrdash
