// std::mutex with the annotations clang's thread-safety analysis needs
// (libstdc++'s own mutex carries none), for code that uses the standard
// library's threads: the simulator and the posix backend. The driver's
// logic uses platform::Lock. Waits use std::condition_variable_any on the
// Mutex itself.
#pragma once

#include <mutex>

#include "vlr/thread_annotations.h"

namespace vlr {

class CAPABILITY("mutex") Mutex {
 public:
  void lock() ACQUIRE() { mutex_.lock(); }
  void unlock() RELEASE() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) {
    mutex_.lock();
  }
  ~MutexLock() RELEASE() { mutex_.unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& mutex_;
};

}  // namespace vlr
