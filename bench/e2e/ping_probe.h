// A round trip on J1939: the application requests a parameter group (PGN
// EA00) from the engine, and the simulated node answers at once, so the
// time from RP1210_SendMessage to the answer read by RP1210_ReadMessage is
// the driver's and the line's, both ways.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "vlrsim/vlrsim.h"

namespace vlr::bench {

// Engine hours (PGN FEE5), from the engine at address 0.
inline constexpr uint32_t kRequestedPgn = 0xFEE5;
inline constexpr uint32_t kAnswerIdentifier = 0x18000000 | kRequestedPgn << 8;

struct RequestAnswer {
  uint32_t id = kAnswerIdentifier;
  std::array<uint8_t, 8> data{};
};

// The simulated node's answer to a host frame, when it is the request.
std::optional<RequestAnswer> AnswerTo(const vlrsim::HostFrame& frame);

// The request, from the service tool address F9 to the engine; the
// driver's result code.
short SendRequest();

// Whether what RP1210_ReadMessage wrote (echo off: four timestamp bytes,
// then the J1939 layout) is the answer.
bool IsAnswer(std::span<const uint8_t> read);

}  // namespace vlr::bench
