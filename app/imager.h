// The program's dialogue: banner, one-key menu, at most one run, final key.
#ifndef FLOPPY_IMAGER_APP_IMAGER_H_
#define FLOPPY_IMAGER_APP_IMAGER_H_

// Runs the whole dialogue once and returns the exit status, always 0.
int RunImager();

// Discards every key press that is waiting on the console keyboard.
void DrainKeys();

#endif  // FLOPPY_IMAGER_APP_IMAGER_H_
