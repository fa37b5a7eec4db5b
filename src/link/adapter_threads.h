#pragma once

namespace vlr::link {

// The two threads of an open device, each given its session (a Session*).
// Both end soon after the session's stop event is signalled or its link is
// stopped.
void ReaderThread(void* session);
void WriterThread(void* session);

}  // namespace vlr::link
