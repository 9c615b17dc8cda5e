// Runs inside the emulated PC: uses floppy-imager once as a person would,
// on a pseudo-terminal, and prints one line for the host to check:
//   @@case LABEL STATUS TIMED_OUT OUTPUT
// with OUTPUT escaped (bytes outside printable ASCII, and backslashes, as \xHH).
//
// Usage: guest-session LABEL MENU_KEY [NAME]

#include <cstdio>
#include <string>

#include "pty_session.h"

namespace {

constexpr char kMenuEnd[] = "other key - quit\r\n";
constexpr char kQuit[] = "Any key to quit ...\r\n";

std::string Escape(const std::string& bytes) {
  std::string escaped;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      escaped += static_cast<char>(c);
    } else {
      char code[5];
      std::snprintf(code, sizeof code, "\\x%02x", c);
      escaped += code;
    }
  }
  return escaped;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: guest-session LABEL MENU_KEY [NAME]\n");
    return 2;
  }
  PtyOptions options;
  options.argv = {"/bin/floppy-imager"};
  options.timeout_seconds = 300;
  std::vector<PtyStep> steps = {{kMenuEnd, PtyStep::kKeys, argv[2]}};
  if (argc > 3) steps.push_back({"Image file name:", PtyStep::kLine, std::string(argv[3]) + "\n"});
  steps.push_back({kQuit, PtyStep::kKeys, "q"});
  const PtyRun run = RunOnPty(options, steps);
  std::printf("@@case %s %d %d %s\n", argv[1], run.status, run.timed_out ? 1 : 0,
              Escape(run.output).c_str());
  return 0;
}
