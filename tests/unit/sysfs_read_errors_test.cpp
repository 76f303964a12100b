// Attributes whose reading fails: in a live sysfs, a device unplugged while
// the ports are listed; here, a folder standing where the file should be,
// whose read fails the same way. The listing must go on, as if the attribute
// were missing, rather than end the program with an exception (a fuzzing
// finding).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/posix/sysfs_ports.h"

namespace {

namespace fs = std::filesystem;

class SysfsReadErrors : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "sysfs-errors-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }

  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void Write(const fs::path& file, const std::string& content) {
    fs::create_directories((root_ / file).parent_path());
    std::ofstream(root_ / file, std::ios::binary) << content;
  }

  void Unreadable(const fs::path& file) { fs::create_directories(root_ / file); }

  // ttyACM0 on the USB device at devices/usb1/1-1, linked as sysfs links it.
  void AddPort() {
    Write(kUsb / "idVendor", "2341\n");
    Write(kNode / "uevent", "DEVNAME=ttyACM0\n");
    fs::create_symlink("../..", root_ / kNode / "device");
    fs::create_directories(root_ / "class/tty");
    fs::create_symlink(fs::path("../..") / kNode, root_ / "class/tty/ttyACM0");
  }

  std::vector<std::string> Read() const { return platform::ReadSysfsPortNames(root_); }

  const fs::path kUsb = "devices/usb1/1-1";
  const fs::path kNode = kUsb / "1-1:1.0/tty/ttyACM0";
  fs::path root_;
};

TEST_F(SysfsReadErrors, AnUnreadableProductFallsBackToTheManufacturer) {
  AddPort();
  Unreadable(kUsb / "product");
  Write(kUsb / "manufacturer", "Arduino (www.arduino.cc)\n");
  EXPECT_EQ(Read(), std::vector<std::string>{"Arduino (www.arduino.cc) (/dev/ttyACM0)"});
}

TEST_F(SysfsReadErrors, AnUnreadableTypeDoesNotHideThePort) {
  AddPort();
  Write(kUsb / "product", "Arduino Uno\n");
  Unreadable("class/tty/ttyACM0/type");
  EXPECT_EQ(Read(), std::vector<std::string>{"Arduino Uno (/dev/ttyACM0)"});
}

TEST_F(SysfsReadErrors, AnUnreadableUeventLeavesTheNodeNamedByItsEntry) {
  AddPort();
  Write(kUsb / "product", "Arduino Uno\n");
  fs::remove(root_ / kNode / "uevent");
  Unreadable(kNode / "uevent");
  EXPECT_EQ(Read(), std::vector<std::string>{"Arduino Uno (/dev/ttyACM0)"});
}

}  // namespace
