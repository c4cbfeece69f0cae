"""A session with the program: a pipe or a pseudo-terminal on both ends, each
answer sent once the prompt it answers has appeared."""

import errno
import fcntl
import os
import select
import subprocess
import tempfile
import termios
import time
from pathlib import Path

import dialogue
from dialogue import DATA_FILE_NAME, Failure, as_written, transcript_diff

def open_paths(pid):
    paths = set()
    for descriptor in Path(f"/proc/{pid}/fd").glob("*"):
        try:
            paths.add(Path(os.readlink(descriptor)))
        except OSError:
            pass  # closed while we looked
    return paths


class Session:
    """The program with a pipe or a pseudo-terminal on both ends. A terminal
    echoes what is typed and ends its lines with "\\r\\n", read as "\\n"."""

    def __init__(self, binary, workdir, terminal=False, arguments=()):
        self.terminal = terminal
        self.data_file = Path(workdir, DATA_FILE_NAME).resolve()
        self.errors = tempfile.TemporaryFile()
        command = dialogue.LAUNCHER + [binary, *arguments]
        if terminal:
            # The program leads a new session, so the terminal becomes its own.
            self.fd, follower = os.openpty()
            self.proc = subprocess.Popen(command, cwd=workdir, stdin=follower, stdout=follower,
                                         stderr=self.errors, start_new_session=True,
                                         preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
            os.close(follower)
            self.keyboard = self.fd
        else:
            self.proc = subprocess.Popen(command, cwd=workdir, stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, stderr=self.errors)
            self.fd, self.keyboard = self.proc.stdout.fileno(), self.proc.stdin.fileno()
        self.raw = b""
        self.checked = 0  # output before this offset has been matched already

    @property
    def output(self):
        return self.raw.replace(b"\r\n", b"\n") if self.terminal else as_written(self.raw)

    def read(self, timeout):
        """Adds what arrives within `timeout`; False once the program's end is
        closed (at a terminal Linux says EIO)."""
        ready, _, _ = select.select([self.fd], [], [], max(timeout, 0))
        if not ready:
            return True
        try:
            chunk = os.read(self.fd, 4096)
        except OSError as error:
            if error.errno == errno.EIO:
                return False
            raise
        self.raw += chunk
        return bool(chunk)

    def expect(self, text):
        """The next output must be `text`; waits for it to arrive."""
        deadline = time.monotonic() + dialogue.PROMPT_TIMEOUT
        while len(self.output) - self.checked < len(text):
            if time.monotonic() > deadline or not self.read(deadline - time.monotonic()):
                break
        got = self.output[self.checked:self.checked + len(text)]
        if got != text:
            raise Failure(f"expected next {text!r}; the output so far:\n"
                          + transcript_diff(self.output[:self.checked] + text, self.output))
        self.checked += len(text)

    def settle(self):
        """Whatever the program writes until it falls quiet, for recording."""
        while True:
            before = len(self.raw)
            if not self.read(dialogue.QUIET) or len(self.raw) == before:
                break
        got, self.checked = self.output[self.checked:], len(self.output)
        return got

    def answer(self, text):
        try:
            os.write(self.keyboard, text)
        except BrokenPipeError:
            raise Failure(f"ended before it could be sent {text!r}")

    def finish(self, then=b"", status=0):
        """The program must still be waiting for the closing Enter, with the
        data file closed; that Enter must end it with `status` (any, when
        None), and the output end with `then`, a terminal's echo of it.
        Returns the status."""
        self.read(dialogue.STILL_WAITING)
        if self.proc.poll() is not None:
            raise Failure(f"ended (status {self.proc.returncode}) before the closing Enter")
        if self.holds_data_file():
            raise Failure("the data file is still open in the closing pause")
        self.answer(b"\n")
        deadline = time.monotonic() + dialogue.PROMPT_TIMEOUT
        while self.read(0.05) or self.proc.poll() is None:
            if time.monotonic() > deadline:
                raise Failure("still running after the closing Enter")
        if status is not None and self.proc.returncode != status:
            raise Failure(f"exit status {self.proc.returncode} after the closing Enter, expected {status}")
        self.expect(then)
        if self.output[self.checked:]:
            raise Failure(f"wrote more after the closing Enter: {self.output[self.checked:]!r}")
        return self.proc.returncode

    def standard_error(self):
        self.errors.seek(0)
        return as_written(self.errors.read())

    def holds_data_file(self, patience=5.0):
        """Whether the program still has the data file open after `patience`
        seconds, as Linux's /proc shows; elsewhere there is no telling."""
        deadline = time.monotonic() + patience
        while not dialogue.WINDOWS and self.data_file in open_paths(self.proc.pid):
            if time.monotonic() > deadline:
                return True
            time.sleep(0.05)
        return False

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.__exit__(*exception)  # closes the pipes and waits
        if self.terminal:
            os.close(self.fd)
        self.errors.close()
