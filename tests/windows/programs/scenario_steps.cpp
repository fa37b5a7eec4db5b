#include "scenario_steps.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "hex_text.h"
#include "stack_check.h"
#include "test_desktop.h"

namespace {

using Words = std::vector<std::string>;
using Handler =
    std::function<StepOutcome(const Rp1210Functions&, const Words&)>;

constexpr char kFill = static_cast<char>(0xEE);
constexpr int kMaxBuffer = 4096;

StepOutcome Result(const std::string& text) { return {true, text}; }
StepOutcome Misunderstood() { return {false, "bad step"}; }

long Number(const std::string& word) {
  return std::strtol(word.c_str(), nullptr, 0);
}
short Short(const std::string& word) {
  return static_cast<short>(Number(word));
}
bool Flag(const std::string& word) { return Number(word) != 0; }

std::string Hex(const std::vector<char>& buffer, size_t count) {
  return HexText(reinterpret_cast<const uint8_t*>(buffer.data()), count);
}

// "%XX" stands for the byte XX, so names with blanks fit in one word.
std::string Unescape(const std::string& word) {
  std::string text;
  for (size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '%' && i + 2 < word.size()) {
      auto byte = ParseByteArgument(word.substr(i + 1, 2));
      if (byte && byte->bytes.size() == 1) {
        text += static_cast<char>(byte->bytes[0]);
        i += 2;
        continue;
      }
    }
    text += word[i];
  }
  return text;
}

// Three words: sizes 8192 and the last argument 0; four: the last argument
// given; five: the sizes given.
StepOutcome Connect(const Rp1210Functions& d, const Words& w) {
  if (w.size() < 3 || w.size() > 5) return Misunderstood();
  std::string name = w[2] == "empty" ? "" : Unescape(w[2]);
  char* protocol = w[2] == "null" ? nullptr : name.data();
  const long tx = w.size() == 5 ? Number(w[3]) : 8192;
  const long rx = w.size() == 5 ? Number(w[4]) : 8192;
  const short packetizing = w.size() == 4 ? Short(w[3]) : short{0};
  return Result(
      std::to_string(CallChecked(d.ClientConnect, HWND{nullptr}, Short(w[1]),
                                 protocol, tx, rx, packetizing)));
}

StepOutcome Disconnect(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 2) return Misunderstood();
  return Result(std::to_string(CallChecked(d.ClientDisconnect, Short(w[1]))));
}

StepOutcome ErrorText(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 2) return Misunderstood();
  std::vector<char> text(256, kFill);
  const short result = CallChecked(d.GetErrorMsg, Short(w[1]), text.data());
  const auto end = std::find(text.begin(), text.end(), '\0');
  if (end == text.end())
    return Result(std::to_string(result) + " UNTERMINATED");
  return Result(std::to_string(result) + " " + std::string(text.begin(), end));
}

// Text up to its zero byte, or UNTERMINATED when none is within the size.
std::string TextIn(const char* buffer, size_t size) {
  const char* end = std::find(buffer, buffer + size, '\0');
  return end == buffer + size ? "UNTERMINATED" : std::string(buffer, end);
}

StepOutcome DetailedVersion(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 2 || d.ReadDetailedVersion == nullptr) return Misunderstood();
  char texts[3][17];
  for (auto& t : texts) std::fill(std::begin(t), std::end(t), kFill);
  const short result = CallChecked(d.ReadDetailedVersion, Short(w[1]), texts[0],
                                   texts[1], texts[2]);
  std::string text = std::to_string(result);
  for (auto& t : texts) text += " " + TextIn(t, sizeof t);
  return Result(text);
}

StepOutcome LastError(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 3 || d.GetLastErrorMsg == nullptr) return Misunderstood();
  char description[80];
  std::fill(std::begin(description), std::end(description), kFill);
  int sub = 12345;
  const short result = CallChecked(d.GetLastErrorMsg, Short(w[1]), &sub,
                                   description, Short(w[2]));
  return Result(std::to_string(result) + " " + std::to_string(sub) + " " +
                TextIn(description, sizeof description));
}

StepOutcome Version(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 1) return Misunderstood();
  char parts[4][8];
  for (auto& p : parts) std::fill(std::begin(p), std::end(p), kFill);
  CallChecked(d.ReadVersion, parts[0], parts[1], parts[2], parts[3]);
  std::string text;
  for (auto& p : parts) {
    if (!text.empty()) text += ' ';
    text += p[1] == '\0' ? std::string(1, p[0]) : std::string("?");
  }
  return Result(text);
}

