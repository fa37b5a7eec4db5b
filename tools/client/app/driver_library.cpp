#include "driver_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace vlrclient {
namespace {

constexpr const char* kLibraryName = "libvlr1210.so";

template <typename Function>
bool Find(void* handle, const char* name, Function& out, std::string& missing) {
  out = reinterpret_cast<Function>(dlsym(handle, name));
  if (out == nullptr)
    missing += missing.empty() ? name : std::string(", ") + name;
  return out != nullptr;
}

std::string ProgramDirectory() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.parent_path().string();
}

}  // namespace

std::unique_ptr<DriverLibrary> DriverLibrary::Load(const std::string& path,
                                                   std::string& error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    error =
        "cannot load driver " + path + ": " + (why ? why : "unknown reason");
    return nullptr;
  }
  std::unique_ptr<DriverLibrary> library(new DriverLibrary(handle, path));
  Rp1210Functions& f = library->functions_;
  std::string missing;
  Find(handle, "RP1210_ClientConnect", f.ClientConnect, missing);
  Find(handle, "RP1210_ClientDisconnect", f.ClientDisconnect, missing);
  Find(handle, "RP1210_SendMessage", f.SendMessage, missing);
  Find(handle, "RP1210_ReadMessage", f.ReadMessage, missing);
  Find(handle, "RP1210_SendCommand", f.SendCommand, missing);
  Find(handle, "RP1210_ReadVersion", f.ReadVersion, missing);
  Find(handle, "RP1210_GetErrorMsg", f.GetErrorMsg, missing);
  Find(handle, "RP1210_GetHardwareStatus", f.GetHardwareStatus, missing);
  if (!missing.empty()) {
    error = path + " is not an RP1210 driver: it lacks " + missing;
    return nullptr;
  }
  return library;
}

DriverLibrary::~DriverLibrary() {
  // The driver's threads end at disconnect, which every Connection does
  // before the library goes; unloading it earlier would pull code from
  // under them.
  dlclose(handle_);
}

std::string DriverLibrary::ErrorText(short code) const {
  // The interface gives no buffer size; its texts are at most 80 bytes.
  char text[256] = {};
  functions_.GetErrorMsg(code, text);
  text[sizeof text - 1] = '\0';
  return std::to_string(code) + " " + text;
}

std::vector<std::string> DefaultDriverCandidates() {
  std::vector<std::string> candidates;
  if (const char* named = std::getenv("VLR1210_DRIVER"); named && *named) {
    candidates.push_back(named);
  }
  if (const std::string dir = ProgramDirectory(); !dir.empty()) {
    candidates.push_back(dir + "/" + kLibraryName);
#ifdef VLR1210_INSTALLED_DRIVER
    candidates.push_back(dir + "/" + VLR1210_INSTALLED_DRIVER);
#endif
  }
  candidates.push_back(kLibraryName);
  return candidates;
}

std::unique_ptr<DriverLibrary> LoadDriver(const std::string& path,
                                          std::string& error) {
  if (!path.empty()) return DriverLibrary::Load(path, error);
  std::string first_error;
  for (const std::string& candidate : DefaultDriverCandidates()) {
    if (candidate.find('/') != std::string::npos &&
        !std::filesystem::exists(candidate))
      continue;
    auto library = DriverLibrary::Load(candidate, error);
    if (library) return library;
    if (first_error.empty()) first_error = error;
  }
  error = first_error.empty() ? std::string(
                                    "no driver found: build libvlr1210.so or "
                                    "name one with --driver PATH")
                              : first_error;
  return nullptr;
}

}  // namespace vlrclient
