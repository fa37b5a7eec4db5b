// Ctrl-C and termination requests, turned into a flag the tools' loops
// poll, so every run ends through its normal path: summary printed,
// client disconnected, simulator stopped.
#pragma once

namespace vlrclient {

// Installs the handlers for SIGINT and SIGTERM (once).
void InstallStopHandlers();
bool StopRequested();

}  // namespace vlrclient
