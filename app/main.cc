#include <cstdio>

#include "app/imager.h"

int main() {
  // Prompts and "Reading..." carry no line end and must show before the
  // step that follows them.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return RunImager();
}
