// Received J1939 frames into a pcap capture (SocketCAN link type), through
// libpcap, for Wireshark and tcpdump. J1708 has no pcap link type Wireshark
// decodes, so its messages are left out.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "output_format.h"

namespace vlrclient {

class PcapOutput {
 public:
  // `path` "-" is standard output (for `| wireshark -k -i -`).
  static std::unique_ptr<PcapOutput> Open(const std::string& path,
                                          std::string& error);
  ~PcapOutput();
  PcapOutput(const PcapOutput&) = delete;
  PcapOutput& operator=(const PcapOutput&) = delete;

  // Stamped `wall_origin` + the event's elapsed time; false for what a CAN
  // capture cannot hold (nothing written).
  bool Write(const vlrdecode::MessageEvent& event,
             std::chrono::microseconds wall_origin);
  // Makes what was written visible to a reader of a pipe.
  void Flush();
  bool ok() const;

 private:
  struct Handles;
  explicit PcapOutput(std::unique_ptr<Handles> handles);
  std::unique_ptr<Handles> handles_;
};

}  // namespace vlrclient
