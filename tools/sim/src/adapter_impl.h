// The inside of PtyAdapter, shared by the files that implement its public
// calls (pty_adapter.cpp) and its I/O thread (adapter_io.cpp).
#pragma once

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "adapter_logic.h"
#include "input_line.h"
#include "j1939_network.h"
#include "line_end.h"
#include "output_line.h"
#include "vlr/mutex.h"
#include "vlrsim/pty_adapter.h"

namespace vlrsim {

struct PtyAdapter::Impl {
  explicit Impl(AdapterOptions adapter_options);
  ~Impl();

  // ---- any thread ----
  void Wake();
  uint32_t Stamp() const;  // the adapter's millisecond clock
  void Enqueue(Bytes bytes, Clock::duration pause = {});

  // ---- the I/O thread (adapter_io.cpp) ----
  void Run();
  Clock::duration PollTimeout(Clock::time_point now);
  void WaitForEvents(Clock::duration timeout);
  void ReadHost();
  void DeliverArrivedHostBytes(Clock::time_point now);
  void HandleHostBytes(std::span<const uint8_t> bytes);
  void HandleHostFrames(const std::vector<HostFrame>& frames,
                        uint32_t host_baud);
  void FlushQuietDecoder(Clock::time_point now);
  void PlayDueMessages(Clock::time_point now);
  void RunNetwork(Clock::time_point now);
  void WriteDue();
  void FollowAdapterRate();
  bool HostHoldsSlave() const;
  size_t WriteAll(std::span<const uint8_t> bytes);

  const AdapterOptions options;
  const Clock::time_point started = Clock::now();
  std::unique_ptr<detail::LineEnd> line;  // the I/O thread reads and writes it
  Recording recording;
  int wake_read = -1;
  int wake_write = -1;
  std::atomic<bool> stopping{false};
  std::atomic<uint64_t> dropped{0};
  // Host bytes come off a line at the family's rate (see InputLine).
  std::atomic<bool> pace_input{false};

  // Under `lock`: the adapter's behaviour, its transmit queue and the
  // traffic source. `output_drained` signals when the queue empties. No
  // other lock (links_lock, the recording's) is taken while it is held.
  mutable vlr::Mutex lock;
  std::condition_variable_any output_drained;
  detail::AdapterLogic logic GUARDED_BY(lock);
  detail::OutputLine output GUARDED_BY(lock);
  // The simulated ECUs; `network_changed` signals after they heard a frame
  // or ran their timers, for tests waiting on what they received.
  detail::J1939Network network GUARDED_BY(lock);
  std::condition_variable_any network_changed;
  bool writing GUARDED_BY(lock) = false;
  // Handed over by Play.
  std::unique_ptr<TrafficSource> new_source GUARDED_BY(lock);
  std::unique_ptr<TrafficSource> source GUARDED_BY(lock);
  Clock::time_point source_start GUARDED_BY(lock){};
  std::optional<TimedMessage> next_message GUARDED_BY(lock);

  // The I/O thread's own.
  HostFrameDecoder decoder;
  detail::InputLine input;
  Clock::time_point last_host_byte{};
  bool host_present = true;

  vlr::Mutex links_lock;
  std::vector<std::filesystem::path> links GUARDED_BY(links_lock);

  // Started by the constructor once every member above exists.
  std::thread thread;
};

}  // namespace vlrsim
