// The console keyboard, read key by key, and the few console and file
// services the dialogue needs besides standard C.
#ifndef FLOPPY_IMAGER_PLATFORM_CONSOLE_H_
#define FLOPPY_IMAGER_PLATFORM_CONSOLE_H_

#include <cstdio>

// Waits for one key press on the console keyboard itself (never standard
// input) and returns its code, without echo and without waiting for Enter.
// Ctrl+C is the key 3 and does not interrupt. A key that sends several codes
// (a cursor or function key) returns the first; the others stay waiting.
// Returns -1 at once when there is no console keyboard or the read fails.
int ReadKey();

// True when ReadKey would return at once with a waiting code. Consumes
// nothing. False when there is no console keyboard or the test fails.
bool KeyWaiting();

// Between these two calls a line typed on the console is echoed and can be
// edited as the console normally allows; outside them typed keys are held
// for ReadKey and not echoed. Calls must pair; nesting is not supported.
void BeginLineInput();
void EndLineInput();

// Flushes |file|'s buffers and then the operating system's, so that what was
// written is on its device. Returns false if either flush failed.
bool SyncFile(std::FILE* file);

#endif  // FLOPPY_IMAGER_PLATFORM_CONSOLE_H_
