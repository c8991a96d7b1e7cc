#!/usr/bin/env python3
"""Sums up CTest's JUnit reports of the test command's stages: each stage's
counts, why tests were skipped, how many e2e scenarios ran for each Windows
program, and one closing line "N passed, M failed, K skipped". A test that
did not run because something it needs failed counts as failed; only a test
that skipped itself (SKIP_RETURN_CODE) counts as skipped.

Usage: test_summary.py [--broken STAGE]... STAGE=REPORT.xml...
       (a --broken stage could not be built, and counts one failure more)
"""
import argparse
import collections
import os
import re
import sys
import xml.etree.ElementTree as ElementTree


def outcome(case):
    """passed, failed or skipped, and for a skip the reason the test printed."""
    if case.get("status") == "run":
        return "passed", None
    skipped = case.find("skipped")
    if case.get("status") == "notrun" and skipped is not None and "SKIP_RETURN_CODE" in skipped.get("message", ""):
        said = [line for line in (case.findtext("system-out") or "").splitlines() if line.startswith("SKIPPED")]
        return "skipped", said[-1].split(": ", 1)[-1] if said else "the test skipped itself"
    return "failed", None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--broken", action="append", default=[])
    parser.add_argument("stages", nargs="+", metavar="STAGE=REPORT")
    args = parser.parse_intermixed_args()

    totals, scenarios = collections.Counter(), collections.Counter()
    reasons = collections.defaultdict(set)
    for stage_report in args.stages:
        stage, report = stage_report.split("=", 1)
        counts = collections.Counter()
        cases = ElementTree.parse(report).getroot().iter("testcase") if os.path.exists(report) else []
        for case in cases:
            name = case.get("name")
            result, why = outcome(case)
            counts[result] += 1
            if why:
                reasons[why].add(name)
            scenario = re.match(r"e2e\.(win64|win32)\.(?!build_program)", name)
            if scenario:
                scenarios[scenario.group(1), "skipped" if result == "skipped" else "ran"] += 1
        if stage in args.broken:
            counts["failed"] += 1
        totals.update(counts)
        verdict = "FAILED" if counts["failed"] or not counts["passed"] else "passed"
        print(f"stage {stage}: {verdict}: {counts['passed']} passed, {counts['failed']} failed, "
              f"{counts['skipped']} skipped")
    for why, names in reasons.items():
        # One test by its name; many by what they share, e2e.win32.* say.
        shown = names if len(names) == 1 else {re.sub(r"\.[^.]+$", ".*", name) for name in names}
        print(f"skipped {', '.join(sorted(shown))}: {why}")
    if scenarios:
        print("e2e scenarios: " + "; ".join(f"{preset} {scenarios[preset, 'ran']} ran, "
                                            f"{scenarios[preset, 'skipped']} skipped" for preset in ("win64", "win32")))
    print(f"{totals['passed']} passed, {totals['failed']} failed, {totals['skipped']} skipped")
    return 1 if totals["failed"] or not totals["passed"] else 0


if __name__ == "__main__":
    sys.exit(main())
