#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "connection/filters.h"
#include "queue/message_queue.h"

namespace vlr {

struct ClientSlot {
  int16_t deviceId = -1;
  std::unique_ptr<MessageQueue> rxQueue;
  std::unique_ptr<MessageQueue> txQueue;
  FilterState filters;
  int16_t echoSetting = 0;
  int16_t receiveSetting = 1;
  // Read by the adapter threads and by application threads that may race
  // a disconnect; the application keeps connect and disconnect apart.
  std::atomic<bool> inUse{false};
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
};

}  // namespace vlr
