#!/usr/bin/env python3
"""The data benchmark: a generated survey's data file read (a) into CSV by the program and (b)
into a DataFrame by read_data, beside pandas.read_fwf and, where Rscript is there, readr::read_fwf
and vroom::vroom_fwf with their values materialised. Prints seconds, MB/s and peak memory.

    bench/data_bench.py BUILD [--records N] [--big-records N] [--no-others] [--folder DIR]

BUILD is a Release build folder (vqz2xml, data_generate, python/). The files go under /tmp."""
import argparse
import os
import pathlib
import subprocess
import sys
import time

PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable


def run(command, env=None):
    """Runs a child; returns its seconds, peak resident memory in MB and standard output. The
    processor seconds it took (user and system) are kept in run.cpu: on a machine shared with
    other work they say more than the seconds on the clock."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.PIPE, env=env)
    output = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.perf_counter() - start
    run.cpu = usage.ru_utime + usage.ru_stime
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode not in (0, 1):
        raise SystemExit("failed (%d): %s" % (child.returncode, " ".join(map(str, command))))
    return seconds, usage.ru_maxrss / 1024, output.decode()


def generate(build, folder, name, records, variables=300):
    base = folder / name
    data = base.with_suffix(".dat")
    if not data.exists():
        subprocess.run([build / "data_generate", str(variables), str(records), base], check=True)
    return base.with_suffix(".vqz"), data, base.with_suffix(".cols")


READ_DATA = """
import sys, time, resource
import vqz2xml, pandas
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
start, cpu = time.perf_counter(), time.process_time()
frame, meta = vqz2xml.read_data(sys.argv[1], sys.argv[2])
seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
# memory_usage counts a text object's own size; the allocator hands out 16 bytes at a time.
rounding = sum((-sys.getsizeof(s)) % 16 for name in frame.columns if frame[name].dtype == object
               for s in frame[name].values)
print(seconds, frame.memory_usage(deep=True).sum() / 2**20, before, frame.shape[0], frame.shape[1], cpu,
      rounding / 2**20)
"""

READ_FWF = """
import sys, time, resource
import pandas
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
fields, names = [], []
for line in open(sys.argv[3]):
    name, kind, start, end = line.split()
    fields.append((int(start) - 1, int(end)))
    names.append(name)
start, cpu = time.perf_counter(), time.process_time()
frame = pandas.read_fwf(sys.argv[2], colspecs=fields, names=names, header=None)
seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
print(seconds, frame.memory_usage(deep=True).sum() / 2**20, before, frame.shape[0], frame.shape[1], cpu)
"""

# Types as the survey gives them: singles and logicals integer, quantities double, the rest
# text; every column is then touched, so that nothing stays unread behind ALTREP.
READ_R = """
args <- commandArgs(TRUE)
suppressMessages({library(readr); library(vroom)})
cols <- read.table(args[3], col.names = c("name", "kind", "start", "end"))
types <- paste(c(single = "i", quantity = "d", character = "c", logical = "i",
                 multiple = "c", spread = "c")[cols$kind], collapse = "")
