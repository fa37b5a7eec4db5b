#include <new>

#include "platform/win32/win32_handles.h"

namespace vlr::platform {

Event CreateManualResetEvent() {
  return ToEvent(::CreateEventA(nullptr, TRUE /* manual reset */,
                                FALSE /* not signalled */, nullptr));
}

void SignalEvent(Event event) {
  if (event != nullptr) ::SetEvent(ToHandle(event));
}

void ResetEvent(Event event) {
  if (event != nullptr) ::ResetEvent(ToHandle(event));
}

// Anything but a time-out counts as signalled, a failed wait included: a
// thread polling a broken event should end rather than spin for ever.
bool IsEventSignalled(Event event) {
  if (event == nullptr) return true;
  return ::WaitForSingleObject(ToHandle(event), 0) != WAIT_TIMEOUT;
}

// As for the zero-time-out test, a failed wait counts as signalled.
bool WaitForEvent(Event event, uint32_t timeoutMs) {
  if (event == nullptr) return true;
  return ::WaitForSingleObject(ToHandle(event), timeoutMs) != WAIT_TIMEOUT;
}

void CloseEvent(Event event) {
  if (event != nullptr) ::CloseHandle(ToHandle(event));
}

namespace {

CRITICAL_SECTION* Section(unsigned char* storage) {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

}  // namespace

Lock::Lock() {
  static_assert(sizeof(CRITICAL_SECTION) <= sizeof(storage_),
                "Lock::storage_ must hold a CRITICAL_SECTION");
  static_assert(alignof(CRITICAL_SECTION) <= 8,
                "Lock::storage_ is aligned for 8 bytes");
  ::InitializeCriticalSection(new (storage_) CRITICAL_SECTION);
}

Lock::~Lock() { ::DeleteCriticalSection(Section(storage_)); }
void Lock::Enter() { ::EnterCriticalSection(Section(storage_)); }
void Lock::Leave() { ::LeaveCriticalSection(Section(storage_)); }

uint32_t TickCount() { return ::GetTickCount(); }
void SleepMs(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace vlr::platform
