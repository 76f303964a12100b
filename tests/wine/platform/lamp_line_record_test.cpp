// The DCB that the lamp's line is set with, from a port that another program
// left with every setting the lamp cannot work with.
#include "platform/win32/line_record.h"

#include <gtest/gtest.h>

#include "serial/serial_port.h"

namespace {

DCB LeftByAnotherProgram() {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = CBR_115200;
  dcb.ByteSize = 7;
  dcb.Parity = EVENPARITY;
  dcb.fParity = TRUE;
  dcb.StopBits = TWOSTOPBITS;
  dcb.fOutxCtsFlow = TRUE;
  dcb.fOutxDsrFlow = TRUE;
  dcb.fDsrSensitivity = TRUE;
  dcb.fOutX = TRUE;
  dcb.fInX = TRUE;
  dcb.fTXContinueOnXoff = TRUE;
  dcb.fErrorChar = TRUE;
  dcb.fNull = TRUE;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  dcb.fAbortOnError = TRUE;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 100;
  return dcb;
}

TEST(LampLineRecordTest, SetsTheLineWholeAndKeepsOnlyWhatItDoesNotDependOn) {
  const DCB dcb = platform::win32::LampLineRecord(LeftByAnotherProgram(), kLampLine);
  EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
  EXPECT_EQ(dcb.BaudRate, 9600U);
  EXPECT_EQ(dcb.fBinary, 1U);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.fParity, 0U);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  // No flow control of any kind.
  EXPECT_EQ(dcb.fOutxCtsFlow, 0U);
  EXPECT_EQ(dcb.fOutxDsrFlow, 0U);
  EXPECT_EQ(dcb.fDsrSensitivity, 0U);
  EXPECT_EQ(dcb.fOutX, 0U);
  EXPECT_EQ(dcb.fInX, 0U);
  EXPECT_EQ(dcb.fTXContinueOnXoff, 0U);
  // Bytes as they come, whatever errors the line saw.
  EXPECT_EQ(dcb.fErrorChar, 0U);
  EXPECT_EQ(dcb.fNull, 0U);
  EXPECT_EQ(dcb.fAbortOnError, 0U);
  // DTR and RTS raised: the board resets at the open and sends its identity.
  EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
  EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
  EXPECT_EQ(dcb.XonChar, 0x11);
  EXPECT_EQ(dcb.XonLim, 100);
}

}  // namespace
