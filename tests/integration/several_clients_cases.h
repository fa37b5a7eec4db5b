// Several clients in one process, written once for the Linux suite (the
// library called directly) and the Wine suite (the DLL driven through
// rp1210_run.exe). Each suite supplies the application's calls; the cases
// play against one simulated 2xx adapter behind COM1 (device 201, whose
// port device 101 shares).
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "vlrsim/vlrsim.h"

namespace several_clients {

using Bytes = std::vector<uint8_t>;

// The exported functions as a case calls them. Results are the functions'
// own: a client id or an error code, a read's byte count or negated code.
class Application {
 public:
  virtual ~Application() = default;
  virtual int Connect(int device, const char* protocol) = 0;
  // Connects with the last argument of RP1210_ClientConnect at 1: the
  // application does its own J1939 transport.
  virtual int ConnectPacketizing(int device, const char* protocol) {
    return kNotPlayed + 0 * device * (protocol != nullptr);
  }
  virtual int Disconnect(int client) = 0;
  // An empty argument is passed as a null pointer with size 0.
  virtual int Command(int number, int client, const Bytes& argument) = 0;
  virtual int Send(int client, const Bytes& message) = 0;
  virtual int SendBlocking(int client, const Bytes& message) {
    return kNotPlayed + 0 * client * static_cast<int>(message.size());
  }
  // What a step the suite cannot play returns: no function's result.
  static constexpr int kNotPlayed = -100000;
  // Reads until a read gives something other than 0 or `within` passed;
  // `record` gets the bytes after the four-byte stamp. The buffer takes
  // the longest record (1796 bytes with stamp and echo byte).
  virtual int Poll(int client, Bytes& record,
                   std::chrono::milliseconds within) = 0;
};

struct Case {
  const char* name;
  void (*run)(Application& application, vlrsim::PtyAdapter& adapter);
};

const std::vector<Case>& Cases();

inline std::string CaseName(const Case& c) { return c.name; }
inline void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

}  // namespace several_clients
