#include "pty_session.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

bool InMode(int terminal, PtyStep::Mode mode) {
  if (mode == PtyStep::kAny) return true;
  struct termios settings;
  if (tcgetattr(terminal, &settings) != 0) return false;
  const bool canonical = (settings.c_lflag & ICANON) != 0;
  const bool echo = (settings.c_lflag & ECHO) != 0;
  return mode == PtyStep::kLine ? canonical : !canonical && !echo;
}

// Appends to |output| what the program writes until it has written
// something and then paused, it has ended (|child| is a pidfd), or
// |milliseconds| have passed.
void Collect(int master, int child, std::string* output, int milliseconds) {
  for (;;) {
    struct pollfd ready[2] = {{master, POLLIN, 0}, {child, POLLIN, 0}};
    if (poll(ready, 2, milliseconds) <= 0) return;
    if (ready[0].revents & POLLIN) {
      char chunk[4096];
      const ssize_t n = read(master, chunk, sizeof chunk);
      if (n <= 0) return;
      output->append(chunk, static_cast<size_t>(n));
      milliseconds = 0;
    } else {
      return;  // ended, and all it wrote has been read
    }
  }
}

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

[[noreturn]] void ChildFails(const std::string& why) {
  const std::string text = "cannot start the program: " + why + "\n";
  WriteAll(2, text);
  _exit(127);
}

[[noreturn]] void StartChild(const PtyOptions& options, const char* terminal_name) {
  setsid();
  const int terminal = open(terminal_name, O_RDWR);  // becomes the controlling terminal
  if (terminal < 0) ChildFails("open terminal");
  const int input =
      options.stdin_path.empty() ? terminal : open(options.stdin_path.c_str(), O_RDONLY);
  if (input < 0) ChildFails("open " + options.stdin_path);
  dup2(input, 0);
  dup2(terminal, 1);
  dup2(terminal, 2);
  if (input > 2) close(input);
  if (terminal > 2) close(terminal);
  if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0) {
    ChildFails("chdir " + options.working_directory);
  }
  if (options.before_exec) {
    const std::string error = options.before_exec();
    if (!error.empty()) ChildFails(error);
  }
  std::vector<char*> argv;
  for (const std::string& arg : options.argv) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  ChildFails(std::string("exec: ") + std::strerror(errno));
}

}  // namespace

PtyRun RunOnPty(const PtyOptions& options, const std::vector<PtyStep>& steps) {
  PtyRun run;
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    run.timed_out = true;
    return run;
  }
  const std::string terminal_name = ptsname(master);
  // Held open here too, so that the terminal outlives the program and its
  // settings and unread input can be looked at afterwards.
  const int terminal = open(terminal_name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  tcgetattr(terminal, &run.before);

  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) StartChild(options, terminal_name.c_str());
  const int child_fd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));

  const Clock::time_point deadline = start + std::chrono::seconds(options.timeout_seconds);
  bool exited = false;
  struct rusage usage = {};
  auto check_exit = [&] {
    if (!exited && wait4(child, &run.status, WNOHANG, &usage) == child) {
      exited = true;
      run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
      run.max_rss_kb = usage.ru_maxrss;
    }
    return exited;
  };

  size_t searched_from = 0;
  for (const PtyStep& step : steps) {
    for (;;) {
      Collect(master, child_fd, &run.output, 20);
      const size_t found = run.output.find(step.after, searched_from);
      if (found != std::string::npos && InMode(terminal, step.mode)) {
        searched_from = found + step.after.size();
        break;
      }
      if (check_exit() || Clock::now() > deadline) {
        run.timed_out = !exited;
        break;
      }
    }
    if (exited || run.timed_out) break;
    WriteAll(master, step.typed);
    ++run.steps_typed;
  }
  if (options.signal_after_steps != 0 && !exited && !run.timed_out) {
    kill(child, options.signal_after_steps);
  }
  while (!check_exit() && !run.timed_out) {
    Collect(master, child_fd, &run.output, 20);
    if (Clock::now() > deadline) run.timed_out = true;
  }
  if (!exited) {
    kill(child, SIGKILL);
    waitpid(child, &run.status, 0);
  }
  Collect(master, -1, &run.output, 50);
  if (child_fd >= 0) close(child_fd);

  tcgetattr(terminal, &run.after);
  struct termios raw = run.after;
  cfmakeraw(&raw);
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  tcsetattr(terminal, TCSANOW, &raw);
  char chunk[256];
  ssize_t n;
  while ((n = read(terminal, chunk, sizeof chunk)) > 0) run.unread.append(chunk, n);

  close(terminal);
  close(master);
  return run;
}
