#include "network/address_claim.h"

#include <algorithm>

#include "network/tp_frames.h"

namespace vlr::network {
namespace {

bool Holds(ClaimState state) {
  return state == ClaimState::kPending || state == ClaimState::kClaimed;
}

}  // namespace

// The wait counts from when the claim went out, not from when it was
// decided.
bool AddressClaimer::Waiting(const Entry& entry) {
  return entry.state == ClaimState::kPending && entry.ticket == 0;
}

bool AddressClaimer::Claim(uint8_t address, const Name& name, Millis now,
                           ControlOutbox& outbox) {
  if (address >= kNullAddress) return false;
  Entry* entry = Find(address);
  if (entry == nullptr) {
    if (claims_.size() >= kMaxClaims) return false;
    claims_.push_back({address});
    entry = &claims_.back();
  }
  outbox.Withdraw(entry->ticket);
  entry->name = name;
  entry->state = ClaimState::kPending;
  entry->ticket = outbox.NewTicket();
  if (!outbox.Push(AddressClaimedPacket(address, name), now, entry->ticket)) {
    entry->ticket = 0;
  }
  entry->deadline = now + kClaimWaitMs;
  return true;
}

void AddressClaimer::Release(uint8_t address, ControlOutbox& outbox) {
  const auto at =
      std::find_if(claims_.begin(), claims_.end(),
                   [address](const Entry& e) { return e.address == address; });
  if (at == claims_.end()) return;
  outbox.Withdraw(at->ticket);
  claims_.erase(at);
}

ClaimState AddressClaimer::StateOf(uint8_t address) const {
  const Entry* entry = Find(address);
  return entry == nullptr ? ClaimState::kNone : entry->state;
}

void AddressClaimer::OnFrame(std::span<const uint8_t> message, Millis now,
                             ControlOutbox& outbox, Events& out) {
  if (message.size() < kHeaderSize) return;
  const uint8_t source = message[4];
  const uint8_t destination = message[5];
  if (message[1] == pf::kAddressClaimed) {
    Entry* entry = Find(source);
    if (entry == nullptr || !Holds(entry->state) ||
        message.size() < kHeaderSize + 8) {
      return;
    }
    Name theirs;
    std::copy_n(message.begin() + kHeaderSize, theirs.size(), theirs.begin());
    OnContender(*entry, theirs, now, outbox, out);
    return;
  }
  if (!IsAddressClaimRequest(message)) return;
  // A lost address belongs to its winner, who answers for it; only a
  // global request hears our Cannot Claim.
  for (const Entry& entry : claims_) {
    if (destination == kGlobal ||
        (destination == entry.address && Holds(entry.state))) {
      Answer(entry, now, outbox);
    }
  }
}

void AddressClaimer::OnContender(Entry& entry, const Name& theirs, Millis now,
                                 ControlOutbox& outbox, Events& out) {
  const uint64_t ours = NameValue(entry.name);
  const uint64_t contender = NameValue(theirs);
  if (contender == ours) return;  // our own claim, seen again
  if (contender > ours) {
    // Ours wins; saying so again does not restart a pending wait.
    outbox.Push(AddressClaimedPacket(entry.address, entry.name), now);
    return;
  }
  outbox.Withdraw(entry.ticket);
  entry.ticket = 0;
  entry.state = ClaimState::kLost;
  outbox.Push(AddressClaimedPacket(kNullAddress, entry.name), now);
  out.claims.push_back({entry.address, ClaimState::kLost});
}

void AddressClaimer::Answer(const Entry& entry, Millis now,
                            ControlOutbox& outbox) const {
  if (Holds(entry.state)) {
    outbox.Push(AddressClaimedPacket(entry.address, entry.name), now);
  } else if (entry.state == ClaimState::kLost) {
    outbox.Push(AddressClaimedPacket(kNullAddress, entry.name), now);
  }
}

void AddressClaimer::OnTime(Millis now, Events& out) {
  for (Entry& entry : claims_) {
    if (Waiting(entry) && entry.deadline <= now) {
      entry.state = ClaimState::kClaimed;
      out.claims.push_back({entry.address, ClaimState::kClaimed});
    }
  }
}

void AddressClaimer::OnTaken(uint64_t ticket, Millis now) {
  for (Entry& entry : claims_) {
    if (entry.ticket != 0 && entry.ticket == ticket) {
      entry.ticket = 0;
      if (entry.state == ClaimState::kPending) {
        entry.deadline = now + kClaimWaitMs;
      }
      return;
    }
  }
}

std::optional<Millis> AddressClaimer::NextDeadline() const {
  std::optional<Millis> earliest;
  for (const Entry& entry : claims_) {
    if (Waiting(entry) && (!earliest || entry.deadline < *earliest)) {
      earliest = entry.deadline;
    }
  }
  return earliest;
}

AddressClaimer::Entry* AddressClaimer::Find(uint8_t address) {
  const auto at =
      std::find_if(claims_.begin(), claims_.end(),
                   [address](const Entry& e) { return e.address == address; });
  return at == claims_.end() ? nullptr : &*at;
}

const AddressClaimer::Entry* AddressClaimer::Find(uint8_t address) const {
  const auto at =
      std::find_if(claims_.begin(), claims_.end(),
                   [address](const Entry& e) { return e.address == address; });
  return at == claims_.end() ? nullptr : &*at;
}

}  // namespace vlr::network
