#!/usr/bin/env python3
"""Times whole processes against each other, fairly.

    bench-pairs.py [--runs N] [--evict PATH]... [--before CMD] \
        NAME=COMMAND NAME=COMMAND ...

Every command runs once as a warm-up, then N rounds; in each round every
command runs once, in an order that rotates from round to round, so that a
machine getting busier or quieter touches every contender alike. Before each
timed run the page cache is emptied of the --evict files (every file under a
folder; posix_fadvise DONTNEED, which needs no privileges), and --before runs
(untimed; for fresh output folders). Commands run through /bin/sh.

Prints, per contender: median wall time with its range (min-max), median
peak resident set as the kernel reports it for the waited process tree (it
has a floor of about 15 MiB, this launcher's own size at the fork), and the
ratio of each median to the first contender's. With --cpu, also the median
processor time (user + system, of the waited process tree) with its range
and ratio: on a machine that others share it moves less than wall time.
With --json FILE the raw figures are written there too.
"""
import argparse
import json
import os
import resource
import statistics
import subprocess
import sys
import time


def files_under(paths):
    for p in paths:
        if os.path.isdir(p):
            for base, _, names in os.walk(p):
                for n in names:
                    yield os.path.join(base, n)
        elif os.path.exists(p):
            yield p


def evict(paths):
    for f in files_under(paths):
        try:
            fd = os.open(f, os.O_RDONLY)
        except OSError:
            continue
        try:
            os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        finally:
            os.close(fd)


def run_once(command):
    start = time.perf_counter()
    proc = subprocess.Popen(command, shell=True, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit(f"bench-pairs: '{command}' failed with status {proc.returncode}")
    return elapsed, usage.ru_maxrss / 1024.0, usage.ru_utime + usage.ru_stime  # s, MiB, s


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--runs", type=int, default=int(os.environ.get("EMAIL32_BENCH_RUNS", "7")))
    ap.add_argument("--evict", action="append", default=[])
    ap.add_argument("--before", default=None)
    ap.add_argument("--json", default=None)
    ap.add_argument("--cpu", action="store_true")
    ap.add_argument("contenders", nargs="+", metavar="NAME=COMMAND")
    args = ap.parse_args()

    contenders = []
    for c in args.contenders:
        name, sep, command = c.partition("=")
        if not sep:
            ap.error(f"not NAME=COMMAND: {c}")
        contenders.append((name, command))

    def prepare():
        if args.before:
            subprocess.run(args.before, shell=True, check=True)
        evict(args.evict)

    for _, command in contenders:  # warm-up: loaders, Wine's server, disk
        prepare()
        run_once(command)

    times = {name: [] for name, _ in contenders}
    peaks = {name: [] for name, _ in contenders}
    cpus = {name: [] for name, _ in contenders}
    for r in range(args.runs):
        k = r % len(contenders)
        for name, command in contenders[k:] + contenders[:k]:
            prepare()
            t, m, c = run_once(command)
            times[name].append(t)
            peaks[name].append(m)
            cpus[name].append(c)

    first = statistics.median(times[contenders[0][0]])
    first_cpu = statistics.median(cpus[contenders[0][0]]) or 1e-9
    print(f"{args.runs} interleaved rounds after a warm-up; median (min-max) wall time, median peak RSS")
    width = max(len(n) for n, _ in contenders)
    for name, _ in contenders:
        ts = times[name]
        med = statistics.median(ts)
        print(f"  {name:<{width}}  {med:8.3f} s ({min(ts):.3f}-{max(ts):.3f})  "
              f"{statistics.median(peaks[name]):7.1f} MiB  ratio {med / first:.2f}")
        if args.cpu:
            cs = cpus[name]
            print(f"  {'':<{width}}  {statistics.median(cs):8.3f} s cpu ({min(cs):.3f}-{max(cs):.3f})"
                  f"              ratio {statistics.median(cs) / first_cpu:.2f}")
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"runs": args.runs, "times": times, "peak_mib": peaks, "cpu": cpus}, f, indent=1)


if __name__ == "__main__":
    main()
