#include "imaging/run_transfer.h"

#include <cinttypes>
#include <cstring>

#include "platform/console.h"

namespace {

constexpr char kDrivePath[] = "\\\\.\\A:";

}  // namespace

void RunTransfer(TransferStep step) {
  DriveContext drive;
  if (!ProbeDrive(drive)) return;
  if (drive.ImageFileName[0] != '\0') step(drive);
  CloseDrive(drive);
}

bool ProbeDrive(DriveContext& drive) {
  std::printf("Opening A:\\");
  drive.DriveHandle =
      CreateFileA(kDrivePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (drive.DriveHandle == INVALID_HANDLE_VALUE) {
    std::printf("FAILED\n");
    return false;
  }
  std::printf("Ok\n");

  std::printf("Trying some info ...\n");
  if (!DeviceIoControl(drive.DriveHandle, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0,
                       &drive.Geometry, sizeof(DISK_GEOMETRY), &drive.TransferCount, nullptr)) {
    std::printf("Info Failed\n");
    return true;
  }
  const DISK_GEOMETRY& geometry = drive.Geometry;
  const uint64_t cylinders = static_cast<uint64_t>(geometry.Cylinders.QuadPart);
  std::printf("BytesPerSector:%" PRIu32 "\n", static_cast<uint32_t>(geometry.BytesPerSector));
  std::printf("SectorsPerTrack:%" PRIu32 "\n", static_cast<uint32_t>(geometry.SectorsPerTrack));
  std::printf("TracksPerCylinder:%" PRIu32 "\n", static_cast<uint32_t>(geometry.TracksPerCylinder));
  std::printf("Cylinders:%" PRIu64 "\n", cylinders);
  // Unsigned 64-bit arithmetic throughout: a product that does not fit wraps.
  drive.ImageSize = cylinders * static_cast<uint32_t>(geometry.TracksPerCylinder) *
                    static_cast<uint32_t>(geometry.SectorsPerTrack) *
                    static_cast<uint32_t>(geometry.BytesPerSector);
  drive.TransferLength = static_cast<uint32_t>(drive.ImageSize);
  std::printf("Disk Size in Bytes:%" PRIu64 "\n", drive.ImageSize);

  std::printf("Image file name:");
  BeginLineInput();
  ReadImageFileName(stdin, drive.ImageFileName);
  EndLineInput();
  return true;
}

void CloseDrive(DriveContext& drive) {
  const BOOL closed = CloseHandle(drive.DriveHandle);
  drive.DriveHandle = INVALID_HANDLE_VALUE;
  std::printf("Closing Handle:%d\n", static_cast<int>(closed));
}

bool ReadImageFileName(std::FILE* in, char (&field)[100]) {
  // One character more than the field holds, to tell a word that fits from
  // one that would have to be cut.
  char word[sizeof field + 1];
  static_assert(sizeof word == 101, "the conversion below reads 100 characters");
  field[0] = '\0';
  if (std::fscanf(in, "%100s", word) != 1) return false;
  const size_t length = std::strlen(word);
  if (length >= sizeof field) return false;
  std::memcpy(field, word, length + 1);
  return true;
}
