#!/usr/bin/env python3
"""End-to-end tests of the `determinant` program.

Each case runs the real binary in a fresh temporary working directory with
its standard input piped in, and compares the whole standard output with the
expected transcript, byte for byte.

Cases live in cases/<group>/ as
  <case>.in    the bytes typed on standard input
  <case>.out   the bytes the program must print
  <case>.data  optional: copied in as MatrixDataFile1.txt
A group directory may instead hold a file `data-from`, one line naming a file
relative to the repository root, which every case of the group gets as its
data file (the sample group uses the shipped examples this way).

Two groups are checks written in code rather than case files:
  pipes           answers each prompt only once it has appeared, as another
                  program driving this one would, and checks the closing pause
  file_untouched  the data file's bytes and modification time survive runs

A Windows build runs under Wine (--wine): its output's CRLF line ends are
read as LF, and the cases that only make sense on POSIX are skipped, each with
its reason.

Usage: run_e2e.py --binary PATH [--group NAME ...] [--wine WINE64]
       (no --group: all groups)
"""

import argparse
import difflib
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
CASES = HERE / "cases"
REPO = HERE.parent.parent
DATA_FILE_NAME = "MatrixDataFile1.txt"
SAMPLE_FILE = REPO / "examples" / DATA_FILE_NAME
# Generous, for sanitizer builds, where a 12x12 takes minutes; the limits only
# keep a hung program from hanging the suite.
RUN_TIMEOUT = 900.0
PROMPT_TIMEOUT = 60.0


class Failure(Exception):
    pass


# How the program is started, and whether its output has Windows line ends.
LAUNCHER = []
WINDOWS = False


def use_wine(wine64):
    """Runs a Windows build of the program under the Wine loader `wine64`."""
    global LAUNCHER, WINDOWS, RUN_TIMEOUT
    LAUNCHER, WINDOWS = [wine64], True
    # No sanitizer build runs there, so a run that hangs can fail sooner.
    RUN_TIMEOUT = 120.0


def command(binary):
    return LAUNCHER + [binary]


def as_written(output):
    """The program's output with the line ends it wrote in the program: a
    Windows build's text mode turns each LF into CRLF on the way out."""
    return output.replace(b"\r\n", b"\n") if WINDOWS else output


def visible_lines(data):
    """Splits a transcript into lines with their ends made visible, so that
    trailing spaces and a missing final line break show up in a diff."""
    text = data.decode("utf-8", errors="backslashreplace")
    lines = text.split("\n")
    shown = [line + "$" for line in lines[:-1]]
    if lines[-1]:
        shown.append(lines[-1] + "  (no line break at the end)")
    return shown


def transcript_diff(expected, actual):
    diff = difflib.unified_diff(visible_lines(expected), visible_lines(actual),
                                "expected", "actual", lineterm="", n=3)
    return "\n".join(diff)


def run_program(binary, workdir, stdin_bytes):
    try:
        done = subprocess.run(command(binary), cwd=workdir, input=stdin_bytes,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=RUN_TIMEOUT)
    except subprocess.TimeoutExpired:
        raise Failure(f"no exit within {RUN_TIMEOUT:.0f} s (killed)")
    return done


def data_for(case_in):
    """The data file bytes for a case, or None when the case runs without one."""
    own = case_in.with_suffix(".data")
    if own.exists():
        return own.read_bytes()
    shared = case_in.parent / "data-from"
    if shared.exists():
        return (REPO / shared.read_text().strip()).read_bytes()
    return None


def run_case(binary, case_in):
    expected = case_in.with_suffix(".out").read_bytes()
    data = data_for(case_in)
    with tempfile.TemporaryDirectory(prefix="determinant-e2e-") as workdir:
        if data is not None:
            Path(workdir, DATA_FILE_NAME).write_bytes(data)
        done = run_program(binary, workdir, case_in.read_bytes())
        problems = []
        output = as_written(done.stdout)
        if output != expected:
            problems.append("standard output differs:\n"
                            + transcript_diff(expected, output))
        if done.returncode != 0:
            problems.append(f"exit status {done.returncode}, expected 0")
        if data is not None and Path(workdir, DATA_FILE_NAME).read_bytes() != data:
            problems.append("the data file was changed")
        if problems:
            if done.stderr:
                problems.append("standard error:\n"
                                + done.stderr.decode(errors="backslashreplace"))
            raise Failure("\n".join(problems))


