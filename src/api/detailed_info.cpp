// The two reporting functions that applications written for the later
// RP1210 revisions look up beside the RP1210A ones.
#include <cstdio>

#include "api/connection_api.h"
#include "api/rp1210.h"
#include "api/version_texts.h"

namespace vlr::api {
namespace {

// The adapters have no command that reports their firmware, and a made-up
// number would be worse than none.
constexpr char kFirmwareVersion[] = "unknown";

// The driver keeps no detail beyond the result code itself.
constexpr int kNoSubErrorCode = -1;

// "major.minor", never past the conventional buffer.
void WriteDottedVersion(char* out, const char* major, const char* minor) {
  std::snprintf(out, RP1210_VERSION_TEXT_SIZE, "%s.%s", major, minor);
}

}  // namespace
}  // namespace vlr::api

using namespace vlr;

// The firmware belongs to the client's adapter, so an unknown client is
// refused as elsewhere; the two other texts come from the same constants as
// RP1210_ReadVersion.
extern "C" RP1210_EXPORT short RP1210_API
RP1210_ReadDetailedVersion(short nClientID, char* fpchAPIVersionInfo,
                           char* fpchDLLVersionInfo, char* fpchFWVersionInfo) {
  if (!TheRegistry().Find(nClientID)) return ERR_INVALID_CLIENT_ID;
  if (fpchAPIVersionInfo == nullptr || fpchDLLVersionInfo == nullptr ||
      fpchFWVersionInfo == nullptr) {
    return ERR_INVALID_COMMAND;  // as for a missing command buffer
  }
  api::WriteDottedVersion(fpchAPIVersionInfo, api::kApiMajorVersion,
                          api::kApiMinorVersion);
  api::WriteDottedVersion(fpchDLLVersionInfo, api::kDriverMajorVersion,
                          api::kDriverMinorVersion);
  std::snprintf(fpchFWVersionInfo, RP1210_VERSION_TEXT_SIZE, "%s",
                api::kFirmwareVersion);
  return 0;
}

// The same texts and results as RP1210_GetErrorMsg. The client id is not
// consulted: applications ask right after a failed connect, when they hold
// no valid id, and the driver keeps nothing per client to report.
extern "C" RP1210_EXPORT short RP1210_API RP1210_GetLastErrorMsg(
    short ErrorCode, int* SubErrorCode, char* fpchDescription, short) {
  if (SubErrorCode == nullptr || fpchDescription == nullptr) {
    return ERR_INVALID_COMMAND;
  }
  *SubErrorCode = api::kNoSubErrorCode;
  const char* text = api::ErrorText(ErrorCode);
  if (text == nullptr) {
    std::snprintf(fpchDescription, RP1210_DESCRIPTION_SIZE, "%s",
                  "ERR_CODE_NOT_FOUND");
    return ERR_CODE_NOT_FOUND;
  }
  std::snprintf(fpchDescription, RP1210_DESCRIPTION_SIZE, "%s", text);
  return 0;
}
