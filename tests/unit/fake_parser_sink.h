// A ParserSink that records what a parser reports, in order, with filters and
// connection settings the test chooses.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <set>
#include <span>
#include <vector>

#include "link/parser.h"

namespace vlr::link::fakes {

using Bytes = std::vector<uint8_t>;

struct ParserEvent {
  enum class Kind { kMessage, kAcknowledged, kReady };
  Kind kind = Kind::kMessage;
  Bytes record;         // kMessage
  int notifyValue = 0;  // kMessage
  uint8_t channel = 0;  // kAcknowledged
  bool operator==(const ParserEvent&) const = default;
};

inline ParserEvent MessageEvent(Bytes record, int notifyValue) {
  return {ParserEvent::Kind::kMessage, std::move(record), notifyValue, 0};
}
inline ParserEvent AckEvent(uint8_t channel) {
  return {ParserEvent::Kind::kAcknowledged, {}, 0, channel};
}
inline ParserEvent ReadyEvent() {
  return {ParserEvent::Kind::kReady, {}, 0, 0};
}

inline void PrintTo(const ParserEvent& event, std::ostream* out) {
  static constexpr const char* kNames[] = {"message", "ack", "ready"};
  *out << kNames[static_cast<int>(event.kind)];
  if (event.kind == ParserEvent::Kind::kAcknowledged)
    *out << " ch " << int{event.channel};
  if (event.kind != ParserEvent::Kind::kMessage) return;
  *out << " notify " << event.notifyValue << " [";
  for (const uint8_t byte : event.record) *out << ' ' << std::hex << int{byte};
  *out << std::dec << " ]";
}

class FakeParserSink : public ParserSink {
 public:
  ParseProtocol protocol = ParseProtocol::kJ1939;
  bool bothProtocols = false;  // clients of both protocols on the device
  bool rawMode = false;
  bool okToSend = true;
  // Stands in for the writer, which closes transmission after each write:
  // with it every ready frame that arrives finds OkToSend clear.
  bool closeAfterReady = false;
  std::set<uint8_t> rejectedMids;
  std::set<uint8_t> rejectedJ1939Sources;  // record byte 4

  std::vector<ParserEvent> events;
  int j1708Tests = 0;
  int j1939Tests = 0;
  std::vector<Bytes> j1939Tested;  // the 14 bytes each J1939 test saw

  bool Wants(ParseProtocol p) const override {
    return bothProtocols || p == protocol;
  }
  bool AcceptJ1708(uint8_t mid) override {
    ++j1708Tests;
    return !rejectedMids.contains(mid);
  }
  bool AcceptJ1939(const uint8_t* message) override {
    ++j1939Tests;
    j1939Tested.emplace_back(message, message + 14);
    return !rejectedJ1939Sources.contains(message[4]);
  }
  // As a lone client in the chosen mode would receive it.
  void DeliverJ1708(std::span<const uint8_t> message,
                    int notifyValue) override {
    const auto kept = rawMode ? message : message.first(message.size() - 1);
    events.push_back(MessageEvent({kept.begin(), kept.end()}, notifyValue));
  }
  void DeliverJ1939(std::span<const uint8_t> record, int notifyValue) override {
    events.push_back(MessageEvent({record.begin(), record.end()}, notifyValue));
  }
  bool OkToSend() const override { return okToSend; }
  void SetOkToSend() override {
    events.push_back(ReadyEvent());
    okToSend = !closeAfterReady;
  }
  void CommandAcknowledged(uint8_t channel) override {
    events.push_back(AckEvent(channel));
  }
};

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The reads that cutting `stream` before each index of `cuts` (ascending,
// inside the stream) gives.
inline std::vector<Bytes> CutInto(const Bytes& stream,
                                  const std::vector<size_t>& cuts) {
  std::vector<Bytes> reads;
  size_t from = 0;
  for (const size_t cut : cuts) {
    reads.emplace_back(stream.begin() + from, stream.begin() + cut);
    from = cut;
  }
  reads.emplace_back(stream.begin() + from, stream.end());
  return reads;
}

}  // namespace vlr::link::fakes
