#!/usr/bin/env python3
"""Applies each fault of faults.txt in turn and runs the tests that can see it.

The work tree is never changed: its files are copied into a scratch folder (only those that
differ, so that the scratch build stays incremental), and each fault is made there, built, tested
and taken back. An interrupted run leaves only the scratch copy wrong, and the next run copies the
tree over it again.

    tests/mutation/run_mutations.py [--scratch DIR] [--revision COMMIT] [--only N,...]
                                    [--output FILE]

Prints one line per fault: its number, "caught" (with the failing tests) or "missed", and what it
breaks.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The programs that run the command line, the units and the golden files; the library, the
# Python module and the checks of the sources themselves cannot see these faults.
TARGETS = ["vqz2xml", "unit_tests", "golden_test", "cli_test"]  # cli_test: the tree before the transcripts
EXCLUDED = r"^(python|layering|bash_completion)$|^(CInterfaceTest|LibraryTest)\.|_NOT_BUILT$"


def read_faults(path):
    faults = []
    for block in open(path, encoding="utf-8").read().split("\n\n"):
        fields = {}
        for line in block.split("\n"):
            if line and not line.startswith("#"):
                key, _, value = line.partition(": ")
                fields[key] = value
        if fields:
            faults.append(fields)
    return faults


def sync_tree(scratch, revision):
    """Copies the tree's files (tracked and new ones, or those of a commit) into scratch/src where
    they differ, and removes what the tree does not have."""
    origin = ROOT
    if revision:
        origin = os.path.join(scratch, "export")
        shutil.rmtree(origin, ignore_errors=True)
        os.makedirs(origin)
        archive = subprocess.run(["git", "archive", revision], cwd=ROOT, check=True,
                                 capture_output=True).stdout
        subprocess.run(["tar", "-x", "-C", origin], input=archive, check=True)
        listed = [os.path.relpath(os.path.join(d, f), origin)
                  for d, _, names in os.walk(origin) for f in names]
    else:
        listed = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=ROOT,
                                check=True, capture_output=True).stdout.decode().split("\0")
    source = os.path.join(scratch, "src")
    wanted_names = set()
    for name in filter(None, listed):
        here, copy = os.path.join(origin, name), os.path.join(source, name)
        if not os.path.isfile(here):
            continue
        wanted_names.add(os.path.normpath(name))
        with open(here, "rb") as f:
            wanted = f.read()
        if os.path.isfile(copy):
            with open(copy, "rb") as f:
                if f.read() == wanted:
                    continue
        os.makedirs(os.path.dirname(copy), exist_ok=True)
        shutil.copy2(here, copy)
    for folder, _, names in os.walk(source):
        for name in names:
            path = os.path.join(folder, name)
            if os.path.relpath(path, source) not in wanted_names:
                os.remove(path)
    return source


def run(command, cwd, timeout):
    try:
        done = subprocess.run(command, cwd=cwd, capture_output=True, text=True, errors="replace",
                              timeout=timeout)
        return done.returncode, done.stdout + done.stderr
    except subprocess.TimeoutExpired:
        return -1, "timed out"


def configure(source, build_dir):
    """Configures the scratch build once; the test programs the tree has among TARGETS."""
    if not os.path.isfile(os.path.join(build_dir, "CMakeCache.txt")):
        subprocess.run(["cmake", "-S", source, "-B", build_dir, "-DVQZ2XML_PYTHON=OFF",
                        "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"], check=True,
                       stdout=subprocess.DEVNULL)
    known = subprocess.run(["cmake", "--build", build_dir, "--target", "help"], check=True,
                           capture_output=True, text=True).stdout
    return [t for t in TARGETS if re.search(r"\b%s\b" % t, known)]


def build(build_dir, targets):
    return run(["cmake", "--build", build_dir, "-j2", "--target"] + targets, build_dir, 1800)


def failed_tests(output):
    return re.findall(r"^\s*\d+ - (\S+) \((?:Failed|Timeout|SEGFAULT|Subprocess|Exception|"
                      r"Child|Not Run)", output, re.M)


def test(build_dir, timeout):
    status, output = run(["ctest", "-j2", "--timeout", str(timeout), "-E", EXCLUDED],
                         build_dir, 3600)
    return status, failed_tests(output), output


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scratch", default="/tmp/vqz2xml-mutations")
    parser.add_argument("--only", help="fault numbers, such as 1,5,7")
    parser.add_argument("--revision", help="test this commit's tree rather than the work tree")
    parser.add_argument("--output", help="also write the lines into this file")
    parser.add_argument("--timeout", type=int, default=300, help="seconds for one test")
    args = parser.parse_args()
    faults = read_faults(os.path.join(ROOT, "tests", "mutation", "faults.txt"))
    chosen = [int(n) for n in args.only.split(",")] if args.only else range(1, len(faults) + 1)
    source = sync_tree(args.scratch, args.revision)
    build_dir = os.path.join(args.scratch, "build")
    targets = configure(source, build_dir)
    status, output = build(build_dir, targets)
    if status != 0:
        sys.exit("the unchanged tree does not build:\n" + output[-3000:])
    status, failures, output = test(build_dir, args.timeout)
    if status != 0:
        sys.exit("the unchanged tree fails its tests: %s\n%s" % (failures, output[-3000:]))
    report = open(args.output, "w", encoding="utf-8") if args.output else None
    caught = 0
    for number in chosen:
        fault = faults[number - 1]
        path = os.path.join(source, fault["file"])
        with open(path, encoding="utf-8") as f:
            original = f.read()
        lines = original.split("\n")
        if lines.count(fault["find"]) != 1:
            sys.exit("fault %d: its line is not found once in %s" % (number, fault["file"]))
        lines[lines.index(fault["find"])] = fault["with"]
        started = time.time()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(lines))
            status, output = build(build_dir, targets)
            if status != 0:  # a fault is one the compiler takes: this is the machine's failure
                result = "not built: " + (output.strip().splitlines() or ["?"])[-1][:100]
            else:
                status, failures, output = test(build_dir, args.timeout)
                shown = " ".join(failures[:4]) + (" +%d more" % (len(failures) - 4)
                                                  if len(failures) > 4 else "")
                result = "caught by " + shown if failures else (
                    "caught (ctest status %d)" % status if status != 0 else "missed")
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        caught += result.startswith("caught")
        line = "%2d %s: %s [%s; %ds]" % (number, fault["file"], fault["what"], result,
                                        time.time() - started)
        print(line, flush=True)
        if report:
            report.write(line + "\n")
            report.flush()
    summary = "%d of %d faults caught" % (caught, len(chosen))
    print(summary)
    if report:
        report.write(summary + "\n")


if __name__ == "__main__":
    main()
