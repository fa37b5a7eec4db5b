// What a monitoring run saw, for the summary printed at its end: messages
// per parameter group (J1939) or MID (J1708) and source, their rates, the
// transfers joined, and every error the driver returned.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <tuple>

#include "messages.h"

namespace vlrclient {

class Statistics {
 public:
  void Count(const vlrdecode::Message& message, int64_t elapsed_ms);
  void CountJoined() { ++joined_; }
  void CountFilteredOut() { ++filtered_out_; }
  void CountError(short code) { ++errors_[code]; }
  void SetAbandoned(std::size_t abandoned) { abandoned_ = abandoned; }

  uint64_t messages() const { return messages_; }
  uint64_t errors() const;

  // A table on `out`; `error_text` turns a driver code into its text.
  template <typename ErrorText>
  void Print(std::ostream& out, double seconds, ErrorText error_text) const {
    PrintTraffic(out, seconds);
    for (const auto& [code, count] : errors_) {
      out << "driver error " << error_text(code) << ": " << count
          << " time(s)\n";
    }
  }

 private:
  // (bus, PGN or MID, source; J1708 has no source: 0)
  using Key = std::tuple<vlrdecode::Protocol, uint32_t, uint8_t>;
  struct Tally {
    uint64_t count = 0;
    int64_t first_ms = 0;
    int64_t last_ms = 0;
  };
  void PrintTraffic(std::ostream& out, double seconds) const;

  std::map<Key, Tally> tallies_;
  std::map<short, uint64_t> errors_;
  uint64_t messages_ = 0;
  uint64_t joined_ = 0;
  uint64_t filtered_out_ = 0;
  std::size_t abandoned_ = 0;
};

}  // namespace vlrclient
