// Finds RP1210 drivers as a diagnostic application does: the names in
// [RP1210Support] APIImplementations of RP121032.INI, then each driver's
// own INI file (NAME.INI) for its devices and protocols, both in the
// Windows directory; the driver itself is NAME.DLL, loaded by name.
//
//   rp1210_discover                         lists what is installed
//   rp1210_discover DEVICE PROTOCOL         also connects to DEVICE with
//                                           PROTOCOL through the first
//                                           driver that offers the pair,
//                                           shows the loaded DLL's version
//                                           resource, opens the filters,
//                                           waits for a message (15 s at
//                                           most), then disconnects
//
// Exit code 0 when the listing (and the connection and the message, if
// asked) succeeded. The program is built for 32- and 64-bit Windows; its
// first line says which one runs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "profile_text.h"
#include "rp1210_functions.h"

namespace {

struct Driver {
  std::string name;
  std::vector<std::string> devices;
  // Protocol name with the devices that carry it.
  std::vector<std::pair<std::string, std::vector<std::string>>> protocols;
};

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

Driver Describe(const std::string& name) {
  const std::string ini = WindowsDirectory() + "\\" + name + ".INI";
  Driver d{name, ProfileList(ini, "VendorInformation", "Devices"), {}};
  std::printf("implementation %s\n", name.c_str());
  std::printf("vendor %s\n",
              ProfileString(ini, "VendorInformation", "Name").c_str());
  std::printf("message-string %s\n",
              ProfileString(ini, "VendorInformation", "MessageString").c_str());
  for (const auto& id : d.devices) {
    const std::string section = "DeviceInformation" + id;
    std::printf("device %s %s\n",
                ProfileString(ini, section, "DeviceID").c_str(),
                ProfileString(ini, section, "DeviceDescription").c_str());
  }
  for (const auto& index : ProfileList(ini, "VendorInformation", "Protocols")) {
    const std::string section = "ProtocolInformation" + index;
    const std::string protocol = ProfileString(ini, section, "ProtocolString");
    const auto devices = ProfileList(ini, section, "Devices");
    std::string joined;
    for (const auto& id : devices) joined += (joined.empty() ? "" : ",") + id;
    std::printf("protocol %s devices %s\n", protocol.c_str(), joined.c_str());
    d.protocols.emplace_back(protocol, devices);
  }
  return d;
}

bool Offers(const Driver& d, const std::string& device,
            const std::string& protocol) {
  if (!Contains(d.devices, device)) return false;
  for (const auto& [name, devices] : d.protocols) {
    if (name == protocol && Contains(devices, device)) return true;
  }
  return false;
}

std::string VersionText(const std::vector<char>& block, const char* name) {
  char* value = nullptr;
  UINT size = 0;
  const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!::VerQueryValueA(block.data(), path.c_str(),
                        reinterpret_cast<void**>(&value), &size) ||
      size == 0) {
    return "-";
  }
  return std::string(value, ::strnlen(value, size));
}

// The loaded DLL's version resource, as Explorer's Details tab shows it.
void PrintFileVersion(HMODULE module) {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(module, path, MAX_PATH);
  DWORD ignored = 0;
  std::vector<char> block(::GetFileVersionInfoSizeA(path, &ignored));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (block.empty() ||
      !::GetFileVersionInfoA(path, 0, static_cast<DWORD>(block.size()),
                             block.data()) ||
      !::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed),
                        &size)) {
    std::printf("file-version none\n");
    return;
  }
  std::printf("file-version %u.%u.%u.%u product %s company %s\n",
              unsigned{HIWORD(fixed->dwFileVersionMS)},
              unsigned{LOWORD(fixed->dwFileVersionMS)},
              unsigned{HIWORD(fixed->dwFileVersionLS)},
              unsigned{LOWORD(fixed->dwFileVersionLS)},
              VersionText(block, "ProductVersion").c_str(),
              VersionText(block, "CompanyName").c_str());
}

// The first message to arrive after the filters open, polled so that a
// silent bus cannot hold the program.
short FirstMessage(const Rp1210Functions& driver, short client) {
  const short opened =
      driver.SendCommand(3, client, nullptr, 0);  // all filters pass
  std::printf("filters => %d\n", opened);
  if (opened != 0) return opened;
  char message[600];
  const DWORD start = ::GetTickCount();
  short n = 0;
  while ((n = driver.ReadMessage(client, message, sizeof message, 0)) == 0 &&
         ::GetTickCount() - start < 15000) {
    ::Sleep(20);
  }
  std::printf("read => %d\n", n);
  return n;
}

bool ConnectThrough(const Driver& d, const std::string& device,
                    std::string protocol) {
  Rp1210Functions driver;
  std::string error;
  if (!LoadRp1210Functions((d.name + ".DLL").c_str(), driver, error)) {
    std::printf("load %s => %s\n", d.name.c_str(), error.c_str());
    return false;
  }
  PrintFileVersion(driver.module);
  const short id = static_cast<short>(std::atoi(device.c_str()));
  const short client =
      driver.ClientConnect(nullptr, id, protocol.data(), 8192, 8192, 0);
  std::printf("connect %s %s %s => %d\n", d.name.c_str(), device.c_str(),
              protocol.c_str(), client);
  if (client < 0 || client > 127) return false;
  const bool received = FirstMessage(driver, client) > 0;
  const short result = driver.ClientDisconnect(client);
  std::printf("disconnect => %d\n", result);
  return received && result == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::printf("client %d-bit\n", static_cast<int>(sizeof(void*) * 8));
  const std::string support = WindowsDirectory() + "\\RP121032.INI";
  const auto names =
      ProfileList(support, "RP1210Support", "APIImplementations");
  std::vector<Driver> drivers;
  for (const auto& name : names) drivers.push_back(Describe(name));
  std::fflush(stdout);
  if (argc != 3) return drivers.empty() ? 1 : 0;
  for (const auto& d : drivers) {
    if (Offers(d, argv[1], argv[2])) {
      const bool ok = ConnectThrough(d, argv[1], argv[2]);
      std::fflush(stdout);
      return ok ? 0 : 1;
    }
  }
  std::printf("no driver offers %s %s\n", argv[1], argv[2]);
  return 1;
}
