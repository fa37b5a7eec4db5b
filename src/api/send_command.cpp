#include <algorithm>
#include <span>
#include <vector>

#include "api/connection_api.h"
#include "api/rp1210.h"
#include "link/command_channel.h"
#include "link/filter_program.h"
#include "link/frames.h"

namespace vlr::api {
namespace {

constexpr uint32_t kAcknowledgementWaitMs = 2000;
constexpr uint32_t kPauseAfterSilenceMs = 100;

bool On2xxJ1939(int16_t deviceId) {
  return Connection().IsJ1939() && FamilyOf(deviceId) == DeviceFamily::k2xx;
}

// The adapter exchanges of one application command. Only the 2xx adapters
// speak this command layout; the 1xx adapters are never sent one. Once the
// adapter has let one acknowledgement go by, the rest of the command writes
// its frames without waiting for theirs: a silent adapter then costs one
// wait per command, not one per frame.
class AdapterCommands {
 public:
  void Send(const link::Frame& frame, bool awaitAck) {
    const bool await = awaitAck && !adapterSilent_;
    if (!link::Commands().Exchange(frame, await, kAcknowledgementWaitMs) &&
        await) {
      adapterSilent_ = true;
      platform::SleepMs(kPauseAfterSilenceMs);
    }
  }

  void Run(const std::vector<link::CommandStep>& steps) {
    for (const link::CommandStep& step : steps) Send(step.frame, step.awaitAck);
  }

 private:
  bool adapterSilent_ = false;
};

int16_t ResetDevice(int16_t clientId, int16_t deviceId) {
  if (Device().GetClientCount(deviceId) != 1) {
    return ERR_MULTIPLE_CLIENTS_CONNECTED;
  }
  return ClientDisconnect(clientId) == 0 ? 0 : ERR_HARDWARE_NOT_RESPONDING;
}

int16_t SetAllFilters(int16_t clientId, int16_t deviceId, bool pass) {
  ClientTable& clients = Clients();
  const bool hadAdapterFilter = clients.GetFilterCount(clientId) > 0;
  if (Connection().IsJ1939()) clients.ClearJ1939Filters(clientId);
  if (pass) {
    clients.SetAllFiltersPass(clientId);
  } else {
    clients.SetAllFiltersDiscard(clientId);
  }
  if (On2xxJ1939(deviceId)) {
    AdapterCommands adapter;
    // The adapter keeps the identifier filter it was given for the stored
    // groups; with the groups gone, an all-zero mask lets everything in
    // again, or "all pass" would still pass only the old groups.
    if (hadAdapterFilter) adapter.Send(link::FilterMaskFrame(0), false);
    adapter.Send(link::ReceiveOnFrame(true), true);
  }
  return 0;
}

int16_t AddFilter(int16_t clientId, int16_t deviceId, const uint8_t* buffer,
                  int16_t size) {
  if (!Connection().IsJ1939()) return ERR_COMMAND_NOT_SUPPORTED;
  if (buffer == nullptr || size < 0) return ERR_INVALID_COMMAND;
  FilterState& filters = Clients().Slot(clientId).filters;
  std::vector<int> added;
  switch (AddJ1939Filter(filters, {buffer, static_cast<size_t>(size)}, added)) {
    case AddFilterResult::kBadSize:
      return ERR_INVALID_COMMAND;
    case AddFilterResult::kTooMany:
      return ERR_MAX_FILTERS_EXCEEDED;
    case AddFilterResult::kOk:
      break;
  }
  if (On2xxJ1939(deviceId)) {
    const int stored = filters.filterCount.load(std::memory_order_relaxed);
    AdapterCommands().Run(link::AdapterFilterProgram(filters, stored, added));
  }
  return 0;
}

int16_t SetJ1708Mode(int16_t clientId, int16_t deviceId,
                     const uint8_t* buffer) {
  if (buffer == nullptr) return ERR_INVALID_COMMAND;
  DeviceRecord& device = Device();
  if (!device.SetJ1708Mode(reinterpret_cast<const char*>(buffer), deviceId)) {
    return ERR_CHANGE_MODE_FAILED;
  }
  ClientSlot& slot = Clients().Slot(clientId);
  slot.rxQueue->Clear();  // a failure leaves entries queued; nothing to undo
  slot.txQueue->Clear();
  const bool raw = buffer[0] == '0' || buffer[0] == 0;
  device.SetRawMode(raw ? 1 : 0);
  Connection().j1708RawMode.store(raw ? 1 : 0, std::memory_order_release);
  return 0;
}

int16_t SetEcho(int16_t clientId, const uint8_t* buffer) {
  if (buffer == nullptr) return ERR_INVALID_COMMAND;
  Clients().SetEcho(clientId, buffer);
  ClientSlot& slot = Clients().Slot(clientId);
  slot.rxQueue->Clear();
  slot.txQueue->Clear();
  const bool on = buffer[0] != '0' && buffer[0] != 0;
  Connection().echoMode.store(on ? 1 : 0, std::memory_order_release);
  return 0;
}

int16_t SendCommand(int16_t command, int16_t clientId, uint8_t* buffer,
                    int16_t size) {
  if (!Clients().IsValidClient(clientId)) return ERR_INVALID_CLIENT_ID;
  const int16_t deviceId = Clients().GetDeviceId(clientId);
  switch (command) {
    case RP1210_Reset_Device:
      return ResetDevice(clientId, deviceId);
    case RP1210_Set_All_Filters_States_to_Pass:
      return SetAllFilters(clientId, deviceId, true);
    case RP1210_Set_Message_Filtering_For_J1939:
      return AddFilter(clientId, deviceId, buffer, size);
    case RP1210_Set_Message_Filtering_For_CAN:
    case RP1210_Generic_Driver_Command:
      return ERR_COMMAND_NOT_SUPPORTED;
    case RP1210_Set_Message_Filtering_For_J1708:
      Clients().SetAllFiltersPass(clientId);
      return 0;
    case RP1210_Set_J1708_Mode:
      return SetJ1708Mode(clientId, deviceId, buffer);
    case RP1210_Echo_Transmitted_Messages:
      return SetEcho(clientId, buffer);
    case RP1210_Set_All_Filters_States_to_Discard:
      return SetAllFilters(clientId, deviceId, false);
    case RP1210_Set_Message_Receive:
      if (buffer == nullptr) return ERR_INVALID_COMMAND;
      Clients().SetMessageReceive(clientId, buffer);
      return 0;
    case RP1210_Set_J1939_Baud:
      return SetJ1939Baud(buffer, size);
    case RP1210_Flush_Tx_Rx_Buffers:
      return FlushBuffers(clientId);
    case RP1210_Get_Protocol_Connection_Speed:
      return GetConnectionSpeed(buffer, size);
    default:
      return 0;  // accepted without effect
  }
}

}  // namespace
}  // namespace vlr::api

extern "C" RP1210_EXPORT short RP1210_API
RP1210_SendCommand(short nCommandNumber, short nClientID,
                   char* fpchClientCommand, short nMessageSize) {
  try {
    return vlr::api::SendCommand(nCommandNumber, nClientID,
                                 reinterpret_cast<uint8_t*>(fpchClientCommand),
                                 nMessageSize);
  } catch (...) {
    return ERR_INVALID_COMMAND;  // no exception may reach the caller
  }
}
