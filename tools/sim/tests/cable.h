// A pseudo-terminal pair standing in for a serial cable in tests: the
// adapter opens the slave as its device; the test is the host on the
// master side and reads through it the rate the adapter set.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <thread>

#include "fd_io.h"
#include "vlrsim/family.h"

namespace vlrsim::testing {

class Cable {
 public:
  Cable() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    std::array<char, 128> name{};
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name.data(), name.size()) != 0) {
      return;
    }
    device_ = name.data();
    // A rate no adapter uses, so that one that sets none is caught (a new
    // pair starts at 38400, the 1xx rate).
    termios t{};
    ::tcgetattr(master_, &t);
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B1200);
    ::cfsetospeed(&t, B1200);
    ::tcsetattr(master_, TCSANOW, &t);
  }
  ~Cable() {
    if (master_ >= 0) ::close(master_);
  }
  Cable(const Cable&) = delete;
  Cable& operator=(const Cable&) = delete;

  bool ready() const { return !device_.empty(); }
  const std::string& device() const { return device_; }

  // The rate the far end (the adapter) has set on the device.
  uint32_t AdapterBaud() const {
    termios t{};
    if (::tcgetattr(master_, &t) != 0) return 0;
    switch (::cfgetospeed(&t)) {
      case B9600:
        return 9600;
      case B38400:
        return 38400;
      case B115200:
        return 115200;
      default:
        return 0;
    }
  }
  // Polled, because the adapter switches after it has read the frame.
  bool WaitForAdapterBaud(uint32_t baud, std::chrono::milliseconds wait) const {
    const auto end = std::chrono::steady_clock::now() + wait;
    while (AdapterBaud() != baud) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds{5});
    }
    return true;
  }

  bool Write(const Bytes& bytes) {
    return testing_io::WriteAll(master_, bytes);
  }
  Bytes Read(size_t count, std::chrono::milliseconds wait) {
    return testing_io::ReadUpTo(master_, count, wait);
  }

 private:
  int master_ = -1;
  std::string device_;
};

}  // namespace vlrsim::testing
