#include <algorithm>
#include <cstring>
#include <iterator>

#include "api/connection_api.h"
#include "api/rp1210.h"
#include "api/version_texts.h"
#include "connection/connection_state.h"

namespace vlr::api {
namespace {

struct ErrorEntry {
  int16_t code;
  const char* text;
};

constexpr ErrorEntry kErrorTexts[] = {
    {0, "ERR_SUCCESS"},
    {128, "ERR_DLL_NOT_INITIALIZED"},
    {129, "ERR_INVALID_CLIENT_ID"},
    {130, "ERR_CLIENT_ALREADY_CONNECTED"},
    {131, "ERR_CLIENT_AREA_FULL"},
    {132, "ERR_FREE_MEMORY"},
    {133, "ERR_NOT_ENOUGH_MEMORY"},
    {134, "ERR_INVALID_DEVICE"},
    {135, "ERR_DEVICE_IN_USE"},
    {136, "ERR_INVALID_PROTOCOL"},
    {137, "ERR_TX_QUEUE_FULL"},
    {138, "ERR_TX_QUEUE_CORRUPT"},
    {139, "ERR_RX_QUEUE_FULL"},
    {140, "ERR_RX_QUEUE_CORRUPT"},
    {141, "ERR_MESSAGE_TOO_LONG"},
    {142, "ERR_HARDWARE_NOT_RESPONDING"},
    {143, "ERR_COMMAND_NOT_SUPPORTED"},
    {144, "ERR_INVALID_COMMAND"},
    {145, "ERR_TXMESSAGE_STATUS"},
    {146, "ERR_ADDRESS_CLAIM_FAILED"},
    {147, "ERR_CANNOT_SET_PRIORITY"},
    {148, "ERR_CLIENT_DISCONNECTED"},
    {149, "ERR_CONNECT_NOT_ALLOWED"},
    {150, "ERR_CHANGE_MODE_FAILED"},
    {151, "ERR_BUS_OFF"},
    {152, "ERR_COULD_NOT_TX_ADDRESS_CLAIMED"},
    {153, "ERR_ADDRESS_LOST"},
    {154, "ERR_CODE_NOT_FOUND"},
    {155, "ERR_BLOCK_NOT_ALLOWED"},
    {156, "ERR_MULTIPLE_CLIENTS_CONNECTED"},
    {157, "ERR_ADDRESS_NEVER_CLAIMED"},
    {158, "ERR_WINDOW_HANDLE_REQUIRED"},
    {159, "ERR_MESSAGE_NOT_SENT"},
    {160, "ERR_MAX_NOTIFY_EXCEEDED"},
    {161, "ERR_MAX_FILTERS_EXCEEDED"},
    {162, "ERR_HARDWARE_STATUS_CHANGE"},
};

void CopyText(char* out, const char* text) {
  if (out != nullptr) std::memcpy(out, text, std::strlen(text) + 1);
}

constexpr size_t kStatusSize = 6;

}  // namespace

const char* ErrorText(int16_t code) {
  const auto* found =
      std::find_if(std::begin(kErrorTexts), std::end(kErrorTexts),
                   [&](const ErrorEntry& e) { return e.code == code; });
  return found == std::end(kErrorTexts) ? nullptr : found->text;
}

}  // namespace vlr::api

using namespace vlr;

extern "C" RP1210_EXPORT short RP1210_API
RP1210_GetErrorMsg(short ErrorCode, char* fpchDescription) {
  const char* text = api::ErrorText(ErrorCode);
  if (text == nullptr) {
    api::CopyText(fpchDescription, "ERR_CODE_NOT_FOUND");
    return ERR_CODE_NOT_FOUND;
  }
  api::CopyText(fpchDescription, text);
  return 0;
}

extern "C" RP1210_EXPORT void RP1210_API
RP1210_ReadVersion(char* fpchDLLMajorVersion, char* fpchDLLMinorVersion,
                   char* fpchAPIMajorVersion, char* fpchAPIMinorVersion) {
  api::CopyText(fpchDLLMajorVersion, api::kDriverMajorVersion);
  api::CopyText(fpchDLLMinorVersion, api::kDriverMinorVersion);
  api::CopyText(fpchAPIMajorVersion, api::kApiMajorVersion);
  api::CopyText(fpchAPIMinorVersion, api::kApiMinorVersion);
}

extern "C" RP1210_EXPORT short RP1210_API RP1210_GetHardwareStatus(
    short nClientID, char* fpchClientInfo, short nInfoSize, short) {
  if (!Clients().IsValidClient(nClientID)) return ERR_INVALID_CLIENT_ID;
  const int16_t deviceId = Clients().GetDeviceId(nClientID);
  const auto clients = static_cast<uint8_t>(Device().GetClientCount(deviceId));
  // A lost adapter shows as a link that is down; its port can no longer
  // report a modem status.
  const bool linkDown = Connection().LinkDown();
  uint32_t modem = 0;
  if (!linkDown &&
      !platform::GetModemStatus(Device().GetPortHandle(deviceId), modem)) {
    return 0;
  }
  const bool ctsOn = !linkDown && (modem & platform::kModemCtsOn) != 0;
  const uint8_t block[api::kStatusSize] = {
      static_cast<uint8_t>(ctsOn ? 3 : 0), clients, 0, 0, 1, clients};
  if (fpchClientInfo == nullptr || nInfoSize <= 0) return 0;
  // Never past the caller's size: a short buffer gets what fits.
  const size_t size = static_cast<size_t>(nInfoSize);
  std::memcpy(fpchClientInfo, block, std::min(size, api::kStatusSize));
  if (size > api::kStatusSize) {
    std::memset(fpchClientInfo + api::kStatusSize, 0, size - api::kStatusSize);
  }
  return 0;
}
