#include <span>
#include <vector>

#include "api/connection_api.h"
#include "api/rp1210.h"
#include "link/adapter_commands.h"
#include "link/filter_program.h"

namespace vlr::api {
namespace {

// The adapter is programmed only where it takes commands, and only for
// J1939 clients: its identifier filter serves them all together.
bool AdapterFiltersFor(const ClientRef& ref) {
  return ref.protocol == Protocol::kJ1939 &&
         ref.session->Traits().rules.takesCommands;
}

// Only the connection the command was given for is ended: another thread
// may have disconnected the client and connected a new one on its id.
int16_t ResetDevice(const ClientRef& ref, int16_t clientId) {
  if (ref.session->ClientCount() != 1) return ERR_MULTIPLE_CLIENTS_CONNECTED;
  switch (ClientDisconnect(clientId, ref.connection)) {
    case 0:
      return 0;
    case ERR_INVALID_CLIENT_ID:
      return ERR_INVALID_CLIENT_ID;
    default:
      return ERR_HARDWARE_NOT_RESPONDING;
  }
}

int16_t SetAllFilters(const ClientRef& ref, bool pass) {
  FilterState& filters = ref.client->filters;
  if (ref.protocol == Protocol::kJ1939) filters.ClearJ1939Filters();
  filters.filterCount.store(pass ? 0 : -1, std::memory_order_release);
  if (AdapterFiltersFor(ref)) {
    Session& session = *ref.session;
    platform::LockGuard adapter(session.AdapterLock());
    link::AdapterCommands(session.Commands())
        .Run(link::ProgramAfterClearing(session.ProgrammedFilter(),
                                        session.J1939Filters(),
                                        session.Receiving(Protocol::kJ1939)));
  }
  return 0;
}

int16_t AddFilter(const ClientRef& ref, const uint8_t* buffer, int16_t size) {
  if (ref.protocol != Protocol::kJ1939) return ERR_COMMAND_NOT_SUPPORTED;
  if (buffer == nullptr || size < 0) return ERR_INVALID_COMMAND;
  std::vector<int> added;
  switch (AddJ1939Filter(ref.client->filters,
                         {buffer, static_cast<size_t>(size)}, added)) {
    case AddFilterResult::kBadSize:
      return ERR_INVALID_COMMAND;
    case AddFilterResult::kTooMany:
      return ERR_MAX_FILTERS_EXCEEDED;
    case AddFilterResult::kOk:
      break;
  }
  if (!added.empty() && AdapterFiltersFor(ref)) {
    Session& session = *ref.session;
    platform::LockGuard adapter(session.AdapterLock());
    link::AdapterCommands(session.Commands())
        .Run(link::ProgramAfterAdding(session.ProgrammedFilter(),
                                      session.J1939Filters(),
                                      session.Receiving(Protocol::kJ1939)));
  }
  return 0;
}

void EmptyQueues(Client& client) {
  client.rxQueue.Clear();  // a failure leaves entries queued; nothing to undo
  client.txQueue.Clear();
}

// Raw mode hands the client the line's J1708 bytes as they are, which only
// works while it is the device's one J1708 client.
int16_t SetJ1708Mode(const ClientRef& ref, const uint8_t* buffer) {
  if (buffer == nullptr) return ERR_INVALID_COMMAND;
  const bool raw = buffer[0] == '0' || buffer[0] == 0;
  if (raw && ref.session->CountClients(Protocol::kJ1708, ref.client) > 0) {
    return ERR_CHANGE_MODE_FAILED;
  }
  EmptyQueues(*ref.client);
  ref.client->j1708Raw.store(raw, std::memory_order_release);
  return 0;
}

int16_t SetEcho(const ClientRef& ref, const uint8_t* buffer) {
  if (buffer == nullptr) return ERR_INVALID_COMMAND;
  EmptyQueues(*ref.client);
  ref.client->echo.store(buffer[0] != '0' && buffer[0] != 0,
                         std::memory_order_release);
  return 0;
}

// A client with reception off is handed nothing; the adapter stops
// reporting a protocol once none of its clients takes it.
int16_t SetMessageReceive(const ClientRef& ref, const uint8_t* buffer) {
  if (buffer == nullptr) return ERR_INVALID_COMMAND;
  const bool on = buffer[0] != 0;
  if (!on) EmptyQueues(*ref.client);
  ref.client->receive.store(on, std::memory_order_release);
  Session& session = *ref.session;
  platform::LockGuard adapter(session.AdapterLock());
  session.FollowReceiveSwitches(ref.protocol);
  return 0;
}

int16_t RunCommand(int16_t command, const ClientRef& ref, uint8_t* buffer,
                   int16_t size) {
  switch (command) {
    case RP1210_Set_All_Filters_States_to_Pass:
      return SetAllFilters(ref, true);
    case RP1210_Set_Message_Filtering_For_J1939:
      return AddFilter(ref, buffer, size);
    case RP1210_Set_Message_Filtering_For_CAN:
    case RP1210_Generic_Driver_Command:
      return ERR_COMMAND_NOT_SUPPORTED;
    case RP1210_Set_Message_Filtering_For_J1708:
      ref.client->filters.filterCount.store(0, std::memory_order_release);
      return 0;
    case RP1210_Set_J1708_Mode:
      return SetJ1708Mode(ref, buffer);
    case RP1210_Echo_Transmitted_Messages:
      return SetEcho(ref, buffer);
    case RP1210_Set_All_Filters_States_to_Discard:
      return SetAllFilters(ref, false);
    case RP1210_Set_Message_Receive:
      return SetMessageReceive(ref, buffer);
    case RP1210_Set_J1939_Baud:
      return SetJ1939Baud(ref.protocol, buffer, size);
    case RP1210_Flush_Tx_Rx_Buffers:
      return FlushBuffers(*ref.client);
    case RP1210_Get_Protocol_Connection_Speed:
      return GetConnectionSpeed(ref.protocol, buffer, size);
    case RP1210_Protect_J1939_Address:
      return ProtectJ1939Address(ref, buffer, size);
    case RP1210_Set_J1939_Interpacket_Time:
      return SetInterpacketTime(ref, buffer, size);
    case RP1210_Release_J1939_Address:
      return ReleaseJ1939Address(ref, buffer, size);
    default:
      return 0;  // accepted without effect
  }
}

int16_t SendCommand(int16_t command, int16_t clientId, uint8_t* buffer,
                    int16_t size) {
  const ClientRef ref = TheRegistry().Find(clientId);
  if (!ref) return ERR_INVALID_CLIENT_ID;
  // A reset is a disconnect, which waits for the client's commands; it
  // must not run as one of them.
  if (command == RP1210_Reset_Device) return ResetDevice(ref, clientId);
  platform::LockGuard one(ref.client->commandLock);
  // Disconnected (and maybe connected again) by another thread since the
  // client was looked up.
  if (!ref.client->Serves(ref.connection)) return ERR_INVALID_CLIENT_ID;
  return RunCommand(command, ref, buffer, size);
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
