// A small language for the simulated J1939 network, one line each, read
// from a file (vlr1210-sim --network FILE) and taken on the control line:
//
//   ecu ADDR NAME [vin=TEXT] [component=TEXT] [dm1=CODES] [dm2=CODES]
//       [dm1-every=MS] [bam-interval=MS] [window=N] [claim-after=MS]
//       [no-claim]
//   ecu-send ADDR PGN DEST DATA|fill=N [after=MS]
//   ecu-fault ADDR [drop-cts] [abort-after-rts=R] [abort-after=K:R]
//       [stop-after=K] [delay=MS] [hold=COUNT:MS]
//   contend ADDR NAME [after=MS]
//
// ADDR, DEST, PGN and NAME are hexadecimal (0x allowed), DATA hexadecimal
// bytes, the rest decimal. CODES: SPN:FMI:OC records, comma-separated,
// decimal. TEXT holds no blanks. `fill=N` sends N bytes counting from 00.
// `ecu-fault` with no fault clears them. '#' starts a comment.
#pragma once

#include <chrono>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "vlrsim/j1939_ecu.h"
#include "vlrsim/pty_adapter.h"

namespace vlrsim {

struct EcuSendLine {
  uint8_t ecu = 0;
  uint32_t pgn = 0;
  uint8_t destination = 0xFF;
  Bytes data;
  std::chrono::milliseconds after{0};
};

struct EcuFaultLine {
  uint8_t ecu = 0;
  TransferFaults faults;
};

struct ContendLine {
  uint8_t address = 0;
  uint64_t name = 0;
  std::chrono::milliseconds after{0};
};

using NetworkLine =
    std::variant<EcuOptions, EcuSendLine, EcuFaultLine, ContendLine>;

// True for a line whose first word is one of the language's.
bool IsNetworkLine(std::string_view line);

// One line; nothing for a blank or comment line. `error` says what is
// wrong with a line that does not parse.
std::optional<NetworkLine> ParseNetworkLine(std::string_view line,
                                            std::string& error);

// A whole script: the ECUs to start with, and the rest to run once the
// adapter is up, in order. `error` names the line ("line 3: ...").
struct NetworkScript {
  std::vector<EcuOptions> ecus;
  std::vector<NetworkLine> actions;
};
std::optional<NetworkScript> ReadNetworkScript(std::istream& in,
                                               std::string& error);

// Carries out a line on a running adapter; empty, or what went wrong.
std::string ApplyNetworkLine(PtyAdapter& adapter, const NetworkLine& line);

}  // namespace vlrsim
