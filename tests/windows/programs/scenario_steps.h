// One scenario step, as a line of words: the name of a driver call or of a
// window action, then its arguments. The outcome comes back as text whose
// first word is the call's result, so a caller can compare it with an
// expectation (a trailing "=VALUE" word on the step).
//
//   connect DEVICE PROTOCOL [TXSIZE RXSIZE]   PROTOCOL "null": null pointer,
//                                             "%20" in it: a blank,
//                                             "empty": ""
//   connect DEVICE PROTOCOL PACKETIZING       the last argument given
//   disconnect CLIENT
//   errmsg CODE                 -> RESULT TEXT
//   version                     -> MAJOR MINOR APIMAJOR APIMINOR
//   detailed CLIENT             -> RESULT API DLL FIRMWARE (17-byte buffers)
//   lasterr CODE CLIENT         -> RESULT SUBCODE TEXT (80-byte buffer)
//   status CLIENT SIZE          -> RESULT HEX   (buffer filled with EE first)
//   send CLIENT HEX [NOTIFY BLOCK]   BLOCK 1: returns when the message
//                                    (a whole J1939 transfer) is sent
//   read CLIENT SIZE [BLOCK]    -> RESULT [HEX of the bytes written]
//   poll CLIENT SIZE MS         -> as read, the first non-empty read in MS
//   command NUMBER CLIENT HEX [SIZE]
//   roundtrip CLIENT HEX        -> RESULT MICROSECONDS: HEX sent, then one
//                                  blocking read; the time between the two
//                                  calls' start and the read's return
//   burst CLIENT COUNT HEADER   -> 0 full=N: COUNT numbered messages sent
//                                  as fast as the driver takes them
//   sleep MS
//   ticks                       -> the tick count (GetTickCount) now
//   stack                       -> ok | damaged
//   notify-open | notify-count | notify-reset
//   txwin-open | txwin-close | txwin-set D C L | txwin-pulse D C L MS
//
// HEX is a byte string such as 0102FF, "-" for a null pointer or "empty".
#pragma once

#include <string>

#include "rp1210_functions.h"

struct StepOutcome {
  bool understood = false;  // false: unknown step or bad arguments
  std::string text;         // result words
};

StepOutcome RunStep(const Rp1210Functions& driver, const std::string& line);
