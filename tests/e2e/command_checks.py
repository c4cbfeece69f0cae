"""The end-to-end checks of the program as a command: output that cannot be
written, standard input that cannot be read, the usage, the version, other
arguments, and a reader that goes away."""

import errno
import os
import re
import signal
import subprocess
import tempfile
import time
from types import SimpleNamespace

import dialogue
from dialogue import (CLOSED, DATA_FILE_NAME, MENU, Failure, answered, check_run, run, waiting_for_input,
                      working_directory)
from file_checks import QUICK_TIMEOUT, TWO_BLOCKS, reason_line


def standard_input_is_a_directory(binary):
    # Reading fails at once; that is the end of the input.
    with working_directory() as workdir:
        descriptor = os.open(workdir, os.O_RDONLY | os.O_DIRECTORY)
        outcome = run(binary, workdir, stdin=descriptor)
        os.close(descriptor)
    check_run(outcome, MENU.encode())


def lost_output(arguments=(), closed=False):
    """Every write fails: the run must still read its answers and end, then
    say why its output was lost and exit 1."""
    def check(binary):
        with working_directory() as workdir, open("/dev/full", "wb") as full:
            outcome = run(binary, workdir, PLAIN_RUN, stdout=CLOSED if closed else full, arguments=arguments)
        reason = os.strerror(errno.EBADF if closed else errno.ENOSPC)
        check_run(outcome, status=1, stderr=f"determinant: write error: {reason}\n".encode())
    return check


WAITING_IN_A_READ = "a wait in a read shows in Linux's /proc, but a program under Wine waits in Wine's own calls"


def lost_while_waiting(binary):
    """Output lost to a full disk while the program waits for its answers: a
    flush before each read meets the error, which must be the one reported
    at the end, not whatever a later call left in errno."""
    deadline = time.monotonic() + dialogue.PROMPT_TIMEOUT
    with working_directory() as workdir, open("/dev/full", "wb") as full, tempfile.TemporaryFile() as errors:
        with answered(binary, workdir, full, errors) as proc:
            for answer in (b"f\n", b"\n"):  # no data file, then the closing Enter
                waiting_for_input(proc, deadline)
                proc.stdin.write(answer)
                proc.stdin.flush()
            proc.stdin.close()
            proc.wait(max(deadline - time.monotonic(), 0))
        errors.seek(0)
        outcome = SimpleNamespace(status=proc.returncode, output=b"", stderr=errors.read())
    check_run(outcome, status=1, stderr=reason_line("No such file or directory")
              + b"determinant: write error: No space left on device\n")


# --- the program as a command ----------------------------------------------------------

PLAIN_RUN = b"k\n2x2\n1 2 3 4\n\n"
IGNORED = b"determinant: arguments are ignored unless the first is --help, -h, --version, --block or --all\n"


def usage(option):
    # Standard input stays open and empty: a run that read it would not end.
    def check(binary):
        with working_directory() as workdir:
            outcome = run(binary, workdir, stdin=subprocess.PIPE, timeout=QUICK_TIMEOUT, arguments=[option])
        check_run(outcome)
        if not outcome.output.startswith(b"Usage: determinant") or DATA_FILE_NAME.encode() not in outcome.output:
            raise Failure(f"the usage is {outcome.output!r}")
    return check


def version(binary):
    number = re.search(r"project\(determinant VERSION (\S+)", (dialogue.REPO / "CMakeLists.txt").read_text())[1]
    with working_directory() as workdir:
        check_run(run(binary, workdir, arguments=["--version"]), f"determinant {number}\n".encode())


def other_arguments_ignored(binary):
    """Byte for byte the run without arguments, and one note on standard error."""
    with working_directory(TWO_BLOCKS) as workdir:
        for typed in (PLAIN_RUN, b"f\n2\n\n", b"x\n0\n\n", b""):
            plain = run(binary, workdir, typed)
            check_run(plain)
            for arguments in (["other.txt"], ["--verbose"], ["-x", "--help"], [""], ["other.txt", "--help"]):
                check_run(run(binary, workdir, typed, arguments=arguments), plain.output, stderr=IGNORED)


def all_from_a_directory(binary):
    """Standard input that cannot be read: its reason, not an empty file."""
    with working_directory() as workdir:
        descriptor = os.open(workdir, os.O_RDONLY | os.O_DIRECTORY)
        outcome = run(binary, workdir, stdin=descriptor, arguments=["--all", "-"])
        os.close(descriptor)
    check_run(outcome, b"", status=1, stderr=reason_line("Is a directory", "standard input"))


def all_into_dev_full(binary):
    """Values lost to a full disk: the refusals still come, in order, then
    the write error."""
    with working_directory(TWO_BLOCKS) as workdir, open("/dev/full", "wb") as full:
        outcome = run(binary, workdir, stdout=full, arguments=["--all"])
    check_run(outcome, status=1, stderr=reason_line("block 2: Input 1  not between limits  2 and 1001")
              + f"determinant: write error: {os.strerror(errno.ENOSPC)}\n".encode())


def closed_pipe(binary):
    """A reader that went away ends the program by SIGPIPE, as any filter."""
    reader, writer = os.pipe()
    os.close(reader)
    with working_directory(TWO_BLOCKS) as workdir:
        outcome = run(binary, workdir, b"f\n2\n\n", stdout=writer)
    os.close(writer)
    check_run(outcome, status=-signal.SIGPIPE)
