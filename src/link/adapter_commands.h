#pragma once

#include <vector>

#include "link/command_channel.h"
#include "link/filter_program.h"

namespace vlr::link {

// The adapter exchanges of one application command. Once the adapter has
// let one acknowledgement go by, the rest of the command writes its frames
// without waiting for theirs: a silent adapter then costs one wait per
// command, not one per frame.
class AdapterCommands {
 public:
  static constexpr uint32_t kAcknowledgementWaitMs = 2000;

  explicit AdapterCommands(CommandChannel& channel) : channel_(channel) {}

  // True when the frame was acknowledged (or, not awaited, written).
  bool Send(const Frame& frame, bool awaitAck);
  void Run(const std::vector<CommandStep>& steps);

 private:
  CommandChannel& channel_;
  bool adapterSilent_ = false;
};

}  // namespace vlr::link
