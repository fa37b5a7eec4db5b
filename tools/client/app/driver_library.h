// An RP1210 driver loaded the way applications load one: a shared library
// opened by path at run time, its eight functions found by name. The
// client therefore works with any driver of the same interface, not only
// the one built beside it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rp1210.h"

namespace vlrclient {

struct Rp1210Functions {
  decltype(&RP1210_ClientConnect) ClientConnect = nullptr;
  decltype(&RP1210_ClientDisconnect) ClientDisconnect = nullptr;
  decltype(&RP1210_SendMessage) SendMessage = nullptr;
  decltype(&RP1210_ReadMessage) ReadMessage = nullptr;
  decltype(&RP1210_SendCommand) SendCommand = nullptr;
  decltype(&RP1210_ReadVersion) ReadVersion = nullptr;
  decltype(&RP1210_GetErrorMsg) GetErrorMsg = nullptr;
  decltype(&RP1210_GetHardwareStatus) GetHardwareStatus = nullptr;
};

class DriverLibrary {
 public:
  // Loads the library and finds all eight functions; on failure returns
  // null and says why in `error` (the loader's own message included).
  static std::unique_ptr<DriverLibrary> Load(const std::string& path,
                                             std::string& error);
  ~DriverLibrary();
  DriverLibrary(const DriverLibrary&) = delete;
  DriverLibrary& operator=(const DriverLibrary&) = delete;

  const Rp1210Functions& functions() const { return functions_; }
  const std::string& path() const { return path_; }

  // "135 ERR_DEVICE_IN_USE": the code with the driver's own text for it.
  std::string ErrorText(short code) const;

 private:
  DriverLibrary(void* handle, std::string path)
      : handle_(handle), path_(std::move(path)) {}

  void* handle_;
  std::string path_;
  Rp1210Functions functions_;
};

// Where to look for the driver when the user names none, in order: the
// environment variable VLR1210_DRIVER, libvlr1210.so beside this program
// (in the build tree, a link to the driver built with it), the driver where
// an installation puts it relative to this program (for /usr/bin/vlr1210,
// /usr/lib/<multiarch>/libvlr1210.so.<major>), and the loader's search path.
std::vector<std::string> DefaultDriverCandidates();

// Loads `path`, or the first default candidate that loads.
std::unique_ptr<DriverLibrary> LoadDriver(const std::string& path,
                                          std::string& error);

}  // namespace vlrclient
