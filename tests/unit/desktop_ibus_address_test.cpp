#include "platform/linux/desktop/ibus_address.h"

#include <gtest/gtest.h>

namespace platform::desktop {
namespace {

constexpr const char* kId = "0123abcd";

TEST(DesktopIbusAddressFileName, FollowsTheX11DisplaysNumberAndHost) {
  EXPECT_EQ(IbusAddressFileName(kId, "", ":0"), "0123abcd-unix-0");
  EXPECT_EQ(IbusAddressFileName(kId, "", ":1.0"), "0123abcd-unix-1");
  EXPECT_EQ(IbusAddressFileName(kId, "", "localhost:10.2"), "0123abcd-localhost-10");
}

TEST(DesktopIbusAddressFileName, PrefersWaylandsDisplay) {
  EXPECT_EQ(IbusAddressFileName(kId, "wayland-0", ":0"), "0123abcd-unix-wayland-0");
}

TEST(DesktopIbusAddressFileName, StandsInDisplayZeroWithoutAnyDisplay) {
  EXPECT_EQ(IbusAddressFileName(kId, "", ""), "0123abcd-unix-0");
}

TEST(DesktopIbusAddressFileName, DropsTheMachineIdsLineEnd) {
  EXPECT_EQ(IbusAddressFileName("0123abcd\n", "", ":0"), "0123abcd-unix-0");
}

TEST(DesktopIbusAddressFromFile, ReadsTheAddressLineAmongOthers) {
  const char* file =
      "# This file is created by ibus-daemon, please do not modify it.\n"
      "IBUS_ADDRESS=unix:path=/home/u/.cache/ibus/dbus-AbCd,guid=42\n"
      "IBUS_DAEMON_PID=1234\n";
  EXPECT_EQ(IbusAddressFromFile(file), "unix:path=/home/u/.cache/ibus/dbus-AbCd,guid=42");
}

TEST(DesktopIbusAddressFromFile, ReadsALastLineWithoutLineEndOrWithCarriageReturn) {
  EXPECT_EQ(IbusAddressFromFile("IBUS_ADDRESS=unix:abstract=/tmp/x"), "unix:abstract=/tmp/x");
  EXPECT_EQ(IbusAddressFromFile("IBUS_ADDRESS=unix:abstract=/tmp/x\r\n"), "unix:abstract=/tmp/x");
}

TEST(DesktopIbusAddressFromFile, IsEmptyWithoutAnAddressLine) {
  EXPECT_EQ(IbusAddressFromFile(""), "");
  EXPECT_EQ(IbusAddressFromFile("IBUS_DAEMON_PID=1234\n# IBUS_ADDRESS=unix:path=/x\n"), "");
}

}  // namespace
}  // namespace platform::desktop
