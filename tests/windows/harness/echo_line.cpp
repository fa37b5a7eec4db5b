#include "echo_line.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <system_error>

namespace winetest {
namespace {

[[noreturn]] void Fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

EchoLine::EchoLine() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) Fail("posix_openpt");
  std::array<char, 128> name{};
  termios settings{};
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, name.data(), name.size()) != 0 ||
      ::tcgetattr(master_, &settings) != 0) {
    ::close(master_);
    Fail("pseudo-terminal");
  }
  ::cfmakeraw(&settings);
  ::tcsetattr(master_, TCSANOW, &settings);
  slavePath_ = name.data();
  thread_ = std::thread([this] { Run(); });
}

EchoLine::~EchoLine() {
  stop_ = true;
  thread_.join();
  std::error_code ignored;
  if (!link_.empty()) std::filesystem::remove(link_, ignored);
  ::close(master_);
}

void EchoLine::LinkTo(const std::filesystem::path& link) {
  std::error_code ignored;
  std::filesystem::remove(link, ignored);
  std::filesystem::create_symlink(slavePath_, link);
  link_ = link;
}

// A master whose slave nobody holds reports a hang-up at every poll; the
// pause keeps that from spinning while the probe reopens the port.
void EchoLine::Run() {
  std::array<unsigned char, 4096> buffer{};
  while (!stop_) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    if ((p.revents & POLLIN) == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    const ssize_t got = ::read(master_, buffer.data(), buffer.size());
    for (ssize_t put = 0; got > 0 && put < got;) {
      const ssize_t n = ::write(master_, buffer.data() + put, got - put);
      if (n > 0) put += n;
      if (n < 0 && errno != EAGAIN) break;
    }
  }
}

}  // namespace winetest
