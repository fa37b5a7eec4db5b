// `vlr1210 sim`: a simulated adapter on a pseudo-terminal (or a serial
// device) for other programs to use (an application under development, a
// second vlr1210, a host at the far end of a cable), playing the truck
// scenario or a capture until stopped.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace vlrclient {

int RunSim(std::span<const std::string_view> args);
void PrintSimHelp(std::ostream& out);

}  // namespace vlrclient
