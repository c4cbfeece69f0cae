"""The end-to-end checks of what stands where the data file should be, a
file that changes during the run, whether the data file is ever written, and
how much memory big files take."""

import os
import shutil
import tempfile
import time
from pathlib import Path
from types import SimpleNamespace

import dialogue
from dialogue import (DATA_FILE_NAME, HEADING, MENU, NO_FILE, SELECT_PROMPT, Failure, Skipped, answered, check_run,
                      make_directory, make_fifo, run, symlink_to, working_directory)
from session import Session

# Enough to open a file and refuse it, in a sanitizer build on a busy machine.
QUICK_TIMEOUT = 10.0
# A big file may take this much more memory than a tiny one: far below its size.
BIG_FILE_MB = 32
RSS_GROWTH_LIMIT_KB = 8 * 1024
NOBODY = 65534


def result(table, determinant):
    return HEADING + table + f"Determinant value of the matrix is  {determinant}\n"


TWO_BLOCKS = b"[M202 1 2 3 4]\n[M101 7]\n"
TWO_BLOCKS_LISTED = "1  [M202 1 2 3 4]\n\n2  [M101 7]\n\n"
TOO_LONG = "Input-array in file longer than 1000 characters\n"

# What stands where the data file should be, and the reason given for it on
# standard error, natively and under Wine, to which the POSIX objects are
# missing; each must be refused at once, never read for ever or waited on. A
# reason Windows has not (a link loop) is tried on POSIX only.
MISSING = "No such file or directory"
NOT_A_FILE = [
    ("directory", make_directory, "Is a directory", "Is a directory"),
    ("fifo_without_writer", make_fifo, "not a regular file", MISSING),
    ("symlink_to_dev_zero", symlink_to("/dev/zero"), "not a regular file", MISSING),
    ("symlink_to_a_directory", symlink_to("/"), "Is a directory", "Is a directory"),
    # A device, whether or not it would open.
    ("symlink_to_dev_tty", symlink_to("/dev/tty"), "not a regular file", MISSING),
    ("symlink_to_itself", symlink_to(DATA_FILE_NAME), "Too many levels of symbolic links", None),
    ("dangling_symlink", symlink_to("no such file"), MISSING, MISSING),
]


def reason_line(reason, name=DATA_FILE_NAME):
    return f"determinant: {name}: {reason}\n".encode()


def unreadable_file(binary):
    """A file without read permission, in the dialogue and under --all. Root
    reads it anyway, so under root the runs are made as the user nobody, when
    that user can start the binary."""
    with working_directory(TWO_BLOCKS) as workdir:
        Path(workdir, DATA_FILE_NAME).chmod(0)
        os.chmod(workdir, 0o755)
        as_user = NOBODY if os.geteuid() == 0 else None
        try:
            outcome = run(binary, workdir, b"f\n0\n\n", QUICK_TIMEOUT, as_user=as_user)
            option = run(binary, workdir, b"", QUICK_TIMEOUT, as_user=as_user, arguments=["--all"])
        except PermissionError as error:
            raise Skipped(f"running as root, and the user nobody cannot start the binary ({error})")
        check_run(outcome, (MENU + NO_FILE).encode(), stderr=reason_line("Permission denied"))
        check_run(option, b"", status=1, stderr=reason_line("Permission denied"))
        return "as the user nobody, since root reads any file" if as_user else None


def closing_pause_after_a_directory(binary):
    # Even a data file that never opens is followed by the closing pause.
    with working_directory(make_directory) as workdir, Session(binary, workdir) as talk:
        talk.answer(b"f\n")
        talk.expect((MENU + NO_FILE).encode())
        talk.finish()


def truncated_between_listing_and_pick(binary):
    """The file shrinks after it was listed: the picked block is gone when the
    program looks for it again, as if it had never been closed."""
    with working_directory(TWO_BLOCKS) as workdir, Session(binary, workdir) as talk:
        talk.answer(b"f\n")
        talk.expect((MENU + TWO_BLOCKS_LISTED + SELECT_PROMPT).encode())
        Path(workdir, DATA_FILE_NAME).write_bytes(b"")
        talk.answer(b"2\n")
        talk.expect(b"Input-array in file has no closing ']'\n")
        talk.finish()


