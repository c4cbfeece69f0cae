"""The program's side of every end-to-end test: its fixed texts, how it is
started (natively or under Wine), its working directory, one run with all
input at once, and a session that answers each prompt once it has appeared."""

import difflib
import errno
import fcntl
import os
import re
import select
import subprocess
import tempfile
import termios
import time
from contextlib import contextmanager
from pathlib import Path
from types import SimpleNamespace

REPO = Path(__file__).resolve().parents[2]
DATA_FILE_NAME = "MatrixDataFile1.txt"

MENU = ("Where is the data for the matrix?\n"
        "If it will be typed in on the Keyboard, type K\n"
        "If it is already in the MatrixDataFile, type F\n"
        "To exit program type 0 (zero)\n")
MENU_ERROR = "Error: enter either K or F or 0\n"
SIZE_PROMPT = "Enter size of matrix ROWSxCOLUMNS (0x0 termimates input)  \n"
SIZE_ERROR = "Size must be two numbers such as 3x4\n"
NUMBER_ERROR = "Enter a whole number from -2147483648 to 2147483647\n"
SELECT_PROMPT = "Input number before the selected data-input (zero to abort):\n"
NO_FILE = "Cannot find file MatrixDataFile1.txt\n"
HEADING = "\nMatrix has the form:\n"

# Generous for sanitizer builds on a busy machine: they only stop a hung run.
RUN_TIMEOUT = 900.0
PROMPT_TIMEOUT = 60.0
STILL_WAITING = 0.5  # how long the closing pause must hold
QUIET = 1.0  # how long output must pause before recording takes it as complete


class Failure(Exception):
    pass


class Skipped(Exception):
    pass


# How the program is started, and whether its output has Windows line ends.
LAUNCHER = []
WINDOWS = False


def use_wine(wine64):
    """Runs a Windows build under the Wine loader `wine64`; no sanitizer build
    runs there, so a run that hangs can fail sooner."""
    global LAUNCHER, WINDOWS, RUN_TIMEOUT
    LAUNCHER, WINDOWS, RUN_TIMEOUT = [wine64], True, 120.0


def as_written(output):
    """The output as written: a Windows build's text mode makes LF CRLF."""
    return output.replace(b"\r\n", b"\n") if WINDOWS else output


def visible_lines(data):
    """Lines whose ends, CRs and missing final line break show in a diff."""
    lines = data.decode("utf-8", errors="backslashreplace").replace("\r", "\\r").split("\n")
    visible = [line + "$" for line in lines[:-1]]
    if lines[-1]:
        visible.append(lines[-1] + "  (no line break at the end)")
    return visible


def transcript_diff(expected, actual):
    return "\n".join(difflib.unified_diff(visible_lines(expected), visible_lines(actual),
                                          "expected", "actual", lineterm="", n=3))


# --- the working directory ------------------------------------------------------

make_directory = Path.mkdir
make_fifo = os.mkfifo


def symlink_to(target):
    return lambda path: os.symlink(target, path)


@contextmanager
def working_directory(data=None):
    """A fresh directory with the data file's bytes, none, or whatever a
    function of its path makes there (a directory, a FIFO, a symlink)."""
    with tempfile.TemporaryDirectory(prefix="determinant-e2e-") as workdir:
        target = Path(workdir, DATA_FILE_NAME)
        if callable(data):
            data(target)
        elif data is not None:
            target.write_bytes(data)
        yield Path(workdir)


def check_data_file(workdir, data):
    if data is not None and (workdir / DATA_FILE_NAME).read_bytes() != data:
        raise Failure("the data file was changed")


# --- one run with all input at once ------------------------------------------------

CLOSED = "closed"


def peak_memory_kb(pid, so_far):
    """The process's peak resident memory so far, as the kernel has it."""
    try:
        return max(so_far, int(re.search(r"VmHWM:\s*(\d+)", Path(f"/proc/{pid}/status").read_text())[1]))
    except (OSError, TypeError):
        return so_far


