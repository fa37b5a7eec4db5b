// The master side of a pseudo-terminal pair: made raw and non-blocking, its
// slave named, the slave's line settings readable through it. Owns the
// descriptor.
#pragma once

#include <cstdint>
#include <string>

#include "line_end.h"
#include "line_rates.h"

namespace vlrsim::detail {

class PseudoTerminal : public LineEnd {
 public:
  // Throws std::system_error on failure.
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int fd() const override { return master_; }
  const std::string& SlavePath() const { return slave_path_; }
  // The slave's output rate in bits per second (0: not a standard rate).
  uint32_t SlaveBaud() const;

  const std::string& Path() const override { return slave_path_; }
  uint32_t Baud() const override { return SlaveBaud(); }
  void ListenAt(uint32_t) override {}

 private:
  int master_ = -1;
  std::string slave_path_;
};

}  // namespace vlrsim::detail