StepOutcome HardwareStatus(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 3) return Misunderstood();
  const short size = Short(w[2]);
  std::vector<char> buffer(256, kFill);
  if (size > 200) return Misunderstood();
  const short result = CallChecked(d.GetHardwareStatus, Short(w[1]),
                                   buffer.data(), size, short{0});
  const size_t shown = static_cast<size_t>(std::max<int>(size, 8));
  return Result(std::to_string(result) + " " + Hex(buffer, shown));
}

StepOutcome Send(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 3 && w.size() != 5) return Misunderstood();
  auto message = ParseByteArgument(w[2]);
  if (!message) return Misunderstood();
  char* bytes = message->isNull
                    ? nullptr
                    : reinterpret_cast<char*>(message->bytes.data());
  const short notify = w.size() == 5 ? Short(w[3]) : 0;
  const short block = w.size() == 5 ? Short(w[4]) : 0;
  return Result(std::to_string(
      CallChecked(d.SendMessage, Short(w[1]), bytes,
                  static_cast<short>(message->bytes.size()), notify, block)));
}

short ReadOnce(const Rp1210Functions& d, short client,
               std::vector<char>& buffer, short size, short block) {
  std::fill(buffer.begin(), buffer.end(), kFill);
  return CallChecked(d.ReadMessage, client, buffer.data(), size, block);
}

std::string ReadText(short result, const std::vector<char>& buffer) {
  if (result <= 0) return std::to_string(result);
  return std::to_string(result) + " " +
         Hex(buffer, static_cast<size_t>(result));
}

StepOutcome Read(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 3 && w.size() != 4) return Misunderstood();
  const short size = Short(w[2]);
  if (size > kMaxBuffer) return Misunderstood();
  std::vector<char> buffer(kMaxBuffer, kFill);
  const short block = w.size() == 4 ? Short(w[3]) : 0;
  return Result(
      ReadText(ReadOnce(d, Short(w[1]), buffer, size, block), buffer));
}

StepOutcome Poll(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 4) return Misunderstood();
  const short size = Short(w[2]);
  if (size > kMaxBuffer) return Misunderstood();
  std::vector<char> buffer(kMaxBuffer, kFill);
  const DWORD start = ::GetTickCount();
  const DWORD limit = static_cast<DWORD>(Number(w[3]));
  short result = 0;
  do {
    result = ReadOnce(d, Short(w[1]), buffer, size, 0);
    if (result != 0) break;
    ::Sleep(5);
  } while (::GetTickCount() - start < limit);
  return Result(ReadText(result, buffer));
}

double MicrosecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - start.QuadPart) * 1e6 /
         static_cast<double>(frequency.QuadPart);
}

// Timed in here, so the pipe to the harness adds nothing to the figure.
StepOutcome RoundTrip(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 3) return Misunderstood();
  auto request = ParseByteArgument(w[2]);
  if (!request || request->isNull) return Misunderstood();
  std::vector<char> buffer(kMaxBuffer, kFill);
  LARGE_INTEGER start;
  ::QueryPerformanceCounter(&start);
  const short sent = CallChecked(d.SendMessage, Short(w[1]),
                                 reinterpret_cast<char*>(request->bytes.data()),
                                 static_cast<short>(request->bytes.size()),
                                 short{0}, short{0});
  if (sent != 0) return Result("send " + std::to_string(sent));
  const short read = ReadOnce(d, Short(w[1]), buffer, kMaxBuffer, 1);
  const double elapsed = MicrosecondsSince(start);
  return Result(std::to_string(read) + " " +
                std::to_string(static_cast<long>(elapsed)));
}

