#include <array>

#include "connection/connection_state.h"
#include "link/adapter_threads.h"
#include "link/delivery.h"
#include "link/device_traits.h"

namespace vlr::link {
namespace {

constexpr char kTransmissionWindowTitle[] = "Transmission Connect / Disconnect";
// The read time-out of both families.
constexpr uint32_t kLostAdapterPassMs = 20;

bool DisconnectedStateShown(platform::Window window) {
  platform::Window disconnect =
      platform::FindChildWindow(window, "&Disconnect");
  platform::Window connect = platform::FindChildWindow(window, "&Connect");
  platform::Window close = platform::FindChildWindow(window, "C&lose");
  if (!disconnect || !connect || !close) return false;
  return !platform::IsWindowEnabled(disconnect) &&
         platform::IsWindowEnabled(connect) && platform::IsWindowEnabled(close);
}

void Parse(Framing framing, std::span<const uint8_t> bytes,
           ConnectionSink& sink) {
  switch (framing) {
    case Framing::kCounted:
      ParseCountedFrames(bytes, ParserTail(), sink);
      break;
    case Framing::kSynced:
      ParseSyncedFrames(bytes, ParserTail(), sink);
      break;
    case Framing::kNone:
      break;
  }
}

}  // namespace

void MarkAdapterLost() {
  if (Connection().adapterLost.exchange(1, std::memory_order_acq_rel) == 0) {
    platform::DebugOutput("adapter lost\n");
  }
}

KeptTail& ParserTail() {
  static KeptTail tail;
  return tail;
}

void WatchTransmissionWindow(const char* title) {
  platform::Window window = platform::FindTopLevelWindow(title);
  if (window == nullptr || !DisconnectedStateShown(window)) return;
  platform::SleepMs(100);
  // The outside application passes through this state while it redraws
  // its buttons; only a state that holds means it has disconnected.
  if (!DisconnectedStateShown(window)) return;
  platform::DebugOutput("stop transmission\n");
  Connection().LinkStopped.store(1, std::memory_order_release);
}

void ReaderThread() {
  ConnectionState& state = Connection();
  const int16_t deviceId = Device().DeviceId();
  platform::Port port = Device().GetPortHandle(deviceId);
  platform::Event stop = Device().GetStopEvent(deviceId);
  const DeviceTraits* traits = TraitsOf(deviceId);
  const Framing framing = traits ? traits->framing : Framing::kNone;
  const bool watchesWindow = traits && traits->watchesWindow;
  state.OkToSend.store(1, std::memory_order_release);
  ConnectionSink sink;
  std::array<uint8_t, 4096> buffer{};
  for (;;) {
    if (state.settings.readerCycleSleep != 0) {
      platform::SleepMs(state.settings.readerCycleSleep);
    }
    if (watchesWindow) WatchTransmissionWindow(kTransmissionWindowTitle);
    if (platform::IsEventSignalled(stop)) return;
    uint32_t got = 0;
    if (state.LinkDown()) {
      // Nothing will come from a vanished adapter: the pass takes what an
      // idle read takes, until the application disconnects.
      platform::SleepMs(kLostAdapterPassMs);
    } else if (platform::ReadPortChecked(port, buffer.data(), kMaxReadSize,
                                         got) ==
               platform::PortCondition::kGone) {
      MarkAdapterLost();
    } else if (got == 0) {
      if (state.settings.readerIdleSleep != 0) {
        platform::SleepMs(state.settings.readerIdleSleep);
      }
    } else {
      Parse(framing, {buffer.data(), got}, sink);
    }
    if (state.LinkStopped.load(std::memory_order_acquire) != 0) return;
    if (platform::IsEventSignalled(stop)) return;
  }
}

}  // namespace vlr::link
