// A serial device the adapter plays on, with a host at the far end of a
// cable: opened exclusively, raw 8N1 without flow control, DTR and RTS on,
// and run at the rate the adapter chooses. Owns the descriptor.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "line_end.h"

namespace vlrsim::detail {

class SerialDevice : public LineEnd {
 public:
  // Throws std::system_error naming the path: missing, not a terminal,
  // held by another program (EBUSY), or a rate it refuses.
  SerialDevice(std::string path, uint32_t baud);
  ~SerialDevice() override;
  SerialDevice(const SerialDevice&) = delete;
  SerialDevice& operator=(const SerialDevice&) = delete;

  int fd() const override { return fd_; }
  const std::string& Path() const override { return path_; }
  uint32_t Baud() const override { return baud_.load(); }
  void ListenAt(uint32_t baud) override;

 private:
  void TakeExclusively();
  void Configure(uint32_t baud);
  bool SetRate(uint32_t baud);

  std::string path_;
  int fd_ = -1;
  std::atomic<uint32_t> baud_{0};  // as set; read from any thread
};

}  // namespace vlrsim::detail
