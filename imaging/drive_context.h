// What one run knows of drive A, from the open to the close.
#ifndef FLOPPY_IMAGER_IMAGING_DRIVE_CONTEXT_H_
#define FLOPPY_IMAGER_IMAGING_DRIVE_CONTEXT_H_

#include <cstdint>

#include "platform/raw_drive.h"

struct DriveContext {
  HANDLE DriveHandle = INVALID_HANDLE_VALUE;
  DISK_GEOMETRY Geometry = {};
  // The medium's size in bytes, the product of the four geometry values.
  uint64_t ImageSize = 0;
  // The low 32 bits of ImageSize: the size of every buffer, read and write.
  uint32_t TransferLength = 0;
  // Filled by the platform: first by the geometry query, then by the
  // transfer's read or write.
  DWORD TransferCount = 0;
  // The word typed at the prompt; empty when none was read or it did not fit.
  char ImageFileName[100] = {};
};

// The direction of a run: moves the medium between DriveHandle and the file
// ImageFileName, printing its own texts. Called only with an open drive, a
// reported geometry and a non-empty ImageFileName.
using TransferStep = void (*)(DriveContext& drive);

#endif  // FLOPPY_IMAGER_IMAGING_DRIVE_CONTEXT_H_
