"""Runs the suite against planted faults: for each fault of planted.json (a
small plausible bug: one text replaced once in one source file), puts it into
the sources, builds, runs the tests and prints which tests caught it; the file
is put back before the next. Prints the faults no test caught at the end.

Called by faults.sh, which prepares the display, sound and Wine first.
"""
import json
import os
import subprocess
import sys
import time

root, build = sys.argv[1], sys.argv[2]
wanted = set(sys.argv[3:])
with open(os.path.join(root, "scripts", "faults", "planted.json"), encoding="utf-8") as f:
    faults = [m for m in json.load(f) if not wanted or m["id"] in wanted]


# ctest's list of the tests that failed in its last run (none: no file).
failed_log = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")


def failed_tests():
    if not os.path.exists(failed_log):
        return []
    with open(failed_log) as f:
        return [line.strip().split(":", 1)[1] for line in f if ":" in line]


unseen = []
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
    if not caught:
        unseen.append(fault)
    print(f"{fault['id']} ({time.time() - started:.0f} s): "
          f"{', '.join(caught) if caught else 'NOT CAUGHT'}", flush=True)

subprocess.run(["cmake", "--build", build, "-j2"], capture_output=True)
print(f"\n{len(faults) - len(unseen)} of {len(faults)} faults caught")
for fault in unseen:
    print(f"  not caught {fault['id']} {fault['file']}: {fault['why']}")
