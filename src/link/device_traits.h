// Every rule that differs from one adapter device to another, in one table:
// the family, how message frames travel on the serial line, the line rate,
// what the port set-up does, the pause after connect and the window watch.
// Pure data; nothing here knows the platform.
#pragma once

#include <cstdint>
#include <span>

namespace vlr {

enum class DeviceFamily { kNone, k1xx, k2xx };

// The family of a valid device id; kNone for any other value.
DeviceFamily FamilyOf(int32_t deviceId);

}  // namespace vlr

namespace vlr::link {

// How message frames travel over the serial line.
enum class Framing {
  // None: the device belongs to the 1xx family but reaches its adapter over
  // the network link. The bytes read are dropped; nothing is queued to send.
  kNone,
  kCounted,  // frames that begin with their own length byte
  kSynced,   // the 2xx frame shape
};

// What the port set-up does after the time-outs.
enum class StartUp {
  kSetLine,       // set the line rate; no dialogue with the adapter
  kRateDialogue,  // wake the adapter at 9600, move it to the line rate and
                  // turn reception on for the connection's protocol
};

// MAXDWORD in both the read interval and the read multiplier: a read waits
// for the first bytes up to the total constant and returns what is there.
constexpr uint32_t kReadWhatArrived = 0xFFFFFFFFu;

// The rules one adapter family follows on the serial line.
struct FamilyRules {
  uint32_t lineRate;
  StartUp startUp;
  // The port's read and write time-outs (ms), as COMMTIMEOUTS fields. The
  // total bound keeps the reader's checks (stop, window watch, vanished
  // adapter) prompt; within it a read ends as soon as bytes have come
  // (kReadWhatArrived in interval and multiplier) or soon after a burst
  // (an interval), so a frame is parsed when it arrives.
  uint32_t readIntervalMs;
  uint32_t readTotalMultiplier;
  uint32_t readTotalMs;
  uint32_t writeTotalMs;
  // The adapter takes command frames after start-up: reception switches
  // per protocol and the J1939 identifier filter; it hears reception off
  // at the last disconnect.
  bool takesCommands;
  // The adapter applies the J1939 identifier filter it was given, so the
  // parser passes J1939 frames on unfiltered.
  bool filtersJ1939;
  // Each J1708 frame written waits for the adapter's ready frame.
  bool readyFlowControl;
};

struct DeviceTraits {
  int16_t id;
  DeviceFamily family;
  uint8_t comPort;  // "COMn"
  Framing framing;
  uint32_t pauseAfterConnectMs;
  // The reader thread ends the link when the outside application's
  // transmission window shows its disconnected state.
  bool watchesWindow;
  FamilyRules rules;
};

// The eight valid devices.
std::span<const DeviceTraits> AllDevices();

// The device's traits; null for an id no device has.
const DeviceTraits* TraitsOf(int32_t deviceId);

// The family whose frame layout a device's message frames use on the
// serial line: kNone for devices without message framing.
DeviceFamily FramingFamilyOf(int32_t deviceId);

}  // namespace vlr::link
