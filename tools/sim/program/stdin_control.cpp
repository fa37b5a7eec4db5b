#include "stdin_control.h"

#include <charconv>
#include <sstream>
#include <string>
#include <vector>

#include "vlrcommon/hex_text.h"
#include "vlrcommon/j1939_identifier.h"
#include "vlrsim/network_script.h"

namespace vlrsim::program {

namespace {
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t pos = 0;
  while (pos < line.size()) {
    const size_t start = line.find_first_not_of(" \t\r", pos);
    if (start == std::string_view::npos) break;
    const size_t end = line.find_first_of(" \t\r", start);
    words.push_back(line.substr(start, end - start));
    pos = end == std::string_view::npos ? line.size() : end;
  }
  return words;
}

// The words from `first` on, joined, as hex bytes.
std::optional<Bytes> HexWords(const std::vector<std::string_view>& words,
                              size_t first) {
  std::string joined;
  for (size_t i = first; i < words.size(); ++i) {
    joined += words[i];
    joined += ' ';
  }
  return vlrcommon::ParseHexBytes(joined);
}

std::optional<bool> OnOff(const std::vector<std::string_view>& words) {
  if (words.size() != 2) return std::nullopt;
  if (words[1] == "on") return true;
  if (words[1] == "off") return false;
  return std::nullopt;
}

std::string Send(PtyAdapter& adapter, const std::vector<std::string_view>& w) {
  if (w.size() < 3) return "error send needs a bus and an id";
  const auto id = vlrcommon::ParseHexNumber(w[2]);
  const auto data = HexWords(w, 3);
  if (!id || !data) return "error bad hex";
  if (w[1] == "j1939") {
    if (*id > vlrcommon::j1939::kLargestIdentifier)
      return "error identifier beyond 29 bits";
    adapter.PutOnBus(Bus::kJ1939, *id, *data);
  } else if (w[1] == "j1708") {
    if (*id > 0xFF) return "error MID beyond one byte";
    adapter.PutOnBus(Bus::kJ1708, *id, *data);
  } else {
    return "error bus is j1939 or j1708";
  }
  return "ok";
}

std::string ReadyDelay(PtyAdapter& adapter,
                       const std::vector<std::string_view>& w) {
  if (w.size() != 2) return "error ready-delay MS|off";
  if (w[1] == "off") {
    adapter.SetReadyDelay(std::nullopt);
    return "ok";
  }
  unsigned ms = 0;
  const auto [end, error] = std::from_chars(w[1].begin(), w[1].end(), ms);
  if (error != std::errc{} || end != w[1].end())
    return "error ready-delay MS|off";
  adapter.SetReadyDelay(std::chrono::milliseconds{ms});
  return "ok";
}

std::string StateText(const PtyAdapter& adapter) {
  const AdapterState s = adapter.State();
  return "ok rate_changed=" + std::to_string(s.rate_changed) +
         " j1708_receive=" + std::to_string(s.j1708_receive) +
         " j1939_receive=" + std::to_string(s.j1939_receive);
}

std::string Network(PtyAdapter& adapter, std::string_view line) {
  std::string error;
  const auto parsed = ParseNetworkLine(line, error);
  if (!parsed) return "error " + error;
  error = ApplyNetworkLine(adapter, *parsed);
  return error.empty() ? "ok" : "error " + error;
}

// One line: the address held, then each received message as PGN, source
// and size, then the outcomes of its own connection-mode sends.
std::string EcuStateText(const PtyAdapter& adapter,
                         const std::vector<std::string_view>& w) {
  const auto address =
      w.size() == 2 ? vlrcommon::ParseHexNumber(w[1], 2) : std::nullopt;
  if (!address) return "error ecu-state ADDR";
  const auto state = adapter.EcuState(static_cast<uint8_t>(*address));
  if (!state) return "error no ECU at that address";
  std::ostringstream out;
  out << "ok holds_address=" << state->holds_address
      << " received=" << state->received.size() << std::hex;
  for (const EcuMessage& m : state->received) {
    out << " " << m.pgn << "/" << int{m.source} << "/" << std::dec
        << m.data.size() << std::hex;
  }
  out << " sent=" << std::dec << state->sent.size();
  for (const EcuSendOutcome& s : state->sent) {
    static constexpr const char* kResults[] = {"acknowledged", "aborted",
                                               "timed-out"};
    out << " " << kResults[static_cast<int>(s.result)];
  }
  return out.str();
}

std::string Toggle(const std::vector<std::string_view>& w,
                   const std::function<void(bool)>& set) {
  const auto on = OnOff(w);
  if (!on) return "error " + std::string(w[0]) + " on|off";
  set(*on);
  return "ok";
}
}  // namespace

ControlOutcome RunControlLine(PtyAdapter& adapter, std::string_view line,
                              std::ostream& out) {
  const auto w = Words(line);
  if (w.empty()) return ControlOutcome::kContinue;
  std::string answer;
  if (w[0] == "quit") {
    out << "ok" << std::endl;
    return ControlOutcome::kQuit;
  } else if (IsNetworkLine(line)) {
    answer = Network(adapter, line);
  } else if (w[0] == "ecu-state") {
    answer = EcuStateText(adapter, w);
  } else if (w[0] == "send") {
    answer = Send(adapter, w);
  } else if (w[0] == "raw") {
    const auto bytes = HexWords(w, 1);
    answer = bytes ? "ok" : "error bad hex";
    if (bytes) adapter.Send(*bytes);
  } else if (w[0] == "ready") {
    adapter.SendReady();
    answer = "ok";
  } else if (w[0] == "silent") {
    answer = Toggle(w, [&](bool on) { adapter.SetSilent(on); });
  } else if (w[0] == "loopback") {
    answer = Toggle(w, [&](bool on) { adapter.SetLoopback(on); });
  } else if (w[0] == "throttle") {
    answer = Toggle(w, [&](bool on) { adapter.SetThrottle(on); });
  } else if (w[0] == "line-paced") {
    answer = Toggle(w, [&](bool on) { adapter.SetLinePaced(on); });
  } else if (w[0] == "ready-delay") {
    answer = ReadyDelay(adapter, w);
  } else if (w[0] == "baud") {
    answer = "ok " + std::to_string(adapter.CurrentBaud());
  } else if (w[0] == "state") {
    answer = StateText(adapter);
  } else {
    answer = "error unknown command " + std::string(w[0]);
  }
  out << answer << std::endl;
  return ControlOutcome::kContinue;
}

}  // namespace vlrsim::program
