// What passed over the line, kept for tests: every chunk the host wrote
// (as the simulator read it), the frames decoded from them, and every chunk
// the adapter wrote. Safe to read from any thread while the adapter runs;
// every accessor returns a copy taken under the lock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <vector>

#include "vlr/mutex.h"
#include "vlrsim/family.h"
#include "vlrsim/host_frame.h"

namespace vlrsim {

struct Chunk {
  Clock::time_point at{};  // when it was read (host) or written (adapter)
  Bytes bytes;
};

struct RecordedTraffic {
  std::vector<Chunk> host_chunks;  // host to adapter, in arrival order
  std::vector<HostFrame> host_frames;
  std::vector<Chunk> adapter_chunks;  // adapter to host, as written

  Bytes HostBytes() const;  // all host chunks joined
  Bytes AdapterBytes() const;
  // Message frames only, in order.
  std::vector<HostFrame> HostMessages() const;
  // Command frames only, in order.
  std::vector<HostFrame> HostCommands() const;
};

class Recording {
 public:
  // Generous default for waits: the test machine is shared and noisy.
  static constexpr std::chrono::milliseconds kDefaultWait{5000};

  RecordedTraffic Snapshot() const;
  std::vector<Chunk> HostChunks() const;
  std::vector<HostFrame> HostFrames() const;
  std::vector<HostFrame> HostMessages() const;
  std::vector<HostFrame> HostCommands() const;
  std::vector<Chunk> AdapterChunks() const;
  Bytes HostBytes() const;
  Bytes AdapterBytes() const;
  void Clear();

  // Waits until `done` holds for the recording (evaluated under the lock at
  // each change, so it must be quick and must not call back into this
  // object). Returns whether it held before the time-out.
  bool WaitUntil(const std::function<bool(const RecordedTraffic&)>& done,
                 std::chrono::milliseconds timeout = kDefaultWait) const;
  // Shorthands: at least `count` host frames / host bytes / message frames.
  bool WaitForHostFrames(
      size_t count, std::chrono::milliseconds timeout = kDefaultWait) const;
  bool WaitForHostBytes(size_t count,
                        std::chrono::milliseconds timeout = kDefaultWait) const;
  bool WaitForHostMessages(
      size_t count, std::chrono::milliseconds timeout = kDefaultWait) const;

  // Writers (the adapter's I/O thread).
  void AddHostChunk(Chunk chunk);
  void AddHostFrame(HostFrame frame);
  void AddAdapterChunk(Chunk chunk);

 private:
  mutable vlr::Mutex lock_;
  mutable std::condition_variable_any changed_;
  RecordedTraffic traffic_ GUARDED_BY(lock_);
};

}  // namespace vlrsim
