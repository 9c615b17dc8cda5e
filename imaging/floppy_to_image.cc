#include <cstdio>

#include "imaging/transfer.h"
#include "platform/console.h"

namespace {

// Creates or truncates |name| and fills it with |length| bytes of |data|.
// True only when every byte was written, flushed to its device and the file
// closed.
bool WriteImageFile(const char* name, const char* data, uint32_t length) {
  std::FILE* file = std::fopen(name, "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(data, 1, length, file) == length;
  ok = SyncFile(file) && ok;
  ok = std::fclose(file) == 0 && ok;
  return ok;
}

}  // namespace

void CopyFloppyToImage(DriveContext& drive) {
  TransferBuffer buffer = AllocateTransferBuffer(drive.TransferLength);
  if (!buffer) return;

  std::printf("Reading...");
  if (!ReadFile(drive.DriveHandle, buffer.get(), drive.TransferLength, &drive.TransferCount,
                nullptr)) {
    return;
  }
  std::printf("Read successful\n");

  if (!TransferComplete(drive)) {
    std::printf("Incorrect number of bytes was read\n");
    return;
  }
  if (WriteImageFile(drive.ImageFileName, buffer.get(), drive.TransferLength)) {
    std::printf("Image Created\n");
  } else {
    std::printf("Destination file error\n");
  }
}