# --- a program on the other end of the pipes ---------------------------------

class Dialogue:
    """Runs the binary with pipes on both ends and answers prompts as they
    appear, never writing before the program has asked."""

    def __init__(self, binary, workdir):
        self.proc = subprocess.Popen(command(binary), cwd=workdir, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.data_file = Path(workdir, DATA_FILE_NAME).resolve()
        self.raw = b""
        self.checked = 0  # output before this offset has been matched already

    @property
    def output(self):
        return as_written(self.raw)

    def expect(self, text, timeout=PROMPT_TIMEOUT):
        want = text.encode()
        deadline = time.monotonic() + timeout
        fd = self.proc.stdout.fileno()
        while want not in self.output[self.checked:]:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure(f"waited {timeout:.0f} s for {text!r}; output so far:\n"
                              + self.output.decode(errors="backslashreplace"))
            ready, _, _ = select.select([fd], [], [], left)
            if ready:
                chunk = os.read(fd, 4096)
                if not chunk:
                    raise Failure(f"output ended before {text!r}; output was:\n"
                                  + self.output.decode(errors="backslashreplace"))
                self.raw += chunk
        self.checked = self.output.index(want, self.checked) + len(want)

    def answer(self, text):
        try:
            self.proc.stdin.write(text.encode())
            self.proc.stdin.flush()
        except BrokenPipeError:
            raise Failure(f"ended before it could be sent {text!r}")

    def finish(self, wait_before_enter=0.3):
        """The run is over: the program must still be waiting for the closing
        Enter, and that one line break must end it with status 0."""
        time.sleep(wait_before_enter)
        if self.proc.poll() is not None:
            raise Failure(f"ended (status {self.proc.returncode}) before the closing Enter")
        if self.holds_data_file():
            raise Failure("the data file is still open in the closing pause")
        self.answer("\n")
        try:
            status = self.proc.wait(timeout=PROMPT_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure("still running after the closing Enter")
        self.raw += self.proc.stdout.read()
        if status != 0:
            raise Failure(f"exit status {status} after the closing Enter, expected 0")

    def holds_data_file(self, patience=5.0):
        """Whether one of the program's descriptors still leads to the data
        file after `patience` seconds (a loaded machine may not have reached
        the close yet), as Linux shows them in /proc; elsewhere there is no
        telling."""
        descriptors = Path(f"/proc/{self.proc.pid}/fd")
        if WINDOWS or not descriptors.is_dir():
            return False
        deadline = time.monotonic() + patience
        while self.data_file in self.open_files(descriptors):
            if time.monotonic() > deadline:
                return True
            time.sleep(0.05)
        return False

    @staticmethod
    def open_files(descriptors):
        targets = set()
        for descriptor in descriptors.iterdir():
            try:
                targets.add(Path(os.readlink(descriptor)))
            except OSError:
                pass  # closed while we looked
        return targets

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for stream in (self.proc.stdin, self.proc.stdout):
            try:
                stream.close()
            except OSError:
                pass


MENU = ("Where is the data for the matrix?\n"
        "If it will be typed in on the Keyboard, type K\n"
        "If it is already in the MatrixDataFile, type F\n"
        "To exit program type 0 (zero)\n")
MENU_END = "To exit program type 0 (zero)\n"
SIZE_PROMPT = "Enter size of matrix ROWSxCOLUMNS (0x0 termimates input)  \n"
SELECT_PROMPT = "Input number before the selected data-input (zero to abort):\n"


# What a dialogue finds where the data file should be, besides a file's bytes
# or nothing at all.
A_DIRECTORY = "a directory"
TWO_MATRICES = b"Two small matrices\n[M202\n 1 2\n 3 4]\nand a third\n[m303 2 0 0 0 2 0 0 0 2]\n"
TWO_MATRICES_LISTED = "1  [M202\n 1 2\n 3 4]\n\n2  [m303 2 0 0 0 2 0 0 0 2]\n\n"


def converse(binary, data, steps, expected_transcript=None):
    """Plays `steps`, pairs of (what must appear, what to answer then), in a
    fresh working directory with `data` as the data file, then the closing
    pause; compares the whole transcript when one is given."""
    with tempfile.TemporaryDirectory(prefix="determinant-e2e-") as workdir:
        if data == A_DIRECTORY:
            Path(workdir, DATA_FILE_NAME).mkdir()
        elif data is not None:
            Path(workdir, DATA_FILE_NAME).write_bytes(data)
        talk = Dialogue(binary, workdir)
        try:
            for prompt, reply in steps:
                talk.expect(prompt)
                if reply is not None:
                    talk.answer(reply)
            talk.finish()
        finally:
            talk.close()
    if expected_transcript is not None and talk.output != expected_transcript.encode():
        raise Failure("transcript differs:\n"
                      + transcript_diff(expected_transcript.encode(), talk.output))


def pipes_keyboard(binary):
    steps = [(MENU_END, "k\n"), (SIZE_PROMPT, "2x2\n"),
             ("Prepare to enter 2 numbers in row 1\nfirst number\n", "3\n"),
             ("last number\n", "1\n"),
             ("Prepare to enter 2 numbers in row 2\nfirst number\n", "4\n"),
             ("last number\n", "2\n"),
             ("Determinant value of the matrix is  2\n", None)]
    expected = (MENU + SIZE_PROMPT
                + "Prepare to enter 2 numbers in row 1\nfirst number\nlast number\n"
                + "Prepare to enter 2 numbers in row 2\nfirst number\nlast number\n"
                + "\nMatrix has the form:\n  3  1\n  4  2\n"
                + "Determinant value of the matrix is  2\n")
    converse(binary, None, steps, expected)


def pipes_data_file(binary):
    steps = [(MENU_END, "f\n"), (SELECT_PROMPT, "7\n"),
             ("Number must be between 1 and 2\n" + SELECT_PROMPT, "2\n"),
             ("Determinant value of the matrix is  8\n", None)]
    expected = (MENU + TWO_MATRICES_LISTED
                + SELECT_PROMPT + "Number must be between 1 and 2\n" + SELECT_PROMPT
                + "\nMatrix has the form:\n  2  0  0\n  0  2  0\n  0  0  2\n"
                + "Determinant value of the matrix is  8\n")
    converse(binary, TWO_MATRICES, steps, expected)


# Answers as people type them: a space after the letter or a number, Windows
# line ends, a letter after a refused pick. Whatever is left of the line, each
# prompt must be out before the program waits. The steps' texts make up the
# whole transcript.
UNTIDY_KEYBOARD = [
    (MENU, "k \n"),
    (SIZE_PROMPT, "13x2 \n"),
    ("No size larger than 12\n" + SIZE_PROMPT, "1x2\r\n"),
    ("Prepare to enter 2 numbers in row 1\nfirst number\n", "3 \n"),
    ("last number\n", "4\n"),
    ("\nMatrix has the form:\n  3  4\nNo determinant value for a matrix not square\n", None)]
UNTIDY_DATA_FILE = [
    (MENU, "f\r\n"),
    (TWO_MATRICES_LISTED + SELECT_PROMPT, "7 \n"),
    ("Number must be between 1 and 2\n" + SELECT_PROMPT, "x\n"),
    ("Number must be between 1 and 2\n" + SELECT_PROMPT, "1\n"),
    ("\nMatrix has the form:\n  1  2\n  3  4\nDeterminant value of the matrix is  -2\n", None)]


def pipes_untidy(steps):
    return lambda binary: converse(binary, TWO_MATRICES, steps, "".join(prompt for prompt, _ in steps))


# Every way out of the data file choice, with the file left behind it; the
# closing pause of each checks that the file is closed by then.
def pipes_closing(data, answer, last_words):
    steps = [(MENU_END, "f\n")]
    if answer is not None:
        steps.append((SELECT_PROMPT, answer))
    if last_words is not None:
        steps.append((last_words, None))
    return lambda binary: converse(binary, data, steps)


def pipes_menu_zero(binary):
    # Even the choice 0 ends with the closing pause.
    converse(binary, None, [(MENU_END, "0\n")], MENU)


# --- the data file is only ever read ------------------------------------------

# Runs through every path that opens the file: listing and aborting, each kind
# of pick, refusals, out-of-range selections, end of input, and the keyboard.
UNTOUCHED_RUNS = [b"f\n0\n\n", b"F\n1\n\n", b"f\n3\n\n", b"f\n5\n\n", b"f\n6\n\n",
                  b"f\n7\n\n", b"f\n8\n\n", b"f\n99\n-1\n0\n\n", b"f\n", b"f\nx\n",
                  b"k\n2x2\n1 2 3 4\n\n", b"0\n\n"]


def file_untouched(binary):
    with tempfile.TemporaryDirectory(prefix="determinant-e2e-") as workdir:
        target = Path(workdir, DATA_FILE_NAME)
        shutil.copyfile(SAMPLE_FILE, target)
        # An old time stamp shows any rewrite, even one within the same second.
        os.utime(target, ns=(1_000_000_000_000_000_000, 1_000_000_000_000_000_000))
        before = (target.read_bytes(), target.stat().st_mtime_ns, sorted(os.listdir(workdir)))
        for stdin_bytes in UNTOUCHED_RUNS:
            done = run_program(binary, workdir, stdin_bytes)
            after = (target.read_bytes(), target.stat().st_mtime_ns, sorted(os.listdir(workdir)))
            if after[0] != before[0]:
                raise Failure(f"input {stdin_bytes!r} changed the data file's bytes")
            if after[1] != before[1]:
                raise Failure(f"input {stdin_bytes!r} changed the data file's modification time")
            if after[2] != before[2]:
                raise Failure(f"input {stdin_bytes!r} left files behind: {after[2]}")
            if done.returncode != 0:
                raise Failure(f"input {stdin_bytes!r} gave exit status {done.returncode}")


CODED_GROUPS = {
    "pipes": [("keyboard_2x2", pipes_keyboard), ("data_file_pick", pipes_data_file),
              ("menu_zero", pipes_menu_zero), ("untidy_keyboard", pipes_untidy(UNTIDY_KEYBOARD)),
              ("untidy_data_file", pipes_untidy(UNTIDY_DATA_FILE)),
              ("closed_after_abort", pipes_closing(b"[M101 5]", "0\n", None)),
              ("closed_after_unmarked_block",
               pipes_closing(b"[ M101 5]", "1\n", "(after '[') for Matrix data\n")),
              ("closed_after_refused_block",
               pipes_closing(b"[M202 1 2 3]", "1\n", "fewer numbers than its size needs\n")),
              ("never_opened_when_a_directory",
               pipes_closing(A_DIRECTORY, None, "Cannot find file MatrixDataFile1.txt\n"))],
    "file_untouched": [("sample_file_after_runs", file_untouched)],
}


# Cases whose bytes mean something else to a Windows build, with the reason.
SKIPPED_ON_WINDOWS = {}


def file_groups():
    return sorted(p.name for p in CASES.iterdir() if p.is_dir())


def tests_of(group, binary):
    if group in CODED_GROUPS:
        return [(name, lambda check=check: check(binary)) for name, check in CODED_GROUPS[group]]
    folder = CASES / group
    if not folder.is_dir():
        raise SystemExit(f"no such group: {group}")
    return [(case.stem, lambda case=case: run_case(binary, case))
            for case in sorted(folder.glob("*.in"))]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", required=True, help="the determinant program")
    parser.add_argument("--group", action="append",
                        help="run only this group (may be repeated)")
    parser.add_argument("--wine", metavar="WINE64",
                        help="the Wine loader that runs a Windows build of the program")
    args = parser.parse_args()
    binary = str(Path(args.binary).resolve())
    if args.wine:
        use_wine(args.wine)
    groups = args.group or file_groups() + sorted(CODED_GROUPS)

    passed = failed = skipped = 0
    started = time.monotonic()
    for group in groups:
        tests = tests_of(group, binary)
        if not tests:
            raise SystemExit(f"group {group} has no cases")
        for name, test in tests:
            reason = SKIPPED_ON_WINDOWS.get(f"{group}/{name}") if WINDOWS else None
            if reason:
                skipped += 1
                print(f"skip {group}/{name}: {reason}", flush=True)
                continue
            try:
                test()
            except Failure as failure:
                failed += 1
                print(f"FAIL {group}/{name}\n{failure}\n", flush=True)
            else:
                passed += 1
                print(f"ok   {group}/{name}", flush=True)
    print(f"took {time.monotonic() - started:.1f} s")
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
