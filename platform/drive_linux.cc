// Drive A on Linux: the first floppy drive, or else a USB floppy drive,
// reached through its block device.

#include <errno.h>
#include <fcntl.h>
#include <linux/fd.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/drive_a_linux.h"
#include "platform/pc_geometry.h"
#include "platform/raw_drive.h"

namespace {

constexpr char kDriveAName[] = "\\\\.\\A:";
// The floppy driver counts in 512-byte sectors whatever the format.
constexpr uint32_t kFloppySectorSize = 512;

HANDLE ToHandle(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd)); }

int ToFd(HANDLE handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }

int AccessMode(DWORD access) {
  const bool read = (access & GENERIC_READ) != 0;
  const bool write = (access & GENERIC_WRITE) != 0;
  if (read && write) return O_RDWR;
  return write ? O_WRONLY : O_RDONLY;
}

// The floppy driver tells formats apart by the start of track 0 alone, and
// takes a 21-sector distribution disk for an 18-sector one: it would then
// read 18 of every 21 sectors. When the boot sector says otherwise, the
// driver is given the geometry it states. False when the driver refuses it.
bool CorrectDmfDetection(int fd, struct floppy_struct* format) {
  unsigned char boot_sector[512];
  if (pread(fd, boot_sector, sizeof boot_sector, 0) != sizeof boot_sector ||
      !BootSectorDescribesDmf(boot_sector) || format->sect >= kDmfSectorsPerTrack) {
    return true;
  }
  struct floppy_struct dmf = *format;  // keeps the detected data rate
  dmf.size = kDmfSectors;
  dmf.sect = kDmfSectorsPerTrack;
  dmf.head = kDmfHeads;
  dmf.track = kDmfCylinders;
  dmf.stretch = 0;
  dmf.gap = 0x1c;
  dmf.fmt_gap = 0x6c;
  dmf.name = nullptr;
  if (ioctl(fd, FDSETPRM, &dmf) != 0) return false;
  return ioctl(fd, FDGETPRM, format) == 0 && format->sect == kDmfSectorsPerTrack;
}

bool QueryGeometry(int fd, DISK_GEOMETRY* geometry) {
  struct stat status;
  if (fstat(fd, &status) != 0) return false;
  if (S_ISREG(status.st_mode)) {
    *geometry = GeometryForCapacity(static_cast<uint64_t>(status.st_size), 512);
    return true;
  }
  if (!S_ISBLK(status.st_mode)) return false;

  struct floppy_struct format;
  if (ioctl(fd, FDGETPRM, &format) == 0) {
    if (!CorrectDmfDetection(fd, &format)) return false;
    *geometry = DISK_GEOMETRY{};
    geometry->Cylinders.QuadPart = format.track;
    geometry->TracksPerCylinder = format.head;
    geometry->SectorsPerTrack = format.sect;
    geometry->BytesPerSector = kFloppySectorSize;
    geometry->MediaType = PcMediaType(format.track, format.head, format.sect, kFloppySectorSize);
    return true;
  }

  int sector_size = 0;
  uint64_t capacity = 0;
  if (ioctl(fd, BLKSSZGET, &sector_size) != 0 || sector_size <= 0) return false;
  if (ioctl(fd, BLKGETSIZE64, &capacity) != 0) return false;
  *geometry = GeometryForCapacity(capacity, static_cast<uint32_t>(sector_size));
  return true;
}

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD /*share*/, LPSECURITY_ATTRIBUTES /*security*/,
                   DWORD disposition, DWORD /*flags*/, HANDLE /*template_file*/) {
  if (name == nullptr || std::strcmp(name, kDriveAName) != 0 || disposition != OPEN_EXISTING) {
    return INVALID_HANDLE_VALUE;
  }
  const std::string device = DriveADevice("/dev", "/sys");
  if (device.empty()) return INVALID_HANDLE_VALUE;
  int fd;
  do {
    fd = open(device.c_str(), AccessMode(access) | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? INVALID_HANDLE_VALUE : ToHandle(fd);
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID /*in*/, DWORD /*in_size*/, LPVOID out,
                     DWORD out_size, LPDWORD returned, LPOVERLAPPED /*overlapped*/) {
  if (code != IOCTL_DISK_GET_DRIVE_GEOMETRY || out == nullptr || out_size < sizeof(DISK_GEOMETRY)) {
    return 0;
  }
  DISK_GEOMETRY geometry;
  if (!QueryGeometry(ToFd(device), &geometry)) return 0;
  std::memcpy(out, &geometry, sizeof geometry);
  if (returned != nullptr) *returned = sizeof geometry;
  return 1;
}

BOOL ReadFile(HANDLE device, LPVOID buffer, DWORD length, LPDWORD read_count,
              LPOVERLAPPED /*overlapped*/) {
  char* const data = static_cast<char*>(buffer);
  DWORD done = 0;
  BOOL ok = 1;
  while (done < length) {
    const ssize_t n = read(ToFd(device), data + done, length - done);
    if (n > 0) {
      done += static_cast<DWORD>(n);
    } else if (n == 0) {
      break;  // the end of the medium
    } else if (errno != EINTR) {
      ok = 0;
      break;
    }
  }
  *read_count = done;
  return ok;
}

BOOL WriteFile(HANDLE device, LPCVOID buffer, DWORD length, LPDWORD written,
               LPOVERLAPPED /*overlapped*/) {
  const char* const data = static_cast<const char*>(buffer);
  const int fd = ToFd(device);
  DWORD done = 0;
  BOOL ok = 1;
  while (done < length) {
    const ssize_t n = write(fd, data + done, length - done);
    if (n > 0) {
      done += static_cast<DWORD>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      ok = 0;  // an error, or a device that takes no more
      break;
    }
  }
  // Linux reports a block device's failed writes only here, not at close.
  if (fsync(fd) != 0) {
    done = 0;
    ok = 0;
  }
  *written = done;
  return ok;
}

BOOL CloseHandle(HANDLE handle) {
  // Linux releases the descriptor even when close reports an error, so it is
  // never retried.
  return close(ToFd(handle)) == 0 ? 1 : 0;
}
