// Decoded signals over time, one series per signal and sender, from a
// capture or a live connection: what `vlr1210 plot` draws and lists.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "messages.h"
#include "vlrscenario/capture.h"

namespace vlrplot {

struct Series {
  // "engine speed"; "engine speed (J1708)" from a J1708 message; with
  // " (source 03)" or " (J1708 MID 128)" when more than one sender has it.
  std::string name;
  std::string unit;
  std::vector<double> seconds;  // from the first message, ascending
  std::vector<double> values;
};

class SeriesCollector {
 public:
  // A message `seconds` after the first; single frames only (a joined
  // transfer carries no signal these decoders know).
  void Add(double seconds, const vlrdecode::Message& message);
  // In the order first seen.
  std::vector<Series> Take();

 private:
  // (J1708?, signal name, source address or MID)
  using Key = std::tuple<bool, std::string, uint8_t>;
  std::map<Key, std::size_t> index_;
  std::vector<Key> keys_;
  std::vector<Series> series_;
};

// Every signal of a recording, timed from its first record.
std::vector<Series> SeriesFromCapture(const vlrscenario::Capture& capture);

// The series named `name` (any case); null when none is.
const Series* FindSeries(const std::vector<Series>& all, std::string_view name);

}  // namespace vlrplot
