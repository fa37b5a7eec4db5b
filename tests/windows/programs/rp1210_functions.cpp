#include "rp1210_functions.h"

namespace {

template <typename Pointer>
bool Take(HMODULE module, const char* name, Pointer& out, std::string& error) {
  // GetProcAddress returns a generic function pointer; the application's
  // declared type is what the call site then trusts.
  out = reinterpret_cast<Pointer>(
      reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
  if (out != nullptr) return true;
  error += error.empty() ? "missing export: " : ", ";
  error += name;
  return false;
}

}  // namespace

bool LoadRp1210Functions(const char* dllName, Rp1210Functions& out,
                         std::string& error) {
  out = Rp1210Functions{};
  out.module = ::LoadLibraryA(dllName);
  if (out.module == nullptr) {
    error = "LoadLibraryA(" + std::string(dllName) + ") failed, error " +
            std::to_string(::GetLastError());
    return false;
  }
  bool ok = true;
  ok &= Take(out.module, "RP1210_ClientConnect", out.ClientConnect, error);
  ok &=
      Take(out.module, "RP1210_ClientDisconnect", out.ClientDisconnect, error);
  ok &= Take(out.module, "RP1210_SendMessage", out.SendMessage, error);
  ok &= Take(out.module, "RP1210_ReadMessage", out.ReadMessage, error);
  ok &= Take(out.module, "RP1210_SendCommand", out.SendCommand, error);
  ok &= Take(out.module, "RP1210_ReadVersion", out.ReadVersion, error);
  ok &= Take(out.module, "RP1210_GetErrorMsg", out.GetErrorMsg, error);
  ok &= Take(out.module, "RP1210_GetHardwareStatus", out.GetHardwareStatus,
             error);
  std::string ignored;
  Take(out.module, "RP1210_ReadDetailedVersion", out.ReadDetailedVersion,
       ignored);
  Take(out.module, "RP1210_GetLastErrorMsg", out.GetLastErrorMsg, ignored);
  if (!ok) {
    ::FreeLibrary(out.module);
    out = Rp1210Functions{};
  }
  return ok;
}
