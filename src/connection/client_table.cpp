#include "connection/client_table.h"

#include "api/rp1210.h"

namespace vlr {

int16_t ClientTable::Allocate(int16_t& clientId) {
  if (slots_[0].inUse) return ERR_CLIENT_AREA_FULL;
  slots_[0].inUse = true;
  clientId = 0;
  return 0;
}

bool ClientTable::IsValidClient(int16_t clientId) const {
  return clientId >= 0 && clientId < kSlotCount && slots_[clientId].inUse;
}

int16_t ClientTable::GetDeviceId(int16_t clientId) const {
  return slots_[clientId].deviceId;
}

bool ClientTable::SetDeviceId(int16_t clientId, int16_t deviceId) {
  slots_[clientId].deviceId = deviceId;
  return true;
}

bool ClientTable::Release(int16_t clientId) {
  ClientSlot& slot = slots_[clientId];
  slot.deviceId = -1;
  if (slot.rxQueue && !slot.rxQueue->Clear()) return false;
  if (slot.txQueue && !slot.txQueue->Clear()) return false;
  slot.filters.filterCount.store(-1, std::memory_order_release);
  slot.echoSetting = 0;
  slot.receiveSetting = 1;
  slot.inUse = false;
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
  slots_[clientId].echoSetting = static_cast<int8_t>(text[0]);
  return true;
}

bool ClientTable::SetMessageReceive(int16_t clientId, const uint8_t* text) {
  ClientSlot& slot = slots_[clientId];
  if (text[0] == 0) {
    if (slot.rxQueue) slot.rxQueue->Clear();  // a failure leaves entries
    if (slot.txQueue) slot.txQueue->Clear();  // queued; nothing to undo
  }
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
  if (!slot.inUse || !slot.txQueue) return false;
  return slot.txQueue->Pop(entry);
}

}  // namespace vlr
