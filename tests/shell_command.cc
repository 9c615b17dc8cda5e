#include "shell_command.h"

#include <cstdio>

std::string Command(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[256];
    while (fgets(chunk, sizeof chunk, pipe) != nullptr) output += chunk;
    pclose(pipe);
  }
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}
