#include <algorithm>
#include <string>
#include <vector>

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

// MAXDWORD in interval and multiplier with a total constant: the read
// returns as soon as any bytes are there.
bool AsksForWhatArrived(const COMMTIMEOUTS& t) {
  return t.ReadIntervalTimeout == MAXDWORD &&
         t.ReadTotalTimeoutMultiplier == MAXDWORD &&
         t.ReadTotalTimeoutConstant != 0 &&
         t.ReadTotalTimeoutConstant != MAXDWORD;
}

// The open ports whose time-outs ask for what arrived, noted when they are
// set: asking the port at every read would cost Wine a round trip to its
// server each time.
struct WhatArrivedPorts {
  Lock lock;
  std::vector<HANDLE> handles GUARDED_BY(lock);
};

WhatArrivedPorts& TheWhatArrivedPorts() {
  static WhatArrivedPorts ports;
  return ports;
}

void NoteReadMode(HANDLE handle, bool whatArrived) {
  WhatArrivedPorts& ports = TheWhatArrivedPorts();
  LockGuard guard(ports.lock);
  std::erase(ports.handles, handle);
  if (whatArrived) ports.handles.push_back(handle);
}

bool ReturnsWhatArrived(HANDLE handle) {
  WhatArrivedPorts& ports = TheWhatArrivedPorts();
  LockGuard guard(ports.lock);
  return std::ranges::find(ports.handles, handle) != ports.handles.end();
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
  if (port == nullptr) return;
  NoteReadMode(ToHandle(port), false);
  ::CloseHandle(ToHandle(port));
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
  if (!::SetCommTimeouts(ToHandle(port), &t)) return false;
  NoteReadMode(ToHandle(port), AsksForWhatArrived(t));
  return true;
}

bool PurgePort(Port port, Purge action) {
  if (port == nullptr) return false;
  return ::PurgeComm(ToHandle(port), static_cast<DWORD>(action)) != FALSE;
}

namespace {

// Errors a serial request gets once its device has been removed (the USB
// adapter unplugged): the handle stays open but leads nowhere.
bool IsRemovedDeviceError(DWORD error) {
  switch (error) {
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_BAD_COMMAND:
    case ERROR_ACCESS_DENIED:
    case ERROR_GEN_FAILURE:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_READY:
      return true;
    default:
      return false;
  }
}

// A line error (framing, overrun, a break) fails a request too, and
// ClearCommError clears it; on a removed device ClearCommError fails as
// well, which tells the two apart.
PortCondition ClassifyFailure(HANDLE handle) {
  const DWORD error = ::GetLastError();
  DWORD errors = 0;
  COMSTAT status{};
  if (IsRemovedDeviceError(error) ||
      !::ClearCommError(handle, &errors, &status)) {
    return PortCondition::kGone;
  }
  return PortCondition::kFailed;
}

}  // namespace

namespace {

DWORD QueuedBytes(HANDLE handle) {
  DWORD errors = 0;
  COMSTAT status{};
  return ::ClearCommError(handle, &errors, &status) ? status.cbInQue : 0;
}

// Wine's synchronous serial read does not give MAXDWORD/MAXDWORD its
// meaning: once bytes have come it waits out the whole total bound, so
// every read would last the bound. A read whose count is reached returns
// at once on both systems, so the read asks for what is queued, or when
// nothing is, for one byte (the wait within the bound) and then for what
// came with it.
PortCondition ReadWhatArrived(HANDLE handle, uint8_t* buffer, DWORD capacity,
                              uint32_t& got) {
  const DWORD queued = QueuedBytes(handle);
  DWORD count = 0;
  const DWORD first = queued > 0 ? std::min(queued, capacity) : 1;
  if (!::ReadFile(handle, buffer, first, &count, nullptr)) {
    return ClassifyFailure(handle);
  }
  got = count;
  if (queued > 0 || count == 0 || capacity == 1) return PortCondition::kOk;
  const DWORD more = std::min(QueuedBytes(handle), capacity - 1);
  // A failure here is the next read's to report; the byte is kept.
  if (more > 0 && ::ReadFile(handle, buffer + 1, more, &count, nullptr)) {
    got += count;
  }
  return PortCondition::kOk;
}

}  // namespace

PortCondition ReadPortChecked(Port port, uint8_t* buffer, uint32_t capacity,
                              uint32_t& got) {
  got = 0;
  if (port == nullptr || (buffer == nullptr && capacity > 0)) {
    return PortCondition::kFailed;
  }
  const HANDLE handle = ToHandle(port);
  if (capacity > 0 && ReturnsWhatArrived(handle)) {
    return ReadWhatArrived(handle, buffer, capacity, got);
  }
  DWORD count = 0;
  if (!::ReadFile(handle, buffer, capacity, &count, nullptr)) {
    return ClassifyFailure(handle);
  }
  got = count;
  return PortCondition::kOk;
}

// A synchronous ReadFile on a comm handle is bounded by the comm time-outs;
// the reader keeps that bound short instead of interrupting it.
void InterruptPortReads(Port) {}
bool PortReadsInterruptible() { return false; }

bool ReadPort(Port port, uint8_t* buffer, uint32_t capacity, uint32_t& got) {
  return ReadPortChecked(port, buffer, capacity, got) == PortCondition::kOk;
}

PortCondition WritePortChecked(Port port, const uint8_t* bytes, uint32_t length,
                               uint32_t& written) {
  written = 0;
  if (port == nullptr || (bytes == nullptr && length > 0)) {
    return PortCondition::kFailed;
  }
  DWORD count = 0;
  const HANDLE handle = ToHandle(port);
  if (!::WriteFile(handle, bytes, length, &count, nullptr)) {
    return ClassifyFailure(handle);
  }
  written = count;
  return PortCondition::kOk;
}

bool WritePort(Port port, const uint8_t* bytes, uint32_t length,
               uint32_t& written) {
  return WritePortChecked(port, bytes, length, written) == PortCondition::kOk;
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
