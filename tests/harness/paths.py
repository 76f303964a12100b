"""The paths that a suite's runner (CTest, a script) passes in the
environment. They are read when a case runs, never at import: unittest's
loader lists a module's cases without them (list_cases.py)."""

import os


def required_path(variable):
    path = os.environ.get(variable)
    if not path:
        raise RuntimeError(f"set {variable}; CTest or the script that runs the tests does")
    return path
