#!/usr/bin/env python3
"""The Windows program under Wine, used as a person at a console would.

    wine_smoke_test.py CASE PREFIX COMMAND...

CASE is one of the cases below, PREFIX the Wine prefix that COMMAND (which
starts the program under Wine) runs in. Exits 0 when the case passed, 1 when
it failed, and 77 when it cannot run here (it says why).

Wine shows a program's console on a pseudo-terminal by drawing it: one
character at a time, with cursor moves in between (a space can be a move of
the cursor) and "\\r\\n" at line ends. The tests replay that drawing on a
small screen and compare the screen's text with the whole dialogue.
"""

import fcntl
import os
import pty
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import time

MENU = ("NT/2000/XP HD/DD floppy image creator/writer 1.0\n"
        "1 - from floppy to file\n2 - from file to floppy\nother key - quit\n")
QUIT = "Any key to quit ...\n"
# Wine opens drive A, but cannot tell a loop device's geometry (it answers
# the query with "not supported").
QUERY_REFUSED = ("Opening A:\\Ok\nTrying some info ...\nInfo Failed\n"
                 "Closing Handle:1\n")
NO_DRIVE = "Opening A:\\FAILED\n"

SKIPPED = 77
# Only a guard against a program that never ends; nothing waits for a time.
HANG_SECONDS = 300


class Screen:
    """The text a terminal shows after the bytes it was sent."""

    def __init__(self):
        self.lines = [[]]
        self.row = 0
        self.column = 0
        self.pending = ""

    def feed(self, data):
        text = self.pending + data
        self.pending = ""
        i = 0
        while i < len(text):
            c = text[i]
            if c == "\x1b":
                end = self._escape_end(text, i)
                if end is None:
                    self.pending = text[i:]  # the rest comes with the next chunk
                    return
                self._escape(text[i:end])
                i = end
                continue
            if c == "\r":
                self.column = 0
            elif c == "\n":
                self.row += 1
            elif c == "\b":
                self.column = max(0, self.column - 1)
            elif c >= " ":
                self._put(c)
            i += 1

    def text(self):
        """The screen's lines, down to the one the cursor is on."""
        self._line()
        return "\n".join("".join(line).rstrip() for line in self.lines)

    @staticmethod
    def _escape_end(text, start):
        if start + 1 >= len(text):
            return None
        kind = text[start + 1]
        if kind == "[":  # CSI: parameters, then one final character
            for j in range(start + 2, len(text)):
                if "@" <= text[j] <= "~":
                    return j + 1
            return None
        if kind == "]":  # OSC, such as a window title: up to BEL or ST
            for j in range(start + 2, len(text)):
                if text[j] == "\x07":
                    return j + 1
                if text[j] == "\x1b" and j + 1 < len(text) and text[j + 1] == "\\":
                    return j + 2
            return None
        return start + 2

    def _escape(self, sequence):
        if not sequence.startswith("\x1b[") or sequence[2:3] in ("?", ">", "="):
            return  # modes, cursor visibility and the like draw nothing
        final = sequence[-1]
        numbers = [int(n) if n.isdigit() else 0 for n in sequence[2:-1].split(";")]
        count = max(numbers[0], 1)
        if final == "C":
            self.column += count
        elif final == "D":
            self.column = max(0, self.column - count)
        elif final == "A":
            self.row = max(0, self.row - count)
        elif final == "B":
            self.row += count
        elif final in ("H", "f"):
            self.row = max(numbers[0], 1) - 1
            self.column = (max(numbers[1], 1) - 1) if len(numbers) > 1 else 0
        elif final == "G":
            self.column = count - 1
        elif final == "K":
            line = self._line()
            mode = numbers[0]
            if mode == 0:
                del line[self.column:]
            elif mode == 1:
                line[:self.column + 1] = [" "] * min(len(line), self.column + 1)
            else:
                line.clear()
        elif final == "J":
            mode = numbers[0]
            if mode == 0:
                del self._line()[self.column:]
                del self.lines[self.row + 1:]
            elif mode in (2, 3):
                self.lines = [[]]

    def _line(self):
        while len(self.lines) <= self.row:
            self.lines.append([])
        return self.lines[self.row]

    def _put(self, c):
        line = self._line()
        while len(line) < self.column:
            line.append(" ")
        if self.column < len(line):
            line[self.column] = c
        else:
            line.append(c)
        self.column += 1


