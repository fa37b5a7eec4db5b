#pragma once

#include "platform/platform.h"

namespace vlr::platform {

struct PortObject {
  int fd = -1;
  PortTimeouts timeouts;
};

}  // namespace vlr::platform
