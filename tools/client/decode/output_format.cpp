#include "output_format.h"

#include <cstdio>
#include <span>

#include "json_writer.h"
#include "vlrcommon/hex_text.h"
#include "vlrscenario/candump_log.h"

namespace vlrdecode {
namespace {

using vlrcommon::FormatHexBytes;

std::string Seconds(int64_t elapsed_ms) {
  char text[32];
  std::snprintf(
      text, sizeof text, "%8lld.%03lld",
      static_cast<long long>(elapsed_ms / 1000),
      static_cast<long long>(elapsed_ms % 1000 < 0 ? -(elapsed_ms % 1000)
                                                   : elapsed_ms % 1000));
  return text;
}

// A joined transfer, or a whole message the driver joined, never travelled
// as one frame.
bool TravelledAsOneFrame(const MessageEvent& event, const J1939Message& m) {
  return !event.reassembled && m.data.size() <= 8;
}

// Long payloads (up to 1785 bytes) keep a line readable: their first bytes,
// then how many more; JSON carries them whole.
constexpr std::size_t kTextBytesShown = 48;

std::string TextBytes(std::span<const uint8_t> data) {
  if (data.size() <= kTextBytesShown + 16) return FormatHexBytes(data, " ");
  return FormatHexBytes(data.first(kTextBytesShown), " ") + " ... (+" +
         std::to_string(data.size() - kTextBytesShown) + " bytes)";
}

std::string J1939Head(const MessageEvent& event, const J1939Message& m,
                      const Description& d) {
  char id[12] = "--------";
  if (TravelledAsOneFrame(event, m))
    std::snprintf(id, sizeof id, "%08X", IdentifierOf(m));
  char text[128];
  std::snprintf(text, sizeof text, "J1939 %s %5X %-6s p%u %02X->%02X [%zu]", id,
                m.pgn, d.label.c_str(), m.priority, m.source, m.destination,
                m.data.size());
  return text;
}

std::string J1708Head(const J1708Message& m, const Description& d) {
  char text[64];
  std::snprintf(text, sizeof text, "J1708 MID %3u %-18s [%zu]", m.mid,
                d.label.c_str(), m.data.size());
  return text;
}

std::string SignalsJson(const Description& d) {
  JsonArray signals;
  for (const Signal& s : d.signals) {
    signals.AddRaw(JsonObject()
                       .Add("name", s.name)
                       .Add("value", s.value)
                       .Add("unit", s.unit)
                       .Close());
  }
  return signals.Close();
}

void AddDiagnostics(JsonObject& object, const DiagnosticMessage& dm) {
  JsonArray codes;
  for (const TroubleCode& c : dm.codes) {
    codes.AddRaw(JsonObject()
                     .Add("spn", c.spn)
                     .Add("fmi", int{c.fmi})
                     .Add("oc", int{c.occurrences})
                     .Close());
  }
  object.Add("mil", int(dm.malfunction))
      .Add("rsl", int(dm.red_stop))
      .Add("awl", int(dm.amber_warning))
      .Add("pl", int(dm.protect));
  object.AddRaw("dtcs", codes.Close());
}

}  // namespace

int64_t DriverTimeline::Elapsed(uint32_t timestamp_ms) {
  if (!started_) {
    started_ = true;
    last_ = timestamp_ms;
    return 0;
  }
  // A signed step: a stamp slightly older than the last moves back.
  elapsed_ += static_cast<int32_t>(timestamp_ms - last_);
  last_ = timestamp_ms;
  return elapsed_;
}

std::string FormatTextLine(const MessageEvent& event,
                           const Description& description) {
  std::string line =
      Seconds(event.elapsed_ms) + (event.echoed ? " TX " : "    ");
  std::string bytes;
  if (const auto* j1939 = std::get_if<J1939Message>(&event.message)) {
    line += J1939Head(event, *j1939, description);
    bytes = TextBytes(j1939->data);
  } else {
    const auto& j1708 = std::get<J1708Message>(event.message);
    line += J1708Head(j1708, description);
    bytes = FormatHexBytes(j1708.data, " ");
    if (j1708.checksum)
      bytes += " (" + FormatHexBytes(std::span(&*j1708.checksum, 1)) + ")";
  }
  line += " " + bytes;
  const std::string text = DescriptionText(description);
  if (!text.empty()) line += " | " + text;
  return line;
}

std::string FormatJsonLine(const MessageEvent& event,
                           const Description& description) {
  JsonObject object;
  object.Add("t", static_cast<double>(event.elapsed_ms) / 1000.0)
      .Add("ts", event.timestamp_ms);
  if (const auto* m = std::get_if<J1939Message>(&event.message)) {
    char id[12];
    std::snprintf(id, sizeof id, "%08X", IdentifierOf(*m));
    object.Add("bus", "J1939");
    if (TravelledAsOneFrame(event, *m)) object.Add("id", id);
    object.Add("pgn", m->pgn)
        .Add("priority", int{m->priority})
        .Add("src", int{m->source})
        .Add("dst", int{m->destination})
        .Add("data", FormatHexBytes(m->data));
  } else {
    const auto& j = std::get<J1708Message>(event.message);
    object.Add("bus", "J1708")
        .Add("mid", int{j.mid})
        .Add("data", FormatHexBytes(j.data));
    if (j.checksum) object.Add("checksum", int{*j.checksum});
  }
  if (!description.label.empty()) object.Add("name", description.label);
  if (event.echoed) object.Add("echo", true);
  if (event.reassembled) object.Add("reassembled", true);
  if (!description.signals.empty())
    object.AddRaw("signals", SignalsJson(description));
  if (!description.text.empty()) object.Add("text", description.text);
  if (description.diagnostics) AddDiagnostics(object, *description.diagnostics);
  return object.Close();
}

std::optional<std::string> FormatCandumpLine(
    const MessageEvent& event, std::chrono::microseconds wall_origin,
    const std::string& interface) {
  const auto* m = std::get_if<J1939Message>(&event.message);
  if (!m || event.reassembled || m->data.size() > 8) return std::nullopt;
  const std::chrono::microseconds time =
      wall_origin + std::chrono::milliseconds(event.elapsed_ms);
  return vlrscenario::FormatCandumpLine(time, interface, IdentifierOf(*m),
                                        m->data);
}

}  // namespace vlrdecode
