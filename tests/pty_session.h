// Runs a program as a person at a terminal would: on a pseudo-terminal that
// is its controlling terminal, with keys typed only once the program waits
// for them.
#ifndef FLOPPY_IMAGER_TESTS_PTY_SESSION_H_
#define FLOPPY_IMAGER_TESTS_PTY_SESSION_H_

#include <termios.h>

#include <functional>
#include <string>
#include <vector>

struct PtyStep {
  enum Mode { kKeys, kLine, kAny };
  // Typed once the output so far (after the previous step's) contains |after|
  // and the terminal is in |mode|: kKeys, single keys without echo (ICANON
  // and ECHO off); kLine, typed lines (ICANON on); kAny, whatever it is.
  std::string after;
  Mode mode;
  std::string typed;
};

struct PtyRun {
  std::string output;        // everything the program wrote to the terminal
  int status = -1;           // as waitpid reports it
  bool timed_out = false;    // a step or the exit did not come; the program was killed
  size_t steps_typed = 0;    // steps whose keys were typed before the program ended
  double seconds = 0;        // from the start to the end of the program
  long max_rss_kb = 0;       // its peak resident memory
  struct termios before {};  // the terminal's settings when the program started
  struct termios after {};   // and when it had ended
  std::string unread;        // what was typed but never read by the program
};

struct PtyOptions {
  std::vector<std::string> argv;
  // Standard input; empty: the terminal.
  std::string stdin_path;
  std::string working_directory;
  // Runs in the child just before exec; returns an error text or "".
  std::function<std::string()> before_exec;
  // A signal sent once every step has been typed, or 0.
  int signal_after_steps = 0;
  int timeout_seconds = 60;
};

PtyRun RunOnPty(const PtyOptions& options, const std::vector<PtyStep>& steps);

#endif  // FLOPPY_IMAGER_TESTS_PTY_SESSION_H_
