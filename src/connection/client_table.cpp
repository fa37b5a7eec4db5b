#include "connection/client_table.h"

#include "api/rp1210.h"

namespace vlr {

// The queues are bound to the new session before the slot shows it: a
// thread that sees the session finds the queues ready for it.
int16_t ClientTable::Allocate(int16_t& clientId) {
  ClientSlot& slot = slots_[0];
  if (slot.session.load(std::memory_order_acquire) !=
      MessageQueue::kNoSession) {
    return ERR_CLIENT_AREA_FULL;
  }
  if (++lastSession_ == MessageQueue::kNoSession) ++lastSession_;
  slot.rxQueue->Bind(lastSession_);
  slot.txQueue->Bind(lastSession_);
  slot.session.store(lastSession_, std::memory_order_release);
  clientId = 0;
  return 0;
}

bool ClientTable::IsValidClient(int16_t clientId) const {
  return Session(clientId) != MessageQueue::kNoSession;
}

uint32_t ClientTable::Session(int16_t clientId) const {
  if (clientId < 0 || clientId >= kSlotCount) return MessageQueue::kNoSession;
  return slots_[clientId].session.load(std::memory_order_acquire);
}

int16_t ClientTable::GetDeviceId(int16_t clientId) const {
  return slots_[clientId].deviceId;
}

bool ClientTable::SetDeviceId(int16_t clientId, int16_t deviceId) {
  slots_[clientId].deviceId = deviceId;
  return true;
}

// The session goes first: from then on a waiting read ends and a racing
// send is refused, and unbinding the queues throws away what they held.
bool ClientTable::Release(int16_t clientId) {
  ClientSlot& slot = slots_[clientId];
  slot.session.store(MessageQueue::kNoSession, std::memory_order_release);
  slot.deviceId = -1;
  slot.rxQueue->Bind(MessageQueue::kNoSession);
  slot.txQueue->Bind(MessageQueue::kNoSession);
  slot.filters.filterCount.store(-1, std::memory_order_release);
  slot.echoSetting = 0;
  slot.receiveSetting = 1;
  return true;
}

int16_t ClientTable::GetFilterCount(int16_t clientId) const {
  return slots_[clientId].filters.filterCount.load(std::memory_order_acquire);
}

bool ClientTable::SetAllFiltersPass(int16_t clientId) {
  slots_[clientId].filters.filterCount.store(0, std::memory_order_release);
  return true;
}

bool ClientTable::SetAllFiltersDiscard(int16_t clientId) {
  slots_[clientId].filters.filterCount.store(-1, std::memory_order_release);
  return true;
}

bool ClientTable::SetEcho(int16_t clientId, const uint8_t* text) {
  // NOLINTNEXTLINE(bugprone-signed-char-misuse): sign-extended on purpose.
  slots_[clientId].echoSetting = static_cast<int8_t>(text[0]);
  return true;
}

bool ClientTable::SetMessageReceive(int16_t clientId, const uint8_t* text) {
  ClientSlot& slot = slots_[clientId];
  if (text[0] == 0) {
    slot.rxQueue->Clear();
    slot.txQueue->Clear();
  }
  // NOLINTNEXTLINE(bugprone-signed-char-misuse): sign-extended on purpose.
  slot.receiveSetting = static_cast<int8_t>(text[0]);
  return true;
}

bool ClientTable::MatchJ1708(int16_t clientId, uint8_t mid) const {
  return IsValidClient(clientId) && slots_[clientId].filters.MatchJ1708(mid);
}

bool ClientTable::MatchJ1939(int16_t clientId, const uint8_t* message) const {
  return IsValidClient(clientId) &&
         slots_[clientId].filters.MatchJ1939(message);
}

void ClientTable::ClearJ1939Filters(int16_t clientId) {
  slots_[clientId].filters.ClearJ1939Filters();
}

bool ClientTable::TakeTransmitMessage(QueueEntry& entry) {
  ClientSlot& slot = slots_[0];
  const uint32_t session = slot.session.load(std::memory_order_acquire);
  if (session == MessageQueue::kNoSession) return false;
  return slot.txQueue->PopFor(session, entry);
}

}  // namespace vlr
