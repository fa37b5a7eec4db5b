#pragma once

#include "platform/platform.h"

namespace vlr::platform {

struct PortObject {
  int fd = -1;
  PortTimeouts timeouts;
  // A pipe whose read end a read also waits on: written once by
  // InterruptPortReads and never drained, so every read from then on
  // returns at once.
  int interruptRead = -1;
  int interruptWrite = -1;
};

}  // namespace vlr::platform
