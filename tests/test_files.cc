#include "test_files.h"

#include <fstream>
#include <sstream>

const char kMenuText[] =
    "NT/2000/XP HD/DD floppy image creator/writer 1.0\n"
    "1 - from floppy to file\n2 - from file to floppy\nother key - quit\n";
const char kQuitText[] = "Any key to quit ...\n";

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  unsigned state = seed * 2654435761u + 1;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 16);
  }
  return bytes;
}

std::string DriveReport(uint64_t cylinders, unsigned heads, unsigned sectors,
                        unsigned bytes_per_sector) {
  return "Opening A:\\Ok\nTrying some info ...\nBytesPerSector:" +
         std::to_string(bytes_per_sector) + "\nSectorsPerTrack:" + std::to_string(sectors) +
         "\nTracksPerCylinder:" + std::to_string(heads) +
         "\nCylinders:" + std::to_string(cylinders) +
         "\nDisk Size in Bytes:" + std::to_string(cylinders * heads * sectors * bytes_per_sector) +
         "\nImage file name:";
}

std::string OnTerminal(const std::string& text) {
  std::string shown;
  for (char c : text) {
    if (c == '\n') shown += '\r';
    shown += c;
  }
  return shown;
}

std::string SessionWithTypedName(const std::string& run_text, const std::string& name) {
  static const std::string kPrompt = "Image file name:";
  const size_t answer = run_text.find(kPrompt) + kPrompt.size();
  return OnTerminal(kMenuText + run_text.substr(0, answer)) + name + "\r\n" +
         OnTerminal(run_text.substr(answer) + kQuitText);
}
