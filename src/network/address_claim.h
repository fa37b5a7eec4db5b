// The addresses a client claims: the claim and its wait for contenders,
// defending a claimed address, giving it up to a better NAME, and
// answering requests for the claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "network/control_outbox.h"
#include "network/network_types.h"

namespace vlr::network {

constexpr Millis kClaimWaitMs = 250;
constexpr size_t kMaxClaims = 16;

class AddressClaimer {
 public:
  // False for 254/255, or for a new address past kMaxClaims. Claiming an
  // address again starts its claim over, lost or not.
  bool Claim(uint8_t address, const Name& name, Millis now,
             ControlOutbox& outbox);
  void Release(uint8_t address, ControlOutbox& outbox);
  ClaimState StateOf(uint8_t address) const;
  // Address Claimed and Request frames; the caller delivers them anyway.
  void OnFrame(std::span<const uint8_t> message, Millis now,
               ControlOutbox& outbox, Events& out);
  void OnTime(Millis now, Events& out);
  void OnTaken(uint64_t ticket, Millis now);
  std::optional<Millis> NextDeadline() const;
  void Clear() { claims_.clear(); }
  size_t Count() const { return claims_.size(); }

 private:
  struct Entry {
    uint8_t address = 0;
    Name name{};
    ClaimState state = ClaimState::kPending;
    Millis deadline = 0;  // end of the wait while pending
    uint64_t ticket = 0;  // the claim frame that starts the wait
  };

  static bool Waiting(const Entry& entry);
  Entry* Find(uint8_t address);
  const Entry* Find(uint8_t address) const;
  void OnContender(Entry& entry, const Name& theirs, Millis now,
                   ControlOutbox& outbox, Events& out);
  void Answer(const Entry& entry, Millis now, ControlOutbox& outbox) const;

  std::vector<Entry> claims_;
};

}  // namespace vlr::network
