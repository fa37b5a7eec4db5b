// The application's side of a receive benchmark: one thread that reads
// with blocking reads, as a diagnostic program would, and notes when each
// sequenced frame came back from RP1210_ReadMessage.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "sequenced_traffic.h"

namespace vlr::bench {

class ApplicationReader {
 public:
  // Frames 0 .. expected-1 are awaited.
  explicit ApplicationReader(uint32_t expected);
  ~ApplicationReader();
  ApplicationReader(const ApplicationReader&) = delete;
  ApplicationReader& operator=(const ApplicationReader&) = delete;

  void Start();
  // Ends the thread. A blocking read waits about ten seconds for a message,
  // so the end marker is put on the bus to return it at once.
  void Finish(vlrsim::PtyAdapter& adapter);

  // Distinct frames read so far; any thread.
  uint32_t Received() const { return received_.load(); }
  // Valid once the thread has started.
  pid_t ThreadId() const { return threadId_.load(); }

  // After Finish.
  const Instants& ReturnTimes() const { return returned_; }
  uint64_t OutOfOrder() const { return outOfOrder_; }
  uint64_t Duplicates() const { return duplicates_; }
  uint64_t FailedReads() const { return failedReads_; }

 private:
  void Run();
  // False once the end marker arrived.
  bool Note(uint32_t sequence, Clock::time_point at);

  Instants returned_;  // the reading thread's until Finish joins it
  std::atomic<uint32_t> received_{0};
  std::atomic<pid_t> threadId_{0};
  std::atomic<bool> finishing_{false};
  uint64_t outOfOrder_ = 0;
  uint64_t duplicates_ = 0;
  uint64_t failedReads_ = 0;
  int64_t lastSequence_ = -1;
  std::thread thread_;
};

}  // namespace vlr::bench
