// One simulated ECU: its answers to requests, its address claim, its
// transfers in both directions. Pure logic: fed the host's J1939 frames and
// the clock, it puts its own frames into an Outbox with their moments.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <vector>

#include "j1939_tp.h"
#include "j1939_transport.h"
#include "vlrsim/j1939_ecu.h"

namespace vlrsim::detail {

class EcuNode {
 public:
  EcuNode(EcuOptions options, Clock::time_point now);

  const EcuOptions& options() const { return options_; }
  const EcuStatus& Status() const { return status_; }
  void SetFaults(const TransferFaults& faults) { options_.faults = faults; }

  // A frame the host put on the bus.
  void OnFrame(uint32_t id, std::span<const uint8_t> data,
               Clock::time_point now);
  // Time-outs, scheduled claims, sends and DM1 broadcasts due by `now`.
  void Advance(Clock::time_point now);
  std::vector<BusFrame> TakeDue(Clock::time_point now) {
    return out_.TakeDue(now);
  }
  // When Advance or TakeDue next has something to do.
  std::optional<Clock::time_point> NextTime() const;

  // Sends `data` for `pgn` to `destination` from `at` on: one frame up to 8
  // bytes, else a broadcast transfer (destination 255) or a connection-mode
  // transfer (after any the ECU is still making).
  void SendLong(uint32_t pgn, uint8_t destination, Bytes data,
                Clock::time_point at);

 private:
  struct PendingSend {
    Clock::time_point at;
    uint32_t pgn;
    uint8_t destination;
    Bytes data;
  };

  void OnRequest(const tp::Heard& heard, Clock::time_point now);
  void OnClaim(const tp::Heard& heard, Clock::time_point now);
  void OnControl(const tp::Heard& heard, Clock::time_point now);
  void OnData(const tp::Heard& heard, Clock::time_point now);
  void Send(uint32_t pgn, uint8_t destination, Bytes data,
            Clock::time_point now);
  void StartDueSends(Clock::time_point now);
  void PutClaim(Clock::time_point now);
  void PutCannotClaim(Clock::time_point now);
  void Collect();

  EcuOptions options_;
  Outbox out_;
  EcuStatus status_;
  std::optional<Clock::time_point> claim_at_;
  std::optional<Clock::time_point> next_dm1_;
  Clock::time_point bam_free_at_{};
  std::vector<PendingSend> pending_;
  std::optional<RtsSender> sender_;
  std::map<uint8_t, RtsReceiver> receivers_;
  std::map<uint8_t, BamReceiver> bams_;
};

}  // namespace vlrsim::detail
