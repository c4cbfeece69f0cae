"""The case files under cases/, read into one form every harness shares, and
rewritten where a native run shows they have changed. A case that cannot be
read fails alone, with one line, and never stops the others."""

import os
import re
import shutil
from dataclasses import dataclass
from pathlib import Path

import dialogue

CASES = Path(__file__).resolve().parent / "cases"
TERMINAL_GROUP = "terminal"
MAIN_SUFFIXES = (".in", ".dialogue")
OPTIONAL_SUFFIXES = (".out", ".data", ".args", ".err", ".status")
# A Windows build's own expectation, where its text differs: NAME.windows.out.
WINDOWS_VARIANT = ".windows"
GROUP_FILES = ("data-from",)

ESCAPE = re.compile(rb"\\(x[0-9a-fA-F]{2}|.)")
UNESCAPED = {b"\\": b"\\", b"s": b" ", b"r": b"\r", b"t": b"\t", b">": b">", b"c": b""}
ESCAPED = {b"\\": b"\\\\", b"\r": b"\\r", b"\t": b"\\t"}


class Malformed(Exception):
    """A case that cannot be read; its message is one line."""


# --- the dialogue notation ----------------------------------------------------------

def unescape(line):
    """A written line's bytes, with its line break unless it ends in \\c."""
    parts = ESCAPE.split(line)  # text, escape code, text, ..., text
    line_break = b"" if parts[-2:] == [b"c", b""] else b"\n"
    for at in range(1, len(parts), 2):
        code = parts[at]
        if len(code) == 1 and code not in UNESCAPED:
            raise Malformed(f"unknown escape \\{code.decode('latin-1')}")
        parts[at] = UNESCAPED[code] if len(code) == 1 else bytes([int(code[1:], 16)])
    return b"".join(parts) + line_break


def escape(text):
    line = b"".join(ESCAPED.get(bytes([byte]), b"\\x%02x" % byte if byte < 0x20 or byte == 0x7F
                                else bytes([byte])) for byte in text)
    if line.endswith(b" "):
        line = line[:-1] + b"\\s"
    return b"\\" + line if line.startswith(b">") else line


def escape_lines(text):
    lines = text.split(b"\n")
    written = b"".join(escape(line) + b"\n" for line in lines[:-1])
    return written + (escape(lines[-1]) + b"\\c\n" if lines[-1] else b"")


def parse_dialogue(path):
    """The steps: what the program writes, then what is typed in answer."""
    steps, written = [], b""
    for line in path.read_bytes().split(b"\n")[:-1]:
        if line == b">" or line.startswith(b"> "):
            steps.append((written, unescape(line[2:])))
            written = b""
        else:
            written += unescape(line)
    if written or not steps or steps[-1][1] != b"\n":
        raise Malformed(f"{path.name} does not end with a lone '>', the closing Enter")
    return steps


def write_dialogue(path, steps):
    path.write_bytes(b"".join(escape_lines(written) + (b">\n" if typed == b"\n" else
                                                        b"> " + escape_lines(typed)[:-1] + b"\n")
                              for written, typed in steps))


# --- one case -------------------------------------------------------------------------

def copy_of(source):
    """Makes a non-regular data file as it stands in the folder: a directory
    with its contents, or a symlink to the same target."""
    def make(target):
        if source.is_symlink():
            os.symlink(os.readlink(source), target)
        else:
            shutil.copytree(source, target, symlinks=True)
    return make


@dataclass
class Case:
    group: str
    name: str
    kind: str  # "case" or "dialogue"
    typed: bytes  # all at once
    arguments: list
    expected_error: bytes
    status: int
    data: object  # bytes, None, or a function that makes a non-regular file
    data_source: Path = None  # where a non-regular data file comes from
    expected_output: bytes = None  # None while NAME.out is missing
    steps: list = None  # a dialogue's (written, typed) pairs

    @property
    def stem(self):
        return CASES / self.group / self.name

    @property
    def terminal(self):
        return self.group == TERMINAL_GROUP

    def own_file(self, suffix):
        return own_file(self.stem, suffix)


