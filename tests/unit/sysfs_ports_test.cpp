#include "platform/linux/sysfs_ports.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Names = std::vector<std::string>;

// Builds a small sysfs in a temporary folder, linked the way the kernel links
// the real one: class/tty/<name> leads to the node's folder among the devices,
// whose `device` leads to the device the node belongs to.
class SysfsPorts : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "sysfs-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }

  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void Write(const fs::path& file, std::string_view content) {
    fs::create_directories((root_ / file).parent_path());
    std::ofstream(root_ / file, std::ios::binary) << content;
  }

  // A relative link, as sysfs has them.
  void Link(const fs::path& link, const fs::path& target) {
    fs::create_directories((root_ / link).parent_path());
    fs::create_symlink(target.lexically_relative(link.parent_path()), root_ / link);
  }

  // A USB device; empty attributes are left out.
  void AddUsbDevice(const fs::path& folder, std::string_view product,
                    std::string_view manufacturer) {
    Write(folder / "idVendor", "2341\n");
    if (!product.empty()) {
      Write(folder / "product", product);
    }
    if (!manufacturer.empty()) {
      Write(folder / "manufacturer", manufacturer);
    }
  }

  // A folder where the file should be: reading it fails as reading an
  // attribute of a device unplugged meanwhile does.
  void Unreadable(const fs::path& file) { fs::create_directories(root_ / file); }

  void AddDriver(const fs::path& device, std::string_view driver) {
    fs::create_directories(root_ / "bus/drivers" / driver);
    Link(device / "driver", fs::path("bus/drivers") / driver);
  }

  // The node's folder sits under device/tty; uevent names the node.
  void AddTty(std::string_view name, const fs::path& device, std::string_view uevent) {
    const fs::path node = device / "tty" / name;
    Write(node / "uevent", uevent);
    Link(node / "device", device);
    Link(fs::path("class/tty") / name, node);
  }

  // An Arduino: a CDC-ACM interface of the USB device at kHub/port.
  void AddAcm(std::string_view name, std::string_view port, std::string_view product,
              std::string_view manufacturer = "Arduino (www.arduino.cc)\n") {
    const fs::path usb = kHub / port;
    AddUsbDevice(usb, product, manufacturer);
    const fs::path interface = usb / (std::string(port) + ":1.0");
    AddDriver(interface, "cdc_acm");
    AddTty(name, interface, "MAJOR=166\nMINOR=0\nDEVNAME=" + std::string(name) + "\n");
  }

  // A USB-serial adapter: the port device sits under the interface.
  void AddUsbSerial(std::string_view name, std::string_view port, std::string_view product,
                    std::string_view manufacturer) {
    const fs::path usb = kHub / port;
    AddUsbDevice(usb, product, manufacturer);
    const fs::path serialPort = usb / (std::string(port) + ":1.0") / name;
    AddDriver(serialPort, "ftdi_sio");
    AddTty(name, serialPort, "DEVNAME=" + std::string(name) + "\n");
  }

  void AddLegacySerial(std::string_view name, std::string_view type) {
    const fs::path device = "devices/platform/serial8250";
    fs::create_directories(root_ / device);
    if (!fs::exists(root_ / device / "driver")) {
      AddDriver(device, "serial8250");
    }
    AddTty(name, device, "DEVNAME=" + std::string(name) + "\n");
    Write(fs::path("class/tty") / name / "type", type);
  }

  Names Read() const { return platform::ReadSysfsPortNames(root_); }

  // The host controller's root hub: a USB device too, but never the nearest.
  const fs::path kHub = "devices/pci0000:00/0000:00:14.0/usb1";
  fs::path root_;
};

TEST_F(SysfsPorts, NamesAnArduinoByItsUsbProduct) {
  AddUsbDevice(kHub, "xHCI Host Controller\n", "Linux xhci-hcd\n");
  AddAcm("ttyACM0", "1-1", "Arduino Uno\n");
  EXPECT_EQ(Read(), (Names{"Arduino Uno (/dev/ttyACM0)"}));
}

