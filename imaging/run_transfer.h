// The frame of every run against drive A: open, report the geometry, ask for
// the image file's name, transfer, close.
#ifndef FLOPPY_IMAGER_IMAGING_RUN_TRANSFER_H_
#define FLOPPY_IMAGER_IMAGING_RUN_TRANSFER_H_

#include <cstdio>

#include "imaging/drive_context.h"

// Performs one whole run with |step| as its transfer, printing every text of
// the dialogue. All failures are reported and absorbed here.
void RunTransfer(TransferStep step);

// Opens drive A, reports its geometry and size and reads ImageFileName from
// standard input. Returns false if the drive could not be opened (nothing to
// close). Returns true with the drive open otherwise; ImageFileName is then
// empty unless the geometry was reported and a name was read.
bool ProbeDrive(DriveContext& drive);

// Closes the drive and reports the result.
void CloseDrive(DriveContext& drive);

// Reads one white-space delimited word from |in| into |field|. A word that
// does not fit (100 characters or more) is refused, not cut. Returns false
// and leaves |field| empty when input ended before a word or the word was
// refused; the rest of the input is left unread either way.
bool ReadImageFileName(std::FILE* in, char (&field)[100]);

#endif  // FLOPPY_IMAGER_IMAGING_RUN_TRANSFER_H_
