#include <array>

#include "connection/connection_state.h"
#include "link/adapter_threads.h"
#include "link/command_channel.h"
#include "link/delivery.h"
#include "link/frames.h"

namespace vlr::link {
namespace {

bool ShouldEnd(const ConnectionState& state, platform::Event stop) {
  return platform::IsEventSignalled(stop) ||
         state.LinkStopped.load(std::memory_order_acquire) != 0;
}

// Only the 2xx adapter sends ready frames; holding J1708 frames for one on
// any other family would stop transmission after the first frame.
bool HeldByFlowControl(const ConnectionState& state, int16_t deviceId) {
  return !state.IsJ1939() && FamilyOf(deviceId) == DeviceFamily::k2xx &&
         state.OkToSend.load(std::memory_order_acquire) == 0;
}

void Write(platform::Port port, std::span<const uint8_t> frame) {
  uint32_t written = 0;
  // A failed or short write is not retried: the frame counts as sent, as
  // the adapter would drop a repeated half frame anyway.
  if (platform::WritePortChecked(port, frame.data(),
                                 static_cast<uint32_t>(frame.size()),
                                 written) == platform::PortCondition::kGone) {
    MarkAdapterLost();
  }
}

void Echo(const ConnectionState& state, int16_t deviceId,
          std::span<const uint8_t> frame) {
  std::array<uint8_t, kMaxFrameSize> record{};
  const DeviceFamily family = FamilyOf(deviceId);
  const size_t length =
      state.IsJ1939()
          ? J1939EchoRecord(family, frame, record)
          : J1708EchoRecord(
                family, state.j1708RawMode.load(std::memory_order_relaxed) != 0,
                frame, record);
  DeliverToClient({record.data(), length}, 1, 1);
}

void WriteOneMessage(ConnectionState& state, int16_t deviceId,
                     platform::Port port, QueueEntry& entry) {
  // Frames queued before the adapter vanished stay queued; no send after
  // it is accepted, and the disconnect empties the queue.
  if (state.LinkDown() || HeldByFlowControl(state, deviceId)) return;
  if (!Clients().TakeTransmitMessage(entry)) return;
  // Cleared before the write, so a ready frame the reader parses while the
  // write is still in progress is not lost.
  state.OkToSend.store(0, std::memory_order_release);
  const std::span<const uint8_t> frame(entry.data.data(), entry.length);
  Write(port, frame);
  if (state.echoMode.load(std::memory_order_relaxed) != 0) {
    Echo(state, deviceId, frame);
  }
}

}  // namespace

void WriterThread() {
  ConnectionState& state = Connection();
  const int16_t deviceId = Device().DeviceId();
  platform::Port port = Device().GetPortHandle(deviceId);
  platform::Event stop = Device().GetStopEvent(deviceId);
  state.OkToSend.store(1, std::memory_order_release);
  QueueEntry entry;
  Frame command;
  for (;;) {
    if (state.settings.writerCycleSleep > 0) {
      platform::SleepMs(state.settings.writerCycleSleep);
    }
    if (ShouldEnd(state, stop)) return;
    // At most one frame per cycle; a waiting command goes before messages.
    if (Commands().TakePending(command)) {
      Write(port, command.View());
    } else {
      WriteOneMessage(state, deviceId, port, entry);
    }
    if (platform::IsEventSignalled(stop)) return;
  }
}

}  // namespace vlr::link
