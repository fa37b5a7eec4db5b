#include "monitor.h"
#include "pgn_names.h"
#include "values.h"

namespace vlrclient {
namespace {

std::string SetFormat(MonitorOptions& o, std::string_view value) {
  if (value == "text")
    o.format = vlrdecode::OutputFormat::kText;
  else if (value == "candump")
    o.format = vlrdecode::OutputFormat::kCandump;
  else if (value == "json")
    o.format = vlrdecode::OutputFormat::kJson;
  else if (value == "pcap")
    o.format = vlrdecode::OutputFormat::kPcap;
  else
    return "expected text, candump, json or pcap";
  return {};
}

}  // namespace

std::vector<OptionDefinition> MonitorOptionTable(MonitorOptions& o) {
  return {
      DeviceIdOption("RP1210 device id: 101-104, 201-204 (default 201)",
                     [&o](short id) { o.device = id; }),
      {"--protocol", "NAME", "J1939 (default) or J1708",
       [&o](std::string_view v) -> std::string {
         auto protocol = ParseProtocol(v);
         if (!protocol)
           return "expected J1939 or J1708, got '" + std::string(v) + "'";
         o.protocol = *protocol;
         return {};
       }},
      {"--duration", "SECONDS", "stop after this long",
       [&o](std::string_view v) -> std::string {
         o.duration_s = ParsePositiveSeconds(v);
         return o.duration_s
                    ? ""
                    : "expected positive seconds, got '" + std::string(v) + "'";
       }},
      {"--count", "N", "stop after N messages",
       [&o](std::string_view v) -> std::string {
         auto n = ParseInteger(v, 1, INT64_MAX);
         if (!n)
           return "expected a positive count, got '" + std::string(v) + "'";
         o.count = static_cast<uint64_t>(*n);
         return {};
       }},
      {"--echo", "", "also show this client's own transmissions (TX)",
       [&o](std::string_view) {
         o.echo = true;
         return std::string();
       }},
      {"--raw-j1708", "", "J1708 raw mode: messages keep their checksum",
       [&o](std::string_view) {
         o.raw_j1708 = true;
         return std::string();
       }},
      {"--raw-transport", "",
       "J1939: show transport frames as they come (the driver joins none)",
       [&o](std::string_view) {
         o.raw_transport = true;
         return std::string();
       }},
      {"--pgn", "PGN", "J1939 filter: EEC1, 61444, 0xF004 (repeatable)",
       [&o](std::string_view v) -> std::string {
         auto pgn = vlrdecode::ParsePgn(v);
         if (!pgn)
           return "'" + std::string(v) + "' is not a PGN or a known acronym";
         o.filter.pgns.push_back(*pgn);
         return {};
       }},
      {"--source", "ADDR", "J1939 filter: source address (repeatable)",
       [&o](std::string_view v) -> std::string {
         auto a = ParseAddress(v);
         if (!a) return "'" + std::string(v) + "' is not an address 0-255";
         o.filter.sources.push_back(*a);
         return {};
       }},
      {"--dest", "ADDR", "J1939 filter: destination address (repeatable)",
       [&o](std::string_view v) -> std::string {
         auto a = ParseAddress(v);
         if (!a) return "'" + std::string(v) + "' is not an address 0-255";
         o.filter.destinations.push_back(*a);
         return {};
       }},
      {"--priority", "0-7", "J1939 filter: priority",
       [&o](std::string_view v) -> std::string {
         auto p = ParseInteger(v, 0, 7);
         if (!p) return "expected a priority 0-7, got '" + std::string(v) + "'";
         o.filter.priority = static_cast<uint8_t>(*p);
         return {};
       }},
      {"--format", "FORMAT",
       "text (default), candump, json or pcap (J1939 frames for Wireshark)",
       [&o](std::string_view v) { return SetFormat(o, v); }},
      {"--output", "FILE", "write messages to FILE instead of standard output",
       [&o](std::string_view v) -> std::string {
         if (v.empty()) return "needs a file name";
         o.output_path = std::string(v);
         return {};
       }},
      {"--write", "FILE.pcap",
       "also write the J1939 frames into a pcap capture for Wireshark",
       [&o](std::string_view v) -> std::string {
         if (v.empty()) return "needs a file name";
         o.capture_path = std::string(v);
         return {};
       }},
      {"--no-summary", "", "do not print the summary at the end",
       [&o](std::string_view) {
         o.summary = false;
         return std::string();
       }},
  };
}

std::string CheckMonitorOptions(const MonitorOptions& o) {
  if (o.protocol != "J1939" && !o.filter.empty()) {
    return "--pgn, --source, --dest and --priority filter J1939; add "
           "--protocol J1939";
  }
  if (o.protocol != "J1939" && o.raw_transport)
    return "--raw-transport is for J1939";
  if (o.protocol != "J1708" && o.raw_j1708)
    return "--raw-j1708 needs --protocol J1708";
  const bool pcap = o.format == vlrdecode::OutputFormat::kPcap;
  if ((pcap || !o.capture_path.empty()) && o.protocol != "J1939")
    return "pcap captures hold J1939 frames only; J1708 has no link type "
           "Wireshark decodes";
  if (pcap && !o.capture_path.empty())
    return "--format pcap already writes the capture; --write is for another "
           "format beside it";
  const std::size_t groups =
      BuildFilterGroups(o.filter).size() / kFilterGroupSize;
  if (groups > kMaxFilterGroups) {
    return "the filters make " + std::to_string(groups) +
           " combinations; the driver takes at most " +
           std::to_string(kMaxFilterGroups);
  }
  return {};
}

}  // namespace vlrclient
