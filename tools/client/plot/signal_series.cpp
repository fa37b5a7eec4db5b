#include "signal_series.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "describe.h"
#include "j1939_signals.h"

namespace vlrplot {
namespace {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string SenderSuffix(bool j1708, uint8_t sender) {
  char text[24];
  std::snprintf(text, sizeof text, j1708 ? " (J1708 MID %u)" : " (source %02X)",
                sender);
  return text;
}

}  // namespace

void SeriesCollector::Add(double seconds, const vlrdecode::Message& message) {
  std::vector<vlrdecode::Signal> signals;
  uint8_t sender = 0;
  const auto* j1939 = std::get_if<vlrdecode::J1939Message>(&message);
  if (j1939) {
    // The signal table alone: cheaper than a whole description, and the
    // bulk of a capture is these frames.
    signals = vlrdecode::DecodeJ1939Signals(j1939->pgn, j1939->data);
    sender = j1939->source;
  } else {
    const auto& j1708 = std::get<vlrdecode::J1708Message>(message);
    signals = vlrdecode::Describe(j1708).signals;
    sender = j1708.mid;
  }
  for (vlrdecode::Signal& signal : signals) {
    Key key{j1939 == nullptr, signal.name, sender};
    auto [found, added] = index_.try_emplace(key, series_.size());
    if (added) {
      keys_.push_back(key);
      series_.push_back(Series{signal.name, signal.unit, {}, {}});
    }
    Series& series = series_[found->second];
    series.seconds.push_back(seconds);
    series.values.push_back(signal.value);
  }
}

std::vector<Series> SeriesCollector::Take() {
  std::map<std::pair<bool, std::string>, int> senders;
  for (const Key& key : keys_) ++senders[{std::get<0>(key), std::get<1>(key)}];
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const auto& [j1708, name, sender] = keys_[i];
    if (senders[{j1708, name}] > 1)
      series_[i].name += SenderSuffix(j1708, sender);
    else if (j1708)
      series_[i].name += " (J1708)";
  }
  index_.clear();
  keys_.clear();
  return std::move(series_);
}

std::vector<Series> SeriesFromCapture(const vlrscenario::Capture& capture) {
  SeriesCollector collector;
  for (const vlrsim::TimedMessage& m : capture.messages) {
    const double seconds = static_cast<double>(m.at.count()) / 1e6;
    if (m.bus == vlrsim::Bus::kJ1939) {
      collector.Add(seconds, vlrdecode::FromIdentifier(m.id, m.data));
    } else {
      collector.Add(seconds, vlrdecode::J1708Message{
                                 static_cast<uint8_t>(m.id), m.data, {}});
    }
  }
  return collector.Take();
}

const Series* FindSeries(const std::vector<Series>& all,
                         std::string_view name) {
  for (const Series& series : all) {
    if (SameText(series.name, name)) return &series;
  }
  return nullptr;
}

}  // namespace vlrplot