positions <- fwf_positions(cols$start, cols$end, cols$name)
start <- Sys.time()
cpu <- sum(proc.time()[c("user.self", "sys.self")])
if (args[1] == "read_data") {
  frame <- suppressWarnings(vqz2xml::read_data(args[4], args[2], labels = "codes"))
} else if (args[1] == "readr") {
  frame <- read_fwf(args[2], positions, col_types = types, progress = FALSE)
} else {
  frame <- vroom_fwf(args[2], positions, col_types = types, altrep = FALSE, progress = FALSE)
}
touched <- sum(vapply(frame, function(x) sum(is.na(x)), 0))
seconds <- as.numeric(Sys.time() - start, units = "secs")
cpu <- sum(proc.time()[c("user.self", "sys.self")]) - cpu
cat(seconds, as.numeric(object.size(frame)) / 2^20, 0, nrow(frame), ncol(frame), cpu, "\\n")
"""


def report(what, size_mb, seconds, peak, extra=""):
    print("%-30s %7.2f s %7.1f MB/s  cpu %7.2f s %7.1f MB/s  peak %6.0f MB  %s" % (
        what, seconds, size_mb / seconds, run.cpu, size_mb / run.cpu, peak, extra), flush=True)


def bench_csv(build, vqz, data, folder, label):
    size = data.stat().st_size / 1e6
    out = folder / "out.csv"
    seconds, peak, _ = run([build / "vqz2xml", "--format=csv", "-f", "-q", "-o", out,
                            "--data=%s" % data, vqz])
    report("%s: CSV by the program" % label, size, seconds, peak,
           "(%.0f MB of CSV)" % (out.stat().st_size / 1e6))
    out.unlink()


def bench_frame(what, command, size, env=None):
    """Returns the reader's processor seconds, the fairer figure to compare on a busy machine."""
    wall, peak, output = run(command, env)
    fields = list(map(float, output.split()))
    seconds, frame_mb, before, rows, columns, run.cpu = fields[:6]
    rounding = ", and %.0f MB of its texts' rounding" % fields[6] if len(fields) > 6 else ""
    report(what, size, seconds, peak, "frame %.0f MB%s, %d x %d%s" % (
        frame_mb, rounding, rows, columns, ", %.0f MB before reading" % before if before else ""))
    return run.cpu


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", type=pathlib.Path)
    parser.add_argument("--records", type=int, default=300000)
    parser.add_argument("--big-records", type=int, default=1800000)
    parser.add_argument("--no-others", action="store_true", help="the program alone")
    parser.add_argument("--folder", type=pathlib.Path, default=pathlib.Path("/tmp/vqz2xml-data"))
    args = parser.parse_args()
    build = args.build.resolve()
    args.folder.mkdir(parents=True, exist_ok=True)
    vqz, data, cols = generate(build, args.folder, "survey%d" % args.records, args.records)
    size = data.stat().st_size / 1e6
    print("data: %s, %.0f MB, %d records" % (data, size, args.records), flush=True)
    bench_csv(build, vqz, data, args.folder, "%.0f MB" % size)
    env = dict(os.environ, PYTHONPATH=str(build / "python"))
    ours = bench_frame("%.0f MB: read_data" % size, [PYTHON, "-c", READ_DATA, vqz, data], size,
                       env)
    if not args.no_others:
        fwf = bench_frame("%.0f MB: pandas.read_fwf" % size,
                          [PYTHON, "-c", READ_FWF, vqz, data, cols], size)
        print("read_data is %.1f times as fast as pandas.read_fwf" % (fwf / ours))
        if subprocess.run(["which", "Rscript"], capture_output=True).returncode == 0:
            # The R package's read_data too, where it is installed (r/build.sh, R CMD INSTALL).
            r_package = subprocess.run(["Rscript", "-e", "library(vqz2xml)"],
                                       capture_output=True).returncode == 0
            r_ours = None
            for reader in ("read_data", "readr", "vroom")[0 if r_package else 1:]:
                name = "read_data (R)" if reader == "read_data" else "%s_fwf (R)" % reader
                r = bench_frame("%.0f MB: %s" % (size, name),
                                ["Rscript", "-e", READ_R, reader, data, cols, vqz], size)
                if reader == "read_data":
                    r_ours = r
                    continue
                print("read_data is %.1f times as fast as %s" % (r / ours, reader))
                if r_ours:
                    print("R's read_data is %.1f times as fast as %s" % (r / r_ours, reader))
    if args.big_records:
        vqz, data, _ = generate(build, args.folder, "survey%d" % args.big_records,
                                args.big_records)
        bench_csv(build, vqz, data, args.folder, "%.0f MB" % (data.stat().st_size / 1e6))


if __name__ == "__main__":
    main()
