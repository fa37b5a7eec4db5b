// One connected client of a loaded driver, disconnected when it goes out
// of scope, with the calls the tools make through it. Every failure comes
// back as a DriverError carrying the driver's own text for its code.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "driver_library.h"

namespace vlrclient {

struct DriverError {
  short code = 0;
  std::string
      message;  // "connect to device 305 (J1939): 134 ERR_INVALID_DEVICE"
};

class Connection {
 public:
  // Connects to `device` with protocol "J1939" or "J1708". With
  // `raw_transport` the client takes transport frames as they come; without,
  // the driver delivers each multi-packet message whole.
  static std::unique_ptr<Connection> Open(const DriverLibrary& driver,
                                          short device,
                                          const std::string& protocol,
                                          DriverError& error,
                                          bool raw_transport = false);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  short client() const { return client_; }
  short device() const { return device_; }
  const std::string& protocol() const { return protocol_; }
  const DriverLibrary& driver() const { return driver_; }

  // RP1210_SendCommand; `what` names the command in an error.
  std::optional<DriverError> Command(short number,
                                     std::span<const uint8_t> buffer,
                                     const char* what);
  std::optional<DriverError> Send(std::span<const uint8_t> message);
  // RP1210_ReadMessage without waiting: bytes written, 0 for nothing, or a
  // negated result code.
  short ReadNow(std::span<uint8_t> buffer);
  std::optional<DriverError> HardwareStatus(std::span<uint8_t> status);

 private:
  Connection(const DriverLibrary& driver, short client, short device,
             std::string protocol)
      : driver_(driver),
        client_(client),
        device_(device),
        protocol_(std::move(protocol)) {}
  DriverError Error(short code, const std::string& what) const;

  const DriverLibrary& driver_;
  short client_;
  short device_;
  std::string protocol_;
};

}  // namespace vlrclient
