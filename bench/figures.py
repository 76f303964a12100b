"""What the figure scripts beside this one share: their command lines and how
they show durations."""

import os
import statistics
import sys


def arguments(argv, usage, programs, *defaults):
    """The programs' paths, made absolute, then each optional figure, as its
    default's type; prints usage and exits with status 2 when a program is
    missing."""
    if len(argv) <= programs:
        print(usage)
        sys.exit(2)
    paths = [os.path.abspath(path) for path in argv[1:programs + 1]]
    given = argv[programs + 1:]
    return paths + [type(default)(given[index]) if index < len(given) else default
                    for index, default in enumerate(defaults)]


def ms(seconds):
    return f"{seconds * 1000:.1f} ms"


def median_and_worst(durations):
    return f"median {ms(statistics.median(durations))}, worst {ms(max(durations))}"
