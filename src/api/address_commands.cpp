// The J1939 address a client claims, and the spacing of its broadcast
// transfers.
#include <algorithm>

#include "api/connection_api.h"
#include "api/rp1210.h"

namespace vlr::api {
namespace {

constexpr int16_t kProtectSize = 10;  // address, NAME (8), how
constexpr uint8_t kBlockUntilDone = 0;
constexpr uint8_t kReturnBeforeCompletion = 2;
constexpr uint8_t kNullAddress = 254;
constexpr uint8_t kGlobalAddress = 255;
// The claim's own wait is 250 ms; the rest is room for a busy machine.
constexpr uint32_t kClaimWaitBoundMs = 2000;

// A J1708 client has no J1939 address or transfers: the commands are
// accepted without effect, as they always were.
constexpr int16_t kNotForJ1708 = 0;

}  // namespace

int16_t ProtectJ1939Address(const ClientRef& ref, const uint8_t* buffer,
                            int16_t size) {
  if (ref.protocol != Protocol::kJ1939) return kNotForJ1708;
  if (buffer == nullptr || size < kProtectSize) return ERR_INVALID_COMMAND;
  const uint8_t address = buffer[0];
  const uint8_t how = buffer[9];
  if (address == kNullAddress || address == kGlobalAddress ||
      (how != kBlockUntilDone && how != kReturnBeforeCompletion)) {
    return ERR_INVALID_COMMAND;
  }
  network::Name name;
  std::copy_n(buffer + 1, name.size(), name.begin());
  switch (TheRegistry().StartClaim(*ref.client, address, name)) {
    case Registry::ClaimStart::kStarted:
      break;
    case Registry::ClaimStart::kFull:
    case Registry::ClaimStart::kHeldByAnother:
      return ERR_ADDRESS_CLAIM_FAILED;
  }
  ref.session->WakeWriter();
  if (how == kReturnBeforeCompletion) return 0;
  const network::ClaimState state =
      ref.client->transport.WaitForClaim(address, kClaimWaitBoundMs, [&] {
        return ref.client->Serves(ref.connection) &&
               !ref.session->LinkStopped() && !ref.session->LinkDown();
      });
  switch (state) {
    case network::ClaimState::kClaimed:
      return 0;
    case network::ClaimState::kPending:
      // The Address Claimed frame never went out (the link is down).
      return ERR_COULD_NOT_TX_ADDRESS_CLAIMED;
    case network::ClaimState::kLost:
    case network::ClaimState::kNone:
      break;
  }
  return ERR_ADDRESS_CLAIM_FAILED;
}

int16_t SetInterpacketTime(const ClientRef& ref, const uint8_t* buffer,
                           int16_t size) {
  if (ref.protocol != Protocol::kJ1939) return kNotForJ1708;
  if (buffer == nullptr || size < 4) return ERR_INVALID_COMMAND;
  const uint32_t ms = uint32_t{buffer[0]} | uint32_t{buffer[1]} << 8 |
                      uint32_t{buffer[2]} << 16 | uint32_t{buffer[3]} << 24;
  ref.client->transport.SetInterpacketMs(ms);
  return 0;
}

int16_t ReleaseJ1939Address(const ClientRef& ref, const uint8_t* buffer,
                            int16_t size) {
  if (ref.protocol != Protocol::kJ1939) return kNotForJ1708;
  if (buffer == nullptr || size < 1) return ERR_INVALID_COMMAND;
  if (ref.client->transport.StateOf(buffer[0]) == network::ClaimState::kNone) {
    return ERR_ADDRESS_NEVER_CLAIMED;
  }
  ref.client->transport.Release(buffer[0]);
  return 0;
}

}  // namespace vlr::api
