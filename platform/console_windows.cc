// The console keyboard on Windows, through the C runtime's console input:
// _getch takes one key press from the console itself, whatever standard input
// is, without echo and with Ctrl+C as the key 3; a key without a character
// gives two codes, 0 or 0xE0 and then its scan code, and the second one counts
// as waiting for _kbhit. The console echoes only while a line is read from
// standard input, so line input needs no switching here.

#include <conio.h>
#include <io.h>

#include "platform/console.h"
#include "platform/raw_drive.h"

int ReadKey() { return _getch(); }

bool KeyWaiting() { return _kbhit() != 0; }

void BeginLineInput() {}

void EndLineInput() {}

bool SyncFile(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  const int descriptor = _fileno(file);
  // Consoles, pipes and devices such as NUL have nothing to flush.
  if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor))) != FILE_TYPE_DISK) {
    return true;
  }
  return _commit(descriptor) == 0;
}
