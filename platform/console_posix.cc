// The console keyboard on a POSIX terminal: the controlling terminal
// (/dev/tty), whatever standard input is. While the program runs, the
// terminal delivers each key at once, without echo and without signals
// (Ctrl+C is a key), except while a line is being typed; its own settings
// come back on every way out.

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/console.h"

namespace {

constexpr int kNotOpened = -2;
constexpr int kNoTerminal = -1;

int g_terminal = kNotOpened;
// The terminal's settings as the program found them.
struct termios g_saved;

const int kRestoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreTerminal() {
  if (g_terminal < 0) return;
  // Codes still waiting (the rest of a function key) belong to no one now.
  tcflush(g_terminal, TCIFLUSH);
  tcsetattr(g_terminal, TCSANOW, &g_saved);
}

void RestoreAndResignal(int signal_number) {
  const int saved_errno = errno;
  RestoreTerminal();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
  errno = saved_errno;
}

void SetKeyMode() {
  struct termios keys = g_saved;
  keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
  keys.c_iflag &= ~static_cast<tcflag_t>(IXON);
  keys.c_cc[VMIN] = 1;
  keys.c_cc[VTIME] = 0;
  tcsetattr(g_terminal, TCSANOW, &keys);
}

void InstallRestorers() {
  std::atexit(RestoreTerminal);
  struct sigaction action = {};
  action.sa_handler = RestoreAndResignal;
  sigemptyset(&action.sa_mask);
  for (int signal_number : kRestoringSignals) sigaddset(&action.sa_mask, signal_number);
  for (int signal_number : kRestoringSignals) {
    struct sigaction previous;
    if (sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      continue;  // ignored by whoever started us: stays ignored
    }
    sigaction(signal_number, &action, nullptr);
  }
}

// The terminal in key mode, or kNoTerminal.
int Keyboard() {
  if (g_terminal == kNotOpened) {
    g_terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (g_terminal < 0) {
      g_terminal = kNoTerminal;
    } else if (tcgetattr(g_terminal, &g_saved) != 0) {
      close(g_terminal);
      g_terminal = kNoTerminal;
    } else {
      InstallRestorers();
      SetKeyMode();
    }
  }
  return g_terminal;
}

// A terminal that failed once (hung up, gone) is treated as absent from then
// on, so that a drain of waiting keys cannot spin.
void GiveUpKeyboard() {
  RestoreTerminal();
  close(g_terminal);
  g_terminal = kNoTerminal;
}

}  // namespace

int ReadKey() {
  const int terminal = Keyboard();
  if (terminal < 0) return -1;
  for (;;) {
    unsigned char code;
    const ssize_t n = read(terminal, &code, 1);
    if (n == 1) return code;
    if (n < 0 && errno == EINTR) continue;
    GiveUpKeyboard();
    return -1;
  }
}

bool KeyWaiting() {
  const int terminal = Keyboard();
  if (terminal < 0) return false;
  struct pollfd waiting = {terminal, POLLIN, 0};
  if (poll(&waiting, 1, 0) != 1) return false;
  return (waiting.revents & POLLIN) != 0 && (waiting.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

void BeginLineInput() {
  if (Keyboard() >= 0) tcsetattr(g_terminal, TCSANOW, &g_saved);
}

void EndLineInput() {
  if (Keyboard() >= 0) SetKeyMode();
}

bool SyncFile(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  // Pipes and character devices have nothing to flush (EINVAL).
  return fsync(fileno(file)) == 0 || errno == EINVAL;
}
