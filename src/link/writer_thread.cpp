#include <algorithm>
#include <array>
#include <optional>

#include "connection/driver_settings.h"
#include "connection/session.h"
#include "link/adapter_threads.h"
#include "link/delivery.h"
#include "link/frames.h"

namespace vlr::link {
namespace {

void Write(Session& session, std::span<const uint8_t> frame) {
  uint32_t written = 0;
  // A failed or short write is not retried: the frame counts as sent, as
  // the adapter would drop a repeated half frame anyway.
  if (platform::WritePortChecked(session.Port(), frame.data(),
                                 static_cast<uint32_t>(frame.size()),
                                 written) == platform::PortCondition::kGone) {
    session.MarkAdapterLost();
  }
}

// Echo goes to the sending client only, as the record a received message
// would give.
void Echo(const Session& session, const TakenFrame& taken,
          std::span<const uint8_t> frame) {
  std::array<uint8_t, kMaxFrameSize> record{};
  const DeviceFamily family = FramingFamilyOf(session.DeviceId());
  const size_t length =
      taken.protocol == Protocol::kJ1939
          ? J1939EchoRecord(family, frame, record)
          : J1708EchoRecord(family, taken.client->j1708Raw.load(), frame,
                            record);
  if (length == 0) return;
  if (taken.client->rxQueue.PushFor(taken.connection, {record.data(), length},
                                    platform::TickCount(), 1)) {
    NotifyApplication(1);
  }
}

bool WriteOneMessage(Session& session, TakenFrame& taken) {
  // Frames queued before the adapter vanished stay queued; no send after
  // it is accepted, and the disconnect empties the queue.
  if (session.LinkDown() || !session.TakeNextFrame(taken)) return false;
  // Cleared before the write, so a ready frame the reader parses while the
  // write is still in progress is not lost. Only J1708 frames are answered
  // with one; clearing it for another client's J1939 frame would hold the
  // J1708 clients' frames for good.
  if (taken.protocol == Protocol::kJ1708) session.SetOkToSend(false);
  const std::span<const uint8_t> frame(taken.entry.data.data(),
                                       taken.entry.length);
  if (!frame.empty()) Write(session, frame);
  if (taken.notify) NotifyApplication(1);
  if (!taken.transport && taken.client->echo.load(std::memory_order_acquire)) {
    Echo(session, taken, frame);
  }
  return true;
}

// The J1939 transports' timers, and how long the writer may sleep: until
// the earliest of their deadlines, within its own bound.
uint32_t ServiceTransports(Session& session) {
  bool notify = false;
  const std::optional<network::Millis> next = session.ServiceTransports(notify);
  if (notify) NotifyApplication(1);
  uint32_t wait = kDriverSettings.writerIdleWaitMs;
  if (next) {
    const network::Millis now = NetworkNow();
    const network::Millis until = *next > now ? *next - now : 0;
    wait = static_cast<uint32_t>(std::min<network::Millis>(until, wait));
  }
  return wait;
}

// One frame, if there is one to write now: a waiting command goes before
// the clients' frames.
bool WriteNext(Session& session, TakenFrame& taken, Frame& command) {
  if (session.Commands().TakePending(command)) {
    Write(session, command.View());
    return true;
  }
  return WriteOneMessage(session, taken);
}

bool Ending(const Session& session, platform::Event stop) {
  return platform::IsEventSignalled(stop) || session.LinkStopped();
}

}  // namespace

// Frames go out back to back, as fast as the port takes them; the line
// and, for J1708 on 2xx, the adapter's ready frame are the only pace.
void WriterThread(void* context) {
  Session& session = *static_cast<Session*>(context);
  const platform::Event stop = session.StopEvent();
  const platform::Event wake = session.WriterWake();
  TakenFrame taken;
  Frame command;
  for (;;) {
    // Reset before looking for work: work handed over after the look
    // signals again, and work handed over before it is found by the look.
    platform::ResetEvent(wake);
    uint32_t wait = 0;
    // Timers first: a time-out may queue an abort, a due packet is taken
    // with the frames. A deadline that stays due after its work (a clock
    // step) must not spin the writer: a few passes, then a short sleep.
    for (int pass = 0; pass < 4 && wait == 0 && !Ending(session, stop);
         ++pass) {
      wait = ServiceTransports(session);
      while (!Ending(session, stop) && WriteNext(session, taken, command)) {
      }
    }
    if (Ending(session, stop)) return;
    platform::WaitForEvent(wake, std::max<uint32_t>(wait, 1));
  }
}

}  // namespace vlr::link
