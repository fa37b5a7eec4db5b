#include "line_end.h"

#include "pseudo_terminal.h"
#include "serial_device.h"

namespace vlrsim::detail {

std::unique_ptr<LineEnd> OpenLineEnd(const AdapterOptions& options) {
  if (!options.device) return std::make_unique<PseudoTerminal>();
  const uint32_t baud = options.family == Family::k2xx
                            ? kStartupBaud
                            : ConnectedBaud(options.family);
  return std::make_unique<SerialDevice>(*options.device, baud);
}

}  // namespace vlrsim::detail
