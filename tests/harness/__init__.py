"""What the end-to-end suites, the soak, the benchmark and the demo share: the
program's texts, a fake board and its sysfs tree, the program's runs, the
desktop and the simulated lamp. Imported as `harness`, with tests/ on
PYTHONPATH (tests/harness/python sets it)."""
