#include "app/imager.h"

#include <cstdio>

#include "imaging/run_transfer.h"
#include "imaging/transfer.h"
#include "platform/console.h"

namespace {

struct MenuEntry {
  int key;
  TransferStep step;
};

constexpr MenuEntry kMenu[] = {
    {'1', CopyFloppyToImage},
    {'2', CopyImageToFloppy},
};

}  // namespace

int RunImager() {
  std::printf("NT/2000/XP HD/DD floppy image creator/writer 1.0\n");
  std::printf("1 - from floppy to file\n2 - from file to floppy\nother key - quit\n");
  const int key = ReadKey();
  for (const MenuEntry& entry : kMenu) {
    if (entry.key == key) RunTransfer(entry.step);
  }
  DrainKeys();
  std::printf("Any key to quit ...\n");
  ReadKey();
  return 0;
}

void DrainKeys() {
  while (KeyWaiting()) ReadKey();
}
