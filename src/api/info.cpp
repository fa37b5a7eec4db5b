#include <algorithm>
#include <cstring>
#include <iterator>

#include "api/connection_api.h"
#include "api/rp1210.h"
#include "api/version_texts.h"

namespace vlr::api {
namespace {

struct ErrorEntry {
  int16_t code;
  const char* text;
};

// The text of each code is its name in rp1210.h, so the two cannot differ.
#define VLR_ERROR_TEXT(name) \
  { name, #name }
constexpr ErrorEntry kErrorTexts[] = {
    VLR_ERROR_TEXT(ERR_SUCCESS),
    VLR_ERROR_TEXT(ERR_DLL_NOT_INITIALIZED),
    VLR_ERROR_TEXT(ERR_INVALID_CLIENT_ID),
    VLR_ERROR_TEXT(ERR_CLIENT_ALREADY_CONNECTED),
    VLR_ERROR_TEXT(ERR_CLIENT_AREA_FULL),
    VLR_ERROR_TEXT(ERR_FREE_MEMORY),
    VLR_ERROR_TEXT(ERR_NOT_ENOUGH_MEMORY),
    VLR_ERROR_TEXT(ERR_INVALID_DEVICE),
    VLR_ERROR_TEXT(ERR_DEVICE_IN_USE),
    VLR_ERROR_TEXT(ERR_INVALID_PROTOCOL),
    VLR_ERROR_TEXT(ERR_TX_QUEUE_FULL),
    VLR_ERROR_TEXT(ERR_TX_QUEUE_CORRUPT),
    VLR_ERROR_TEXT(ERR_RX_QUEUE_FULL),
    VLR_ERROR_TEXT(ERR_RX_QUEUE_CORRUPT),
    VLR_ERROR_TEXT(ERR_MESSAGE_TOO_LONG),
    VLR_ERROR_TEXT(ERR_HARDWARE_NOT_RESPONDING),
    VLR_ERROR_TEXT(ERR_COMMAND_NOT_SUPPORTED),
    VLR_ERROR_TEXT(ERR_INVALID_COMMAND),
    VLR_ERROR_TEXT(ERR_TXMESSAGE_STATUS),
    VLR_ERROR_TEXT(ERR_ADDRESS_CLAIM_FAILED),
    VLR_ERROR_TEXT(ERR_CANNOT_SET_PRIORITY),
    VLR_ERROR_TEXT(ERR_CLIENT_DISCONNECTED),
    VLR_ERROR_TEXT(ERR_CONNECT_NOT_ALLOWED),
    VLR_ERROR_TEXT(ERR_CHANGE_MODE_FAILED),
    VLR_ERROR_TEXT(ERR_BUS_OFF),
    VLR_ERROR_TEXT(ERR_COULD_NOT_TX_ADDRESS_CLAIMED),
    VLR_ERROR_TEXT(ERR_ADDRESS_LOST),
    VLR_ERROR_TEXT(ERR_CODE_NOT_FOUND),
    VLR_ERROR_TEXT(ERR_BLOCK_NOT_ALLOWED),
    VLR_ERROR_TEXT(ERR_MULTIPLE_CLIENTS_CONNECTED),
    VLR_ERROR_TEXT(ERR_ADDRESS_NEVER_CLAIMED),
    VLR_ERROR_TEXT(ERR_WINDOW_HANDLE_REQUIRED),
    VLR_ERROR_TEXT(ERR_MESSAGE_NOT_SENT),
    VLR_ERROR_TEXT(ERR_MAX_NOTIFY_EXCEEDED),
    VLR_ERROR_TEXT(ERR_MAX_FILTERS_EXCEEDED),
    VLR_ERROR_TEXT(ERR_HARDWARE_STATUS_CHANGE),
};
#undef VLR_ERROR_TEXT

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
  // The session stays alive while this call holds it; its port may close
  // meanwhile, which the modem status query finds.
  const ClientRef ref = TheRegistry().Find(nClientID);
  if (!ref) return ERR_INVALID_CLIENT_ID;
  const auto clients = static_cast<uint8_t>(ref.session->ClientCount());
  // A lost adapter shows as a link that is down; its port can no longer
  // report a modem status.
  const bool linkDown = ref.session->LinkDown();
  uint32_t modem = 0;
  if (!linkDown && !ref.session->ModemStatus(modem)) return 0;
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
