#!/usr/bin/env python3
"""Runs command-line transcripts: files that read like a shell session and hold what it prints.

Unindented lines are prose; "#require WORD..." skips the file and "#if WORD..." ... "#endif"
a block unless each WORD (posix, windows, or a program on PATH) holds. "  $ COMMAND" is a
command, "  > MORE" continues it; the commands run in order in one POSIX shell in a fresh empty
folder, standard input empty unless redirected. After a command, "  TEXT" lines are its expected
standard output, "  ! TEXT" lines its standard error, "  [N]" its exit status when not 0. A line
ending in " (re)" is a regular expression, " (glob)" a pattern with * and ?, " (esc)" a text with
\\r, \\t, \\xNN and \\\\ escapes; " (no-eol)" after that marks a last line with no line end.
"exit 80" skips the rest of the file. `vqz2xml` is on PATH; $PROGRAM, $TESTDIR, $GOLDEN and
$EXAMPLES are set. tests/transcripts/README.md tells more.

    run_transcripts.py --program build/vqz2xml [--wrapper CMD] [--system posix|windows]
                       [--update] FILE.t...
Exit status: 0 when every file passed, 1 when one failed, 77 when each was skipped.
"""
import argparse
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SKIP_STATUS = 80


class Command:
    def __init__(self, lines, active):
        self.lines = lines  # the command's text, one entry per line
        self.active = active  # run on this system
        self.out, self.err, self.status = [], [], 0
        self.source = []  # the transcript's lines for the expectations, for --update
        self.result = None  # (stdout lines, stderr lines, status) once run


def requirement_met(words, system):
    return all(w == system if w in ("posix", "windows") else shutil.which(w) for w in words)


def parse(path, system):
    """The transcript as prose lines and Commands, and whether its requirements are met."""
    items, command, active, met = [], None, [True], True
    lines = open(path, encoding="utf-8").read().split("\n")  # not splitlines: "\x1c" is no end
    for number, line in enumerate(lines[:-1] if lines[-1] == "" else lines, 1):
        if line.startswith("#require"):
            met = met and requirement_met(line.split()[1:], system)
        elif line.startswith("#if "):
            active.append(active[-1] and requirement_met(line.split()[1:], system))
        elif line.startswith("#endif"):
            active.pop() if len(active) > 1 else sys.exit(f"{path}:{number}: #endif without #if")
        if not line.startswith("  "):
            items.append(line)
            command = None
            continue
        body = line[2:]
        if body.startswith("$ "):
            command = Command([body[2:]], active[-1])
            items.append(command)
        elif command is None:
            sys.exit(f"{path}:{number}: an indented line with no command before it")
        elif (body.startswith("> ") or body == ">") and not command.source:
            command.lines.append(body[2:])
        else:
            command.source.append(line)
            if re.fullmatch(r"\[\d+\]", body):
                command.status = int(body[1:-1])
            elif body.startswith("! ") or body == "!":
                command.err.append(body[2:])
            else:
                command.out.append(body)
    return items, met


def unescape(text):
    """The bytes of an " (esc)" line."""
    codes = {b"r": b"\r", b"t": b"\t", b"n": b"\n"}
    code = lambda m: bytes([int(m[1][1:], 16)]) if len(m[1]) == 3 else codes.get(m[1], m[1])
    return re.sub(rb"\\(x[0-9a-fA-F]{2}|.)", code, text.encode("utf-8", "surrogateescape"))


def escape(line):
    """How an actual line is written into a transcript."""
    text = line.decode("utf-8", "surrogateescape")
    special = lambda c: c < " " or c == "\x7f" or "\udc80" <= c <= "\udcff"
    # Lines the parser would read as something else, or that editors would trim, are escaped.
    if not any(map(special, text)) and \
            not re.search(r" \((re|glob|esc|no-eol)\)$| $|^([!$>] |[!>]$|\[\d+\]$)", text):
        return text
    named = {"\\": "\\\\", "\r": "\\r", "\t": "\\t"}
    shown = "".join(named.get(c) or ("\\x%02x" % (ord(c) & 0xFF) if special(c) else c) for c in text)
    if shown[:1] in ("!", "$", ">", "["):
        shown = "\\x%02x" % ord(shown[0]) + shown[1:]
    return shown + " (esc)"


def glob_pattern(text):
    return "".join(".*" if c == "*" else "." if c == "?" else re.escape(c) for c in text)


def matches(expected, actual):
    """Whether one expected line matches an actual one, given as (bytes, has a line end)."""
    line, ended = actual
    if expected.endswith(" (no-eol)"):
        expected, ended = expected[:-9], not ended
    if not ended:
        return False
    text = line.decode("utf-8", "surrogateescape")
    if expected.endswith(" (re)"):
        return re.fullmatch(expected[:-5], text) is not None
    if expected.endswith(" (glob)"):
        return re.fullmatch(glob_pattern(expected[:-7]), text, re.S) is not None
    if expected.endswith(" (esc)"):
        return unescape(expected[:-6]) == line
    return expected.encode("utf-8", "surrogateescape") == line


def split_lines(data):
    lines = data.split(b"\n")
    last = lines.pop()
    return [(line, True) for line in lines] + ([(last, False)] if last else [])


def shown_lines(actual):
    return [escape(line) + ("" if ended else " (no-eol)") for line, ended in actual]


