// A host program that defines every RP1210 function name itself, as an
// application with its own wrappers or a second driver linked in may do,
// and loads libvlr1210.so at run time. The driver must keep calling its own
// functions: the reset command ends the connection through the driver's
// disconnect, never through the host's function of that name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "pseudo_terminal_skip.h"
#include "rp1210.h"
#include "vlrsim/vlrsim.h"

namespace {

std::atomic<int> hostCalls{0};

constexpr short kHostResult = -7;  // what no driver function returns

}  // namespace

// The host's own functions of the same names (the executable exports them,
// so the dynamic linker would hand them to a library that asked).
extern "C" {
short RP1210_API RP1210_ClientConnect(HWND, short, char*, long, long, short) {
  ++hostCalls;
  return kHostResult;
}
short RP1210_API RP1210_ClientDisconnect(short) {
  ++hostCalls;
  return kHostResult;
}
short RP1210_API RP1210_SendMessage(short, char*, short, short, short) {
  ++hostCalls;
  return kHostResult;
}
short RP1210_API RP1210_ReadMessage(short, char*, short, short) {
  ++hostCalls;
  return kHostResult;
}
short RP1210_API RP1210_SendCommand(short, short, char*, short) {
  ++hostCalls;
  return kHostResult;
}
void RP1210_API RP1210_ReadVersion(char*, char*, char*, char*) { ++hostCalls; }
short RP1210_API RP1210_GetErrorMsg(short, char*) {
  ++hostCalls;
  return kHostResult;
}
short RP1210_API RP1210_GetHardwareStatus(short, char*, short, short) {
  ++hostCalls;
  return kHostResult;
}
short RP1210_API RP1210_ReadDetailedVersion(short, char*, char*, char*) {
  ++hostCalls;
  return kHostResult;
}
short RP1210_API RP1210_GetLastErrorMsg(short, int*, char*, short) {
  ++hostCalls;
  return kHostResult;
}
}

namespace {

struct Driver {
  void* library = nullptr;
  decltype(&RP1210_ClientConnect) ClientConnect = nullptr;
  decltype(&RP1210_ClientDisconnect) ClientDisconnect = nullptr;
  decltype(&RP1210_SendCommand) SendCommand = nullptr;
  decltype(&RP1210_GetErrorMsg) GetErrorMsg = nullptr;
};

template <typename Function>
void Find(void* library, const char* name, Function& out) {
  out = reinterpret_cast<Function>(dlsym(library, name));
  ASSERT_NE(out, nullptr) << name;
  ASSERT_NE(reinterpret_cast<void*>(out),
            dlsym(RTLD_DEFAULT, name))  // the host's, found first globally
      << name << " resolved to the host's function";
}

TEST(HostBinding, ResetDisconnectsThroughTheDriversOwnFunction) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  Driver driver;
  driver.library = dlopen(VLR_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(driver.library, nullptr) << dlerror();
  Find(driver.library, "RP1210_ClientConnect", driver.ClientConnect);
  Find(driver.library, "RP1210_ClientDisconnect", driver.ClientDisconnect);
  Find(driver.library, "RP1210_SendCommand", driver.SendCommand);
  Find(driver.library, "RP1210_GetErrorMsg", driver.GetErrorMsg);

  vlrsim::AdapterOptions options;
  options.family = vlrsim::Family::k2xx;
  vlrsim::PtyAdapter adapter(options);
  setenv("VLR1210_COM1", adapter.SlavePath().c_str(), 1);
  char protocol[] = "J1939";
  ASSERT_EQ(driver.ClientConnect(nullptr, 201, protocol, 0, 0, 0), 0);
  EXPECT_EQ(driver.SendCommand(RP1210_Reset_Device, 0, nullptr, 0), 0);
  EXPECT_EQ(hostCalls.load(), 0) << "the driver called the host's function";
  EXPECT_EQ(
      driver.SendCommand(RP1210_Set_All_Filters_States_to_Pass, 0, nullptr, 0),
      ERR_INVALID_CLIENT_ID)
      << "the reset left the client connected";
  // The port and the slot are free again.
  ASSERT_EQ(driver.ClientConnect(nullptr, 201, protocol, 0, 0, 0), 0);
  EXPECT_EQ(driver.ClientDisconnect(0), 0);
  char text[80];
  EXPECT_EQ(driver.GetErrorMsg(129, text), 0);
  EXPECT_STREQ(text, "ERR_INVALID_CLIENT_ID");
  EXPECT_EQ(hostCalls.load(), 0);
}

}  // namespace
