// Tests that play the adapter on a pseudo-terminal skip, saying why, on a
// machine that cannot open one (a container without /dev/pts, a sandbox
// that forbids it), instead of failing on the simulator's exception.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace vlrsim::testing {

// Empty when a pseudo-terminal can be opened and unlocked; else the reason.
inline std::string PseudoTerminalProblem() {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) {
    return std::string("no pseudo-terminal can be opened: ") +
           std::strerror(errno);
  }
  std::string problem;
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    problem = std::string("the pseudo-terminal cannot be unlocked: ") +
              std::strerror(errno);
  }
  ::close(master);
  return problem;
}

}  // namespace vlrsim::testing

// Skips the calling test (or fixture SetUp) when PseudoTerminalProblem()
// names one.
#define VLR_SKIP_WITHOUT_PSEUDO_TERMINAL()                         \
  do {                                                             \
    const std::string vlr_pty_problem =                            \
        ::vlrsim::testing::PseudoTerminalProblem();                \
    if (!vlr_pty_problem.empty()) GTEST_SKIP() << vlr_pty_problem; \
  } while (false)
