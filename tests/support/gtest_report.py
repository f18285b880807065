#!/usr/bin/env python3
"""One GoogleTest process, one ctest entry per suite.

    gtest_report.py run REPORT -- COMMAND...   runs COMMAND, which writes the
        XML report REPORT; passes when the report is whole, whatever the tests
        said (each suite's entry says that)
    gtest_report.py suite REPORT SUITE         passes when SUITE ran and none
        of its tests failed; prints each failure's message
"""

import os
import subprocess
import sys
import xml.etree.ElementTree as ET


def run(report, command):
    if os.path.exists(report):
        os.remove(report)  # a stale report must not pass for this run
    code = subprocess.run(command).returncode
    try:
        suites = ET.parse(report).getroot().findall("testsuite")
    except (OSError, ET.ParseError) as error:
        print("gtest_report: %s exited with code %d and left no whole report (%s)"
              % (os.path.basename(command[0]), code, error), file=sys.stderr)
        return 1
    failed = sum(int(s.get("failures", 0)) + int(s.get("errors", 0)) for s in suites)
    tests = sum(int(s.get("tests", 0)) for s in suites)
    print("gtest_report: %d tests in %d suites, %d failed (exit code %d)" % (tests, len(suites), failed, code))
    if code != 0 and failed == 0:
        print("gtest_report: the run exited with code %d with no test failed" % code, file=sys.stderr)
        return 1
    return 0


def suite(report, name):
    root = ET.parse(report).getroot()
    # Parameterised suites are reported as Instance/Suite.
    found = [s for s in root.findall("testsuite")
             if s.get("name") == name or s.get("name", "").endswith("/" + name)]
    cases = [c for s in found for c in s.findall("testcase")]
    if not cases:
        print("gtest_report: no test of suite %s in %s" % (name, report), file=sys.stderr)
        return 1
    failed = 0
    for case in cases:
        title = "%s.%s" % (case.get("classname"), case.get("name"))
        problems = case.findall("failure") + case.findall("error")
        if case.get("result") == "skipped" or case.find("skipped") is not None:
            print("skipped  " + title)
        elif problems:
            failed += 1
            print("FAILED   " + title)
            for p in problems:
                print(p.get("message") or p.text or "")
        else:
            print("passed   %s (%s s)" % (title, case.get("time")))
    print("%d of %d tests of %s failed" % (failed, len(cases), name))
    return 1 if failed else 0


def main(argv):
    if len(argv) >= 4 and argv[1] == "run" and argv[3] == "--":
        return run(argv[2], argv[4:])
    if len(argv) == 4 and argv[1] == "suite":
        return suite(argv[2], argv[3])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
