"""The cases of a unittest module as unittest's own loader finds them, for
cmake/python_cases.cmake, which registers one CTest test for each:

    list_cases.py PATH/TO/test_module.py

prints "case <id>" for each case (module.Class.test_method), then "file
<path>" for each module of the tests' tree that the import read, so that
CMake lists the cases again when one of them changes. The module is imported
without the environment its tests get: a test module reads the paths it is
given when its cases run (harness.paths)."""

import importlib
import os
import sys
import unittest


def _cases(suite):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from _cases(test)
        else:
            yield test


def main(path):
    folder, name = os.path.split(os.path.abspath(path))
    sys.path.insert(0, folder)
    module = importlib.import_module(os.path.splitext(name)[0])
    loader = unittest.TestLoader()
    cases = list(_cases(loader.loadTestsFromModule(module)))
    if loader.errors:
        sys.exit("\n".join(loader.errors))
    if not cases:
        sys.exit(f"{path}: no test cases")
    for case in cases:
        print("case", case.id())
    tests = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    for imported in list(sys.modules.values()):
        file = getattr(imported, "__file__", None) or ""
        if file.startswith((folder + os.sep, tests + os.sep)):
            print("file", file)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: list_cases.py PATH/TO/test_module.py")
    main(sys.argv[1])
