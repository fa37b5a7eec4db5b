#include <array>

#include "connection/driver_settings.h"
#include "connection/session.h"
#include "link/adapter_threads.h"
#include "link/delivery.h"
#include "link/device_traits.h"

namespace vlr::link {
namespace {

constexpr char kTransmissionWindowTitle[] = "Transmission Connect / Disconnect";

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

// A pause that the stop event ends early.
void Pause(const Session& session) {
  platform::WaitForEvent(session.StopEvent(),
                         kDriverSettings.readerFailurePauseMs);
}

// One pass: a read that returns as soon as bytes come (or at the port's
// bound), parsed at once.
void ReadOnce(Session& session, SessionSink& sink, std::span<uint8_t> buffer) {
  // Nothing will come from a vanished adapter: the pass idles until the
  // application disconnects.
  if (session.LinkDown()) return Pause(session);
  uint32_t got = 0;
  switch (platform::ReadPortChecked(session.Port(), buffer.data(), kMaxReadSize,
                                    got)) {
    case platform::PortCondition::kGone:
      session.MarkAdapterLost();
      return;
    case platform::PortCondition::kFailed:
      // A failing read may fail at once, every time.
      if (got == 0) return Pause(session);
      break;
    case platform::PortCondition::kOk:
      break;
  }
  if (got > 0) {
    Parse(session.Traits().framing, {buffer.data(), got}, session.ParserTail(),
          sink);
  }
}

// Device 104's watch, at most once a period however often the reader
// passes.
class WindowWatch {
 public:
  explicit WindowWatch(bool enabled) : enabled_(enabled) {}
  bool Disconnected() {
    if (!enabled_) return false;
    const uint32_t now = platform::TickCount();
    if (looked_ && now - lastLook_ < kDriverSettings.windowWatchPeriodMs) {
      return false;
    }
    looked_ = true;
    lastLook_ = now;
    return TransmissionWindowDisconnected();
  }

 private:
  bool enabled_;
  bool looked_ = false;
  uint32_t lastLook_ = 0;
};

}  // namespace

void ReaderThread(void* context) {
  Session& session = *static_cast<Session*>(context);
  const platform::Event stop = session.StopEvent();
  WindowWatch watch(session.Traits().watchesWindow);
  SessionSink sink(session);
  std::array<uint8_t, 4096> buffer{};
  // The port's read bound keeps every check of this loop prompt; there is
  // no pause of its own between reads.
  while (!platform::IsEventSignalled(stop)) {
    if (watch.Disconnected()) {
      platform::DebugOutput("stop transmission\n");
      session.StopLink();
    }
    if (session.LinkStopped()) return;
    ReadOnce(session, sink, buffer);
  }
}

}  // namespace vlr::link
