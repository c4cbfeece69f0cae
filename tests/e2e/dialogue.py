"""The program's side of every end-to-end test: its fixed texts, how it is
started (natively, emulated or under Wine), its working directory, and one run
with all input at once; session.py answers each prompt once it has appeared."""

import difflib
import os
import re
import subprocess
import tempfile
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


# How the program is started, whether its output has Windows line ends, how
# many times slower than natively it may be, and where it runs ("wine",
# "emulated", or None natively) for the cases that cannot run everywhere.
LAUNCHER = []
WINDOWS = False
SLOWDOWN = 1.0
PLACE = None


def use_wine(wine64):
    """Runs a Windows build under the Wine loader `wine64`; no sanitizer build
    runs there, so a run that hangs can fail sooner."""
    global LAUNCHER, WINDOWS, RUN_TIMEOUT, PLACE
    LAUNCHER, WINDOWS, RUN_TIMEOUT, PLACE = [wine64], True, 120.0, "wine"


def use_emulator(command):
    """Starts every run as `command` (split on spaces) followed by the program,
    such as an emulator of an older processor, with deadlines to match."""
    global LAUNCHER, SLOWDOWN, PROMPT_TIMEOUT, PLACE
    LAUNCHER, SLOWDOWN, PLACE = command.split(), 10.0, "emulated"
    PROMPT_TIMEOUT *= SLOWDOWN


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
    if isinstance(data, bytes) and (workdir / DATA_FILE_NAME).read_bytes() != data:
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
    timeout = timeout * SLOWDOWN if timeout else RUN_TIMEOUT
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


def waiting_for_input(proc, deadline):
    """Polls until the process sleeps in a read of its standard input: Linux's
    /proc gives the system call it sleeps in (0 is read) and its file."""
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            raise Failure(f"ended (status {proc.returncode}) instead of waiting for input")
        try:
            state = Path(f"/proc/{proc.pid}/stat").read_text().rsplit(")", 1)[1].split()[0]
            call = Path(f"/proc/{proc.pid}/syscall").read_text().split()
        except OSError as error:
            raise Failure(f"cannot tell whether it waits for input: {error}")
        if state == "S" and call[:2] == ["0", "0x0"]:
            return
        time.sleep(0.01)
    raise Failure("never waited for input")


@contextmanager
def answered(binary, workdir, stdout, stderr):
    """The program with a pipe for its answers, which the caller writes as it
    sees fit; killed if it is still running when the caller is done."""
    proc = subprocess.Popen(LAUNCHER + [binary], cwd=workdir, stdin=subprocess.PIPE, stdout=stdout, stderr=stderr)
    try:
        yield proc
    except subprocess.TimeoutExpired:
        raise Failure("still running after its last answer")
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
