// Which device is drive A on Linux.
#ifndef FLOPPY_IMAGER_PLATFORM_DRIVE_A_LINUX_H_
#define FLOPPY_IMAGER_PLATFORM_DRIVE_A_LINUX_H_

#include <string>

// The device node of drive A under |dev_root| (normally /dev), with the
// kernel's device tree at |sysfs_root| (normally /sys): the first floppy
// drive (fd0) when its node exists; otherwise the first block device, in name
// order, that sits on a USB floppy drive (a mass-storage interface, class 08,
// of the UFI subclass 04). Empty when there is neither.
std::string DriveADevice(const std::string& dev_root, const std::string& sysfs_root);

#endif  // FLOPPY_IMAGER_PLATFORM_DRIVE_A_LINUX_H_
