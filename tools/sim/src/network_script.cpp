#include "vlrsim/network_script.h"

#include <charconv>

#include "vlrcommon/hex_text.h"

namespace vlrsim {

namespace {
using Words = std::vector<std::string_view>;
constexpr std::string_view kBlanks = " \t\r";

Words Split(std::string_view line) {
  line = line.substr(0, line.find('#'));
  Words words;
  size_t pos = 0;
  while ((pos = line.find_first_not_of(kBlanks, pos)) != line.npos) {
    const size_t end = std::min(line.find_first_of(kBlanks, pos), line.size());
    words.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return words;
}

template <typename Number>
std::optional<Number> Decimal(std::string_view text) {
  Number value{};
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::chrono::milliseconds> Millis(std::string_view text) {
  const auto ms = Decimal<uint32_t>(text);
  if (!ms) return std::nullopt;
  return std::chrono::milliseconds{*ms};
}

std::optional<uint8_t> Address(std::string_view text) {
  const auto value = vlrcommon::ParseHexNumber(text, 2);
  if (!value) return std::nullopt;
  return static_cast<uint8_t>(*value);
}

std::optional<uint64_t> Name(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  if (text.empty() || text.size() > 16) return std::nullopt;
  uint64_t value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc{} || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// "A:B" as two decimal numbers.
template <typename First, typename Second>
std::optional<std::pair<First, Second>> Pair(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == text.npos) return std::nullopt;
  const auto first = Decimal<First>(text.substr(0, colon));
  const auto second = Decimal<Second>(text.substr(colon + 1));
  if (!first || !second) return std::nullopt;
  return std::pair{*first, *second};
}

std::optional<std::vector<TroubleCode>> Codes(std::string_view text) {
  std::vector<TroubleCode> codes;
  while (!text.empty()) {
    const size_t comma = std::min(text.find(','), text.size());
    const std::string_view record = text.substr(0, comma);
    text.remove_prefix(std::min(comma + 1, text.size()));
    const size_t colon = record.find(':');
    if (colon == record.npos) return std::nullopt;
    const auto spn = Decimal<uint32_t>(record.substr(0, colon));
    const auto rest = Pair<unsigned, unsigned>(record.substr(colon + 1));
    if (!spn || !rest || *spn > 0x7FFFF || rest->first > 31 ||
        rest->second > 127) {
      return std::nullopt;
    }
    codes.push_back({*spn, static_cast<uint8_t>(rest->first),
                     static_cast<uint8_t>(rest->second)});
  }
  return codes;
}

// Splits "key=value"; a bare word has an empty value.
std::pair<std::string_view, std::string_view> KeyValue(std::string_view w) {
  const size_t equals = w.find('=');
  if (equals == w.npos) return {w, {}};
  return {w.substr(0, equals), w.substr(equals + 1)};
}

// Applies one option of an `ecu` line; false when it is not understood.
bool EcuOption(EcuOptions& ecu, std::string_view word) {
  const auto [key, value] = KeyValue(word);
  if (key == "no-claim" && value.empty()) {
    ecu.claim = false;
    return true;
  }
  if (key == "vin") return !(ecu.vin = std::string(value)).empty();
  if (key == "component") {
    return !(ecu.component_id = std::string(value)).empty();
  }
  if (key == "dm1" || key == "dm2") {
    auto codes = Codes(value);
    if (!codes) return false;
    (key == "dm1" ? ecu.dm1 : ecu.dm2) = std::move(*codes);
    return true;
  }
  if (key == "window") {
    const auto n = Decimal<unsigned>(value);
    if (!n || *n == 0 || *n > 255) return false;
    ecu.packets_per_cts = static_cast<uint8_t>(*n);
    return true;
  }
  const auto ms = Millis(value);
  if (!ms) return false;
  if (key == "dm1-every" && ms->count() > 0) {
    ecu.dm1_period = *ms;
  } else if (key == "bam-interval") {
    ecu.bam_interval = *ms;
  } else if (key == "claim-after") {
    ecu.claim_after = *ms;
  } else {
    return false;
  }
  return true;
}

bool FaultOption(TransferFaults& faults, std::string_view word) {
  const auto [key, value] = KeyValue(word);
  if (key == "drop-cts" && value.empty()) {
    faults.drop_cts = true;
    return true;
  }
  if (key == "abort-after-rts") {
    const auto reason = Decimal<uint8_t>(value);
    faults.abort_after_rts = reason;
    return reason.has_value();
  }
  if (key == "abort-after") {
    const auto pair = Pair<int, uint8_t>(value);
    if (!pair || pair->first < 1) return false;
    faults.abort_after_packet = pair->first;
    faults.abort_reason = pair->second;
    return true;
  }
  if (key == "stop-after") {
    const auto k = Decimal<int>(value);
    faults.stop_after_packet = k;
    return k.has_value() && *k >= 1;
  }
  if (key == "delay") {
    const auto ms = Millis(value);
    if (ms) faults.answer_delay = *ms;
    return ms.has_value();
  }
  if (key == "hold") {
    const auto pair = Pair<int, uint32_t>(value);
    if (!pair) return false;
    faults.holds = pair->first;
    faults.hold_time = std::chrono::milliseconds{pair->second};
    return true;
  }
  return false;
}

// "after=MS" as the last word, if there.
bool TakeAfter(Words& w, std::chrono::milliseconds& after) {
  if (w.empty() || !w.back().starts_with("after=")) return true;
  const auto ms = Millis(w.back().substr(6));
  if (!ms) return false;
  after = *ms;
  w.pop_back();
  return true;
}

std::optional<NetworkLine> Ecu(const Words& w, std::string& error) {
  EcuOptions ecu;
  const auto address = w.size() >= 3 ? Address(w[1]) : std::nullopt;
  const auto name = w.size() >= 3 ? Name(w[2]) : std::nullopt;
  if (!address || !name) {
    error = "ecu ADDR NAME [options]: address and NAME in hexadecimal";
    return std::nullopt;
  }
  ecu.address = *address;
  ecu.name = *name;
  for (size_t i = 3; i < w.size(); ++i) {
    if (!EcuOption(ecu, w[i])) {
      error = "ecu: option '" + std::string(w[i]) + "' not understood";
      return std::nullopt;
    }
  }
  return ecu;
}

std::optional<Bytes> SendData(const Words& w) {
  if (w.size() == 5 && w[4].starts_with("fill=")) {
    const auto n = Decimal<size_t>(w[4].substr(5));
    if (!n) return std::nullopt;
    Bytes data(*n);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    return data;
  }
  std::string joined;
  for (size_t i = 4; i < w.size(); ++i) (joined += w[i]) += ' ';
  return vlrcommon::ParseHexBytes(joined);
}

std::optional<NetworkLine> EcuSend(Words w, std::string& error) {
  error = "ecu-send ADDR PGN DEST DATA|fill=N [after=MS]: 1 to 1785 bytes";
  EcuSendLine send;
  if (!TakeAfter(w, send.after) || w.size() < 4) return std::nullopt;
  const auto ecu = Address(w[1]);
  const auto pgn = vlrcommon::ParseHexNumber(w[2], 5);
  const auto destination = Address(w[3]);
  auto data = SendData(w);
  if (!ecu || !pgn || !destination || !data) return std::nullopt;
  if (*pgn > 0x3FFFF || data->empty() || data->size() > kLargestTransfer) {
    return std::nullopt;
  }
  send.ecu = *ecu;
  send.pgn = *pgn;
  send.destination = *destination;
  send.data = std::move(*data);
  error.clear();
  return send;
}

std::optional<NetworkLine> EcuFault(const Words& w, std::string& error) {
  EcuFaultLine fault;
  const auto ecu = w.size() >= 2 ? Address(w[1]) : std::nullopt;
  if (!ecu) {
    error = "ecu-fault ADDR [faults]: address in hexadecimal";
    return std::nullopt;
  }
  fault.ecu = *ecu;
  for (size_t i = 2; i < w.size(); ++i) {
    if (!FaultOption(fault.faults, w[i])) {
      error = "ecu-fault: fault '" + std::string(w[i]) + "' not understood";
      return std::nullopt;
    }
  }
  return fault;
}

std::optional<NetworkLine> Contend(Words w, std::string& error) {
  ContendLine contend;
  const bool timed = TakeAfter(w, contend.after);
  const auto address = w.size() == 3 ? Address(w[1]) : std::nullopt;
  const auto name = w.size() == 3 ? Name(w[2]) : std::nullopt;
  if (!timed || !address || !name) {
    error = "contend ADDR NAME [after=MS]: address and NAME in hexadecimal";
    return std::nullopt;
  }
  contend.address = *address;
  contend.name = *name;
  return contend;
}
}  // namespace

bool IsNetworkLine(std::string_view line) {
  const Words w = Split(line);
  return !w.empty() && (w[0] == "ecu" || w[0] == "ecu-send" ||
                        w[0] == "ecu-fault" || w[0] == "contend");
}

std::optional<NetworkLine> ParseNetworkLine(std::string_view line,
                                            std::string& error) {
  error.clear();
  const Words w = Split(line);
  if (w.empty()) return std::nullopt;
  if (w[0] == "ecu") return Ecu(w, error);
  if (w[0] == "ecu-send") return EcuSend(w, error);
  if (w[0] == "ecu-fault") return EcuFault(w, error);
  if (w[0] == "contend") return Contend(w, error);
  error = "unknown line '" + std::string(w[0]) + "'";
  return std::nullopt;
}

std::optional<NetworkScript> ReadNetworkScript(std::istream& in,
                                               std::string& error) {
  NetworkScript script;
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    auto line = ParseNetworkLine(text, error);
    if (!error.empty()) {
      error.insert(0, "line " + std::to_string(number) + ": ");
      return std::nullopt;
    }
    if (!line) continue;
    if (auto* ecu = std::get_if<EcuOptions>(&*line)) {
      script.ecus.push_back(std::move(*ecu));
    } else {
      script.actions.push_back(std::move(*line));
    }
  }
  return script;
}

std::string ApplyNetworkLine(PtyAdapter& adapter, const NetworkLine& line) {
  struct Apply {
    PtyAdapter& adapter;
    std::string operator()(const EcuOptions& ecu) const {
      adapter.AddEcu(ecu);
      return "";
    }
    std::string operator()(const EcuSendLine& send) const {
      return adapter.SendFromEcu(send.ecu, send.pgn, send.destination,
                                 send.data, send.after)
                 ? ""
                 : "no ECU at that address";
    }
    std::string operator()(const EcuFaultLine& fault) const {
      return adapter.SetEcuFaults(fault.ecu, fault.faults)
                 ? ""
                 : "no ECU at that address";
    }
    std::string operator()(const ContendLine& contend) const {
      adapter.Contend(contend.address, contend.name, contend.after);
      return "";
    }
  };
  return std::visit(Apply{adapter}, line);
}

}  // namespace vlrsim
