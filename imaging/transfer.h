// The two directions of a run, and what they share.
#ifndef FLOPPY_IMAGER_IMAGING_TRANSFER_H_
#define FLOPPY_IMAGER_IMAGING_TRANSFER_H_

#include <cstdlib>
#include <memory>

#include "imaging/drive_context.h"

// Reads the whole medium and, when exactly ImageSize bytes came back, makes
// ImageFileName hold them and nothing else. The file is created or replaced
// only after a complete read, and "Image Created" is printed only once it is
// written, flushed and closed.
void CopyFloppyToImage(DriveContext& drive);

// Loads ImageFileName into a buffer of TransferLength bytes (a shorter file
// leaves zero bytes after its end, a longer one is cut) and writes that
// buffer onto the whole medium. A file that cannot be opened or read leaves
// the medium untouched. A write that did not reach the medium whole is
// reported with the count that did.
void CopyImageToFloppy(DriveContext& drive);

struct FreeDeleter {
  void operator()(char* block) const { std::free(block); }
};
using TransferBuffer = std::unique_ptr<char, FreeDeleter>;

// A zero-filled buffer of |length| bytes, valid also for 0; null when the
// memory cannot be had.
TransferBuffer AllocateTransferBuffer(uint32_t length);

// True when the last read or write moved the whole medium: ImageSize fits in
// 32 bits and TransferCount equals TransferLength.
bool TransferComplete(const DriveContext& drive);

#endif  // FLOPPY_IMAGER_IMAGING_TRANSFER_H_
