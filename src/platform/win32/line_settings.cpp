#include "platform/win32/win32_handles.h"

namespace vlr::platform {
namespace {

// LineSettings says only whether there is a parity bit. The driver always
// asks for none, so the kind used for "on" is a choice nothing depends on.
constexpr BYTE kParityWhenOn = EVENPARITY;

void ApplyTo(DCB& dcb, const LineSettings& s) {
  dcb.BaudRate = s.baudRate;
  dcb.ByteSize = s.dataBits;
  dcb.fParity = s.parity ? TRUE : FALSE;
  dcb.Parity = s.parity ? kParityWhenOn : NOPARITY;
  dcb.StopBits = s.twoStopBits ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fDtrControl = s.dtrOn ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb.fRtsControl = s.rtsOn ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
  dcb.fOutxCtsFlow = s.ctsFlowControl ? TRUE : FALSE;
  dcb.fOutxDsrFlow = s.dsrFlowControl ? TRUE : FALSE;
  dcb.fDsrSensitivity = s.dsrSensitivity ? TRUE : FALSE;
  dcb.fOutX = s.xonXoffOutput ? TRUE : FALSE;
  dcb.fInX = s.xonXoffInput ? TRUE : FALSE;
}

}  // namespace

bool GetLineSettings(Port port, LineSettings& out) {
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  if (port == nullptr || !::GetCommState(ToHandle(port), &dcb)) return false;
  out.baudRate = dcb.BaudRate;
  out.dataBits = dcb.ByteSize;
  out.parity = dcb.Parity != NOPARITY;
  out.twoStopBits = dcb.StopBits == TWOSTOPBITS;
  out.dtrOn = dcb.fDtrControl == DTR_CONTROL_ENABLE;
  out.rtsOn = dcb.fRtsControl == RTS_CONTROL_ENABLE;
  out.ctsFlowControl = dcb.fOutxCtsFlow != 0;
  out.dsrFlowControl = dcb.fOutxDsrFlow != 0;
  out.dsrSensitivity = dcb.fDsrSensitivity != 0;
  out.xonXoffOutput = dcb.fOutX != 0;
  out.xonXoffInput = dcb.fInX != 0;
  return true;
}

// The record is read afresh so that every DCB field the driver does not
// name (binary mode, error and null handling, the XON/XOFF characters)
// stays as the port had it.
bool SetLineSettings(Port port, const LineSettings& settings) {
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  if (port == nullptr || !::GetCommState(ToHandle(port), &dcb)) return false;
  ApplyTo(dcb, settings);
  return ::SetCommState(ToHandle(port), &dcb) != FALSE;
}

}  // namespace vlr::platform
