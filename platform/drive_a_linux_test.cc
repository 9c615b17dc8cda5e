#include "platform/drive_a_linux.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/dialogue.h"

namespace {

namespace fs = std::filesystem;

// A device tree the way the kernel lays one out: /block/NAME links to the
// block device's directory under /devices, below its USB interface (when it
// has one) and the SCSI host the storage driver made.
class DeviceTree {
 public:
  DeviceTree() : root_(TempPath(Unique("sys"))), dev_(TempPath(Unique("dev"))) {
    fs::create_directories(root_ + "/block");
    fs::create_directories(root_ + "/devices");
    fs::create_directories(dev_);
  }

  void UsbDisk(const std::string& name, const std::string& interface_class,
               const std::string& subclass, int port) {
    const std::string usb = "pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(port);
    const std::string interface = usb + "/1-" + std::to_string(port) + ":1.0";
    Write(interface + "/bInterfaceClass", interface_class + "\n");
    Write(interface + "/bInterfaceSubClass", subclass + "\n");
    Write(usb + "/bDeviceClass", "00\n");  // the device above is not the interface
    Block(name, interface + "/host" + std::to_string(port) + "/target" + std::to_string(port) +
                    ":0:0/" + std::to_string(port) + ":0:0:0/block/" + name);
  }

  void SataDisk(const std::string& name) {
    Block(name, "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/" + name);
  }

  void FloppyNode() { std::ofstream(dev_ + "/fd0"); }

  std::string DriveA() const { return DriveADevice(dev_, root_); }
  std::string Dev(const std::string& name) const { return dev_ + "/" + name; }

 private:
  static std::string Unique(const std::string& name) {
    static int trees = 0;
    return name + std::to_string(++trees);
  }

  void Write(const std::string& file, const std::string& text) {
    const fs::path path = fs::path(root_) / "devices" / file;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
  }

  void Block(const std::string& name, const std::string& device_dir) {
    fs::create_directories(fs::path(root_) / "devices" / device_dir);
    fs::create_directory_symlink("../devices/" + device_dir, fs::path(root_) / "block" / name);
  }

  std::string root_;
  std::string dev_;
};

TEST(DriveADeviceTest, FloppyDriveFirstThenTheFirstUsbFloppyDrive) {
  {
    SCOPED_TRACE("the floppy drive wins over a USB floppy drive");
    DeviceTree tree;
    tree.UsbDisk("sda", "08", "04", 1);
    tree.FloppyNode();
    EXPECT_EQ(tree.DriveA(), tree.Dev("fd0"));
  }
  {
    SCOPED_TRACE("one USB floppy drive beside a SATA disk");
    DeviceTree tree;
    tree.SataDisk("sda");
    tree.UsbDisk("sdb", "08", "04", 1);
    EXPECT_EQ(tree.DriveA(), tree.Dev("sdb"));
  }
  {
    SCOPED_TRACE("two USB floppy drives: the first by name");
    DeviceTree tree;
    tree.UsbDisk("sdc", "08", "04", 1);
    tree.UsbDisk("sdb", "08", "04", 2);
    EXPECT_EQ(tree.DriveA(), tree.Dev("sdb"));
  }
}

TEST(DriveADeviceTest, OtherDisksAreNeverDriveA) {
  DeviceTree tree;
  tree.SataDisk("sda");
  tree.UsbDisk("sdb", "08", "06", 1);  // a USB stick (SCSI commands)
  tree.UsbDisk("sdc", "03", "04", 2);  // not mass storage
  EXPECT_EQ(tree.DriveA(), "");
  DeviceTree empty;
  EXPECT_EQ(empty.DriveA(), "");
  EXPECT_EQ(DriveADevice(TempPath("no-dev"), TempPath("no-sys")), "");
}

}  // namespace
