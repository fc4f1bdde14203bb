#!/usr/bin/env python3
"""Draws the progress of a genopt run from its z_result.txt into a PNG.

    tools/plot_progress.py [z_result.txt] [-o progress.png] [--title TEXT] [--reference VALUE]

Takes the file progress pairs that genopt writes every file report period:
    <iteration> итерация  значение целевой функции - <best objective>
     значение параметра области сходимости - <convergence parameter>
and draws the best objective and the convergence parameter against the
iteration, in two panels. Needs matplotlib (scripts/install-dependencies --plot).
"""
import argparse
import os
import re
import sys

SYSTEM_PYTHON = "/usr/bin/python3"

NUMBER = r"([-+]?\d*\.?\d+(?:[EeDd][-+]?\d+)?)"
OBJECTIVE_LINE = re.compile(r"^\s*(\d+)\s+итерация\s+значение целевой функции -\s*" + NUMBER)
CONVERGENCE_LINE = re.compile(r"^\s*значение параметра области сходимости -\s*" + NUMBER)


def number(text):
    return float(text.replace("D", "E").replace("d", "e"))


def read_progress(path):
    """(iterations, objectives, convergence parameters) of the progress pairs."""
    with open(path, encoding="cp1251") as file:
        lines = file.read().splitlines()
    iterations, objectives, convergence = [], [], []
    for first, second in zip(lines, lines[1:]):
        head, tail = OBJECTIVE_LINE.match(first), CONVERGENCE_LINE.match(second)
        if head and tail:
            iterations.append(int(head.group(1)))
            objectives.append(number(head.group(2)))
            convergence.append(number(tail.group(1)))
    return iterations, objectives, convergence


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("result", nargs="?", default="z_result.txt")
    parser.add_argument("-o", "--output", default="progress.png")
    parser.add_argument("--title", default="genopt progress")
    parser.add_argument("--reference", type=float, help="a known optimum, drawn as a dashed line")
    arguments = parser.parse_args()

    iterations, objectives, convergence = read_progress(arguments.result)
    if not iterations:
        sys.exit(f"{arguments.result}: no progress lines (was the search ended in iteration 1?)")
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        # The Debian package serves the system's Python, which another
        # python3 on PATH (a virtual environment, pyenv) may hide.
        system = os.path.realpath(SYSTEM_PYTHON)
        if os.path.exists(system) and os.path.realpath(sys.executable) != system:
            os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
        sys.exit("matplotlib is missing: scripts/install-dependencies --plot")

    figure, (top, bottom) = plt.subplots(2, 1, sharex=True, figsize=(7, 5.5))
    top.plot(iterations, objectives, color="tab:blue", marker=".", markersize=3)
    # A log scale shows the late, small gains, but only for positive values.
    if min(objectives) > 0 and max(objectives) / min(objectives) > 10:
        top.set_yscale("log")
    if arguments.reference is not None:
        top.axhline(arguments.reference, color="tab:green", linestyle="--",
                    label=f"known optimum {arguments.reference:.7g}")
        top.legend(loc="upper right")
    top.set_ylabel("best objective")
    top.set_title(arguments.title)
    top.annotate(f"{objectives[-1]:.7g}", (iterations[-1], objectives[-1]),
                 textcoords="offset points", xytext=(-10, 8), ha="right")
    top.grid(True, which="both", alpha=0.3)

    positive = [(i, c) for i, c in zip(iterations, convergence) if c > 0]
    if positive:
        bottom.semilogy(*zip(*positive), color="tab:orange", marker=".", markersize=3,
                        linestyle="none")
    zero = [i for i, c in zip(iterations, convergence) if c <= 0]
    bottom.set_ylabel("convergence parameter")
    bottom.set_xlabel("iteration")
    if zero:
        bottom.text(0.99, 0.03, f"{len(zero)} of {len(iterations)} reports: 0 (not shown)",
                    transform=bottom.transAxes, ha="right", va="bottom", fontsize=8)
    bottom.grid(True, which="both", alpha=0.3)
    figure.tight_layout()
    figure.savefig(arguments.output, dpi=80)
    print(f"wrote {arguments.output}")


if __name__ == "__main__":
    main()
