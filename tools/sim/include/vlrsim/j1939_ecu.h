// Simulated ECUs on the adapter's J1939 bus: what they hold, how they
// misbehave on demand, and what a test can read back from them.
//
// An ECU hears every J1939 message the host transmits and talks back as
// ordinary bus traffic, which the adapter reports under its usual receive
// switches and filter. It answers requests for VIN, component
// identification, DM1, DM2 and the address claimed (broadcast transfer when
// asked globally, connection-mode transfer when asked by address), takes
// connection-mode and broadcast transfers from the host, and takes part in
// address claim with its NAME.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vlrsim/family.h"

namespace vlrsim {

inline constexpr uint32_t kPgnRequest = 0xEA00;
inline constexpr uint32_t kPgnAddressClaimed = 0xEE00;
inline constexpr uint32_t kPgnVin = 0xFEEC;
inline constexpr uint32_t kPgnComponentId = 0xFEEB;
inline constexpr uint32_t kPgnDm1 = 0xFECA;
inline constexpr uint32_t kPgnDm2 = 0xFECB;
inline constexpr uint32_t kPgnTpControl = 0xEC00;
inline constexpr uint32_t kPgnTpData = 0xEB00;
// The largest message the transport carries: 255 packets of 7 bytes.
inline constexpr size_t kLargestTransfer = 1785;
// The source of a Cannot Claim.
inline constexpr uint8_t kNullAddress = 254;

// One diagnostic trouble code of a DM1 or DM2.
struct TroubleCode {
  uint32_t spn = 0;         // 19 bits
  uint8_t fmi = 0;          // 5 bits
  uint8_t occurrences = 1;  // 7 bits

  bool operator==(const TroubleCode&) const = default;
};

// How an ECU spoils connection-mode transfers the host sends it. Counting
// of packets is over the whole transfer, from 1.
struct TransferFaults {
  // Never answer an RTS (the host's sender times out).
  bool drop_cts = false;
  // Answer an RTS with an Abort of this reason.
  std::optional<uint8_t> abort_after_rts;
  // Send an Abort of `abort_reason` once packet `abort_after_packet` came.
  std::optional<int> abort_after_packet;
  uint8_t abort_reason = 3;
  // Fall silent after packet k: no more CTS, no End-of-Message ACK.
  std::optional<int> stop_after_packet;
  // Wait this long before each CTS and the End-of-Message ACK.
  std::chrono::milliseconds answer_delay{0};
  // The first `holds` CTS are preceded by a hold (CTS with 0 packets) of
  // `hold_time`, repeated every 500 ms while it lasts.
  int holds = 0;
  std::chrono::milliseconds hold_time{300};

  bool operator==(const TransferFaults&) const = default;
};

struct EcuOptions {
  uint8_t address = 0x00;
  // J1939 NAME; the lower value wins an address contest.
  uint64_t name = 0;
  // Answers a request for VIN with the text and its '*' delimiter (added
  // when missing); empty = no VIN.
  std::string vin;
  // Answers a request for component identification with this text as it
  // stands (make*model*serial*unit*); empty = none.
  std::string component_id;
  std::vector<TroubleCode> dm1;  // active
  std::vector<TroubleCode> dm2;  // previously active
  // Broadcast DM1 at this period (single frame or broadcast transfer).
  std::optional<std::chrono::milliseconds> dm1_period;
  // Between the packets of a broadcast transfer (0 = back to back).
  std::chrono::milliseconds bam_interval{50};
  // Between the packets of a connection-mode window the ECU sends.
  std::chrono::milliseconds rts_packet_interval{0};
  // The most packets the ECU asks for in one CTS.
  uint8_t packets_per_cts = 16;
  // Send Address Claimed when the ECU joins the bus, after `claim_after`.
  bool claim = true;
  std::chrono::milliseconds claim_after{0};
  // False: answers only requests for the address claimed (a contender).
  bool answers_requests = true;
  TransferFaults faults;
};

// A message an ECU took from the host by transfer.
struct EcuMessage {
  uint32_t pgn = 0;
  uint8_t source = 0;
  uint8_t destination = 0;
  bool broadcast = false;  // came by BAM
  std::vector<uint8_t> data;
};

// How a connection-mode transfer the ECU sent ended.
struct EcuSendOutcome {
  enum class Result : uint8_t { kAcknowledged, kAborted, kTimedOut };
  uint32_t pgn = 0;
  uint8_t destination = 0;
  size_t size = 0;
  Result result = Result::kAcknowledged;
  uint8_t abort_reason = 0;  // kAborted: the receiver's reason
};

struct EcuStatus {
  bool holds_address = false;  // claimed and not lost
  std::vector<EcuMessage> received;
  std::vector<EcuSendOutcome> sent;
  // Aborts the ECU received from the host for its own sends or the host's.
  int aborts_received = 0;
};

// The payload an ECU with `ecu` sends for `pgn` (VIN, component id, DM1,
// DM2, address claimed); nothing for a group it does not answer. DM1/DM2:
// two lamp bytes, then SPN/FMI/OC records of four bytes, at least 8 bytes.
std::optional<std::vector<uint8_t>> EcuPayload(const EcuOptions& ecu,
                                               uint32_t pgn);

// The NAME as it stands in Address Claimed: least significant byte first.
std::vector<uint8_t> NameBytes(uint64_t name);

}  // namespace vlrsim
