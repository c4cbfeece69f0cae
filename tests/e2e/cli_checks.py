#!/usr/bin/env python3
"""The program as a command: its arguments, its exit status and what it
writes to standard error, checked on a POSIX build.

Usage: cli_checks.py BINARY
"""

import errno
import os
import re
import signal
import subprocess
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent.parent
DATA_FILE_NAME = "MatrixDataFile1.txt"
SAMPLE = (REPO / "examples" / DATA_FILE_NAME).read_bytes()
TIMEOUT = 120
TYPED = b"k\n2x2\n1 2 3 4\n\n"
IGNORED_NOTE = (b"determinant: arguments are ignored; the data file is always "
                b"MatrixDataFile1.txt in the working directory\n")


class Failure(Exception):
    pass


def version():
    text = (REPO / "CMakeLists.txt").read_text()
    return re.search(r"project\(determinant VERSION (\S+)", text).group(1)


def run(binary, arguments=(), typed=TYPED, data=SAMPLE, stdout=subprocess.PIPE, close_stdout=False):
    """One run in a fresh directory holding `data` as the data file."""
    with tempfile.TemporaryDirectory(prefix="determinant-cli-") as workdir:
        if data is not None:
            Path(workdir, DATA_FILE_NAME).write_bytes(data)
        closing = (lambda: os.close(1)) if close_stdout else None
        return subprocess.run([binary, *arguments], cwd=workdir, input=typed, stdout=stdout,
                              stderr=subprocess.PIPE, preexec_fn=closing, timeout=TIMEOUT)


def expect(done, status, stderr, stdout=None):
    problems = []
    if done.returncode != status:
        problems.append(f"exit status {done.returncode}, expected {status}")
    if done.stderr != stderr:
        problems.append(f"standard error {done.stderr!r}, expected {stderr!r}")
    if stdout is not None and done.stdout != stdout:
        problems.append(f"standard output {done.stdout[:300]!r}, expected {stdout[:300]!r}")
    if problems:
        raise Failure("; ".join(problems))


def write_error(code):
    return f"determinant: write error: {os.strerror(code)}\n".encode()


def lost_output(binary, arguments, stdout_to):
    """The dialogue runs to its end, then one line says why the output was lost."""
    if stdout_to == "full":
        with open("/dev/full", "wb") as full:
            expect(run(binary, arguments, stdout=full), 1, write_error(errno.ENOSPC))
    else:
        expect(run(binary, arguments, stdout=None, close_stdout=True), 1, write_error(errno.EBADF))


def help_text(binary, option):
    # Standard input stays open and empty: a run that read it would hang.
    with tempfile.TemporaryDirectory(prefix="determinant-cli-") as workdir, \
            subprocess.Popen([binary, option], cwd=workdir, stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE) as proc:
        try:
            proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            proc.kill()
            raise Failure("waited for input")
        out, err = proc.stdout.read(), proc.stderr.read()
    if proc.returncode != 0 or err:
        raise Failure(f"exit status {proc.returncode}, standard error {err!r}")
    if not out.startswith(b"Usage: determinant") or DATA_FILE_NAME.encode() not in out:
        raise Failure(f"usage is {out!r}")
    return out


def help_options(binary):
    if help_text(binary, "--help") != help_text(binary, "-h"):
        raise Failure("-h and --help differ")


def version_option(binary):
    expect(run(binary, ["--version"], typed=b""), 0, b"", f"determinant {version()}\n".encode())


def ignored_arguments(binary):
    """Byte for byte the run without arguments, and one note on standard error."""
    for typed in (TYPED, b"f\n2\n\n", b"x\n0\n\n", b""):
        plain = run(binary, typed=typed)
        expect(plain, 0, b"")
        for arguments in (["other.txt"], ["--verbose"], ["-x", "--help"], [""], ["other.txt", "--help"]):
            try:
                expect(run(binary, arguments, typed=typed), 0, IGNORED_NOTE, plain.stdout)
            except Failure as failure:
                raise Failure(f"{arguments} with {typed!r}: {failure}")


def closed_pipe(binary):
    """A reader that goes away kills the program by SIGPIPE, as for any filter."""
    with tempfile.TemporaryDirectory(prefix="determinant-cli-") as workdir:
        Path(workdir, DATA_FILE_NAME).write_bytes(SAMPLE)
        proc = subprocess.Popen([binary], cwd=workdir, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        proc.stdout.close()
        _, err = proc.communicate(b"f\n2\n\n", timeout=TIMEOUT)
    if proc.returncode != -signal.SIGPIPE or err:
        raise Failure(f"exit status {proc.returncode}, standard error {err!r}")


def crlf_across_read_buffer(binary):
    """A CR LF split by the reader's 4096-byte buffer is listed as it stands;
    a Windows build reads the pair as one line end, so this is POSIX's case."""
    filler = (b"Commentary before the block fills the first read.\n" * 82)[:4090]
    done = run(binary, typed=b"f\n1\n\n", data=filler + b"[M202\r\n 1 2 3 4]\n")
    expect(done, 0, b"")
    if b"1  [M202\r\n 1 2 3 4]\n" not in done.stdout or b"^M" in done.stdout:
        raise Failure(f"listing is {done.stdout!r}")


CHECKS = [
    ("into_dev_full", lambda b: lost_output(b, [], "full")),
    ("standard_output_closed", lambda b: lost_output(b, [], "closed")),
    ("help_into_dev_full", lambda b: lost_output(b, ["--help"], "full")),
    ("version_with_standard_output_closed", lambda b: lost_output(b, ["--version"], "closed")),
    ("help_and_h", help_options),
    ("version", version_option),
    ("other_arguments_ignored", ignored_arguments),
    ("closed_pipe_is_sigpipe", closed_pipe),
    ("crlf_across_read_buffer", crlf_across_read_buffer),
]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip())
    binary = str(Path(sys.argv[1]).resolve())
    failed = 0
    for name, check in CHECKS:
        try:
            check(binary)
            print(f"ok   {name}")
        except (Failure, subprocess.TimeoutExpired) as failure:
            failed += 1
            print(f"FAIL {name}: {failure}")
    print(f"{len(CHECKS) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
