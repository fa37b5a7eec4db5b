#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/posix/port_names.h"
#include "platform/posix/port_object.h"

namespace vlr::platform {

// "COMn" is resolved at every open, so a test or the simulator can move a
// port between connects.
static std::string DevicePathFor(const char* name) {
  if (std::strncmp(name, "COM", 3) != 0) return name;
  return ResolvePort(std::atoi(name + 3)).path;
}

Port OpenPort(const char* name) {
  if (name == nullptr) return nullptr;
  const std::string path = DevicePathFor(name);
  if (path.empty()) return nullptr;
  const int fd =
      ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // TIOCEXCL alone does not stop a privileged opener, and it says nothing
  // to another open in this process; the lock refuses both, as Windows
  // refuses a second CreateFile on a COM port.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
    ::close(fd);
    return nullptr;
  }
  int interrupt[2];
  if (::pipe2(interrupt, O_NONBLOCK | O_CLOEXEC) != 0) {
    ::close(fd);
    return nullptr;
  }
  auto* port = new PortObject;
  port->fd = fd;
  port->interruptRead = interrupt[0];
  port->interruptWrite = interrupt[1];
  return port;
}

void ClosePort(Port port) {
  if (port == nullptr) return;
  ::ioctl(port->fd, TIOCNXCL);  // result ignored: the fd is closed anyway
  ::close(port->fd);
  ::close(port->interruptRead);
  ::close(port->interruptWrite);
  delete port;
}

void InterruptPortReads(Port port) {
  if (port == nullptr) return;
  const char byte = 0;
  // A full pipe already interrupts; nothing else can fail here.
  [[maybe_unused]] const ssize_t ignored =
      ::write(port->interruptWrite, &byte, 1);
}

bool PortReadsInterruptible() { return true; }

bool GetTimeouts(Port port, PortTimeouts& out) {
  if (port == nullptr) return false;
  out = port->timeouts;
  return true;
}

bool SetTimeouts(Port port, const PortTimeouts& timeouts) {
  if (port == nullptr) return false;
  port->timeouts = timeouts;
  return true;
}

bool PurgePort(Port port, Purge action) {
  if (port == nullptr) return false;
  switch (action) {
    case Purge::kReceiveClear:
      return ::tcflush(port->fd, TCIFLUSH) == 0;
    case Purge::kTransmitClear:
      return ::tcflush(port->fd, TCOFLUSH) == 0;
    // I/O is synchronous here: there is never a pending request to abort.
    case Purge::kReceiveAbort:
    case Purge::kTransmitAbort:
      return true;
  }
  return false;
}

bool GetModemStatus(Port port, uint32_t& status) {
  if (port == nullptr) return false;
  int lines = 0;
  if (::ioctl(port->fd, TIOCMGET, &lines) != 0) {
    // A line without modem control (a pseudo-terminal, some USB bridges)
    // has no CTS to report: that is an answer, not a failure.
    if (errno == EINVAL || errno == ENOTTY) {
      status = 0;
      return true;
    }
    return false;
  }
  status = (lines & TIOCM_CTS) ? kModemCtsOn : 0;
  return true;
}

}  // namespace vlr::platform