def run(binary, workdir, typed=b"", timeout=None, stdin=None, stdout=None, as_user=None,
        arguments=()):
    """Runs the program to its end with `typed` (or `stdin`) as its input and
    its output to a file (or `stdout`, or CLOSED); returns its status, output,
    standard error, time and peak memory."""
    timeout = timeout or RUN_TIMEOUT
    user = {} if as_user is None else dict(user=as_user, group=as_user, extra_groups=[])
    if stdout is CLOSED:
        stdout, user["preexec_fn"] = subprocess.DEVNULL, lambda: os.close(1)
    with tempfile.TemporaryFile() as given, tempfile.TemporaryFile() as out, \
            tempfile.TemporaryFile() as err:
        given.write(typed)
        given.seek(0)
        started = time.monotonic()
        proc = subprocess.Popen(LAUNCHER + [binary, *arguments], cwd=workdir, stdin=stdin or given,
                                stdout=stdout or out, stderr=err, **user)
        peak_kb = 0
        while proc.poll() is None:
            peak_kb = peak_memory_kb(proc.pid, peak_kb)
            if time.monotonic() - started > timeout:
                proc.kill()
                proc.wait()
                raise Failure(f"still running after {timeout:.0f} s; killed")
            time.sleep(0.002)
        seconds = time.monotonic() - started
        out.seek(0)
        err.seek(0)
        return SimpleNamespace(status=proc.returncode, output=as_written(out.read()),
                               stderr=as_written(err.read()), seconds=seconds, max_rss_kb=peak_kb)


def check_run(result, expected=None, ends_with=None, status=0, stderr=b""):
    """Fails with every way the run differs from what was expected; a normal
    run writes nothing to standard error."""
    problems = []
    if result.status != status:
        problems.append(f"exit status {result.status}, expected {status}")
    if result.stderr != stderr:
        problems.append(f"standard error {result.stderr!r}, expected {stderr!r}")
    if expected is not None and result.output != expected:
        problems.append("standard output differs:\n" + transcript_diff(expected, result.output))
    if ends_with is not None and not result.output.endswith(ends_with):
        problems.append(f"output does not end with {ends_with!r}; its end:\n{result.output[-300:]!r}")
    if problems:
        raise Failure("\n".join(problems))


# --- a session, one prompt at a time ----------------------------------------------

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

    def __init__(self, binary, workdir, terminal=False):
        self.terminal = terminal
        self.data_file = Path(workdir, DATA_FILE_NAME).resolve()
        if terminal:
            # The program leads a new session, so the terminal becomes its own.
            self.fd, follower = os.openpty()
            self.proc = subprocess.Popen(LAUNCHER + [binary], cwd=workdir, stdin=follower, stdout=follower,
                                         stderr=subprocess.DEVNULL, start_new_session=True,
                                         preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
            os.close(follower)
            self.keyboard = self.fd
        else:
            self.proc = subprocess.Popen(LAUNCHER + [binary], cwd=workdir, stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
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
        deadline = time.monotonic() + PROMPT_TIMEOUT
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
            if not self.read(QUIET) or len(self.raw) == before:
                break
        got, self.checked = self.output[self.checked:], len(self.output)
        return got

    def answer(self, text):
        try:
            os.write(self.keyboard, text)
        except BrokenPipeError:
            raise Failure(f"ended before it could be sent {text!r}")

    def finish(self, then=b""):
        """The program must still be waiting for the closing Enter, with the
        data file closed; that Enter must end it with status 0, and the output
        end with `then`, a terminal's echo of it."""
        self.read(STILL_WAITING)
        if self.proc.poll() is not None:
            raise Failure(f"ended (status {self.proc.returncode}) before the closing Enter")
        if self.holds_data_file():
            raise Failure("the data file is still open in the closing pause")
        self.answer(b"\n")
        deadline = time.monotonic() + PROMPT_TIMEOUT
        while self.read(0.05) or self.proc.poll() is None:
            if time.monotonic() > deadline:
                raise Failure("still running after the closing Enter")
        if self.proc.returncode != 0:
            raise Failure(f"exit status {self.proc.returncode} after the closing Enter, expected 0")
        self.expect(then)
        if self.output[self.checked:]:
            raise Failure(f"wrote more after the closing Enter: {self.output[self.checked:]!r}")

    def holds_data_file(self, patience=5.0):
        """Whether the program still has the data file open after `patience`
        seconds, as Linux's /proc shows; elsewhere there is no telling."""
        deadline = time.monotonic() + patience
        while not WINDOWS and self.data_file in open_paths(self.proc.pid):
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
