// The far end of a serial port that sends every byte straight back, on a
// pseudo-terminal: what the serial timing probe measures against.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

namespace winetest {

class EchoLine {
 public:
  // Throws std::system_error when no pseudo-terminal can be made.
  EchoLine();
  ~EchoLine();
  EchoLine(const EchoLine&) = delete;
  EchoLine& operator=(const EchoLine&) = delete;

  // Makes `link` a symbolic link to the slave side (removed again at
  // destruction).
  void LinkTo(const std::filesystem::path& link);

 private:
  void Run();

  int master_ = -1;
  std::string slavePath_;
  std::filesystem::path link_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace winetest
