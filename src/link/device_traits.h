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

struct DeviceTraits {
  int16_t id;
  DeviceFamily family;
  uint8_t comPort;  // "COMn"
  Framing framing;
  uint32_t lineRate;
  StartUp startUp;
  uint32_t pauseAfterConnectMs;
  // The reader thread ends the link when the outside application's
  // transmission window shows its disconnected state.
  bool watchesWindow;
};

// The eight valid devices.
std::span<const DeviceTraits> AllDevices();

// The device's traits; null for an id no device has.
const DeviceTraits* TraitsOf(int32_t deviceId);

// The family whose frame layout a device's message frames use on the
// serial line: kNone for devices without message framing.
DeviceFamily FramingFamilyOf(int32_t deviceId);

}  // namespace vlr::link
