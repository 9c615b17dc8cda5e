// A scripted stand-in for the platform layer, linked into unit tests in place
// of the real one. Tests set what the drive, the keyboard and the files do,
// then read back what was asked of them. On Windows it stands in for
// kernel32's five drive functions throughout the test program; handles that
// the runtime or GoogleTest close go on to kernel32.
#ifndef FLOPPY_IMAGER_PLATFORM_FAKE_PLATFORM_H_
#define FLOPPY_IMAGER_PLATFORM_FAKE_PLATFORM_H_

#include <string>
#include <vector>

#include "platform/raw_drive.h"

struct FakePlatform {
  // Drive A.
  bool open_fails = false;
  bool query_fails = false;
  DISK_GEOMETRY geometry = {};  // a 1.44 MB floppy unless changed
  std::string medium;           // the medium's bytes; reads stop at its end
  bool read_fails = false;      // ReadFile fails after moving read_count bytes
  bool write_fails = false;     // WriteFile fails after moving write_count bytes
  // When set (not -1): the count ReadFile / WriteFile move and report,
  // instead of the whole request.
  long long read_count = -1;
  long long write_count = -1;
  bool close_fails = false;

  // Console keyboard: ReadKey takes codes from the front of |keys|, and
  // fails (-1) when there are none. |keys_during_transfer| are pressed while
  // the medium is read or written.
  std::string keys;
  std::string keys_during_transfer;

  bool sync_fails = false;

  // Every platform call, in order, e.g. "CreateFileA", "ReadFile 1474560".
  std::vector<std::string> calls;
};

// The script of the current test; ResetFake() restores the defaults.
FakePlatform& Fake();
void ResetFake();

// The handle the fake hands out for drive A.
HANDLE FakeDriveHandle();

#endif  // FLOPPY_IMAGER_PLATFORM_FAKE_PLATFORM_H_
