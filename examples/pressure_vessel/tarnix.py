#!/usr/bin/env python3
"""Pressure vessel design as a model program for genopt, in plain Python 3.

Copy it into the run directory as tarnix.exe (executable) in place of the
compiled model; it gives the same answers. genopt starts it as
"tarnix.exe -c -r" in the run directory. It reads the candidate from
&&&_Rab.txt and the search ranges from &_in_gen.txt, then replaces the work
file's content by one answer: the objective alone, or "value index" for the
first violated constraint (value < 0 means violated).

x1 = Ts and x2 = Th in whole plates of 0.0625 in, x3 = R, x4 = L (in).
Published optimum: 6059.714 at Ts = 0.8125, Th = 0.4375, R = 42.0984,
L = 176.6366.
"""
import math
import re
import sys

WORK_FILE = "&&&_Rab.txt"
SETTINGS_FILE = "&_in_gen.txt"
PLATE = 0.0625


def numbers_in(text):
    """Free-format numbers up to the first word that is not one; D = E."""
    numbers = []
    for word in re.split(r"[ ,\t\r\n]+", text.strip(" ,\t\r\n")):
        try:
            numbers.append(float(word.replace("D", "E").replace("d", "e")))
        except ValueError:
            break
    return numbers


def read_ranges():
    """Text line, K, two report periods, then one (lower, upper) per read."""
    with open(SETTINGS_FILE, encoding="latin-1") as file:
        lines = [line for line in file.read().splitlines() if line.strip(" \t\r")]
    lines = iter(lines[1:])  # the text line is taken whole

    def take(count):
        values = []
        for line in lines:
            values += numbers_in(line)[: count - len(values)]
            if len(values) == count:
                return values
        return None

    take(1)  # K
    take(2)  # report periods
    ranges = []
    while (pair := take(2)) is not None:
        ranges.append(pair)
    return ranges


def constraints(x):
    """Each g >= 0 when satisfied, as a fraction of its limit."""
    ts, th, r, length = x[0] * PLATE, x[1] * PLATE, x[2], x[3]
    volume = math.pi * r * r * length + 4.0 / 3.0 * math.pi * r * r * r
    return [
        ts / (0.0193 * r) - 1.0,
        th / (0.00954 * r) - 1.0,
        volume / 1296000.0 - 1.0,
        1.0 - length / 240.0,
    ]


def cost(x):
    ts, th, r, length = x[0] * PLATE, x[1] * PLATE, x[2], x[3]
    return (0.6224 * ts * r * length + 1.7781 * th * r * r
            + 3.1661 * ts * ts * length + 19.84 * ts * ts * r)


def answer(text):
    with open(WORK_FILE, "w", encoding="ascii") as file:
        file.write(text + "\n")


def main():
    with open(WORK_FILE, encoding="latin-1") as file:
        x = numbers_in(file.read())
    if len(x) != 4:
        sys.exit(f"tarnix.exe: expected 4 values in {WORK_FILE}, found {len(x)}")
    n = len(x)
    for i, (value, (lower, upper)) in enumerate(zip(x, read_ranges()), start=1):
        if value < lower:
            return answer(f"{value - lower!r} {2 * i - 1}")
        if value > upper:
            return answer(f"{upper - value!r} {2 * i}")
    for k, g in enumerate(constraints(x)):
        if g < 0.0:
            return answer(f"{g!r} {2 * n + 1 + k}")
    return answer(repr(cost(x)))


if __name__ == "__main__":
    main()
