#include "imaging/transfer.h"

TransferBuffer AllocateTransferBuffer(uint32_t length) {
  return TransferBuffer(static_cast<char*>(std::calloc(length ? length : 1, 1)));
}

bool TransferComplete(const DriveContext& drive) {
  return (drive.ImageSize >> 32) == 0 && drive.TransferCount == drive.TransferLength;
}
