#include "host_frame_text.h"

#include <cstdio>

#include "vlrcommon/hex_text.h"

namespace vlrsim::program {

namespace {
std::string Hex(uint32_t value, int digits) {
  char text[12];
  std::snprintf(text, sizeof text, "%0*x", digits, value);
  return text;
}

// "01 02 ff"
std::string HexText(const Bytes& bytes) {
  return vlrcommon::FormatHexBytes(bytes, " ", vlrcommon::LetterCase::kLower);
}
}  // namespace

std::string HostFrameText(const HostFrame& frame) {
  switch (frame.kind) {
    case HostFrame::Kind::kMessage:
      if (frame.bus == Bus::kJ1939) {
        return "host j1939 " + Hex(frame.id, 8) + " [" +
               std::to_string(frame.data.size()) + "] " + HexText(frame.data);
      }
      return "host j1708 mid " + Hex(frame.id, 2) + " data " +
             HexText(frame.data) + (frame.checksum_ok ? "" : " (bad checksum)");
    case HostFrame::Kind::kCommand:
      return "host command channel " + Hex(frame.channel, 2) + " code " +
             Hex(frame.code, 2) +
             (frame.args.empty() ? "" : " args " + HexText(frame.args));
    case HostFrame::Kind::kOther:
      break;
  }
  return "host other " + HexText(frame.raw);
}

}  // namespace vlrsim::program
