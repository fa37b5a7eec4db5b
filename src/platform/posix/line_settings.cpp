#include <sys/ioctl.h>
#include <termios.h>

#include <array>
#include <utility>

#include "platform/posix/port_object.h"

namespace vlr::platform {
namespace {

constexpr std::array<std::pair<uint32_t, speed_t>, 12> kRates{{
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
    {460800, B460800},
    {500000, B500000},
    {921600, B921600},
}};

bool SpeedFor(uint32_t rate, speed_t& out) {
  for (const auto& [value, code] : kRates) {
    if (value == rate) {
      out = code;
      return true;
    }
  }
  return false;
}

uint32_t RateFor(speed_t code) {
  for (const auto& [value, c] : kRates) {
    if (c == code) return value;
  }
  return 0;
}

void SetModemLine(int fd, int line, bool on) {
  // Best effort: a pseudo-terminal or a bridge without modem control has no
  // DTR or RTS to drive, and the link works without them.
  ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

}  // namespace

bool GetLineSettings(Port port, LineSettings& out) {
  if (port == nullptr) return false;
  termios tio{};
  if (::tcgetattr(port->fd, &tio) != 0) return false;
  out.baudRate = RateFor(cfgetospeed(&tio));
  out.dataBits = (tio.c_cflag & CSIZE) == CS8 ? 8 : 7;
  out.parity = (tio.c_cflag & PARENB) != 0;
  out.twoStopBits = (tio.c_cflag & CSTOPB) != 0;
  out.ctsFlowControl = (tio.c_cflag & CRTSCTS) != 0;
  out.xonXoffOutput = (tio.c_iflag & IXON) != 0;
  out.xonXoffInput = (tio.c_iflag & IXOFF) != 0;
  int lines = 0;
  if (::ioctl(port->fd, TIOCMGET, &lines) == 0) {
    out.dtrOn = (lines & TIOCM_DTR) != 0;
    out.rtsOn = (lines & TIOCM_RTS) != 0;
  }
  return true;
}

bool SetLineSettings(Port port, const LineSettings& settings) {
  if (port == nullptr) return false;
  speed_t speed{};
  if (!SpeedFor(settings.baudRate, speed)) return false;
  termios tio{};
  if (::tcgetattr(port->fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD | (settings.dataBits == 7 ? CS7 : CS8);
  if (settings.parity) tio.c_cflag |= PARENB;
  if (settings.twoStopBits) tio.c_cflag |= CSTOPB;
  if (settings.ctsFlowControl) tio.c_cflag |= CRTSCTS;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (settings.xonXoffOutput) tio.c_iflag |= IXON;
  if (settings.xonXoffInput) tio.c_iflag |= IXOFF;
  // Reads are paced by poll, never by the line discipline.
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) {
    return false;
  }
  if (::tcsetattr(port->fd, TCSANOW, &tio) != 0) return false;
  SetModemLine(port->fd, TIOCM_DTR, settings.dtrOn);
  SetModemLine(port->fd, TIOCM_RTS, settings.rtsOn);
  return true;
}

}  // namespace vlr::platform