// COUNT messages of HEADER and eight data bytes: the message's number, most
// significant byte first, then its complement. Each is handed over as soon
// as the driver takes it; a full queue is tried again a millisecond later.
StepOutcome Burst(const Rp1210Functions& d, const Words& w) {
  constexpr short kQueueFull = 137;
  if (w.size() != 4) return Misunderstood();
  auto header = ParseByteArgument(w[3]);
  if (!header || header->isNull) return Misunderstood();
  const long count = Number(w[2]);
  std::vector<uint8_t> message = header->bytes;
  message.resize(header->bytes.size() + 8);
  uint8_t* data = message.data() + header->bytes.size();
  long full = 0;
  for (long n = 0; n < count; ++n) {
    for (int i = 0; i < 4; ++i) {
      data[i] =
          static_cast<uint8_t>(static_cast<unsigned long>(n) >> (24 - 8 * i));
      data[4 + i] = static_cast<uint8_t>(~data[i]);
    }
    short result = 0;
    while ((result = CallChecked(d.SendMessage, Short(w[1]),
                                 reinterpret_cast<char*>(message.data()),
                                 static_cast<short>(message.size()), short{0},
                                 short{0})) == kQueueFull) {
      ++full;
      ::Sleep(1);
    }
    if (result != 0) return Result(std::to_string(result));
  }
  return Result("0 full=" + std::to_string(full));
}

StepOutcome Command(const Rp1210Functions& d, const Words& w) {
  if (w.size() != 4 && w.size() != 5) return Misunderstood();
  auto argument = ParseByteArgument(w[3]);
  if (!argument) return Misunderstood();
  char* bytes = argument->isNull
                    ? nullptr
                    : reinterpret_cast<char*>(argument->bytes.data());
  const short size =
      w.size() == 5 ? Short(w[4]) : static_cast<short>(argument->bytes.size());
  return Result(std::to_string(
      CallChecked(d.SendCommand, Short(w[1]), Short(w[2]), bytes, size)));
}

StepOutcome Pause(const Rp1210Functions&, const Words& w) {
  if (w.size() != 2) return Misunderstood();
  ::Sleep(static_cast<DWORD>(Number(w[1])));
  return Result("0");
}

StepOutcome Ticks(const Rp1210Functions&, const Words& w) {
  if (w.size() != 1) return Misunderstood();
  return Result(std::to_string(::GetTickCount()));
}

StepOutcome Stack(const Rp1210Functions&, const Words& w) {
  return Result(StackDamaged() ? "damaged" : "ok");
}

StepOutcome Window(const Rp1210Functions&, const Words& w) {
  const std::string& name = w[0];
  if (name == "notify-open" && w.size() == 1) {
    return Result(test_desktop::OpenNotificationWindow("Vlr1210MessageString")
                      ? "0"
                      : "1");
  }
  if (name == "notify-count") return Result(test_desktop::NotificationCounts());
  if (name == "notify-reset") {
    test_desktop::ResetNotificationCounts();
    return Result("0");
  }
  if (name == "txwin-open") {
    return Result(test_desktop::OpenTransmissionWindow() ? "0" : "1");
  }
  if (name == "txwin-close") {
    test_desktop::CloseTransmissionWindow();
    return Result("0");
  }
  if (name == "txwin-set" && w.size() == 4) {
    return Result(
        test_desktop::SetTransmissionButtons(Flag(w[1]), Flag(w[2]), Flag(w[3]))
            ? "0"
            : "1");
  }
  if (name == "txwin-pulse" && w.size() == 5) {
    const DWORD held = test_desktop::PulseTransmissionButtons(
        Flag(w[1]), Flag(w[2]), Flag(w[3]), static_cast<DWORD>(Number(w[4])));
    return Result("0 held=" + std::to_string(held));
  }
  return Misunderstood();
}

const std::map<std::string, Handler>& Handlers() {
  static const std::map<std::string, Handler> handlers = {
      {"connect", Connect},
      {"disconnect", Disconnect},
      {"errmsg", ErrorText},
      {"version", Version},
      {"status", HardwareStatus},
      {"send", Send},
      {"read", Read},
      {"poll", Poll},
      {"command", Command},
      {"roundtrip", RoundTrip},
      {"burst", Burst},
      {"sleep", Pause},
      {"stack", Stack},
      {"ticks", Ticks},
      {"detailed", DetailedVersion},
      {"lasterr", LastError},
      {"notify-open", Window},
      {"notify-count", Window},
      {"notify-reset", Window},
      {"txwin-open", Window},
      {"txwin-close", Window},
      {"txwin-set", Window},
      {"txwin-pulse", Window},
  };
  return handlers;
}

}  // namespace

StepOutcome RunStep(const Rp1210Functions& driver, const std::string& line) {
  std::istringstream in(line);
  Words words;
  for (std::string word; in >> word;) words.push_back(word);
  if (words.empty()) return Misunderstood();
  const auto found = Handlers().find(words[0]);
  if (found == Handlers().end()) return Misunderstood();
  return found->second(driver, words);
}
