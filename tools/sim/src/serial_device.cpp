#include "serial_device.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "line_rates.h"

namespace vlrsim::detail {

namespace {
[[noreturn]] void Fail(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}
}  // namespace

SerialDevice::SerialDevice(std::string path, uint32_t baud)
    : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) Fail(errno, "cannot open " + path_);
  try {
    TakeExclusively();
    Configure(baud);
  } catch (...) {
    ::close(fd_);
    throw;
  }
}

SerialDevice::~SerialDevice() {
  if (fd_ >= 0) ::close(fd_);
}

// Two programs on one line garble each other's frames, so a device that
// another program holds is refused. Exclusive mode does not keep root out,
// so it is also asked whether someone else set it; the lock covers programs
// that use flock instead.
void SerialDevice::TakeExclusively() {
  if (::isatty(fd_) == 0) Fail(errno, path_ + " is not a serial device");
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    Fail(EBUSY, path_ + " is locked by another program");
  }
  int held = 0;
  if (::ioctl(fd_, TIOCGEXCL, &held) == 0 && held != 0) {
    Fail(EBUSY, path_ + " is held exclusively by another program");
  }
  if (::ioctl(fd_, TIOCEXCL) != 0) Fail(errno, "cannot hold " + path_);
}

void SerialDevice::Configure(uint32_t baud) {
  termios settings{};
  if (::tcgetattr(fd_, &settings) != 0) Fail(errno, "cannot read " + path_);
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (::tcsetattr(fd_, TCSANOW, &settings) != 0) {
    Fail(errno, "cannot set up " + path_);
  }
  if (!SetRate(baud)) Fail(errno, "cannot set " + path_ + " to its rate");
  ::tcflush(fd_, TCIOFLUSH);
  // Best effort: a three-wire cable has no modem lines, and a
  // pseudo-terminal refuses the request.
  const int lines = TIOCM_DTR | TIOCM_RTS;
  ::ioctl(fd_, TIOCMBIS, &lines);
}

bool SerialDevice::SetRate(uint32_t baud) {
  const auto speed = SpeedOfBaud(baud);
  if (!speed) {
    errno = EINVAL;
    return false;
  }
  termios settings{};
  if (::tcgetattr(fd_, &settings) != 0) return false;
  ::cfsetispeed(&settings, *speed);
  ::cfsetospeed(&settings, *speed);
  // At once rather than after the output drains: a host that stopped
  // reading would hold the adapter's thread for good, and the adapter sends
  // nothing around its own rate changes anyway.
  if (::tcsetattr(fd_, TCSANOW, &settings) != 0) return false;
  baud_ = baud;
  return true;
}

void SerialDevice::ListenAt(uint32_t baud) {
  if (baud == baud_.load()) return;
  // A device that refuses keeps its old rate, which Baud() then still
  // reports; the host sees an adapter that does not answer.
  SetRate(baud);
}

}  // namespace vlrsim::detail
