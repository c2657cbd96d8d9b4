#!/usr/bin/env python3
"""Adds up the GoogleTest XML reports (and plain count files) of a test run
and prints the failures and one closing line 'N passed, M failed'."""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def main(root):
    passed = failed = skipped = 0
    failures = []
    for path in sorted(glob.glob(os.path.join(root, "**", "*.xml"), recursive=True)):
        try:
            tree = ET.parse(path)
        except ET.ParseError as e:
            failures.append(f"{os.path.basename(path)}: unreadable report ({e})")
            failed += 1
            continue
        for case in tree.iter("testcase"):
            name = f"{case.get('classname')}.{case.get('name')}"
            bad = case.find("failure")
            if bad is None:
                bad = case.find("error")
            if bad is not None:
                failed += 1
                # The first lines of what it said: the end of a CI log is
                # often all that can be read of a run on another machine.
                said = (bad.get("message") or bad.text or "").strip().splitlines()[:4]
                failures.append("\n".join([name] + ["      " + line[:200] for line in said]))
            elif case.get("result") == "skipped" or case.find("skipped") is not None or case.get("status") == "notrun":
                skipped += 1
            else:
                passed += 1
    # Programs that crashed or never wrote a report are failures too.
    for path in sorted(glob.glob(os.path.join(root, "**", "*.missing"), recursive=True)):
        failed += 1
        with open(path, encoding="utf-8", errors="replace") as f:
            failures.append(f.read().strip() or os.path.basename(path))
    for path in sorted(glob.glob(os.path.join(root, "**", "*.counts"), recursive=True)):
        with open(path, encoding="utf-8") as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 2 and parts[0] in ("pass", "fail", "skip"):
                    n = parts[0]
                    name = " ".join(parts[1:])
                    if n == "pass":
                        passed += 1
                    elif n == "fail":
                        failed += 1
                        failures.append(name)
                    else:
                        skipped += 1
    if failures:
        print("Failed:")
        for f in failures:
            print(f"  {f}")
    line = f"{passed} passed, {failed} failed"
    if skipped:
        line += f", {skipped} skipped"
    print(line)
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "build/results"))
