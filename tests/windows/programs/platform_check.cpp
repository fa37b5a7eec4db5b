// Checks of the Win32 backend of the platform layer on its own, for what
// the driver's scenarios do not reach: a thread closed before it ever ran,
// the lock under contention, the registry buffer bound, and every operation
// given a null handle. Prints one line per check; exit code 0 when all hold.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace platform = vlr::platform;

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
  if (!ok) ++failures;
}

std::atomic<int> routineRuns{0};
void CountRun(void*) { ++routineRuns; }

void ThreadNeverResumedDoesNotRun() {
  routineRuns = 0;
  platform::Thread thread = platform::CreateSuspendedThread(CountRun, nullptr);
  Check(thread != nullptr, "a suspended thread is created");
  platform::CloseThread(thread);
  platform::SleepMs(200);
  Check(routineRuns == 0, "a thread closed unresumed never runs its routine");
}

platform::Lock counterLock;
int counter = 0;  // guarded by counterLock

void AddUnderLock(void*) {
  for (int i = 0; i < 2000; ++i) {
    platform::LockGuard guard(counterLock);
    const int seen = counter;
    if (i % 100 == 0) ::Sleep(0);  // invite the other thread in mid-update
    counter = seen + 1;
  }
}

void TwoThreadsShareALock() {
  counter = 0;
  platform::Thread a = platform::CreateSuspendedThread(AddUnderLock, nullptr);
  platform::Thread b = platform::CreateSuspendedThread(AddUnderLock, nullptr);
  Check(platform::SetThreadPriority(a, 2) && platform::SetThreadPriority(b, -2),
        "thread priorities are set");
  Check(platform::ResumeThread(a) && platform::ResumeThread(b), "both resume");
  Check(platform::WaitForBothThreads(a, b), "the wait returns when both end");
  Check(counter == 4000, "no update is lost under the lock");
  platform::CloseThread(a);
  platform::CloseThread(b);
}

void EventsAndTime() {
  platform::Event event = platform::CreateManualResetEvent();
  Check(event != nullptr && !platform::IsEventSignalled(event),
        "a new event is not signalled");
  platform::SignalEvent(event);
  Check(platform::IsEventSignalled(event) && platform::IsEventSignalled(event),
        "a signalled manual-reset event stays signalled");
  platform::ResetEvent(event);
  Check(!platform::WaitForEvent(event, 20),
        "a reset event makes a wait time out");
  platform::SignalEvent(event);
  Check(platform::WaitForEvent(event, 10000), "a signalled event ends a wait");
  platform::CloseEvent(event);
  Check(platform::IsEventSignalled(nullptr) &&
            platform::WaitForEvent(nullptr, 10000),
        "no event counts as signalled");
  const uint32_t start = platform::TickCount();
  platform::SleepMs(60);
  const uint32_t passed = platform::TickCount() - start;
  Check(passed >= 30 && passed < 10000, "the tick count follows a sleep");
}

// `length` characters, stored with their terminating zero or without.
void RegistryValue(HKEY key, const char* name, size_t length,
                   bool terminated = true) {
  const std::string value(length, 'v');
  ::RegSetValueExA(key, name, 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(length + (terminated ? 1 : 0)));
}

void RegistryBound() {
  const char path[] = "SOFTWARE\\Volra\\PlatformCheck";
  platform::RegistryKeyHandle key = nullptr;
  Check(platform::OpenMachineKey(path, key) == 0 && key != nullptr,
        "the key is opened or made");
  HKEY raw = nullptr;
  ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_WRITE, &raw);
  RegistryValue(raw, "Short", 10);
  RegistryValue(raw, "Fits", 199);
  RegistryValue(raw, "TooLong", 300);
  RegistryValue(raw, "FullUnterminated", 200, false);
  ::RegCloseKey(raw);
  char buffer[201];
  std::memset(buffer, 'x', sizeof(buffer));
  Check(platform::QueryStringValue(key, "Short", buffer, 200) == 0 &&
            std::strlen(buffer) == 10,
        "a short value is read whole");
  Check(platform::QueryStringValue(key, "Fits", buffer, 200) == 0 &&
            std::strlen(buffer) == 199,
        "199 characters fit 200 bytes");
  std::memset(buffer, 'x', sizeof(buffer));
  Check(platform::QueryStringValue(key, "TooLong", buffer, 200) != 0 &&
            buffer[200] == 'x' && std::strlen(buffer) < 200,
        "a longer value is refused without writing past the buffer");
  std::memset(buffer, 'x', sizeof(buffer));
  Check(platform::QueryStringValue(key, "FullUnterminated", buffer, 200) != 0 &&
            buffer[0] == '\0' && buffer[200] == 'x',
        "a value filling the buffer without its zero is refused");
  Check(platform::QueryStringValue(key, "Missing", buffer, 200) != 0 &&
            buffer[0] == '\0',
        "a missing value leaves an empty text");
  platform::CloseKey(key);
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
}

void NullHandlesFailQuietly() {
  platform::PortTimeouts timeouts;
  platform::LineSettings line;
  uint8_t byte = 0;
  uint32_t count = 7;
  uint32_t status = 0;
  Check(platform::OpenPort("COM9") == nullptr &&
            platform::OpenPort(nullptr) == nullptr,
        "an absent port does not open");
  Check(!platform::GetTimeouts(nullptr, timeouts) &&
            !platform::SetTimeouts(nullptr, timeouts) &&
            !platform::GetLineSettings(nullptr, line) &&
            !platform::SetLineSettings(nullptr, line) &&
            !platform::PurgePort(nullptr, platform::Purge::kReceiveClear) &&
            !platform::GetModemStatus(nullptr, status),
        "port operations on no port fail");
  Check(!platform::ReadPort(nullptr, &byte, 1, count) && count == 0,
        "a read of no port gets 0");
  count = 7;
  Check(!platform::WritePort(nullptr, &byte, 1, count) && count == 0,
        "a write to no port puts 0");
  platform::ClosePort(nullptr);
  Check(!platform::ResumeThread(nullptr) &&
            !platform::SetThreadPriority(nullptr, 0) &&
            !platform::WaitForBothThreads(nullptr, nullptr),
        "thread operations on no thread fail");
  platform::CloseThread(nullptr);
  platform::SignalEvent(nullptr);
  platform::CloseEvent(nullptr);
  Check(platform::FindTopLevelWindow("vlr1210 check: no such window") ==
                nullptr &&
            platform::FindChildWindow(nullptr, "&Connect") == nullptr &&
            !platform::IsWindowEnabled(nullptr),
        "window searches find nothing that is not there");
  Check(platform::RegisterNotification("Vlr1210MessageString") != 0 &&
            platform::RegisterNotification("Vlr1210MessageString") ==
                platform::RegisterNotification("Vlr1210MessageString") &&
            platform::RegisterNotification("") == 0,
        "a notification name always gives the same number");
}

}  // namespace

int main() {
  ThreadNeverResumedDoesNotRun();
  TwoThreadsShareALock();
  EventsAndTime();
  RegistryBound();
  NullHandlesFailQuietly();
  std::printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
