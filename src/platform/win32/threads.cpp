#include <atomic>
#include <new>

#include "platform/win32/win32_handles.h"

namespace vlr::platform {

// Shared by the creating side and the new thread, each holding a reference,
// so neither has to outlive the other: the thread drops its reference as
// soon as it has read what it needs, and CloseThread drops the creator's.
struct ThreadObject {
  HANDLE handle = nullptr;
  ThreadRoutine routine = nullptr;
  void* context = nullptr;
  bool resumed = false;                // creating side only
  std::atomic<bool> abandoned{false};  // set before a resume that must not run
  std::atomic<int> references{2};

  void Release() {
    if (references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
};

namespace {

DWORD WINAPI RunRoutine(LPVOID parameter) {
  auto* object = static_cast<ThreadObject*>(parameter);
  const ThreadRoutine routine = object->routine;
  void* const context = object->context;
  const bool abandoned = object->abandoned.load(std::memory_order_acquire);
  object->Release();
  if (!abandoned) routine(context);
  return 0;
}

}  // namespace

Thread CreateSuspendedThread(ThreadRoutine routine, void* context) {
  if (routine == nullptr) return nullptr;
  auto* object = new (std::nothrow) ThreadObject;
  if (object == nullptr) return nullptr;
  object->routine = routine;
  object->context = context;
  object->handle =
      ::CreateThread(nullptr, 0, RunRoutine, object, CREATE_SUSPENDED, nullptr);
  if (object->handle == nullptr) {
    delete object;
    return nullptr;
  }
  return object;
}

bool SetThreadPriority(Thread thread, int level) {
  return thread != nullptr && ::SetThreadPriority(thread->handle, level);
}

bool ResumeThread(Thread thread) {
  if (thread == nullptr) return false;
  if (::ResumeThread(thread->handle) == static_cast<DWORD>(-1)) return false;
  thread->resumed = true;
  return true;
}

bool WaitForBothThreads(Thread first, Thread second) {
  if (first == nullptr || second == nullptr) return false;
  if (first == second) {
    return ::WaitForSingleObject(first->handle, INFINITE) == WAIT_OBJECT_0;
  }
  const HANDLE both[2] = {first->handle, second->handle};
  const DWORD result = ::WaitForMultipleObjects(2, both, TRUE, INFINITE);
  return result < WAIT_OBJECT_0 + 2;
}

// A thread that was never resumed is let go with the abandon flag set, so
// it returns before calling the routine. Terminating it instead would risk
// leaving the C runtime's per-thread state half made.
void CloseThread(Thread thread) {
  if (thread == nullptr) return;
  if (!thread->resumed) {
    thread->abandoned.store(true, std::memory_order_release);
    if (::ResumeThread(thread->handle) == static_cast<DWORD>(-1)) {
      // It cannot run at all, so it will never drop its own reference.
      ::TerminateThread(thread->handle, 0);
      thread->Release();
    }
  }
  ::CloseHandle(thread->handle);
  thread->Release();
}

}  // namespace vlr::platform
