// The operations the driver needs from the operating system, and nothing
// more. Two backends implement every declaration here with the same names:
// win32/ with the real Win32 calls, posix/ for Linux. CMake compiles exactly
// one of them; no other file may know which.
//
// Handles are opaque pointers. A null handle is "none"; every operation that
// takes a handle accepts null and then fails (or does nothing) without
// touching anything else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "vlr/thread_annotations.h"

namespace vlr::platform {

// ---------------------------------------------------------------- serial port

struct PortObject;
using Port = PortObject*;

// Opens "COMn" for reading and writing, exclusively: a port that this or
// another process holds is refused. Does not block on the line. Returns null
// when the port is absent, busy or cannot be opened.
Port OpenPort(const char* name);

// Closes the port; null is ignored.
void ClosePort(Port port);

// The five time-outs of a Win32 COMMTIMEOUTS record, in milliseconds, with
// the same meaning on both systems:
// - a read returns when its byte count is reached, or after
//   readTotalConstant + readTotalMultiplier * count ms in total (0 and 0:
//   no total bound), or when more than readInterval ms pass between two
//   received bytes (0: no interval bound);
// - a write gives up after writeTotalConstant + writeTotalMultiplier * count.
struct PortTimeouts {
  uint32_t readInterval = 0;
  uint32_t readTotalMultiplier = 0;
  uint32_t readTotalConstant = 0;
  uint32_t writeTotalMultiplier = 0;
  uint32_t writeTotalConstant = 0;
};

bool GetTimeouts(Port port, PortTimeouts& out);
bool SetTimeouts(Port port, const PortTimeouts& timeouts);

// The fields of the line record the driver sets; a backend keeps every
// other setting of the port as it found it.
struct LineSettings {
  uint32_t baudRate = 9600;
  uint8_t dataBits = 8;
  bool parity = false;       // false: no parity
  bool twoStopBits = false;  // false: one stop bit
  bool dtrOn = true;
  bool rtsOn = true;
  bool ctsFlowControl = false;
  bool dsrFlowControl = false;
  bool dsrSensitivity = false;
  bool xonXoffOutput = false;
  bool xonXoffInput = false;
};

bool GetLineSettings(Port port, LineSettings& out);
bool SetLineSettings(Port port, const LineSettings& settings);

// Purge actions, one per call, numbered as the Win32 PURGE_* flags.
enum class Purge : uint32_t {
  kTransmitAbort = 0x1,
  kReceiveAbort = 0x2,
  kTransmitClear = 0x4,
  kReceiveClear = 0x8,
};
bool PurgePort(Port port, Purge action);

// Reads up to `capacity` bytes, blocking no longer than the port's read
// time-outs allow. `got` is always written (0 on failure). Retries
// interrupted waits with the remaining time.
bool ReadPort(Port port, uint8_t* buffer, uint32_t capacity, uint32_t& got);

// Makes the read in progress on the port, and every later one, return at
// once with what has arrived: the reader's way out when it is told to
// stop. Where reads cannot be interrupted (PortReadsInterruptible false)
// it does nothing, and the reader relies on a short read bound instead.
void InterruptPortReads(Port port);
bool PortReadsInterruptible();

// Writes synchronously, bounded by the write time-outs. `written` is always
// written (0 on failure).
bool WritePort(Port port, const uint8_t* bytes, uint32_t length,
               uint32_t& written);

// What a read or write found. kGone: the device is no longer there (the
// terminal hung up, the USB adapter was unplugged); every later call on
// the port finds the same until it is closed and opened again. kFailed:
// any other failure, which the next call may not repeat.
enum class PortCondition { kOk, kFailed, kGone };

// ReadPort and WritePort that tell a vanished device from other failures.
// A read that hits a time-out is kOk (with `got` possibly 0); a read that
// got bytes before the device vanished is kOk with those bytes.
PortCondition ReadPortChecked(Port port, uint8_t* buffer, uint32_t capacity,
                              uint32_t& got);
PortCondition WritePortChecked(Port port, const uint8_t* bytes, uint32_t length,
                               uint32_t& written);

// Modem status bits as GetCommModemStatus reports them.
constexpr uint32_t kModemCtsOn = 0x0010;
bool GetModemStatus(Port port, uint32_t& status);

// ------------------------------------------------------------------- threads

struct ThreadObject;
using Thread = ThreadObject*;
// A thread is given what it serves (its session) rather than finding it in
// process-wide records.
using ThreadRoutine = void (*)(void* context);

// Creates a thread that does not run `routine(context)` until ResumeThread.
// Null when the system refuses.
Thread CreateSuspendedThread(ThreadRoutine routine, void* context);

// Win32 thread priority levels (-2 lowest .. 2 highest, 15 time-critical).
// Best effort: a backend without the right to raise priorities succeeds
// without changing anything.
bool SetThreadPriority(Thread thread, int level);
bool ResumeThread(Thread thread);

// Blocks until both threads have ended. True when both ended.
bool WaitForBothThreads(Thread first, Thread second);

// Releases the handle; a suspended thread that was never resumed is ended
// without running its routine.
void CloseThread(Thread thread);

// -------------------------------------------------------------------- events

struct EventObject;
using Event = EventObject*;

// A manual-reset event, created not signalled. Null when it cannot be made.
Event CreateManualResetEvent();
void SignalEvent(Event event);
void ResetEvent(Event event);
// The zero-time-out test. A null event counts as signalled: a thread that
// has no stop event has nothing to wait for.
bool IsEventSignalled(Event event);
// Blocks until the event is signalled or `timeoutMs` passed; true when
// signalled. Every wait in the driver has a bound, so a lost wake-up costs
// at most that bound, never a hang. A null event counts as signalled.
bool WaitForEvent(Event event, uint32_t timeoutMs);
void CloseEvent(Event event);

// ----------------------------------------------------------------- the lock

// One mutual-exclusion lock (a critical section on Windows). Not recursive.
class CAPABILITY("lock") Lock {
 public:
  Lock();
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  void Enter() ACQUIRE();
  void Leave() RELEASE();

