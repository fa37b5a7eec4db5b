#include <array>

#include "connection/driver_settings.h"
#include "connection/session.h"
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

// The device-104 watch of the outside application's window: true when its
// "&Disconnect" button has been disabled, and its other two enabled, at two
// looks 100 ms apart.
bool TransmissionWindowDisconnected() {
  platform::Window window =
      platform::FindTopLevelWindow(kTransmissionWindowTitle);
  if (window == nullptr || !DisconnectedStateShown(window)) return false;
  platform::SleepMs(100);
  // The outside application passes through this state while it redraws
  // its buttons; only a state that holds means it has disconnected.
  return DisconnectedStateShown(window);
}

void Parse(Framing framing, std::span<const uint8_t> bytes, KeptTail& tail,
           SessionSink& sink) {
  switch (framing) {
    case Framing::kCounted:
      ParseCountedFrames(bytes, tail, sink);
      break;
    case Framing::kSynced:
      ParseSyncedFrames(bytes, tail, sink);
      break;
    case Framing::kNone:
      break;
  }
}

// One pass: a read bounded by the port's time-outs, parsed at once.
void ReadOnce(Session& session, SessionSink& sink, std::span<uint8_t> buffer) {
  uint32_t got = 0;
  if (session.LinkDown()) {
    // Nothing will come from a vanished adapter: the pass takes what an
    // idle read takes, until the application disconnects.
    platform::SleepMs(kLostAdapterPassMs);
  } else if (platform::ReadPortChecked(session.Port(), buffer.data(),
                                       kMaxReadSize,
                                       got) == platform::PortCondition::kGone) {
    session.MarkAdapterLost();
  } else if (got == 0) {
    if (kDriverSettings.readerIdleSleep != 0) {
      platform::SleepMs(kDriverSettings.readerIdleSleep);
    }
  } else {
    Parse(session.Traits().framing, {buffer.data(), got}, session.ParserTail(),
          sink);
  }
}

}  // namespace

void ReaderThread(void* context) {
  Session& session = *static_cast<Session*>(context);
  const platform::Event stop = session.StopEvent();
  const bool watchesWindow = session.Traits().watchesWindow;
  session.SetOkToSend(true);
  SessionSink sink(session);
  std::array<uint8_t, 4096> buffer{};
  for (;;) {
    // The stop event bounds the pause as it did the sleep it replaces.
    if (platform::WaitForEvent(stop, kDriverSettings.readerCycleSleep)) return;
    if (watchesWindow && TransmissionWindowDisconnected()) {
      platform::DebugOutput("stop transmission\n");
      session.StopLink();
    }
    if (session.LinkStopped()) return;
    ReadOnce(session, sink, buffer);
    if (session.LinkStopped() || platform::IsEventSignalled(stop)) return;
  }
}

}  // namespace vlr::link