def own_file(stem, suffix):
    """The file a run compares with: a Windows build's variant where there is
    one."""
    variant = Path(f"{stem}{WINDOWS_VARIANT}{suffix}")
    return variant if dialogue.WINDOWS and variant.exists() else Path(f"{stem}{suffix}")


def optional_text(path, default, parse):
    if not path.exists():
        return default
    try:
        return parse(path.read_bytes())
    except ValueError as error:
        raise Malformed(f"{path.name}: {error}")


def arguments_of(content):
    text = content.decode("utf-8")
    return text[:-1].split("\n") if text.endswith("\n") else text.split("\n") if text else []


def status_of(content):
    try:
        return int(content.decode("ascii"))
    except ValueError:
        raise ValueError(f"not a whole number: {content[:40]!r}")


def data_of(stem):
    own, shared = Path(f"{stem}.data"), stem.parent / "data-from"
    if own.is_symlink() or (own.exists() and not own.is_file()):
        return copy_of(own), own
    if own.exists():
        return own.read_bytes(), None
    if not shared.exists():
        return None, None
    source = dialogue.REPO / shared.read_text().strip()
    if not source.is_file():
        raise Malformed(f"data-from names {shared.read_text().strip()}, which is no file")
    return source.read_bytes(), None


def read_case(group, name):
    """The case GROUP/NAME as its files give it; raises Malformed."""
    stem = CASES / group / name
    dialogue_file, typed_file = Path(f"{stem}.dialogue"), Path(f"{stem}.in")
    if dialogue_file.exists() == typed_file.exists():
        raise Malformed(f"{group}/{name} needs one of {name}.in and {name}.dialogue")
    for path in stem.parent.glob(f"{name}.*"):
        suffix = path.name[len(name):].replace(WINDOWS_VARIANT, "", 1)
        if suffix not in MAIN_SUFFIXES + OPTIONAL_SUFFIXES:
            raise Malformed(f"{path.name}: no case file ends in {suffix}")
    data, source = data_of(stem)
    case = Case(group, name, "case", b"",
                optional_text(Path(f"{stem}.args"), [], arguments_of),
                optional_text(own_file(stem, ".err"), b"", bytes),
                optional_text(own_file(stem, ".status"), 0, status_of),
                data, source)
    if dialogue_file.exists():
        case.kind, case.steps = "dialogue", parse_dialogue(dialogue_file)
        case.typed = b"".join(typed for _, typed in case.steps)
        case.expected_output = b"".join(written for written, _ in case.steps)
    else:
        case.typed = typed_file.read_bytes()
        out = own_file(stem, ".out")
        case.expected_output = out.read_bytes() if out.exists() else None
    return case


def case_names(group):
    """Every case a folder names, typed cases first: any file's name up to its
    first dot, so that a stray file fails as a case of its own."""
    folder = CASES / group
    names = {path.name.split(".")[0] for path in folder.iterdir() if path.name not in GROUP_FILES}
    typed = sorted(name for name in names if Path(f"{folder / name}.in").exists())
    return typed + sorted(names - set(typed))


def case_groups():
    return sorted(folder.name for folder in CASES.iterdir() if folder.is_dir())


# --- what --update writes -------------------------------------------------------------

def record(case, suffix, actual, default):
    """Rewrites the case's file SUFFIX when the run differs from it. A file
    is created only where the run differs from what its absence means, and
    none is ever deleted: an emptied .err or a status of 0 stays in view in
    `git diff`. Under Wine only a Windows variant is rewritten."""
    path = case.own_file(suffix)
    if dialogue.WINDOWS and WINDOWS_VARIANT not in path.name:
        return []
    before = path.read_bytes() if path.exists() else None
    if before == actual or (before is None and actual == default):
        return []
    path.write_bytes(actual)
    return [path.name]
