#pragma once

#include <cstdint>

#include "link/device_traits.h"
#include "platform/platform.h"

namespace vlr {

// The one open adapter device of the process. Keyed operations act only
// when given the open device's id; on a mismatch they report null, 0 or
// false and change nothing.
class DeviceRecord {
 public:
  virtual ~DeviceRecord() = default;

  static bool IsValidDeviceId(int16_t id);

  bool Reset();
  bool SetDeviceId(int16_t id);
  bool IsOpen(int16_t id) const;
  int16_t DeviceId() const { return deviceId_; }

  platform::Port GetPortHandle(int16_t id) const;
  bool SetPortHandle(int16_t id, platform::Port handle);
  platform::Thread GetReaderThread(int16_t id) const;
  bool SetReaderThread(int16_t id, platform::Thread handle);
  platform::Event GetStopEvent(int16_t id) const;
  bool SetStopEvent(int16_t id, platform::Event handle);
  platform::Thread GetWriterThread(int16_t id) const;
  bool SetWriterThread(int16_t id, platform::Thread handle);

  int16_t GetClientCount(int16_t id) const;
  bool AddClient(int16_t id);

  uint16_t GetRawMode() const { return rawMode_; }
  void SetRawMode(uint16_t mode) { rawMode_ = mode; }
  bool SetJ1708Mode(const char* mode, int16_t id);

 private:
  bool Matches(int16_t id) const { return id == deviceId_; }

  // Written by the connect before the adapter threads start and by the
  // disconnect after they end, so the threads never see a change.
  int16_t deviceId_ = -1;
  platform::Port portHandle_ = nullptr;
  platform::Thread readerThread_ = nullptr;
  platform::Event stopEvent_ = nullptr;
  platform::Thread writerThread_ = nullptr;
  int16_t clientCount_ = 0;
  uint16_t rawMode_ = 0;  // survives Reset
};

}  // namespace vlr
