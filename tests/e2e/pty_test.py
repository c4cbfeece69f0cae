#!/usr/bin/env python3
"""Runs `determinant` in a pseudo-terminal, the way a person at a line-buffered
console uses it: each answer is typed only once its prompt is on the screen,
and after the result the program must still wait for the closing Enter.

The terminal echoes what is typed and turns every line break it prints into
"\\r\\n", so the screen is compared after turning "\\r\\n" back into "\\n", with
the typed answers in it where they were echoed.

Needs neither a standard input nor a controlling terminal of its own.

Usage: pty_test.py PATH_TO_DETERMINANT
"""

import errno
import os
import pty
import select
import signal
import sys
import tempfile
import time
from pathlib import Path

DATA_FILE_NAME = "MatrixDataFile1.txt"
# Generous, for sanitizer builds on a busy machine; a passing run takes well
# under a second.
PROMPT_TIMEOUT = 20.0
# How long the program must keep waiting for the closing Enter.
STILL_WAITING = 0.5

MENU = ("Where is the data for the matrix?\n"
        "If it will be typed in on the Keyboard, type K\n"
        "If it is already in the MatrixDataFile, type F\n"
        "To exit program type 0 (zero)\n")
SIZE_PROMPT = "Enter size of matrix ROWSxCOLUMNS (0x0 termimates input)  \n"
SELECT_PROMPT = "Input number before the selected data-input (zero to abort):\n"


class Failure(Exception):
    pass


class Terminal:
    """The program running on the slave side of a fresh pseudo-terminal, which
    is also its controlling terminal; this side plays the keyboard and screen."""

    def __init__(self, binary, workdir):
        pid, fd = pty.fork()
        if pid == 0:
            try:
                os.chdir(workdir)
                os.execv(binary, [binary])
            finally:
                os._exit(127)
        self.pid = pid
        self.fd = fd
        self.screen = b""
        self.seen = 0  # the screen before this offset has been matched already
        self.status = None

    def read_screen(self, timeout):
        """Adds what the program printed within `timeout` to the screen; False
        once the terminal is closed, which Linux reports as EIO."""
        ready, _, _ = select.select([self.fd], [], [], max(timeout, 0))
        if not ready:
            return True
        try:
            chunk = os.read(self.fd, 4096)
        except OSError as error:
            if error.errno == errno.EIO:
                return False
            raise
        self.screen += chunk.replace(b"\r\n", b"\n")
        return bool(chunk)

    def expect(self, text):
        want = text.encode()
        deadline = time.monotonic() + PROMPT_TIMEOUT
        while want not in self.screen[self.seen:]:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure(f"waited {PROMPT_TIMEOUT:.0f} s for {text!r}; screen so far:\n"
                              + self.shown())
            if not self.read_screen(left):
                raise Failure(f"the terminal closed before {text!r}; screen was:\n" + self.shown())
        self.seen = self.screen.index(want, self.seen) + len(want)

    def type(self, text):
        os.write(self.fd, text.encode())

    def alive(self):
        if self.status is None:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid == self.pid:
                self.status = os.waitstatus_to_exitcode(status)
        return self.status is None

    def wait_for_exit(self):
        deadline = time.monotonic() + PROMPT_TIMEOUT
        while self.alive():
            if time.monotonic() > deadline:
                raise Failure(f"still running {PROMPT_TIMEOUT:.0f} s after the closing Enter")
            # Keeps draining the screen, so a program with more to say is
            # never blocked on a full terminal.
            self.read_screen(0.05)
        while self.read_screen(0.05):
            pass
        return self.status

    def shown(self):
        return self.screen.decode(errors="backslashreplace")

    def close(self):
        if self.alive():
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
            self.status = -signal.SIGKILL
        os.close(self.fd)


def converse(binary, workdir, steps, expected_screen):
    """Plays `steps`, pairs of (what must appear, what to type then), checks
    the closing pause and then the whole screen."""
    term = Terminal(binary, workdir)
    try:
        for prompt, reply in steps:
            term.expect(prompt)
            if reply is not None:
                term.type(reply)
        time.sleep(STILL_WAITING)
        # Polls the screen as well, so anything printed after the result shows
        # up in the comparison below.
        term.read_screen(0.05)
        if not term.alive():
            raise Failure(f"ended with status {term.status} before the closing Enter; screen:\n"
                          + term.shown())
        term.type("\n")
        status = term.wait_for_exit()
        if status != 0:
            raise Failure(f"exit status {status} after the closing Enter, expected 0")
    finally:
        term.close()
    if term.screen != expected_screen.encode():
        raise Failure("the screen differs.\nexpected:\n" + expected_screen
                      + "\nactual:\n" + term.shown())


