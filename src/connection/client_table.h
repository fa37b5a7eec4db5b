#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "connection/filters.h"
#include "queue/message_queue.h"

namespace vlr {

struct ClientSlot {
  ClientSlot() { txQueue->SetMaxCount(MessageQueue::kTransmitMaxCount); }

  int16_t deviceId = -1;
  // Made with the slot and never replaced: an application thread that races
  // a disconnect and the next connect may still hold them. Each connection
  // binds them to its session (MessageQueue::Bind), so such a thread finds
  // them closed to it rather than freed.
  std::unique_ptr<MessageQueue> rxQueue =
      std::make_unique<LinkedMessageQueue>();
  std::unique_ptr<MessageQueue> txQueue =
      std::make_unique<LinkedMessageQueue>();
  FilterState filters;
  // The first byte of the last echo and message-receive commands, kept as
  // the design records them and read by nothing: echo follows the
  // process-wide echoMode, and turning receipt off only empties the queues
  // once. Signed: the byte is stored sign-extended.
  int16_t echoSetting = 0;
  int16_t receiveSetting = 1;
  // The connection that holds the slot, MessageQueue::kNoSession while it
  // is free. Read by the adapter threads and by application threads that
  // may race a disconnect and the next connect; a thread takes it once and
  // works with that value, so it never acts for a later connection.
  std::atomic<uint32_t> session{MessageQueue::kNoSession};
};

// The client slots of the process. Only the first is ever granted, so the
// adapter threads address slot 0 directly. Operations taking a client id do
// not check it; callers validate it with IsValidClient first.
class ClientTable {
 public:
  static constexpr int16_t kSlotCount = 2;

  virtual ~ClientTable() = default;

  int16_t Allocate(int16_t& clientId);
  bool IsValidClient(int16_t clientId) const;
  // The session of a valid client id, else MessageQueue::kNoSession.
  uint32_t Session(int16_t clientId) const;
  int16_t GetDeviceId(int16_t clientId) const;
  bool SetDeviceId(int16_t clientId, int16_t deviceId);
  bool Release(int16_t clientId);

  int16_t GetFilterCount(int16_t clientId) const;
  bool SetAllFiltersPass(int16_t clientId);
  bool SetAllFiltersDiscard(int16_t clientId);
  bool SetEcho(int16_t clientId, const uint8_t* text);
  bool SetMessageReceive(int16_t clientId, const uint8_t* text);
  bool MatchJ1708(int16_t clientId, uint8_t mid) const;
  bool MatchJ1939(int16_t clientId, const uint8_t* message) const;
  void ClearJ1939Filters(int16_t clientId);
  bool TakeTransmitMessage(QueueEntry& entry);

  ClientSlot& Slot(int16_t clientId) { return slots_[clientId]; }
  const ClientSlot& Slot(int16_t clientId) const { return slots_[clientId]; }

 private:
  ClientSlot slots_[kSlotCount];
  uint32_t lastSession_ = MessageQueue::kNoSession;  // connect only
};

}  // namespace vlr
