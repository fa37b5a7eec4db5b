// The adapter's behaviour without any I/O: what it answers to each host
// frame, and whether and how it reports a bus message. The I/O thread owns
// one and calls it under the adapter's lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "vlrsim/adapter_options.h"
#include "vlrsim/host_frame.h"
#include "vlrsim/identifier_filter.h"
#include "vlrsim/traffic_source.h"

namespace vlrsim::detail {

// Bytes to write, after `delay` from the moment the host frame was handled.
struct Reaction {
  Bytes bytes;
  std::chrono::microseconds delay{0};
};

class AdapterLogic {
 public:
  explicit AdapterLogic(const AdapterOptions& options);

  // The host's frame arrived while the host's line ran at `host_baud`;
  // `stamp` is the adapter's clock for any frame it reports in answer.
  std::vector<Reaction> OnHostFrame(const HostFrame& frame, uint32_t host_baud,
                                    uint32_t stamp = 0);
  // The frame reporting `message`, or nothing when the adapter holds it
  // back (receive off, filter, reported buses, silent). `stamp` fills the
  // 2xx frame's adapter time field.
  std::optional<Bytes> Report(const TimedMessage& message,
                              uint32_t stamp) const;

  void SetSilent(bool silent) { silent_ = silent; }
  void SetLoopback(bool loopback) { loopback_ = loopback; }
  void SetReadyDelay(std::optional<std::chrono::milliseconds> delay) {
    ready_delay_ = delay;
  }
  void SetReportedBuses(bool j1708, bool j1939) {
    report_j1708_ = j1708;
    report_j1939_ = j1939;
  }

  // True when the adapter transmits the host's frame on the J1939 bus,
  // where the simulated ECUs hear it.
  bool PutsOnJ1939(const HostFrame& frame, uint32_t host_baud) const;

  // The rate the adapter listens and talks at: 1xx 38400; 2xx 9600 until
  // the rate change, 115200 after it.
  uint32_t ListeningBaud() const;

  AdapterState State() const { return state_; }
  const IdentifierFilter& Filter() const { return filter_; }

 private:
  // A run of wake-up bytes this long puts a 2xx adapter back to its
  // power-on state: the host is starting a new connection.
  static constexpr int kWakeUpResetCount = 8;
  // On a real line, a run of NUL bytes this long while at 115200 is a host
  // starting over at 9600 (see NoteGarbledBytes).
  static constexpr int kGarbledResetCount = 8;

  bool Understood(const HostFrame& frame, uint32_t host_baud) const;
  void NoteWakeUpBytes(const HostFrame& frame);
  void NoteGarbledByte(uint8_t byte);
  void ResetToPowerOn();
  void ApplyCommand(const HostFrame& frame);
  std::vector<Reaction> AnswerCommand(const HostFrame& frame);
  std::vector<Reaction> AnswerMessage(const HostFrame& frame, uint32_t stamp);

  Family family_;
  bool check_line_rate_;
  bool real_line_;  // a device: the line, not the adapter, enforces the rate
  bool slot_frame_resumes_receive_;
  bool silent_;
  bool loopback_;
  std::optional<std::chrono::milliseconds> ready_delay_;
  bool report_j1708_;
  bool report_j1939_;
  bool stream_regardless_;
  AdapterState state_;
  int wake_up_run_ = 0;  // consecutive wake-up bytes just seen
  int garbled_run_ = 0;  // consecutive NUL bytes outside frames
  IdentifierFilter filter_;
};

}  // namespace vlrsim::detail
