#include <cinttypes>
#include <cstdio>

#include "imaging/transfer.h"

namespace {

// Reads up to |length| bytes of |name| into |data|. A file that ends early is
// fine; false when it cannot be opened or reading it fails.
bool ReadImageFile(const char* name, char* data, uint32_t length) {
  std::FILE* file = std::fopen(name, "rb");
  if (file == nullptr) return false;
  std::fread(data, 1, length, file);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

}  // namespace

void CopyImageToFloppy(DriveContext& drive) {
  TransferBuffer buffer = AllocateTransferBuffer(drive.TransferLength);
  if (!buffer) return;

  std::printf("Reading Image...");
  if (!ReadImageFile(drive.ImageFileName, buffer.get(), drive.TransferLength)) {
    std::printf("Problem with input file\n");
    return;
  }
  std::printf("OK, writing to disk ...\n");
  // Only the count tells how much reached the medium.
  WriteFile(drive.DriveHandle, buffer.get(), drive.TransferLength, &drive.TransferCount, nullptr);
  if (!TransferComplete(drive)) {
    std::printf("probably wrong disk - written only %" PRIu32 " bytes\n",
                static_cast<uint32_t>(drive.TransferCount));
  }
}