# Runs through every path that opens the file: listing and aborting, each kind
# of pick, refusals, out-of-range selections, end of input, and the keyboard.
UNTOUCHED_RUNS = [b"f\n0\n\n", b"F\n1\n\n", b"f\n3\n\n", b"f\n5\n\n", b"f\n6\n\n",
                  b"f\n7\n\n", b"f\n8\n\n", b"f\n99\n-1\n0\n\n", b"f\n", b"f\nx\n",
                  b"k\n2x2\n1 2 3 4\n\n", b"0\n\n"]


def sample_file_after_runs(binary):
    with working_directory() as workdir:
        target = Path(workdir, DATA_FILE_NAME)
        shutil.copyfile(dialogue.REPO / "examples" / DATA_FILE_NAME, target)
        # An old time stamp shows any rewrite, even one within the same second.
        os.utime(target, ns=(1_000_000_000_000_000_000, 1_000_000_000_000_000_000))
        before = (target.read_bytes(), target.stat().st_mtime_ns, sorted(os.listdir(workdir)))
        for typed in UNTOUCHED_RUNS:
            check_run(run(binary, workdir, typed))
            after = (target.read_bytes(), target.stat().st_mtime_ns, sorted(os.listdir(workdir)))
            if after != before:
                raise Failure(f"input {typed!r} changed the data file or left files behind")


# --- big data files --------------------------------------------------------------------

# (name, the file's head, its repeated unit, what the output ends with); each
# run picks the last block, or none when there is none.
BIG = [
    ("commentary_without_blocks", b"", b"a commentary line, no brackets in it, and the numbers 12 34 -56\n",
     SELECT_PROMPT),
    ("one_line_without_line_breaks", b"", b"word ", SELECT_PROMPT),
    ("many_blocks_pick_the_last", b"", b"[M202 1 2 3 4] words\n",
     "  [M202 1 2 3 4]\n\n" + SELECT_PROMPT + result("  1  2\n  3  4\n", -2)),
    ("one_unclosed_block", b"[M202 1 2 3 4", b" 5", " 5]\n\n" + SELECT_PROMPT + TOO_LONG),
]


def output_ends_with(out, tail):
    out.seek(0, os.SEEK_END)
    out.seek(max(out.tell() - 2 * len(tail), 0))
    return dialogue.as_written(out.read()).endswith(tail)


def run_to_closing_pause(binary, data, typed, tail):
    """Runs with all but the closing Enter typed at once and reads the peak
    memory once the output ends with `tail`: the run's work is done, and what
    its exit costs (a sanitizer's leak check) is left out, over a tiny file
    and a big one alike."""
    with working_directory(data) as workdir, tempfile.TemporaryFile() as out, \
            tempfile.TemporaryFile() as err:
        started = time.monotonic()
        with answered(binary, workdir, out, err) as proc:
            proc.stdin.write(typed)
            proc.stdin.flush()
            while not output_ends_with(out, tail):
                if proc.poll() is not None or time.monotonic() - started > dialogue.RUN_TIMEOUT:
                    raise Failure(f"never wrote {tail!r} and waited for the closing Enter")
                time.sleep(0.01)
            seconds, peak_kb = time.monotonic() - started, dialogue.peak_memory_kb(proc.pid, 0)
            proc.stdin.write(b"\n")
            proc.stdin.close()
            proc.wait(dialogue.PROMPT_TIMEOUT)
        err.seek(0)
        outcome = SimpleNamespace(status=proc.returncode, output=tail, stderr=dialogue.as_written(err.read()),
                                  seconds=seconds, max_rss_kb=peak_kb)
    if peak_kb == 0:
        raise Failure("cannot read the peak memory from /proc")
    return outcome


def big_file(head, unit, tail):
    """Memory must stay that of a run over a tiny file; notes the time and the
    peak memory."""
    def check(binary):
        tiny = run_to_closing_pause(binary, b"[M202 1 2 3 4]\n", b"f\n1\n",
                                    result("  1  2\n  3  4\n", -2).encode())
        check_run(tiny)
        data = head + unit * ((BIG_FILE_MB << 20) // len(unit))
        outcome = run_to_closing_pause(binary, data, b"f\n%d\n" % data.count(b"["), tail.encode())
        check_run(outcome)
        if outcome.max_rss_kb - tiny.max_rss_kb > RSS_GROWTH_LIMIT_KB:
            raise Failure(f"max RSS {outcome.max_rss_kb} KB, against {tiny.max_rss_kb} KB over a tiny file")
        return (f"{BIG_FILE_MB} MB in {outcome.seconds:.2f} s, max RSS {outcome.max_rss_kb} KB "
                f"against {tiny.max_rss_kb} KB over a tiny file")
    return check
