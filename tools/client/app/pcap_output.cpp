#include "pcap_output.h"

#include <pcap/pcap.h>

#include <cstdio>

#include "socketcan_frame.h"

namespace vlrclient {

struct PcapOutput::Handles {
  pcap_t* pcap = nullptr;
  pcap_dumper_t* dumper = nullptr;
  bool failed = false;
  ~Handles() {
    if (dumper) pcap_dump_close(dumper);
    if (pcap) pcap_close(pcap);
  }
};

PcapOutput::PcapOutput(std::unique_ptr<Handles> handles)
    : handles_(std::move(handles)) {}

PcapOutput::~PcapOutput() = default;

std::unique_ptr<PcapOutput> PcapOutput::Open(const std::string& path,
                                             std::string& error) {
  auto handles = std::make_unique<Handles>();
  handles->pcap = pcap_open_dead(vlrdecode::kLinkTypeSocketCan,
                                 vlrdecode::kSocketCanFrameSize);
  if (handles->pcap == nullptr) {
    error = "libpcap cannot make a capture";
    return nullptr;
  }
  handles->dumper = path == "-" ? pcap_dump_fopen(handles->pcap, stdout)
                                : pcap_dump_open(handles->pcap, path.c_str());
  if (handles->dumper == nullptr) {
    error = "cannot write " + path + ": " + pcap_geterr(handles->pcap);
    return nullptr;
  }
  return std::unique_ptr<PcapOutput>(new PcapOutput(std::move(handles)));
}

bool PcapOutput::Write(const vlrdecode::MessageEvent& event,
                       std::chrono::microseconds wall_origin) {
  const auto frame = vlrdecode::SocketCanFrame(event);
  if (!frame) return false;
  const std::chrono::microseconds time =
      wall_origin + std::chrono::milliseconds(event.elapsed_ms);
  pcap_pkthdr header{};
  header.ts.tv_sec = static_cast<time_t>(time.count() / 1000000);
  header.ts.tv_usec = static_cast<suseconds_t>(time.count() % 1000000);
  header.caplen = header.len = static_cast<bpf_u_int32>(frame->size());
  pcap_dump(reinterpret_cast<u_char*>(handles_->dumper), &header,
            frame->data());
  return true;
}

void PcapOutput::Flush() {
  if (pcap_dump_flush(handles_->dumper) != 0) handles_->failed = true;
}

bool PcapOutput::ok() const {
  return !handles_->failed && !std::ferror(pcap_dump_file(handles_->dumper));
}

}  // namespace vlrclient