def stream_matches(expected, actual):
    return len(expected) == len(actual) and all(map(matches, expected, actual))


def put_program(bin_dir, args):
    """Puts `vqz2xml` on the commands' PATH: the program, or a wrapper that runs it."""
    program, on_path = os.path.abspath(args.program), os.path.join(bin_dir, "vqz2xml")
    if not args.wrapper:
        os.symlink(program, on_path)  # the program's own name is then "vqz2xml"
        return program
    with open(on_path, "w") as wrapper:
        wrapper.write(f'#!/bin/sh\nexec {args.wrapper} {shlex.quote(program)} "$@"\n')
    os.chmod(on_path, 0o755)
    return program


def run_commands(commands, args, scratch):
    """Runs the commands in one shell, each with its streams and status kept in files; the
    shell's exit status, or None when it ran out of time."""
    work, results, bin_dir = (os.path.join(scratch, name) for name in ("work", "t", "bin"))
    for folder in (work, results, bin_dir):
        os.mkdir(folder)
    program = put_program(bin_dir, args)
    script = []
    for i, command in enumerate(commands):
        at = shlex.quote(os.path.join(results, str(i)))
        script += ["{ " + "\n".join(command.lines), f"}} >{at}.out 2>{at}.err </dev/null",
                   f"echo $? >{at}.status"]
    env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ.get("PATH", ""),
               TESTDIR=HERE, PROGRAM=program, GOLDEN=os.path.join(ROOT, "tests", "golden"),
               EXAMPLES=os.path.join(ROOT, "examples"), LC_ALL="C.UTF-8", TZ="UTC")
    shell = subprocess.Popen(["/bin/sh", "-c", "\n".join(script) + "\n"], cwd=work, env=env,
                             stdin=subprocess.DEVNULL, start_new_session=True)
    try:
        status = shell.wait(timeout=args.timeout)
    except subprocess.TimeoutExpired:
        status = None
    try:  # what the commands left running (a reader of a pipe never written) ends with them
        os.killpg(shell.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    shell.wait()
    if status is None:
        return None
    for i, command in enumerate(commands):
        base = os.path.join(results, str(i))
        if os.path.exists(base + ".status"):
            with open(base + ".out", "rb") as out, open(base + ".err", "rb") as err:
                command.result = (split_lines(out.read()), split_lines(err.read()),
                                  int(open(base + ".status").read()))
    return status


def failures_of(command):
    """What differs between what a command was expected to do and what it did."""
    out, err, status = command.result
    failures = []
    for name, expected, actual in (("output", command.out, out), ("error", command.err, err)):
        if not stream_matches(expected, actual):
            failures += [f"    standard {name} expected:"] + ["      " + e for e in expected]
            failures += ["    but was:"] + ["      " + a for a in shown_lines(actual)]
    if status != command.status:
        failures.append(f"    exit status {status}, expected {command.status}")
    return ["  $ " + "\n  > ".join(command.lines)] + failures if failures else []


def run_file(path, args):
    items, met = parse(path, args.system)
    commands = [item for item in items if isinstance(item, Command) and item.active]
    if not met or not commands:
        return "skipped", []
    scratch = tempfile.mkdtemp(prefix="transcript_")
    try:
        status = run_commands(commands, args, scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    if status is None:
        return "failed", [f"  timed out after {args.timeout} seconds"]
    ran = [command for command in commands if command.result]
    failures = [line for command in ran for line in failures_of(command)]
    if len(ran) < len(commands) and status == SKIP_STATUS and not failures:
        return "skipped", []
    if len(ran) < len(commands) and status != SKIP_STATUS:
        failures.append(f"  the shell ended (status {status}) before: {commands[len(ran)].lines[0]}")
    if args.update:
        update(path, items)
    return ("failed" if failures else "passed"), failures


def update(path, items):
    lines = []
    for item in items:
        if not isinstance(item, Command):
            lines.append(item)
            continue
        lines += ["  $ " + item.lines[0]] + ["  > " + line for line in item.lines[1:]]
        if item.result is None:
            lines += item.source
            continue
        out, err, status = item.result
        lines += ["  " + e for e in (item.out if stream_matches(item.out, out) else shown_lines(out))]
        lines += ["  ! " + e if e else "  !"
                  for e in (item.err if stream_matches(item.err, err) else shown_lines(err))]
        lines += [f"  [{status}]"] if status else []
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def main():
    parser = argparse.ArgumentParser(description="Runs command-line transcripts.")
    parser.add_argument("files", nargs="+")
    parser.add_argument("--program", required=True, help="the vqz2xml program to test")
    parser.add_argument("--wrapper", help="a command the program is run through, such as wine")
    parser.add_argument("--system", choices=("posix", "windows"),
                        default="windows" if os.name == "nt" else "posix")
    parser.add_argument("--update", action="store_true", help="rewrite files with what happened")
    parser.add_argument("--timeout", type=int, default=900, help="seconds for one file")
    args = parser.parse_args()
    outcomes = []
    for path in args.files:
        outcome, failures = run_file(path, args)
        print(f"{path}: {outcome}" + "".join("\n" + line for line in failures), flush=True)
        outcomes.append(outcome)
    if "failed" in outcomes:
        return 1
    return 77 if all(outcome == "skipped" for outcome in outcomes) else 0


if __name__ == "__main__":
    sys.exit(main())
