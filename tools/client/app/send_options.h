// What `vlr1210 send` is asked to transmit, from its command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "message_builder.h"

namespace vlrclient {

struct SendOptions {
  short device = 201;
  std::optional<std::string> protocol;  // default: by the message given
  std::optional<uint32_t> pgn;
  std::optional<uint8_t> priority;
  std::optional<uint8_t> source;
  std::optional<uint8_t> destination;
  std::optional<uint8_t> mid;
  std::vector<uint8_t> data;
  std::optional<std::string> frame_text;  // "18FEF100#0102..."
  // Bit 7 of the priority byte: a broadcast transfer even to a specific
  // destination.
  bool bam = false;
  // Claim this address with this NAME before sending (command 19).
  std::optional<uint8_t> claim;
  std::optional<uint64_t> name;
  uint64_t repeat = 1;
  double interval_s = 0.1;
  std::string driver_path;
};

std::vector<OptionDefinition> SendOptionTable(SendOptions& options);

// The protocol and the message buffer for RP1210_SendMessage, or an error
// text saying what is missing or contradictory.
struct SendPlan {
  std::string protocol;
  std::vector<uint8_t> message;        // empty: only claim
  std::vector<uint8_t> claim_command;  // empty: no claim
  std::size_t frames = 1;              // frames the driver writes for it
  std::string error;
};
SendPlan PlanSend(const SendOptions& options);

}  // namespace vlrclient
