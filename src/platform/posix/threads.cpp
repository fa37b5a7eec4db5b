#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "platform/platform.h"
#include "vlr/mutex.h"

namespace vlr::platform {

// A thread that waits at its start until resumed, as CreateThread with
// CREATE_SUSPENDED does; closing it unresumed lets it end without running.
struct ThreadObject {
  enum class Start { kWaiting, kRun, kAbandon };
  Mutex mutex;
  std::condition_variable_any changed;
  Start start GUARDED_BY(mutex) = Start::kWaiting;
  std::thread thread;
  bool joined = false;  // touched by the owning (application) thread only

  void Release(Start how) {
    {
      MutexLock guard(mutex);
      if (start == Start::kWaiting) start = how;
    }
    changed.notify_all();
  }

  // The new thread: blocks until Release, true when it is to run.
  bool AwaitStart() {
    MutexLock guard(mutex);
    changed.wait(mutex,
                 [this]() REQUIRES(mutex) { return start != Start::kWaiting; });
    return start == Start::kRun;
  }
};

Thread CreateSuspendedThread(ThreadRoutine routine, void* context) {
  if (routine == nullptr) return nullptr;
  auto* object = new (std::nothrow) ThreadObject;
  if (object == nullptr) return nullptr;
  try {
    object->thread = std::thread([object, routine, context] {
      if (object->AwaitStart()) routine(context);
    });
  } catch (...) {
    delete object;
    return nullptr;
  }
  return object;
}

bool SetThreadPriority(Thread thread, int /*level*/) {
  // Raising a thread's priority needs privileges a workshop PC user does not
  // have on Linux; the pacing sleeps, not the priority, keep the link fed.
  return thread != nullptr;
}

bool ResumeThread(Thread thread) {
  if (thread == nullptr) return false;
  thread->Release(ThreadObject::Start::kRun);
  return true;
}

bool WaitForBothThreads(Thread first, Thread second) {
  if (first == nullptr || second == nullptr) return false;
  for (Thread t : {first, second}) {
    if (!t->joined && t->thread.joinable()) t->thread.join();
    t->joined = true;
  }
  return true;
}

void CloseThread(Thread thread) {
  if (thread == nullptr) return;
  thread->Release(ThreadObject::Start::kAbandon);
  if (thread->thread.joinable()) thread->thread.join();
  delete thread;
}

// The flag is atomic so the zero-time-out test costs no lock; waits and
// changes take the mutex, so a signal cannot slip between a waiter's test
// and its sleep.
struct EventObject {
  Mutex mutex;
  std::condition_variable_any changed;
  std::atomic<bool> signalled{false};
};

Event CreateManualResetEvent() { return new (std::nothrow) EventObject; }

void SignalEvent(Event event) {
  if (event == nullptr) return;
  {
    MutexLock guard(event->mutex);
    event->signalled.store(true, std::memory_order_release);
  }
  event->changed.notify_all();
}

void ResetEvent(Event event) {
  if (event == nullptr) return;
  MutexLock guard(event->mutex);
  event->signalled.store(false, std::memory_order_release);
}

bool IsEventSignalled(Event event) {
  return event == nullptr || event->signalled.load(std::memory_order_acquire);
}

bool WaitForEvent(Event event, uint32_t timeoutMs) {
  if (event == nullptr) return true;
  MutexLock guard(event->mutex);
  return event->changed.wait_for(
      event->mutex, std::chrono::milliseconds(timeoutMs),
      [event] { return event->signalled.load(std::memory_order_acquire); });
}

void CloseEvent(Event event) { delete event; }

static_assert(sizeof(std::mutex) <= 48 && alignof(std::mutex) <= 8);

Lock::Lock() { new (storage_) std::mutex; }
Lock::~Lock() { reinterpret_cast<std::mutex*>(storage_)->~mutex(); }
void Lock::Enter() { reinterpret_cast<std::mutex*>(storage_)->lock(); }
void Lock::Leave() { reinterpret_cast<std::mutex*>(storage_)->unlock(); }

uint32_t TickCount() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SleepMs(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace vlr::platform
