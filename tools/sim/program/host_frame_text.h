// One line of text for a host frame, as --log prints it.
#pragma once

#include <string>

#include "vlrsim/host_frame.h"

namespace vlrsim::program {

std::string HostFrameText(const HostFrame& frame);

}  // namespace vlrsim::program