def run_on_console(command, steps, cwd):
    """Runs |command| on a pseudo-terminal of 80 by 25 characters. Each step
    is (text, keys): |keys| are typed once the screen shows |text| (after the
    previous step's). Returns (screen text, exit status, what went wrong)."""
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 25, 80, 0, 0))
    process = subprocess.Popen(command, stdin=slave, stdout=slave, stderr=slave,
                               cwd=cwd, start_new_session=True)
    os.close(slave)
    screen = Screen()
    problem = ""

    def read_some(timeout):
        ready, _, _ = select.select([master], [], [], timeout)
        if not ready:
            return False
        try:
            data = os.read(master, 4096)
        except OSError:  # the program and its console are gone
            return None
        if not data:
            return None
        screen.feed(data.decode("latin-1"))
        return True

    def in_key_mode():
        # Until Wine's console takes the terminal over, the terminal itself
        # would echo keys and hold them back as an unfinished line.
        local_modes = termios.tcgetattr(master)[3]
        return not local_modes & (termios.ICANON | termios.ECHO)

    searched_from = 0
    for text, keys in steps:
        deadline = time.monotonic() + HANG_SECONDS
        while True:
            found = screen.text().find(text, searched_from)
            if found >= 0 and in_key_mode():
                searched_from = found + len(text)
                break
            # The terminal's mode changes without output: look again soon.
            if read_some(0.02) is None or time.monotonic() > deadline:
                problem = "the program did not show %r and wait for a key" % text
                break
        if problem:
            break
        os.write(master, keys.encode("latin-1"))

    try:
        while read_some(HANG_SECONDS) is True:
            pass
        status = process.wait(timeout=HANG_SECONDS)
    except subprocess.TimeoutExpired:
        process.kill()
        status = process.wait()
        problem = problem or "the program did not end"
    os.close(master)
    return screen.text(), status, problem


def compare(what, shown, expected, status, problem):
    if not problem and status == 0 and shown == expected:
        print("%s: as expected" % what)
        return True
    print("%s: FAILED%s, exit status %s" % (what, " (%s)" % problem if problem else "", status))
    print("--- expected screen\n%s\n--- shown\n%s\n---" % (expected, shown))
    return False


def use_imager(command, menu_key, cwd):
    """Presses |menu_key| at the menu and a fresh key at the final prompt."""
    return run_on_console(command, [(MENU, menu_key), (QUIT, "q")], cwd)


def drive_a(prefix):
    return os.path.join(prefix, "dosdevices", "a::")


def unmap_drive_a(prefix):
    if os.path.lexists(drive_a(prefix)):
        os.remove(drive_a(prefix))


def case_no_console(prefix, command, work):
    """No console at all, as in a pipeline: the menu selects nothing and the
    program ends at once."""
    result = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, cwd=work, timeout=HANG_SECONDS)
    expected = (MENU + QUIT).replace("\n", "\r\n").encode()
    if result.returncode == 0 and result.stdout == expected:
        print("no console: as expected")
        return True
    print("no console: FAILED, exit status %d\nstdout: %r\nstderr: %r"
          % (result.returncode, result.stdout, result.stderr))
    return False


def case_other_keys(prefix, command, work):
    """Keys other than 1 and 2 run nothing."""
    ok = True
    for name, key in (("x", "x"), ("3", "3"), ("Enter", "\r")):
        shown, status, problem = use_imager(command, key, work)
        ok = compare("key %s" % name, shown, MENU + QUIT, status, problem) and ok
    return ok


def case_no_drive(prefix, command, work):
    """No drive A: both directions fail at the open."""
    unmap_drive_a(prefix)
    ok = True
    for key in ("1", "2"):
        shown, status, problem = use_imager(command, key, work)
        expected = MENU + NO_DRIVE + QUIT
        ok = compare("key %s, no drive A" % key, shown, expected, status, problem) and ok
    return ok


def case_loop_drive(prefix, command, work):
    """Drive A a loop device: opened and closed, its geometry refused."""
    if os.geteuid() != 0:
        print("skipped: needs root to attach a loop device as drive A")
        return None
    if shutil.which("losetup") is None:
        print("skipped: needs losetup (util-linux)")
        return None
    medium = os.path.join(work, "medium")
    before = bytes((i * 7 + i // 512) & 0xFF for i in range(1474560))
    with open(medium, "wb") as f:
        f.write(before)
    attach = subprocess.run(["losetup", "--find", "--show", medium],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    device = attach.stdout.strip()
    if attach.returncode != 0 or not device:
        print("FAILED: losetup: %s" % attach.stderr.strip())
        return False
    ok = True
    try:
        unmap_drive_a(prefix)
        os.symlink(device, drive_a(prefix))
        for key in ("1", "2"):
            shown, status, problem = use_imager(command, key, work)
            expected = MENU + QUERY_REFUSED + QUIT
            ok = compare("key %s, drive A %s" % (key, device), shown, expected, status,
                         problem) and ok
    finally:
        unmap_drive_a(prefix)
        subprocess.run(["losetup", "-d", device])
    with open(medium, "rb") as f:
        if f.read() != before:
            print("FAILED: the medium changed")
            ok = False
    return ok


CASES = {
    "no-console": case_no_console,
    "other-keys": case_other_keys,
    "no-drive": case_no_drive,
    "loop-drive": case_loop_drive,
}


def main():
    if len(sys.argv) < 4 or sys.argv[1] not in CASES:
        print(__doc__)
        print("cases: " + ", ".join(CASES))
        return 2
    case, prefix, command = sys.argv[1], sys.argv[2], sys.argv[3:]
    with tempfile.TemporaryDirectory(prefix="floppy-imager-wine-") as work:
        result = CASES[case](prefix, command, work)
    if result is None:
        return SKIPPED
    return 0 if result else 1


if __name__ == "__main__":
    sys.exit(main())
