"""The closing summary of tools/test-all: which Windows build the end-to-end
suites ran, how many of their cases were skipped and why, and the counts of
the whole run. Reads CTest's JUnit file and the suites' result files
(tests/e2e/scrtest.py writes one per suite).

    python3 test_summary.py ctest-results.xml RESULTS_FOLDER
"""

import os
import sys
import xml.etree.ElementTree as ET


def ctest_counts(junit_path):
    root = ET.parse(junit_path).getroot()
    passed = failed = skipped = 0
    for case in root.iter("testcase"):
        status = case.get("status", "")
        if case.find("failure") is not None or case.find("error") is not None or status == "fail":
            failed += 1
        elif case.find("skipped") is not None or status in ("notrun", "disabled"):
            skipped += 1
        else:
            passed += 1
    return passed, failed, skipped


def suite_results(folder):
    suites = {}
    for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
        if not name.endswith(".txt"):
            continue
        result = {"build": "?", "passed": 0, "failed": 0, "skipped": {}, "suite_skipped": None}
        with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
            for line in f:
                key, _, rest = line.rstrip("\n").partition(" ")
                if key == "build":
                    result["build"] = rest
                elif key == "suite-skipped":
                    result["suite_skipped"] = rest
                elif key in ("passed", "failed"):
                    result[key] = int(rest)
                elif key == "skipped":
                    count, _, reason = rest.partition(" ")
                    result["skipped"][reason] = result["skipped"].get(reason, 0) + int(count)
        suites[name[:-4]] = result
    return suites


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    try:
        passed, failed, skipped = ctest_counts(argv[1])
    except (OSError, ET.ParseError) as e:
        print("test summary: cannot read %s: %s" % (argv[1], e))
        return 1
    suites = suite_results(argv[2])
    print()
    print("== end-to-end suites")
    builds = {}
    reasons = {}
    for name, r in suites.items():
        builds.setdefault(r["build"], []).append(name)
        for reason, n in r["skipped"].items():
            reasons[reason] = reasons.get(reason, 0) + n
    skipped_suites = {n: r["suite_skipped"] for n, r in suites.items() if r["suite_skipped"]}
    for build, names in sorted(builds.items()):
        kind = {"win32": "i686, the published program", "win64": "x86-64 test vehicle"}.get(build, "?")
        ran = [n for n in names if n not in skipped_suites]
        print("build/%s (%s): %s" % (build, kind, ", ".join(ran) or "(no suite ran)"))
    for name, reason in sorted(skipped_suites.items()):
        print("suite %s skipped: %s" % (name, reason))
    cases = [sum(r[k] for r in suites.values()) for k in ("passed", "failed")]
    print("cases: %d passed, %d failed, %d skipped" % (cases[0], cases[1], sum(reasons.values())))
    for reason, n in sorted(reasons.items()):
        print("  skipped %d: %s" % (n, reason))
    print("tests: %d passed, %d failed, %d skipped" % (passed, failed, skipped))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