TEST_F(SysfsPorts, NamesAUsbSerialAdapterByTheDeviceTwoLevelsUp) {
  AddUsbDevice(kHub, "xHCI Host Controller\n", "Linux xhci-hcd\n");
  AddUsbSerial("ttyUSB0", "1-2", "FT232R USB UART \r\n", "FTDI\n");
  EXPECT_EQ(Read(), (Names{"FT232R USB UART (/dev/ttyUSB0)"}));
}

TEST_F(SysfsPorts, FallsBackToTheManufacturerThenTheDriver) {
  AddUsbDevice(kHub, "xHCI Host Controller\n", "Linux xhci-hcd\n");
  AddUsbSerial("ttyUSB0", "1-2", "", "FTDI\n");
  AddUsbSerial("ttyUSB1", "1-3", "\n", "");
  AddAcm("ttyACM0", "1-1", "", "");
  EXPECT_EQ(Read(),
            (Names{"cdc_acm (/dev/ttyACM0)", "FTDI (/dev/ttyUSB0)", "ftdi_sio (/dev/ttyUSB1)"}));
}

TEST_F(SysfsPorts, SkipsEmptyLegacySerialSlotsAndNamesTheOthersByDriver) {
  // A USB device's attributes at the root would be found if the walk went past it.
  AddUsbDevice("", "Not a device\n", "");
  AddLegacySerial("ttyS0", "0\n");
  AddLegacySerial("ttyS1", "0\n");
  AddLegacySerial("ttyS4", "4\n");
  EXPECT_EQ(Read(), (Names{"serial8250 (/dev/ttyS4)"}));
}

TEST_F(SysfsPorts, NamesADeviceWithoutDriverByItsEntry) {
  fs::create_directories(root_ / "devices/platform/uart0");
  AddTty("ttyAMA0", "devices/platform/uart0", "DEVNAME=ttyAMA0\n");
  EXPECT_EQ(Read(), (Names{"ttyAMA0 (/dev/ttyAMA0)"}));
}

TEST_F(SysfsPorts, SkipsTtysWithoutADevice) {
  Write("devices/virtual/tty/tty1/uevent", "DEVNAME=tty1\n");
  Link("class/tty/tty1", "devices/virtual/tty/tty1");
  Write("devices/virtual/tty/ptmx/uevent", "DEVNAME=ptmx\n");
  Link("class/tty/ptmx", "devices/virtual/tty/ptmx");
  // A device link that leads nowhere counts as none.
  Write("devices/gone/tty/ttyACM3/uevent", "DEVNAME=ttyACM3\n");
  Link("devices/gone/tty/ttyACM3/device", "devices/gone/1-4:1.0");
  Link("class/tty/ttyACM3", "devices/gone/tty/ttyACM3");
  AddAcm("ttyACM0", "1-1", "Arduino Uno\n");
  EXPECT_EQ(Read(), (Names{"Arduino Uno (/dev/ttyACM0)"}));
}

TEST_F(SysfsPorts, TakesTheNodeFromDevname) {
  const fs::path device = kHub / "1-1";
  AddUsbDevice(device, "Board\n", "");
  AddTty("pts5", device, "MAJOR=136\nMINOR=5\nDEVNAME=pts/5\n");
  AddTty("ttyX1", device, "MAJOR=4\nMINOR=65\n");
  AddTty("ttyX2", device, "DEVNAME=\n");
  EXPECT_EQ(Read(), (Names{"Board (/dev/pts/5)", "Board (/dev/ttyX1)", "Board (/dev/ttyX2)"}));
}

