#include "program_application.h"

#include <cstdlib>

#include "wine_driver_test.h"

namespace winetest {
namespace {

// The longest record with its stamp and echo byte.
constexpr int kRecordBuffer = 1796;

}  // namespace

int ProgramApplication::ResultNumber(const std::string& text) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  return end != text.c_str() && (*end == '\0' || *end == ' ')
             ? static_cast<int>(value)
             : kNotPlayed;
}

int ProgramApplication::Connect(int device, const char* protocol) {
  return NumberOf("connect " + std::to_string(device) + " " + protocol);
}

int ProgramApplication::ConnectPacketizing(int device, const char* protocol) {
  return NumberOf("connect " + std::to_string(device) + " " + protocol + " 1");
}

int ProgramApplication::Disconnect(int client) {
  return NumberOf("disconnect " + std::to_string(client));
}

int ProgramApplication::Command(int number, int client, const Bytes& argument) {
  return NumberOf("command " + std::to_string(number) + " " +
                  std::to_string(client) + " " +
                  (argument.empty() ? "-" : Hex(argument)));
}

int ProgramApplication::Send(int client, const Bytes& message) {
  return NumberOf("send " + std::to_string(client) + " " + Hex(message));
}

int ProgramApplication::SendBlocking(int client, const Bytes& message) {
  return NumberOf("send " + std::to_string(client) + " " + Hex(message) +
                  " 0 1");
}

int ProgramApplication::Poll(int client, Bytes& record,
                             std::chrono::milliseconds within) {
  const ReadResult r = ParseRead(step_("poll " + std::to_string(client) + " " +
                                       std::to_string(kRecordBuffer) + " " +
                                       std::to_string(within.count())));
  record.clear();
  if (r.bytes.size() > 4) record.assign(r.bytes.begin() + 4, r.bytes.end());
  return r.result;
}

}  // namespace winetest
