#!/usr/bin/env python3
"""Adds up the GoogleTest XML reports of one build (test-results/<program>.xml, written where
each test program runs once) and prints the cases passed, failed and skipped, each skip with
its reason. Exits 1 when a case failed.

    scripts/test_summary.py build/mingw-w64/tests/test-results
"""
import collections
import pathlib
import sys
import xml.etree.ElementTree as ET


def main(folder):
    reports = sorted(pathlib.Path(folder).glob("*.xml"))
    if not reports:
        print(f"no test reports in {folder}")
        return 1
    passed, failed, skipped = 0, [], collections.defaultdict(list)
    for report in reports:
        for case in ET.parse(report).getroot().iter("testcase"):
            name = f"{case.get('classname')}.{case.get('name')}"
            if case.find("failure") is not None:
                failed.append(name)
            elif case.get("result") == "skipped" or case.find("skipped") is not None:
                node = case.find("skipped")
                reason = (node.get("message") if node is not None else "") or ""
                reason = reason.strip().splitlines()[-1] if reason.strip() else "no reason given"
                skipped[reason].append(name)
            else:
                passed += 1
    total_skipped = sum(len(v) for v in skipped.values())
    print(f"test programs: {len(reports)}; test cases: {passed} passed, {len(failed)} failed, "
          f"{total_skipped} skipped")
    for name in failed:
        print(f"  FAILED  {name}")
    for reason, names in sorted(skipped.items()):
        print(f"  skipped {len(names)}: {reason}")
        for name in names:
            print(f"          {name}")
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
