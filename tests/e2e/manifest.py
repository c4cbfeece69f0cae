"""One manifest of every end-to-end case, dialogue and check, for the harnesses
that do not run Python's: the page's browser test and the fuzz seeder. Where a
case cannot run, and why, is decided here for the runner too, so that its
skips and the manifest's cannot disagree. Bytes are base64, so that NUL, CR
and 0xFF survive JSON."""

import base64
import os
from pathlib import Path

import checks
from case_files import CASES, Malformed, case_groups, case_names, read_case
from dialogue import DATA_FILE_NAME

PLACES = ("wine", "page", "emulated")
NO_PSEUDO_TERMINAL = "a pseudo-terminal is POSIX's, and Wine's console is none"


def b64(data):
    return None if data is None else base64.b64encode(data).decode("ascii")


def untypeable(typed):
    """Why the page's line editor cannot pass these bytes on as they are, or
    None. It sends what is typed as UTF-8 text, line by line."""
    if b"\r" in typed:
        return "a CR, which the page's Enter key cannot send: it sends a line end"
    if any(byte >= 0x80 for byte in typed):
        return "a byte above 0x7F, which the page would send as the UTF-8 of a character"
    if any((byte < 0x20 and byte not in b"\t\n") or byte == 0x7F for byte in typed):
        return "a control character, which the page's line editor drops or takes as an editing key"
    return None


def case_skips(case):
    """Each place the case cannot run, with why."""
    skip, page = {}, []
    if case.terminal:
        skip["wine"] = NO_PSEUDO_TERMINAL
    if case.arguments:
        page.append("the page has no command line")
    if case.expected_error or case.status:
        page.append("the page shows neither standard error nor an exit status")
    if case.data_source is not None:
        page.append("its data file is no regular file, and the page's is always one")
    why = untypeable(case.typed)
    if why:
        page.append(f"its input holds {why}")
    if page:
        skip["page"] = "; ".join(page)
    return skip


def check_skips(group, check):
    page = f"written in code against the native program: {checks.WHY_CODE[group]}"
    return {**check.skip, "page": page}


def in_order(skip):
    return {place: skip[place] for place in PLACES if place in skip}


def tags_of(case):
    """Words the page's own checks may pick cases by."""
    tags = ["data_file" if case.data is not None else "no_data_file"]
    tags += [tag for tag, present in (("terminal", case.terminal), ("arguments", case.arguments),
                                      ("standard_error", case.expected_error), ("exit_status", case.status))
             if present]
    return tags


def files_of(source):
    """What stands in the working directory for a non-regular data file."""
    found = []
    for path in [source] + (sorted(source.rglob("*")) if source.is_dir() and not source.is_symlink() else []):
        place = str(Path(DATA_FILE_NAME, path.relative_to(source)))
        if path.is_symlink():
            found.append({"path": place, "symlink": os.readlink(path)})
        elif path.is_dir():
            found.append({"path": place, "directory": True})
        else:
            found.append({"path": place, "bytes": b64(path.read_bytes())})
    return found


def case_entry(group, name):
    kind = "dialogue" if (CASES / group / f"{name}.dialogue").exists() else "case"
    entry = {"name": f"{group}/{name}", "group": group, "kind": kind}
    try:
        case = read_case(group, name)
    except (Malformed, OSError, ValueError) as problem:
        return {**entry, "error": str(problem)}
    if case.expected_output is None:
        entry["error"] = f"no file {group}/{name}.out; --update writes it"
    return {**entry, "arguments": case.arguments, "input": b64(case.typed),
            "expected_output": b64(case.expected_output), "expected_error": b64(case.expected_error or None),
            "status": case.status, "data_file": b64(case.data if isinstance(case.data, bytes) else None),
            "files": files_of(case.data_source) if case.data_source is not None else None,
            "steps": None if case.steps is None else [{"written": b64(written), "typed": b64(typed)}
                                                      for written, typed in case.steps],
            "tags": tags_of(case), "skip": in_order(case_skips(case))}


def check_entry(group, check):
    computed = check.expected is None
    return {"name": f"{group}/{check.name}", "group": group, "kind": "check", "arguments": check.arguments,
            "input": b64(check.typed), "expected_output": b64(check.expected), "expected_error": None,
            "status": None if computed else 0, "data_file": b64(check.data), "files": None, "steps": None,
            "tags": [], "skip": in_order(check_skips(group, check))}


def manifest(groups=None):
    """The manifest's entries, of every group or of those named."""
    entries = []
    for group in groups or case_groups() + list(checks.GROUPS):
        if group in checks.GROUPS:
            entries += [check_entry(group, check) for check in checks.GROUPS[group]]
        else:
            entries += [case_entry(group, name) for name in case_names(group)]
    return entries
