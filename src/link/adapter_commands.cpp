#include "link/adapter_commands.h"

namespace vlr::link {
namespace {

constexpr uint32_t kPauseAfterSilenceMs = 100;

}  // namespace

bool AdapterCommands::Send(const Frame& frame, bool awaitAck) {
  const bool await = awaitAck && !adapterSilent_;
  const bool done = channel_.Exchange(frame, await, kAcknowledgementWaitMs);
  if (!done && await) {
    adapterSilent_ = true;
    platform::SleepMs(kPauseAfterSilenceMs);
  }
  return done;
}

void AdapterCommands::Run(const std::vector<CommandStep>& steps) {
  for (const CommandStep& step : steps) Send(step.frame, step.awaitAck);
}

}  // namespace vlr::link