TEST_F(SysfsPorts, TakesTheNodeFromTheEntryWithoutAUevent) {
  const fs::path device = kHub / "1-1";
  AddUsbDevice(device, "Board\n", "");
  AddTty("ttyACM0", device, "");
  fs::remove(root_ / device / "tty/ttyACM0/uevent");
  EXPECT_EQ(Read(), (Names{"Board (/dev/ttyACM0)"}));
}

TEST_F(SysfsPorts, ListsPortsInNaturalOrder) {
  AddAcm("ttyACM10", "1-4", "Ten\n");
  AddUsbSerial("ttyUSB0", "1-5", "Adapter\n", "");
  AddAcm("ttyACM2", "1-3", "Two\n");
  AddAcm("ttyACM1", "1-2", "One\n");
  AddLegacySerial("ttyS4", "4\n");
  EXPECT_EQ(Read(), (Names{"One (/dev/ttyACM1)", "Two (/dev/ttyACM2)", "Ten (/dev/ttyACM10)",
                           "serial8250 (/dev/ttyS4)", "Adapter (/dev/ttyUSB0)"}));
}

TEST_F(SysfsPorts, ReplacesAttributesThatAreNotUtf8) {
  AddAcm("ttyACM0", "1-1", "Caf\xE9 \xE3\x83\x9C\xE3\x83\xBC\xE3\x83\x89\n");
  EXPECT_EQ(Read(), (Names{"Caf\uFFFD \u30DC\u30FC\u30C9 (/dev/ttyACM0)"}));
}

TEST_F(SysfsPorts, FindsNothingWithoutClassTty) {
  fs::create_directories(root_ / "class/net");
  EXPECT_TRUE(Read().empty());
  EXPECT_TRUE(platform::ReadSysfsPortNames(root_ / "missing").empty());
}

// Attributes whose reading fails: the listing goes on as if the attribute
// were missing, rather than end the program with an exception (a fuzzing
// finding).
TEST_F(SysfsPorts, AnUnreadableProductFallsBackToTheManufacturer) {
  AddAcm("ttyACM0", "1-1", "");
  Unreadable(kHub / "1-1/product");
  EXPECT_EQ(Read(), (Names{"Arduino (www.arduino.cc) (/dev/ttyACM0)"}));
}

TEST_F(SysfsPorts, AnUnreadableTypeDoesNotHideThePort) {
  AddAcm("ttyACM0", "1-1", "Arduino Uno\n");
  Unreadable("class/tty/ttyACM0/type");
  EXPECT_EQ(Read(), (Names{"Arduino Uno (/dev/ttyACM0)"}));
}

TEST_F(SysfsPorts, AnUnreadableUeventLeavesTheNodeNamedByItsEntry) {
  AddAcm("ttyACM0", "1-1", "Arduino Uno\n");
  fs::remove(root_ / "class/tty/ttyACM0/uevent");
  Unreadable("class/tty/ttyACM0/uevent");
  EXPECT_EQ(Read(), (Names{"Arduino Uno (/dev/ttyACM0)"}));
}

// SYSFS_PATH may name any tree: what sysfs never holds there is read no
// further than a page, and a pipe not at all, where it would wait for good.
TEST_F(SysfsPorts, ReadsOnlyRegularFilesAndAPageOfEach) {
  AddAcm("ttyACM0", "1-1", "");
  ASSERT_EQ(mkfifo((root_ / kHub / "1-1/product").c_str(), 0600), 0);
  fs::remove(root_ / "class/tty/ttyACM0/uevent");
  ASSERT_EQ(mkfifo((root_ / "class/tty/ttyACM0/uevent").c_str(), 0600), 0);
  AddAcm("ttyACM1", "1-2", "Arduino Uno\n");
  Write("class/tty/ttyACM1/uevent", std::string(4096, '#') + "\nDEVNAME=beyond\n");
  EXPECT_EQ(Read(),
            (Names{"Arduino (www.arduino.cc) (/dev/ttyACM0)", "Arduino Uno (/dev/ttyACM1)"}));
}

}  // namespace
