#include <string>

#include "platform/win32/win32_handles.h"

namespace vlr::platform {
namespace {

// The device namespace form reaches COM10 and above too, where the plain
// name would be taken for a file; it works for COM1..COM9 alike.
std::string DevicePath(const char* name) {
  const std::string text(name);
  if (text.rfind("\\\\.\\", 0) == 0) return text;
  return "\\\\.\\" + text;
}

// Wine keeps a COM device for every configured port even when nothing is
// behind it; opening that succeeds but every serial request fails. Asking
// for the line record tells such a port from a working one, so it is
// reported absent here rather than failing later in the set-up.
bool AnswersAsSerialPort(HANDLE handle) {
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  return ::GetCommState(handle, &dcb) != FALSE;
}

}  // namespace

Port OpenPort(const char* name) {
  if (name == nullptr || *name == '\0') return nullptr;
  const HANDLE handle =
      ::CreateFileA(DevicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE,
                    0 /* no sharing */, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (!AnswersAsSerialPort(handle)) {
    ::CloseHandle(handle);
    return nullptr;
  }
  return ToPort(handle);
}

void ClosePort(Port port) {
  if (port != nullptr) ::CloseHandle(ToHandle(port));
}

bool GetTimeouts(Port port, PortTimeouts& out) {
  COMMTIMEOUTS t{};
  if (port == nullptr || !::GetCommTimeouts(ToHandle(port), &t)) return false;
  out.readInterval = t.ReadIntervalTimeout;
  out.readTotalMultiplier = t.ReadTotalTimeoutMultiplier;
  out.readTotalConstant = t.ReadTotalTimeoutConstant;
  out.writeTotalMultiplier = t.WriteTotalTimeoutMultiplier;
  out.writeTotalConstant = t.WriteTotalTimeoutConstant;
  return true;
}

bool SetTimeouts(Port port, const PortTimeouts& timeouts) {
  if (port == nullptr) return false;
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = timeouts.readInterval;
  t.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
  t.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
  t.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
  t.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
  return ::SetCommTimeouts(ToHandle(port), &t) != FALSE;
}

bool PurgePort(Port port, Purge action) {
  if (port == nullptr) return false;
  return ::PurgeComm(ToHandle(port), static_cast<DWORD>(action)) != FALSE;
}

bool ReadPort(Port port, uint8_t* buffer, uint32_t capacity, uint32_t& got) {
  got = 0;
  if (port == nullptr || (buffer == nullptr && capacity > 0)) return false;
  DWORD count = 0;
  const BOOL ok = ::ReadFile(ToHandle(port), buffer, capacity, &count, nullptr);
  if (!ok) return false;
  got = count;
  return true;
}

bool WritePort(Port port, const uint8_t* bytes, uint32_t length,
               uint32_t& written) {
  written = 0;
  if (port == nullptr || (bytes == nullptr && length > 0)) return false;
  DWORD count = 0;
  const BOOL ok = ::WriteFile(ToHandle(port), bytes, length, &count, nullptr);
  if (!ok) return false;
  written = count;
  return true;
}

bool GetModemStatus(Port port, uint32_t& status) {
  DWORD bits = 0;
  if (port == nullptr || !::GetCommModemStatus(ToHandle(port), &bits)) {
    return false;
  }
  status = bits;
  return true;
}

}  // namespace vlr::platform
