#include "send_options.h"

#include "pgn_names.h"
#include "values.h"

namespace vlrclient {
namespace {

template <typename T>
std::function<std::string(std::string_view)> Address(std::optional<T>& field) {
  return [&field](std::string_view v) -> std::string {
    auto a = ParseAddress(v);
    if (!a) return "'" + std::string(v) + "' is not a value 0-255";
    field = *a;
    return {};
  };
}

// A NAME: up to 16 hexadecimal digits, optionally after 0x.
std::optional<uint64_t> ParseName(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  if (text.empty() || text.size() > 16) return std::nullopt;
  uint64_t name = 0;
  for (char c : text) {
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) return std::nullopt;
    name = name << 4 | static_cast<uint64_t>(digit);
  }
  return name;
}

std::string PlanClaim(const SendOptions& o, SendPlan& plan) {
  if (!o.claim && !o.name) return {};
  if (!o.claim || !o.name) return "--claim ADDR and --name HEX go together";
  if (*o.claim >= 254) return "addresses 254 and 255 cannot be claimed";
  plan.claim_command = BuildClaimCommand(*o.claim, *o.name);
  return {};
}

SendPlan PlanJ1939(const SendOptions& o) {
  SendPlan plan{"J1939", {}, {}, 1, {}};
  plan.error = PlanClaim(o, plan);
  if (!plan.error.empty()) return plan;
  J1939Fields fields;
  if (o.frame_text && (o.pgn || !o.data.empty())) {
    plan.error = "give either IIIIIIII#DATA or --pgn with --data, not both";
    return plan;
  }
  if (o.frame_text) {
    auto parsed = ParseFrameText(*o.frame_text, plan.error);
    if (!parsed) return plan;
    fields = *parsed;
  } else if (o.pgn) {
    fields.pgn = *o.pgn;
    fields.data = o.data;
  } else if (o.claim) {
    if (o.bam || !o.data.empty() || o.destination || o.source)
      plan.error =
          "a message to send after the claim needs --pgn or IIIIIIII#DATA";
    return plan;  // only the claim
  } else {
    plan.error = "name the message: IIIIIIII#DATA, or --pgn with --data";
    return plan;
  }
  if (o.priority) fields.priority = *o.priority;
  if (o.claim) fields.source = *o.claim;
  if (o.source) fields.source = *o.source;
  if (o.destination) fields.destination = *o.destination;
  if (fields.data.size() > 1785) {
    plan.error = "a J1939 message carries at most 1785 data bytes";
    return plan;
  }
  plan.message = BuildJ1939Message(fields);
  if (o.bam) plan.message[3] |= kBroadcastTransferBit;
  plan.frames = J1939FrameCount(fields.data.size());
  return plan;
}

SendPlan PlanJ1708(const SendOptions& o) {
  SendPlan plan{"J1708", {}, {}, 1, {}};
  if (!o.mid) {
    plan.error = "a J1708 message needs --mid";
  } else if (o.frame_text || o.pgn || o.source || o.destination || o.bam ||
             o.claim || o.name) {
    plan.error =
        "J1708 messages have a MID, not a J1939 identifier, PGN or addresses";
  } else {
    const uint8_t priority = o.priority.value_or(8);
    if (priority < 1 || priority > 8) plan.error = "J1708 priority is 1 to 8";
    plan.message = BuildJ1708Message(priority, *o.mid, o.data);
  }
  return plan;
}

}  // namespace

std::vector<OptionDefinition> SendOptionTable(SendOptions& o) {
  return {
      DeviceIdOption("RP1210 device id (default 201)",
                     [&o](short id) { o.device = id; }),
      {"--protocol", "NAME",
       "J1939 or J1708 (default: J1708 with --mid, else J1939)",
       [&o](std::string_view v) -> std::string {
         o.protocol = ParseProtocol(v);
         return o.protocol
                    ? ""
                    : "expected J1939 or J1708, got '" + std::string(v) + "'";
       }},
      {"--pgn", "PGN", "J1939 parameter group: EEC1, 65265, 0xFEF1",
       [&o](std::string_view v) -> std::string {
         o.pgn = vlrdecode::ParsePgn(v);
         return o.pgn ? ""
                      : "'" + std::string(v) +
                            "' is not a PGN or a known acronym";
       }},
      {"--priority", "N", "J1939 0-7 (default 6); J1708 1-8 (default 8)",
       [&o](std::string_view v) -> std::string {
         auto p = ParseInteger(v, 0, 8);
         if (!p) return "expected a priority";
         o.priority = static_cast<uint8_t>(*p);
         return {};
       }},
      {"--source", "ADDR", "J1939 source address (default 0xF9)",
       Address(o.source)},
      {"--dest", "ADDR", "J1939 destination of a PDU1 group (default 0xFF)",
       Address(o.destination)},
      {"--mid", "MID", "J1708 message identifier (128 or 0x80)",
       Address(o.mid)},
      {"--data", "HEX",
       "data bytes: \"01 02 ff\" or 0102ff; up to 1785 J1939 bytes, over 8 "
       "go as one transfer (to --dest: connection mode)",
       [&o](std::string_view v) -> std::string {
         auto data = ParseDataBytes(v);
         if (!data) return "'" + std::string(v) + "' is not hex bytes";
         o.data = std::move(*data);
         return {};
       }},
      {"--bam", "", "J1939: broadcast transfer even to a specific --dest",
       [&o](std::string_view) {
         o.bam = true;
         return std::string();
       }},
      {"--claim", "ADDR",
       "J1939: claim this address first (and send from it by default)",
       Address(o.claim)},
      {"--name", "HEX", "J1939: the NAME to claim with, e.g. 0000E0FF00810000",
       [&o](std::string_view v) -> std::string {
         o.name = ParseName(v);
         return o.name ? ""
                       : "'" + std::string(v) + "' is not a 64-bit hex NAME";
       }},
      {"--repeat", "N", "send N times (default 1)",
       [&o](std::string_view v) -> std::string {
         auto n = ParseInteger(v, 1, 1'000'000);
         if (!n) return "expected a count 1-1000000";
         o.repeat = static_cast<uint64_t>(*n);
         return {};
       }},
      {"--interval", "SECONDS", "time between repeats (default 0.1)",
       [&o](std::string_view v) -> std::string {
         auto s = ParsePositiveSeconds(v);
         if (!s) return "expected positive seconds";
         o.interval_s = *s;
         return {};
       }},
      DriverPathOption(o.driver_path),
  };
}

SendPlan PlanSend(const SendOptions& o) {
  const std::string protocol = o.protocol.value_or(o.mid ? "J1708" : "J1939");
  if (protocol == "J1708") return PlanJ1708(o);
  if (o.mid)
    return SendPlan{
        "J1939", {}, {}, 1, "--mid is for J1708; add --protocol J1708"};
  SendPlan plan = PlanJ1939(o);
  if (plan.error.empty() && o.priority && *o.priority > 7)
    plan.error = "J1939 priority is 0 to 7";
  return plan;
}

}  // namespace vlrclient
