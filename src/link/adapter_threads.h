#pragma once

#include "link/parser.h"

namespace vlr::link {

// The two threads of an open device. Each takes the port and the stop event
// from the device record when it starts, and ends soon after the stop
// event is signalled or the link is stopped.
void ReaderThread();
void WriterThread();

// The port reported the adapter gone: the connection's link is down until
// the next connect (ConnectionState::adapterLost). Either thread.
void MarkAdapterLost();

// The bytes the parsers hold back between reads; emptied at every connect.
KeptTail& ParserTail();

// The device-104 watch of the outside application's window: stops the
// link when its "&Disconnect" button has been disabled, and its other two
// enabled, at two looks 100 ms apart.
void WatchTransmissionWindow(const char* title);

}  // namespace vlr::link
