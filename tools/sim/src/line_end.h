// The adapter's end of the line to the host: a new pseudo-terminal, or a
// serial device with a real cable behind it. The I/O thread reads and
// writes fd() and tells the line when the adapter changes its rate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "vlrsim/adapter_options.h"

namespace vlrsim::detail {

class LineEnd {
 public:
  virtual ~LineEnd() = default;

  // Non-blocking, raw; owned by the line.
  virtual int fd() const = 0;
  // The path the host opens (a pseudo-terminal's slave) or the device the
  // adapter holds.
  virtual const std::string& Path() const = 0;
  // The line's rate in bits per second (0: not a standard rate). On a
  // pseudo-terminal the host's setting; on a device the adapter's own.
  virtual uint32_t Baud() const = 0;
  // The adapter now listens and talks at `baud`. A device follows; a
  // pseudo-terminal's rate belongs to the host and stays as it is.
  // Called on the I/O thread only.
  virtual void ListenAt(uint32_t baud) = 0;
};

// The line `options` ask for: options.device, opened at the family's
// power-on rate, else a new pseudo-terminal. Throws std::system_error.
std::unique_ptr<LineEnd> OpenLineEnd(const AdapterOptions& options);

}  // namespace vlrsim::detail
