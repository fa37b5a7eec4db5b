#include "connection/device_record.h"

namespace vlr {

bool DeviceRecord::IsValidDeviceId(int16_t id) {
  return FamilyOf(id) != DeviceFamily::kNone;
}

bool DeviceRecord::Reset() {
  deviceId_ = -1;
  portHandle_ = nullptr;
  readerThread_ = nullptr;
  stopEvent_ = nullptr;
  writerThread_ = nullptr;
  clientCount_ = 0;
  return true;
}

bool DeviceRecord::SetDeviceId(int16_t id) {
  deviceId_ = id;
  return true;
}

bool DeviceRecord::IsOpen(int16_t id) const {
  return Matches(id) && clientCount_ > 0;
}

platform::Port DeviceRecord::GetPortHandle(int16_t id) const {
  return Matches(id) ? portHandle_ : nullptr;
}

bool DeviceRecord::SetPortHandle(int16_t id, platform::Port handle) {
  if (!Matches(id)) return false;
  portHandle_ = handle;
  return true;
}

platform::Thread DeviceRecord::GetReaderThread(int16_t id) const {
  return Matches(id) ? readerThread_ : nullptr;
}

bool DeviceRecord::SetReaderThread(int16_t id, platform::Thread handle) {
  if (!Matches(id)) return false;
  readerThread_ = handle;
  return true;
}

platform::Event DeviceRecord::GetStopEvent(int16_t id) const {
  return Matches(id) ? stopEvent_ : nullptr;
}

bool DeviceRecord::SetStopEvent(int16_t id, platform::Event handle) {
  if (!Matches(id)) return false;
  stopEvent_ = handle;
  return true;
}

platform::Thread DeviceRecord::GetWriterThread(int16_t id) const {
  return Matches(id) ? writerThread_ : nullptr;
}

bool DeviceRecord::SetWriterThread(int16_t id, platform::Thread handle) {
  if (!Matches(id)) return false;
  writerThread_ = handle;
  return true;
}

int16_t DeviceRecord::GetClientCount(int16_t id) const {
  return Matches(id) ? clientCount_ : int16_t{0};
}

bool DeviceRecord::AddClient(int16_t id) {
  if (!Matches(id)) return false;
  ++clientCount_;
  return true;
}

bool DeviceRecord::SetJ1708Mode(const char* mode, int16_t id) {
  if (mode != nullptr && mode[0] == '0') {
    if (GetClientCount(id) > 1) return false;
    rawMode_ = 1;
    return true;
  }
  rawMode_ = 0;
  return true;
}

}  // namespace vlr
