#include "statistics.h"

#include <cstdio>

#include "j1708_pids.h"
#include "pgn_names.h"

namespace vlrclient {
namespace {

// `rate` below 0: not known (a single message).
std::string Row(vlrdecode::Protocol bus, uint32_t id, uint8_t source,
                uint64_t count, double rate) {
  char rate_text[32] = "       -";
  if (rate >= 0) std::snprintf(rate_text, sizeof rate_text, "%8.1f/s", rate);
  char text[160];
  if (bus == vlrdecode::Protocol::kJ1939) {
    std::snprintf(text, sizeof text,
                  "  J1939 PGN %5X %-8s src %02X %8llu  %s\n", id,
                  vlrdecode::PgnLabel(id).substr(0, 8).c_str(), source,
                  static_cast<unsigned long long>(count), rate_text);
  } else {
    std::snprintf(
        text, sizeof text, "  J1708 MID %3u   %-18s %8llu  %s\n", id,
        vlrdecode::MidName(static_cast<uint8_t>(id)).value_or("").c_str(),
        static_cast<unsigned long long>(count), rate_text);
  }
  return text;
}

}  // namespace

void Statistics::Count(const vlrdecode::Message& message, int64_t elapsed_ms) {
  Key key;
  if (const auto* j1939 = std::get_if<vlrdecode::J1939Message>(&message)) {
    key = {vlrdecode::Protocol::kJ1939, j1939->pgn, j1939->source};
  } else {
    key = {vlrdecode::Protocol::kJ1708,
           std::get<vlrdecode::J1708Message>(message).mid, 0};
  }
  Tally& tally = tallies_[key];
  if (tally.count == 0) tally.first_ms = elapsed_ms;
  tally.last_ms = elapsed_ms;
  ++tally.count;
  ++messages_;
}

uint64_t Statistics::errors() const {
  uint64_t total = 0;
  for (const auto& [code, count] : errors_) total += count;
  return total;
}

void Statistics::PrintTraffic(std::ostream& out, double seconds) const {
  char head[160];
  std::snprintf(head, sizeof head, "--- %llu messages in %.1f s",
                static_cast<unsigned long long>(messages_), seconds);
  out << head;
  // Over a moment the rate says nothing.
  if (seconds >= 1.0) {
    std::snprintf(head, sizeof head, " (%.1f/s)",
                  static_cast<double>(messages_) / seconds);
    out << head;
  }
  if (joined_ > 0 || abandoned_ > 0) {
    out << ", " << joined_ << " multi-packet transfer(s) joined";
    if (abandoned_ > 0) out << ", " << abandoned_ << " incomplete";
  }
  if (filtered_out_ > 0)
    out << ", " << filtered_out_ << " outside the filter passed over";
  out << "\n";
  for (const auto& [key, tally] : tallies_) {
    const auto& [bus, id, source] = key;
    // A rate needs two messages; it is taken over the span they cover.
    const double span =
        static_cast<double>(tally.last_ms - tally.first_ms) / 1000.0;
    const double rate = tally.count > 1 && span > 0
                            ? static_cast<double>(tally.count - 1) / span
                            : -1.0;
    out << Row(bus, id, source, tally.count, rate);
  }
}

}  // namespace vlrclient
