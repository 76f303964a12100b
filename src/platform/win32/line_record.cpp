#include "platform/win32/line_record.h"

namespace platform::win32 {
namespace {

BYTE ToStopBits(StopBits stopBits) {
  switch (stopBits) {
    case StopBits::OneAndHalf:
      return ONE5STOPBITS;
    case StopBits::Two:
      return TWOSTOPBITS;
    case StopBits::One:
      break;
  }
  return ONESTOPBIT;
}

}  // namespace

DCB LampLineRecord(DCB reported, const LineSettings& settings) {
  DCB dcb = reported;
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = settings.baudRate;
  dcb.fBinary = settings.binary ? TRUE : FALSE;
  dcb.ByteSize = settings.byteSize;
  dcb.fParity = settings.parityCheck ? TRUE : FALSE;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ToStopBits(settings.stopBits);
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fTXContinueOnXoff = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;
  return dcb;
}

}  // namespace platform::win32
