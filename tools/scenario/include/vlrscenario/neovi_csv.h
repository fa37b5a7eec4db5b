// The bus-traffic CSV that the neoVI tools export: a preamble, header rows
// that start with "Line,", then one record per line. One export mixes CAN
// and J1708 records; the header rows name the columns of each kind:
// CAN records use `Arb ID`, `Xtd`, `B1`..`B8`; J1708 records put the MID in
// `PT` and the following bytes in `Trgt`, `Src`, `B1`..`B8`, with any bytes
// beyond ten packed, space-separated, into the `B8` cell and the J1708
// checksum last. `Abs Time(Sec)` is decimal seconds.
//
// Records of other networks, 11-bit and remote CAN frames are skipped and
// counted. A J1708 record whose checksum does not match is refused with its
// line number: it means the columns were misread, not that the bus had a
// bad byte (the recorder drops those).
#pragma once

#include <istream>

#include "vlrscenario/capture.h"
#include "vlrscenario/parsed.h"

namespace vlrscenario {

Parsed<Capture> ReadNeoviCsv(std::istream& in);

}  // namespace vlrscenario