def keyboard_2x2(binary):
    steps = [("To exit program type 0 (zero)\n", "k\n"),
             (SIZE_PROMPT, "2x2\n"),
             ("Prepare to enter 2 numbers in row 1\nfirst number\n", "3\n"),
             ("last number\n", "1\n"),
             ("Prepare to enter 2 numbers in row 2\nfirst number\n", "4\n"),
             ("last number\n", "2\n"),
             ("Determinant value of the matrix is  2\n", None)]
    # Typed answers appear on the screen right after the prompt they answer,
    # and the closing Enter's echo comes last.
    expected = (MENU + "k\n" + SIZE_PROMPT + "2x2\n"
                + "Prepare to enter 2 numbers in row 1\nfirst number\n3\nlast number\n1\n"
                + "Prepare to enter 2 numbers in row 2\nfirst number\n4\nlast number\n2\n"
                + "\nMatrix has the form:\n  3  1\n  4  2\n"
                + "Determinant value of the matrix is  2\n"
                + "\n")
    with tempfile.TemporaryDirectory(prefix="determinant-pty-") as workdir:
        converse(binary, workdir, steps, expected)


def data_file_pick(binary):
    data = b"Two matrices\n[M202\n 1 2\n 3 4]\ncommentary\n[m303 2 0 0 0 2 0 0 0 2]\n"
    steps = [("To exit program type 0 (zero)\n", "F\n"),
             (SELECT_PROMPT, "3\n"),
             ("Number must be between 1 and 2\n" + SELECT_PROMPT, "1\n"),
             ("Determinant value of the matrix is  -2\n", None)]
    expected = (MENU + "F\n"
                + "1  [M202\n 1 2\n 3 4]\n\n2  [m303 2 0 0 0 2 0 0 0 2]\n\n"
                + SELECT_PROMPT + "3\n" + "Number must be between 1 and 2\n"
                + SELECT_PROMPT + "1\n"
                + "\nMatrix has the form:\n  1  2\n  3  4\n"
                + "Determinant value of the matrix is  -2\n"
                + "\n")
    with tempfile.TemporaryDirectory(prefix="determinant-pty-") as workdir:
        target = Path(workdir, DATA_FILE_NAME)
        target.write_bytes(data)
        converse(binary, workdir, steps, expected)
        if target.read_bytes() != data:
            raise Failure("the data file was changed")


def menu_zero(binary):
    # Nothing is shown after 0, but the closing pause still waits.
    with tempfile.TemporaryDirectory(prefix="determinant-pty-") as workdir:
        converse(binary, workdir, [("To exit program type 0 (zero)\n", "0\n")],
                 MENU + "0\n" + "\n")


def trailing_spaces(binary):
    # What is left of an answer's line must not keep the next prompt back.
    steps = [("To exit program type 0 (zero)\n", "k \n"),
             (SIZE_PROMPT, "13x2 \n"),
             ("No size larger than 12\n" + SIZE_PROMPT, "1x1 \n"),
             ("Prepare to enter 1 numbers in row 1\nfirst number\nlast number\n", "-5\n"),
             ("Determinant value of the matrix is  0\n", None)]
    expected = (MENU + "k \n" + SIZE_PROMPT + "13x2 \n" + "No size larger than 12\n"
                + SIZE_PROMPT + "1x1 \n"
                + "Prepare to enter 1 numbers in row 1\nfirst number\nlast number\n-5\n"
                + "\nMatrix has the form:\n -5\nInput 1  not between limits  2 and 1001\n"
                + "Determinant value of the matrix is  0\n" + "\n")
    with tempfile.TemporaryDirectory(prefix="determinant-pty-") as workdir:
        converse(binary, workdir, steps, expected)


TESTS = [("keyboard_2x2", keyboard_2x2), ("data_file_pick", data_file_pick),
         ("menu_zero", menu_zero), ("trailing_spaces", trailing_spaces)]


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__.strip().splitlines()[-1])
    binary = str(Path(sys.argv[1]).resolve())
    failed = 0
    for name, test in TESTS:
        started = time.monotonic()
        try:
            test(binary)
        except Failure as failure:
            failed += 1
            print(f"FAIL {name}\n{failure}\n", flush=True)
        else:
            print(f"ok   {name} ({time.monotonic() - started:.1f} s)", flush=True)
    print(f"{len(TESTS) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