 private:
  alignas(8) unsigned char storage_[48];
};

class SCOPED_CAPABILITY LockGuard {
 public:
  explicit LockGuard(Lock& lock) ACQUIRE(lock) : lock_(lock) { lock_.Enter(); }
  ~LockGuard() RELEASE() { lock_.Leave(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Lock& lock_;
};

// ---------------------------------------------------------------------- time

// Milliseconds since system start, wrapping at 2^32 (GetTickCount).
uint32_t TickCount();
void SleepMs(uint32_t milliseconds);

// ------------------------------------------------------------- notification

// The window message number the system assigns to `name`; the same name
// always gives the same number. 0 on failure.
uint32_t RegisterNotification(const char* name);

// Posts `message` to every top-level window with both parameters. Never
// waits for a window.
void BroadcastNotification(uint32_t message, uintptr_t wParam, intptr_t lParam);

// ------------------------------------------------------- outside windows

struct WindowObject;
using Window = WindowObject*;

// A top-level window of any class with exactly this title, or null.
Window FindTopLevelWindow(const char* title);
// The first child window of `parent`, of any class, with exactly this text.
Window FindChildWindow(Window parent, const char* text);
bool IsWindowEnabled(Window window);

// One line to the debugger's output (OutputDebugStringA).
void DebugOutput(const char* text);

// ------------------------------------------------------------------ registry

struct RegistryObject;
using RegistryKeyHandle = RegistryObject*;

// Opens HKEY_LOCAL_MACHINE\`path` for reading and writing, creating it,
// volatile, when absent. Returns the system's result code, 0 on success.
long OpenMachineKey(const char* path, RegistryKeyHandle& out);
// Reads a string value; at most `capacity` - 1 bytes are taken and the text
// is always terminated. Returns the system's result code, 0 on success.
long QueryStringValue(RegistryKeyHandle key, const char* name, char* buffer,
                      uint32_t capacity);
void CloseKey(RegistryKeyHandle key);

}  // namespace vlr::platform
