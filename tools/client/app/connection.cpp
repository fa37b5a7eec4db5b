#include "connection.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "device_table.h"

namespace vlrclient {
namespace {

// The queue sizes an application may ask for; this driver sizes its own.
constexpr long kQueueBytes = 8192;

// Ports files the driver skipped, which may be why it opened another port.
std::string PortFileNote() {
  std::string note;
  for (const std::string& problem : PortFileProblems())
    note += "\n  " + problem + "; the driver ignores this file";
  return note;
}

// A start-up nobody answered: what the port is and what to look at.
std::string SilentAdapterHint(const DeviceInfo& device) {
  const std::string other_family = device.family[0] == '1' ? "2xx" : "1xx";
  return "\n  no adapter answered the start-up; " + DescribePort(device.com) +
         ".\n  Check that:"
         "\n  - the adapter has power and its cable is plugged in at both ends"
         "\n  - no other program talks to the port (another diagnostic tool, "
         "a modem manager)"
         "\n  - the port is the adapter's ('vlr1210 ports set COM" +
         std::to_string(device.com) +
         " /dev/ttyUSB0' names it)"
         "\n  - the adapter is of the " +
         device.family + " family (a " + other_family + " adapter is device " +
         other_family.substr(0, 1) + "0" + std::to_string(device.com) + ")" +
         PortFileNote();
}

// What a user can do about a failed connect.
std::string ConnectHint(short code, short device) {
  auto known = FindDevice(device);
  if (code == ERR_INVALID_DEVICE || !known)
    return " (device ids: 101-104, 201-204; see 'vlr1210 info')";
  const std::string port = DescribePort(known->com);
  if (code == ERR_DEVICE_IN_USE)
    return " (the port is absent or another program holds it; " + port + ")" +
           PortFileNote();
  if (code == ERR_HARDWARE_NOT_RESPONDING)
    return " (no adapter answered; " + port + ")" + PortFileNote();
  if (code == ERR_DLL_NOT_INITIALIZED) return SilentAdapterHint(*known);
  return {};
}

}  // namespace

std::unique_ptr<Connection> Connection::Open(const DriverLibrary& driver,
                                             short device,
                                             const std::string& protocol,
                                             DriverError& error,
                                             bool raw_transport) {
  std::vector<char> name(protocol.begin(), protocol.end());
  name.push_back('\0');
  const short result = driver.functions().ClientConnect(
      nullptr, device, name.data(), kQueueBytes, kQueueBytes,
      raw_transport ? 1 : 0);
  // Client ids are small non-negative numbers; the error codes start at 128.
  if (result < 0 || result >= 128) {
    error.code = result;
    error.message = "connect to device " + std::to_string(device) + " (" +
                    protocol + "): " + driver.ErrorText(result) +
                    ConnectHint(result, device);
    return nullptr;
  }
  // Connected, but perhaps not where the user meant: a ports file the
  // driver skipped is said every time, never passed over in silence.
  for (const std::string& problem : PortFileProblems())
    std::cerr << "vlr1210: warning: " << problem
              << "; the driver ignores this file\n";
  return std::unique_ptr<Connection>(
      new Connection(driver, result, device, protocol));
}

Connection::~Connection() {
  // Nothing can be done about a failed disconnect on the way out; the
  // process is ending or moving on.
  (void)driver_.functions().ClientDisconnect(client_);
}

DriverError Connection::Error(short code, const std::string& what) const {
  return DriverError{code, what + ": " + driver_.ErrorText(code)};
}

std::optional<DriverError> Connection::Command(short number,
                                               std::span<const uint8_t> buffer,
                                               const char* what) {
  // The interface takes a mutable pointer; the driver does not write to it,
  // but a private copy keeps the caller's bytes safe whatever a driver does.
  std::vector<char> copy(buffer.begin(), buffer.end());
  copy.push_back('\0');
  const short size =
      static_cast<short>(std::min<std::size_t>(buffer.size(), 32767));
  const short result =
      driver_.functions().SendCommand(number, client_, copy.data(), size);
  if (result == 0) return std::nullopt;
  return Error(result, std::string("command ") + std::to_string(number) + " (" +
                           what + ")");
}

std::optional<DriverError> Connection::Send(std::span<const uint8_t> message) {
  if (message.size() > 32767)
    return DriverError{ERR_MESSAGE_TOO_LONG, "message too long"};
  std::vector<char> copy(message.begin(), message.end());
  const short result = driver_.functions().SendMessage(
      client_, copy.data(), static_cast<short>(copy.size()), 0, 0);
  if (result == 0) return std::nullopt;
  return Error(result, "send");
}

short Connection::ReadNow(std::span<uint8_t> buffer) {
  const short size =
      static_cast<short>(std::min<std::size_t>(buffer.size(), 32767));
  return driver_.functions().ReadMessage(
      client_, reinterpret_cast<char*>(buffer.data()), size, 0);
}

std::optional<DriverError> Connection::HardwareStatus(
    std::span<uint8_t> status) {
  const short size =
      static_cast<short>(std::min<std::size_t>(status.size(), 32767));
  const short result = driver_.functions().GetHardwareStatus(
      client_, reinterpret_cast<char*>(status.data()), size, 0);
  if (result == 0) return std::nullopt;
  return Error(result, "hardware status");
}

}  // namespace vlrclient
