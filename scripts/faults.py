"""Runs the suite against planted faults: for each fault of planted.json (a
small plausible bug: one text replaced once in one source file), puts it into
the sources, builds, runs the tests and prints which tests caught it; the file
is put back before the next. Prints the faults no test caught at the end.

Called by faults.sh, which prepares the display, sound and Wine first. With
--summary LOG... it runs nothing and reads the lines earlier runs printed (a
later line for a fault replaces an earlier one), so runs of parts of the set,
made in turn or side by side, add up to one table.

Either way it ends with what each test catches: the faults only that test
catches are marked "alone", and the tests that catch none are listed. A test
that is alone on a fault guards something no other test does.
"""
import json
import os
import re
import subprocess
import sys
import time

root, build = sys.argv[1], sys.argv[2]
summary_logs = sys.argv[4:] if sys.argv[3:4] == ["--summary"] else None
wanted = set(sys.argv[3:]) if summary_logs is None else set()
with open(os.path.join(root, "scripts", "faults", "planted.json"), encoding="utf-8") as f:
    faults = [m for m in json.load(f) if not wanted or m["id"] in wanted]


# ctest's list of the tests that failed in its last run (none: no file).
failed_log = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")


def failed_tests():
    if not os.path.exists(failed_log):
        return []
    with open(failed_log) as f:
        return [line.strip().split(":", 1)[1] for line in f if ":" in line]


def summarise(caught_by):
    """Prints, per test, the faults it catches ("alone" where no other test does)."""
    listed = subprocess.run(["ctest", "-N"], cwd=build, capture_output=True, text=True).stdout
    tests = re.findall(r"Test +#\d+: (\S+)", listed)
    catches = {test: [] for test in tests}
    for fault_id, caught in caught_by.items():
        for test in caught:
            catches.setdefault(test, []).append(
                fault_id + (" alone" if len(caught) == 1 else ""))
    print("\nWhat each test catches:")
    for test in sorted(catches, key=lambda t: (-len(catches[t]), t)):
        if catches[test]:
            print(f"  {test}: {', '.join(sorted(catches[test]))}")
    idle = sorted(test for test in catches if not catches[test])
    print(f"{len(idle)} of {len(catches)} tests catch none of these faults:")
    for test in idle:
        print(f"  {test}")


def report(results):
    """The count, the faults no test caught, and what each test catches."""
    print(f"\n{sum(1 for c in results.values() if c)} of {len(results)} faults caught")
    for fault in faults:
        if fault["id"] in results and not results[fault["id"]]:
            print(f"  not caught {fault['id']} {fault['file']}: {fault['why']}")
    summarise({k: v for k, v in results.items() if v})


if summary_logs is not None:
    results = {}
    for log in summary_logs:
        with open(log, encoding="utf-8") as f:
            for line in f:
                m = re.match(r"([A-Z]-\d+) \(\d+ s\): (.*)$", line.strip())
                if m:
                    results[m.group(1)] = [] if m.group(2) == "NOT CAUGHT" else m.group(2).split(", ")
    results = {fault["id"]: results[fault["id"]] for fault in faults if fault["id"] in results}
    missing = [fault["id"] for fault in faults if fault["id"] not in results]
    if missing:
        print(f"not in the logs: {' '.join(missing)}")
    report(results)
    sys.exit(0)

caught_by = {}
for fault in faults:
    path = os.path.join(root, fault["file"])
    with open(path, encoding="utf-8", newline="") as f:
        source = f.read()
    if source.count(fault["old"]) != 1:
        print(f"{fault['id']}: its text is no longer in {fault['file']} once; skipped", flush=True)
        continue
    started = time.time()
    try:
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(source.replace(fault["old"], fault["new"], 1))
        built = subprocess.run(["cmake", "--build", build, "-j2"], capture_output=True)
        if built.returncode != 0:
            print(f"{fault['id']}: does not build; skipped", flush=True)
            continue
        if os.path.exists(failed_log):
            os.remove(failed_log)
        subprocess.run(["ctest", "-j2", "--timeout", "60"], cwd=build, capture_output=True)
        caught = failed_tests()
    finally:
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(source)
    caught_by[fault["id"]] = caught
    print(f"{fault['id']} ({time.time() - started:.0f} s): "
          f"{', '.join(caught) if caught else 'NOT CAUGHT'}", flush=True)

subprocess.run(["cmake", "--build", build, "-j2"], capture_output=True)
report(caught_by)
