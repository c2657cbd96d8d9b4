#!/usr/bin/env python3
"""Runs the Python unittest suites of a folder and writes one line per test
('pass|fail|skip name') for the closing summary."""
import sys
import unittest


class Recorder(unittest.TextTestResult):
    def __init__(self, *a, **k):
        super().__init__(*a, **k)
        self.lines = []

    def addSuccess(self, test):
        super().addSuccess(test)
        self.lines.append(f"pass {test.id()}")

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self.lines.append(f"fail {test.id()}")

    def addError(self, test, err):
        super().addError(test, err)
        self.lines.append(f"fail {test.id()}")

    def addSkip(self, test, reason):
        super().addSkip(test, reason)
        self.lines.append(f"skip {test.id()}")


def main(folder, out):
    suite = unittest.defaultTestLoader.discover(folder, top_level_dir=folder)
    runner = unittest.TextTestRunner(resultclass=Recorder, verbosity=1)
    result = runner.run(suite)
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(result.lines) + "\n")
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
