// The master side of a pseudo-terminal pair: made raw and non-blocking, its
// slave named, the slave's line settings readable through it. Owns the
// descriptor.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include <sys/types.h>

namespace vlrsim::detail {

class PseudoTerminal {
 public:
  // Throws std::system_error on failure.
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int fd() const { return master_; }
  const std::string& SlavePath() const { return slave_path_; }
  // The slave's output rate in bits per second (0: not a standard rate).
  uint32_t SlaveBaud() const;

 private:
  int master_ = -1;
  std::string slave_path_;
};

// Bits per second for a termios speed code, 0 when unknown.
uint32_t BaudOfSpeed(unsigned speed_code);

}  // namespace vlrsim::detail
