// How a simulated adapter behaves. Every field has a default that plays a
// well-behaved adapter; tests change what they need.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vlrsim/family.h"
#include "vlrsim/host_frame.h"
#include "vlrsim/j1939_ecu.h"

namespace vlrsim {

struct AdapterOptions {
  Family family = Family::k2xx;

  // Play on this serial device (a cable to a host elsewhere) instead of a
  // new pseudo-terminal. The adapter then sets the device's rate itself, as
  // the hardware does: 1xx 38400 baud; 2xx 9600 until the rate change,
  // 115200 after it, 9600 again when a wake-up run resets it.
  std::optional<std::string> device;

  // Answers nothing at all: no acknowledgement, no ready frame, no traffic,
  // no loopback. Bytes a test sends explicitly still go out. A connect to a
  // silent 2xx adapter must fail.
  bool silent = false;

  // Every host message frame comes back as traffic from another node on the
  // same bus (subject to the receive switches and filter like any traffic).
  bool loopback = false;

  // 2xx: the ready frame 01 01 09 00 0B follows each host J1708 message
  // frame after this delay; nothing = never.
  std::optional<std::chrono::milliseconds> ready_delay =
      std::chrono::milliseconds{2};

  // Pace output at the connected line rate (10 bits per byte). Off: bytes
  // are written as fast as the pseudo-terminal takes them.
  bool throttle = false;

  // Pace both directions at the family's line rate (10 bits a byte at
  // 115200 baud for 2xx, 38400 for 1xx): output as `throttle` does, and the
  // host's bytes are taken no faster than the line carries them, so a host
  // that writes faster sees its frames arrive at the line's pace. Off: a
  // pseudo-terminal has no rate, and only the host's costs show.
  bool line_paced = false;

  // 1xx: the buses the adapter reports (it has no receive-mode dialogue).
  bool report_j1708 = true;
  bool report_j1939 = true;

  // 2xx: after the rate change the adapter listens at 115200 baud only; a
  // frame that arrives while the host's line is at another rate would be
  // garbled, so it is ignored (recorded, not answered). On a device the
  // line itself garbles such frames, so there the setting has no effect.
  bool check_line_rate = true;

  // 2xx: programming a filter slot switches J1939 receive back on. The
  // host's filter sequence begins with receive-off and ends with the slot
  // frame, so without this the adapter stays silent on J1939 until the host
  // sends receive-on again.
  bool slot_frame_resumes_receive = false;

  // 2xx: report traffic whatever the receive switches and the identifier
  // filter say, as an adapter left streaming by a program that ended
  // without switching it off keeps doing through the next start-up.
  bool stream_regardless = false;

  // Simulated ECUs on the J1939 bus (see j1939_ecu.h); none by default.
  std::vector<EcuOptions> ecus;

  // Keep a Recording of the line (tests). A long-running program can turn
  // it off and watch frames through on_host_frame instead.
  bool record = true;

  // Called on the I/O thread for every decoded host frame, after it has
  // been recorded and answered. Must not block.
  std::function<void(const HostFrame&)> on_host_frame;
};

// The adapter's view of the connection (2xx; a 1xx adapter has no state).
struct AdapterState {
  // Wake-up bytes seen since the last rate change (a run resets the 2xx
  // adapter to 9600 baud with both receive switches off).
  int wake_up_bytes = 0;
  bool rate_changed = false;  // listening at 115200
  bool j1708_receive = false;
  bool j1939_receive = false;
};

}  // namespace vlrsim
