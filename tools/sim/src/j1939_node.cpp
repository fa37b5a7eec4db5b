#include "j1939_node.h"

#include <algorithm>

#include "vlrcommon/j1939_identifier.h"

namespace vlrsim::detail {

namespace {
constexpr uint8_t kMessagePriority = 6;
constexpr uint8_t kGlobal = 0xFF;

void Earliest(std::optional<Clock::time_point>& best,
              std::optional<Clock::time_point> candidate) {
  if (candidate && (!best || *candidate < *best)) best = candidate;
}

// Keeps the completed messages of `sessions` and forgets those that ended.
template <typename Session>
void TakeFinished(std::map<uint8_t, Session>& sessions,
                  std::vector<EcuMessage>& received) {
  for (auto it = sessions.begin(); it != sessions.end();) {
    if (auto message = it->second.TakeCompleted()) {
      received.push_back(std::move(*message));
    }
    it = it->second.Ended() ? sessions.erase(it) : std::next(it);
  }
}

uint64_t NameOf(std::span<const uint8_t> data) {
  uint64_t name = 0;
  for (size_t i = 0; i < 8 && i < data.size(); ++i) {
    name |= uint64_t{data[i]} << (8 * i);
  }
  return name;
}
}  // namespace

EcuNode::EcuNode(EcuOptions options, Clock::time_point now)
    : options_(std::move(options)) {
  status_.holds_address = !options_.claim;
  if (options_.claim) claim_at_ = now + options_.claim_after;
  if (options_.dm1_period) next_dm1_ = now + *options_.dm1_period;
}

void EcuNode::OnFrame(uint32_t id, std::span<const uint8_t> data,
                      Clock::time_point now) {
  const tp::Heard heard = tp::Hear(id, data);
  switch (heard.pgn) {
    case kPgnRequest:
      OnRequest(heard, now);
      break;
    case kPgnAddressClaimed:
      OnClaim(heard, now);
      break;
    case kPgnTpControl:
      OnControl(heard, now);
      break;
    case kPgnTpData:
      OnData(heard, now);
      break;
    default:
      break;
  }
  Collect();
  StartDueSends(now);
}

void EcuNode::Advance(Clock::time_point now) {
  if (claim_at_ && *claim_at_ <= now) {
    claim_at_.reset();
    status_.holds_address = true;
    PutClaim(now);
  }
  while (next_dm1_ && *next_dm1_ <= now) {
    if (status_.holds_address) {
      Send(kPgnDm1, kGlobal, *EcuPayload(options_, kPgnDm1), now);
    }
    *next_dm1_ += *options_.dm1_period;
  }
  if (sender_) sender_->Advance(now, out_);
  for (auto& [peer, receiver] : receivers_) receiver.Advance(now, out_);
  for (auto& [peer, bam] : bams_) bam.Advance(now);
  Collect();
  StartDueSends(now);
}

std::optional<Clock::time_point> EcuNode::NextTime() const {
  std::optional<Clock::time_point> next = out_.NextTime();
  Earliest(next, claim_at_);
  Earliest(next, next_dm1_);
  if (sender_) Earliest(next, sender_->Deadline());
  for (const auto& [peer, receiver] : receivers_) {
    Earliest(next, receiver.Deadline());
  }
  for (const auto& [peer, bam] : bams_) Earliest(next, bam.Deadline());
  // A connection-mode send waiting for the one in progress starts when that
  // ends, which its deadline or a frame brings about.
  for (const PendingSend& send : pending_) {
    if (send.destination == kGlobal || !sender_) Earliest(next, send.at);
  }
  return next;
}

void EcuNode::SendLong(uint32_t pgn, uint8_t destination, Bytes data,
                       Clock::time_point at) {
  if (data.size() > kLargestTransfer) data.resize(kLargestTransfer);
  pending_.push_back(PendingSend{at, pgn, destination, std::move(data)});
}

// Asked globally: everyone answers by broadcast. Asked by address: the
// answer goes to the one who asked.
void EcuNode::OnRequest(const tp::Heard& heard, Clock::time_point now) {
  if (heard.data.size() < 3) return;
  const bool global = heard.destination == kGlobal;
  if (!global && heard.destination != options_.address) return;
  const uint32_t pgn = vlrcommon::j1939::PgnFromBytes(heard.data.first<3>());
  if (pgn == kPgnAddressClaimed) {
    if (status_.holds_address) {
      PutClaim(now);
    } else if (global && !claim_at_) {
      PutCannotClaim(now);
    }
    return;
  }
  if (!status_.holds_address || !options_.answers_requests) return;
  if (auto payload = EcuPayload(options_, pgn)) {
    Send(pgn, global ? kGlobal : heard.source, std::move(*payload), now);
  }
}

// Lower NAME wins: a host claiming this ECU's address with a higher NAME
// hears the claim again; with a lower one the ECU gives the address up.
void EcuNode::OnClaim(const tp::Heard& heard, Clock::time_point now) {
  if (heard.source != options_.address || !status_.holds_address ||
      heard.data.size() < 8) {
    return;
  }
  if (options_.name <= NameOf(heard.data)) {
    PutClaim(now);
    return;
  }
  status_.holds_address = false;
  PutCannotClaim(now);
}

void EcuNode::OnControl(const tp::Heard& heard, Clock::time_point now) {
  if (heard.data.size() < 8) return;
  const uint8_t control = heard.data[0];
  if (heard.destination == kGlobal) {
    if (control == tp::kBam) {
      bams_.insert_or_assign(heard.source,
                             BamReceiver(heard.source, heard.data, now));
    }
    return;
  }
  if (heard.destination != options_.address || !status_.holds_address) return;
  if (control == tp::kRts) {
    receivers_.insert_or_assign(
        heard.source,
        RtsReceiver(options_.address, heard.source, heard.data,
                    options_.packets_per_cts, options_.faults, now, out_));
    return;
  }
  if (control == tp::kAbort) {
    ++status_.aborts_received;
    if (auto found = receivers_.find(heard.source); found != receivers_.end()) {
      found->second.OnAbort();
    }
  }
  if (sender_ && sender_->peer() == heard.source) {
    sender_->OnControl(heard.data, now, out_);
  }
}

void EcuNode::OnData(const tp::Heard& heard, Clock::time_point now) {
  if (heard.destination == kGlobal) {
    if (auto found = bams_.find(heard.source); found != bams_.end()) {
      found->second.OnData(heard.data, now);
    }
    return;
  }
  if (heard.destination != options_.address) return;
  if (auto found = receivers_.find(heard.source); found != receivers_.end()) {
    found->second.OnData(heard.data, now, out_);
  }
}

void EcuNode::Send(uint32_t pgn, uint8_t destination, Bytes data,
                   Clock::time_point now) {
  if (data.size() <= 8) {
    out_.Put(now,
             tp::IdOf(pgn, kMessagePriority, options_.address, destination),
             std::move(data));
    return;
  }
  pending_.push_back(PendingSend{now, pgn, destination, std::move(data)});
  StartDueSends(now);
}

// Broadcast transfers from one source go one after the other; so do the
// connection-mode ones.
void EcuNode::StartDueSends(Clock::time_point now) {
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (it->at > now) {
      ++it;
      continue;
    }
    if (it->data.size() <= 8) {
      out_.Put(now,
               tp::IdOf(it->pgn, kMessagePriority, options_.address,
                        it->destination),
               std::move(it->data));
    } else if (it->destination == kGlobal) {
      const Clock::time_point start = std::max(now, bam_free_at_);
      bam_free_at_ = ScheduleBam(options_.address, it->pgn, it->data, start,
                                 options_.bam_interval, out_) +
                     options_.bam_interval;
    } else if (!sender_) {
      sender_.emplace(options_.address, it->destination, it->pgn,
                      std::move(it->data), options_.rts_packet_interval, now,
                      out_);
    } else {
      ++it;
      continue;
    }
    it = pending_.erase(it);
  }
}

void EcuNode::PutClaim(Clock::time_point now) {
  out_.Put(
      now,
      tp::IdOf(kPgnAddressClaimed, kMessagePriority, options_.address, kGlobal),
      NameBytes(options_.name));
}

void EcuNode::PutCannotClaim(Clock::time_point now) {
  out_.Put(
      now,
      tp::IdOf(kPgnAddressClaimed, kMessagePriority, kNullAddress, kGlobal),
      NameBytes(options_.name));
}

// Moves finished transfers into the status and forgets them.
void EcuNode::Collect() {
  if (sender_ && sender_->Outcome()) {
    status_.sent.push_back(*sender_->Outcome());
    sender_.reset();
  }
  TakeFinished(receivers_, status_.received);
  TakeFinished(bams_, status_.received);
}

}  // namespace vlrsim::detail
