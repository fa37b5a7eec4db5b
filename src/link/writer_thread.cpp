#include <array>

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

void WriteOneMessage(Session& session, TakenFrame& taken) {
  // Frames queued before the adapter vanished stay queued; no send after
  // it is accepted, and the disconnect empties the queue.
  if (session.LinkDown() || !session.TakeNextFrame(taken)) return;
  // Cleared before the write, so a ready frame the reader parses while the
  // write is still in progress is not lost. Only J1708 frames are answered
  // with one; clearing it for another client's J1939 frame would hold the
  // J1708 clients' frames for good.
  if (taken.protocol == Protocol::kJ1708) session.SetOkToSend(false);
  const std::span<const uint8_t> frame(taken.entry.data.data(),
                                       taken.entry.length);
  Write(session, frame);
  if (taken.client->echo.load(std::memory_order_acquire)) {
    Echo(session, taken, frame);
  }
}

}  // namespace

void WriterThread(void* context) {
  Session& session = *static_cast<Session*>(context);
  const platform::Event stop = session.StopEvent();
  session.SetOkToSend(true);
  TakenFrame taken;
  Frame command;
  for (;;) {
    // The stop event bounds the pause between frames.
    if (platform::WaitForEvent(stop, kDriverSettings.writerCycleSleep)) return;
    if (session.LinkStopped()) return;
    // At most one frame per cycle; a waiting command goes before messages.
    if (session.Commands().TakePending(command)) {
      Write(session, command.View());
    } else {
      WriteOneMessage(session, taken);
    }
  }
}

}  // namespace vlr::link
