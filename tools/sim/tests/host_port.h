// The host's end of the line in tests: opens the slave the way the driver
// does (no controlling terminal, exclusive, raw 8N1) and reads and writes
// it with bounded waits.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "fd_io.h"
#include "vlrsim/family.h"

namespace vlrsim::testing {

class HostPort {
 public:
  explicit HostPort(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ >= 0 && ::ioctl(fd_, TIOCEXCL) != 0) Close();
  }
  ~HostPort() { Close(); }
  HostPort(const HostPort&) = delete;
  HostPort& operator=(const HostPort&) = delete;

  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  bool SetRate(speed_t speed) {
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return false;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    return ::tcsetattr(fd_, TCSANOW, &t) == 0;
  }

  bool Write(const Bytes& bytes) { return testing_io::WriteAll(fd_, bytes); }
  // Reads until `count` bytes have come or `wait` has passed.
  Bytes Read(size_t count, std::chrono::milliseconds wait) {
    return testing_io::ReadUpTo(fd_, count, wait);
  }

  // Whatever arrives within `wait`.
  Bytes ReadFor(std::chrono::milliseconds wait) { return Read(1 << 20, wait); }

 private:
  int fd_ = -1;
};

}  // namespace vlrsim::testing
