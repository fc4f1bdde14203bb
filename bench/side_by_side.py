#!/usr/bin/env python3
"""How much faster a search goes with model runs side by side.

The pressure-vessel example with a model that sleeps 50 ms before it answers,
one run at a time against --jobs 5 and --jobs 10. Each is run twice: ended at
the first key poll (the initial population, then the last evaluation), and
ended after a fixed number of iterations; the difference is the iterations'
time. Prints the times and the speed-ups, and checks that the reports and the
console are the same for every number of jobs.

    side_by_side.py GENOPT EXAMPLE_INPUTS EXAMPLE_MODEL [ITERATIONS]
"""

import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

SLEEP_SECONDS = 0.05
POLLS_PER_ITERATION = 40  # 4 variables, 10 children


def prepare(directory, inputs, model):
    directory.mkdir()
    for name in ("&_in_gen.txt", "&&_in_iZEL.txt", "&&_in_X_start.txt"):
        if (inputs / name).exists():
            shutil.copy(inputs / name, directory / name)
    sleeper = directory / "tarnix.exe"
    sleeper.write_text(f'#!/bin/sh\nsleep {SLEEP_SECONDS}\nexec "{model}" "$@"\n')
    sleeper.chmod(0o755)


def timed_run(genopt, directory, keys, jobs):
    """Seconds the run took, and what it left: console and report files."""
    start = time.monotonic()
    run = subprocess.run([genopt, "--jobs", str(jobs)], cwd=directory, input=keys,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=True)
    seconds = time.monotonic() - start
    reports = {p.name: p.read_bytes() for p in sorted(directory.glob("z_*"))}
    return seconds, (run.stdout, reports)


def main():
    genopt, inputs, model = (pathlib.Path(a).resolve() for a in sys.argv[1:4])
    iterations = int(sys.argv[4]) if len(sys.argv) > 4 else 20
    keys_initial = b"1"
    keys_iterations = b"x" * (POLLS_PER_ITERATION * iterations) + b"1"
    scratch = pathlib.Path(tempfile.mkdtemp(prefix="genopt-side-by-side-"))
    try:
        results = {}
        for jobs in (1, 5, 10):
            times = []
            for phase, keys in (("initial", keys_initial), ("all", keys_iterations)):
                directory = scratch / f"{phase}-{jobs}"
                prepare(directory, inputs, model)
                seconds, left = timed_run(genopt, directory, keys, jobs)
                times.append(seconds)
                if phase == "all":
                    results.setdefault("reference", left)
                    if left != results["reference"]:
                        print(f"--jobs {jobs}: reports or console differ from one job")
                        return 1
            results[jobs] = (times[0], times[1] - times[0])
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    serial_initial, serial_iterations = results[1]
    print(f"pressure vessel, model sleeping {SLEEP_SECONDS * 1000:.0f} ms, "
          f"{iterations} iterations, {os.cpu_count()} cores")
    print(f"{'jobs':>4} {'initial population':>19} {'speed-up':>9} "
          f"{'iterations':>11} {'speed-up':>9}")
    for jobs in (1, 5, 10):
        initial, iterating = results[jobs]
        print(f"{jobs:>4} {initial:>17.2f} s {serial_initial / initial:>8.2f}x "
              f"{iterating:>9.2f} s {serial_iterations / iterating:>8.2f}x")
    print("reports and console: the same for every number of jobs")
    return 0


if __name__ == "__main__":
    sys.exit(main())
