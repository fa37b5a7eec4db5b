// How the system's serial port honours the read time-outs the driver
// relies on, measured on a port whose other end echoes every byte back at
// once (the harness plays that end):
//
//   serial_timing COMn [SAMPLES]
//
// For each read mode, one line per measurement:
//
//   MODE idle p50=MS max=MS bytes=N      a read with nothing coming
//   MODE echo p50=MS max=MS bytes=N      write 8 bytes, the first read that
//                                        returns; N: bytes it brought (p50)
//
// Modes: plain ReadFile under the COMMTIMEOUTS of each family and a few
// alternatives, and the driver's own read (the platform backend) under
// each family's time-outs. Exit code 0 when every measurement could be
// made; figures are never judged here.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace {

constexpr DWORD kCapacity = 4096;
constexpr DWORD kEchoBytes = 8;
constexpr DWORD kBoundMs = 10;
constexpr DWORD kGiveUpMs = 2000;

struct Mode {
  const char* name;
  COMMTIMEOUTS timeouts;
  bool viaDriver;  // the platform backend's read in place of ReadFile
};

constexpr COMMTIMEOUTS kWhatArrived{MAXDWORD, MAXDWORD, kBoundMs, 0, 20};
constexpr COMMTIMEOUTS kInterval1{1, 0, kBoundMs, 0, 20};

const std::array<Mode, 6> kModes{{
    {"what-arrived", kWhatArrived, false},
    {"interval-1", kInterval1, false},
    {"interval-2", {2, 0, kBoundMs, 0, 20}, false},
    {"total-only", {0, 0, kBoundMs, 0, 20}, false},
    {"driver-2xx", kWhatArrived, true},
    {"driver-1xx", kInterval1, true},
}};

double NowMs() {
  static const double perMs = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER c;
  ::QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / perMs;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[(v.size() - 1) / 2];
}

double Max(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

class Port {
 public:
  Port(const std::string& name, bool viaDriver) : viaDriver_(viaDriver) {
    handle_ =
        ::CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE,
                      0, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ~Port() {
    if (Open()) ::CloseHandle(handle_);
  }
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  bool Open() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Set(COMMTIMEOUTS timeouts) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle_, &dcb)) return false;
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    return ::SetCommState(handle_, &dcb) && SetTimeouts(timeouts) &&
           ::PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
  }

  // Bytes read, or -1 on failure.
  long Read(BYTE* buffer) {
    if (viaDriver_) {
      uint32_t got = 0;
      return vlr::platform::ReadPortChecked(vlr::platform::ToPort(handle_),
                                            buffer, kCapacity, got) ==
                     vlr::platform::PortCondition::kOk
                 ? static_cast<long>(got)
                 : -1;
    }
    DWORD got = 0;
    return ::ReadFile(handle_, buffer, kCapacity, &got, nullptr) ? got : -1;
  }

  bool SetTimeouts(const COMMTIMEOUTS& t) {
    COMMTIMEOUTS copy = t;
    if (!viaDriver_) return ::SetCommTimeouts(handle_, &copy);
    const vlr::platform::PortTimeouts timeouts{
        .readInterval = t.ReadIntervalTimeout,
        .readTotalMultiplier = t.ReadTotalTimeoutMultiplier,
        .readTotalConstant = t.ReadTotalTimeoutConstant,
        .writeTotalMultiplier = t.WriteTotalTimeoutMultiplier,
        .writeTotalConstant = t.WriteTotalTimeoutConstant};
    return vlr::platform::SetTimeouts(vlr::platform::ToPort(handle_), timeouts);
  }

  bool Write(const BYTE* bytes, DWORD length) {
    DWORD put = 0;
    return ::WriteFile(handle_, bytes, length, &put, nullptr) && put == length;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool viaDriver_ = false;
};

struct Samples {
  std::vector<double> ms;
  std::vector<double> bytes;
  bool failed = false;
};

void Print(const Mode& mode, const char* what, const Samples& s) {
  std::printf("%s %s p50=%.2f max=%.2f bytes=%.0f%s\n", mode.name, what,
              Median(s.ms), Max(s.ms), Median(s.bytes),
              s.failed ? " FAILED" : "");
}

Samples IdleReads(Port& port, int count) {
  Samples s;
  std::array<BYTE, kCapacity> buffer{};
  for (int i = 0; i < count; ++i) {
    const double start = NowMs();
    const long got = port.Read(buffer.data());
    s.ms.push_back(NowMs() - start);
    s.bytes.push_back(got);
    if (got < 0) s.failed = true;
  }
  return s;
}

// Reads until the whole echo is back, so the next sample starts clean.
bool DrainEcho(Port& port, DWORD have) {
  std::array<BYTE, kCapacity> buffer{};
  const double start = NowMs();
  while (have < kEchoBytes && NowMs() - start < kGiveUpMs) {
    const long got = port.Read(buffer.data());
    if (got < 0) return false;
    have += static_cast<DWORD>(got);
  }
  return have >= kEchoBytes;
}

Samples EchoReads(Port& port, int count) {
  Samples s;
  std::array<BYTE, kCapacity> buffer{};
  const std::array<BYTE, kEchoBytes> sent{1, 2, 3, 4, 5, 6, 7, 8};
  for (int i = 0; i < count && !s.failed; ++i) {
    ::Sleep(static_cast<DWORD>(i % 7));  // land anywhere in the bound
    const double start = NowMs();
    if (!port.Write(sent.data(), kEchoBytes)) {
      s.failed = true;
      break;
    }
    long got = 0;
    while (got == 0 && NowMs() - start < kGiveUpMs) {
      got = port.Read(buffer.data());
    }
    s.ms.push_back(NowMs() - start);
    s.bytes.push_back(got);
    if (got <= 0 || !DrainEcho(port, static_cast<DWORD>(got))) s.failed = true;
  }
  return s;
}

bool Measure(const std::string& name, const Mode& mode, int samples) {
  Port port(name, mode.viaDriver);
  if (!port.Open() || !port.Set(mode.timeouts)) {
    std::printf("%s cannot open or set %s\n", mode.name, name.c_str());
    return false;
  }
  const Samples idle = IdleReads(port, samples);
  Print(mode, "idle", idle);
  const Samples echo = EchoReads(port, samples);
  Print(mode, "echo", echo);
  return !idle.failed && !echo.failed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: serial_timing COMn [SAMPLES]\n");
    return 2;
  }
  const int samples = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
  bool ok = true;
  for (const Mode& mode : kModes) ok = Measure(argv[1], mode, samples) && ok;
  std::fflush(stdout);
  return ok ? 0 : 1;
}
