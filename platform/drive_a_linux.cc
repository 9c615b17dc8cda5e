#include "platform/drive_a_linux.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr char kMassStorageClass[] = "08";
constexpr char kUfiSubclass[] = "04";

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// True when |block| (a directory in the device tree) belongs to a USB
// interface of a floppy drive. The interface is the nearest ancestor that
// says what class it is.
bool OnUsbFloppyInterface(const fs::path& block, const fs::path& devices) {
  for (fs::path dir = block; dir != devices && dir.has_relative_path(); dir = dir.parent_path()) {
    if (fs::exists(dir / "bInterfaceClass")) {
      return FirstLine(dir / "bInterfaceClass") == kMassStorageClass &&
             FirstLine(dir / "bInterfaceSubClass") == kUfiSubclass;
    }
  }
  return false;
}

}  // namespace

std::string DriveADevice(const std::string& dev_root, const std::string& sysfs_root) {
  std::error_code error;
  const fs::path floppy = fs::path(dev_root) / "fd0";
  if (fs::exists(floppy, error)) return floppy.string();

  std::vector<std::string> names;
  for (const fs::directory_entry& entry :
       fs::directory_iterator(fs::path(sysfs_root) / "block", error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  const fs::path devices = fs::canonical(fs::path(sysfs_root) / "devices", error);
  for (const std::string& name : names) {
    const fs::path block = fs::canonical(fs::path(sysfs_root) / "block" / name, error);
    if (!error && OnUsbFloppyInterface(block, devices)) {
      return (fs::path(dev_root) / name).string();
    }
  }
  return "";
}
