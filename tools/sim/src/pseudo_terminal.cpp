#include "pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace vlrsim::detail {

namespace {
[[noreturn]] void Fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// On Linux the line-setting requests on a master act on its slave, so this
// sets the slave: raw, so no byte is altered before the host configures the
// line, and at 9600 baud, the rate of a serial port nobody has configured
// (the pseudo-terminal's own default of 38400 would hide a 1xx host that
// never sets its rate).
void MakeSlaveRaw(int master) {
  termios settings{};
  if (::tcgetattr(master, &settings) != 0) Fail("tcgetattr");
  ::cfmakeraw(&settings);
  ::cfsetispeed(&settings, B9600);
  ::cfsetospeed(&settings, B9600);
  if (::tcsetattr(master, TCSANOW, &settings) != 0) Fail("tcsetattr");
}
}  // namespace

PseudoTerminal::PseudoTerminal() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) Fail("posix_openpt");
  try {
    if (::grantpt(master_) != 0) Fail("grantpt");
    if (::unlockpt(master_) != 0) Fail("unlockpt");
    std::array<char, 128> name{};
    if (const int error = ::ptsname_r(master_, name.data(), name.size())) {
      errno = error;
      Fail("ptsname_r");
    }
    slave_path_ = name.data();
    MakeSlaveRaw(master_);
  } catch (...) {
    ::close(master_);
    throw;
  }
}

PseudoTerminal::~PseudoTerminal() {
  if (master_ >= 0) ::close(master_);
}

uint32_t PseudoTerminal::SlaveBaud() const {
  termios settings{};
  if (::tcgetattr(master_, &settings) != 0) return 0;
  return BaudOfSpeed(::cfgetospeed(&settings));
}

}  // namespace vlrsim::detail
