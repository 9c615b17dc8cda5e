// pty-run: runs a program on a new pseudo-terminal as a person at a terminal
// would use it, and prints one line about the run:
//   @@case LABEL STATUS TIMED_OUT MILLISECONDS MAX_RSS_KB OUTPUT
// STATUS is as waitpid reports it; OUTPUT is all the program wrote, with bytes
// outside printable ASCII, and backslashes, as \xHH.
//
// Usage: pty-run [--label L] [--stdin FILE] [--timeout S] STEP... -- PROGRAM [ARG...]
// Steps, in order:
//   --keys AFTER TEXT  types TEXT once the output contains AFTER and the
//                      terminal takes single keys
//   --line AFTER TEXT  types TEXT and Enter once the output contains AFTER and
//                      the terminal takes lines
//   --now TEXT         types TEXT at once
// AFTER and TEXT take \n, \r, \e and \\ escapes.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pty_session.h"

namespace {

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

std::string Unescape(const char* text) {
  std::string bytes;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c != '\\' || c[1] == '\0') {
      bytes += *c;
      continue;
    }
    switch (*++c) {
      case 'n':
        bytes += '\n';
        break;
      case 'r':
        bytes += '\r';
        break;
      case 'e':
        bytes += '\x1b';
        break;
      default:
        bytes += *c;
        break;
    }
  }
  return bytes;
}

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: pty-run [--label L] [--stdin FILE] [--timeout S] "
               "[--keys AFTER TEXT | --line AFTER TEXT | --now TEXT]... -- PROGRAM [ARG...]\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  std::string label = "run";
  PtyOptions options;
  std::vector<PtyStep> steps;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const std::string flag = argv[i];
    const int left = argc - i - 1;
    if (flag == "--label" && left >= 1) {
      label = argv[++i];
    } else if (flag == "--stdin" && left >= 1) {
      options.stdin_path = argv[++i];
    } else if (flag == "--timeout" && left >= 1) {
      options.timeout_seconds = static_cast<int>(std::strtol(argv[++i], nullptr, 10));
    } else if (flag == "--keys" && left >= 2) {
      steps.push_back({Unescape(argv[i + 1]), PtyStep::kKeys, Unescape(argv[i + 2])});
      i += 2;
    } else if (flag == "--line" && left >= 2) {
      steps.push_back({Unescape(argv[i + 1]), PtyStep::kLine, Unescape(argv[i + 2]) + "\n"});
      i += 2;
    } else if (flag == "--now" && left >= 1) {
      steps.push_back({"", PtyStep::kAny, Unescape(argv[++i])});
    } else {
      Usage();
    }
  }
  if (i + 1 >= argc) Usage();
  for (++i; i < argc; ++i) options.argv.push_back(argv[i]);

  const PtyRun run = RunOnPty(options, steps);
  std::printf("@@case %s %d %d %.3f %ld %s\n", label.c_str(), run.status, run.timed_out ? 1 : 0,
              run.seconds * 1000, run.max_rss_kb, Escape(run.output).c_str());
  return 0;
}
