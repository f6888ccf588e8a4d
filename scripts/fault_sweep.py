#!/usr/bin/env python3
"""The fault sweep: runs the script tests again under the sanitizer build
with one engine call failed (every call's first occurrence, every occurrence
in short scripts) or the engine's allocations failed from a point on (every allocation in turn, or as many points spread
over them as ALLOCATION_POINTS allows), and
fails on any crash, sanitizer report, hang, or file that the run lost or
changed where the same script without faults leaves it as it was.

    fault_sweep.py BUILD_DIR [--budget SECONDS] [--jobs N]

With a budget, the points are taken in an order mixed across the scripts
(the same order every time) and the sweep stops starting runs once the
budget is spent; without one every point runs.
"""
import argparse
import concurrent.futures
import hashlib
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SCRIPTS = ROOT / "tests" / "scripts"
FAULT = -108          # memFullErr: every call knows how to answer it
SHORT_SCRIPT = 80     # scripts making at most this many calls have every call failed
ALLOCATION_POINTS = 1024  # allocation points per script at most, spread over all of them
TIMEOUT = 120
RELEASES = ("Dispose", "Kill", "Close", "QTDispose", "Release")
REPORTS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
           "AddressSanitizer:DEADLYSIGNAL")


def snapshot(folder):
    """Every file under the folder and a digest of its bytes."""
    files = {}
    for path in sorted(Path(folder).rglob("*")):
        if path.is_file() and not path.is_symlink():
            files[str(path.relative_to(folder))] = hashlib.sha1(path.read_bytes()).hexdigest()
        elif path.exists() and not path.is_dir():
            files[str(path.relative_to(folder))] = "special"
    return files


class Script:
    def __init__(self, bas, fenra, work):
        self.bas = bas
        self.name = bas.stem
        self.fenra = fenra
        self.work = Path(work) / self.name
        self.template = self.work / "template"
        setup = bas.with_suffix(".sh")
        args_file = bas.with_suffix(".args")
        self.args = args_file.read_text().splitlines() if args_file.exists() else []
        self.has_files = setup.exists()
        self.template.mkdir(parents=True)
        if self.has_files:
            subprocess.run(["sh", str(setup), str(self.template)], check=True,
                           stdout=subprocess.DEVNULL)

    def run(self, label, env_extra, log=None):
        """Runs the script on a fresh copy of its files: (result, before, after)."""
        folder = self.work / label
        subprocess.run(["cp", "-a", str(self.template), str(folder)], check=True)
        before = snapshot(folder)
        env = dict(os.environ)
        env.update(env_extra)
        env["TMPDIR"] = str(folder)
        if log:
            env["QTML_CALL_LOG"] = str(log)
        command = [str(self.fenra), "run", str(self.bas)]
        command += ([str(folder)] if self.has_files else []) + self.args
        try:
            result = subprocess.run(command, cwd=folder, env=env, capture_output=True,
                                    text=True, errors="replace", timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            result = None
        after = snapshot(folder)
        shutil.rmtree(folder, ignore_errors=True)
        return result, before, after

    def baseline(self):
        log = self.work / "calls.txt"
        result, before, after = self.run("baseline", {}, log)
        if result is None or result.returncode != 0:
            raise RuntimeError(f"{self.name}: the script fails without faults")
        self.calls = [line for line in log.read_text().splitlines() if line]
        self.before = before
        self.unchanged = {f for f, digest in before.items() if after.get(f) == digest}
        self.kept = {f for f in before if f in after}
        self.allocations = self.count_allocations()

    def refused(self, n):
        log = self.work / f"alloc-{n}.txt"
        self.run(f"count-{n}", {"QTML_FAIL_ALLOCATIONS": str(n)}, log)
        first = log.read_text().splitlines()[:1] if log.exists() else []
        log.unlink(missing_ok=True)
        return int(first[0].split()[1]) if first and first[0].startswith("#refused") else 0

    def count_allocations(self):
        """How many allocations the engine makes for the script: the first
        point from which failing them refuses none. Scripts that arm faults
        of their own are not swept this way (0)."""
        if "QTMLTest." in self.bas.read_text():
            return 0
        high = 1
        while high < 1 << 20 and self.refused(high) > 0:
            high *= 2
        low = high // 2
        while low + 1 < high:
            middle = (low + high) // 2
            if self.refused(middle) > 0:
                low = middle
            else:
                high = middle
        return high

    def points(self):
        points = []
        seen = {}
        every = len(self.calls) <= SHORT_SCRIPT
        for name in self.calls:
            seen[name] = seen.get(name, 0) + 1
            if every or seen[name] == 1:
                points.append(("call", f"{name}:{FAULT}:{seen[name]}"))
        step = max(1, self.allocations // ALLOCATION_POINTS)
        points += [("allocations", str(n)) for n in range(0, self.allocations, step)]
        return points

    def check(self, kind, value):
        env = {"QTML_FAIL": value} if kind == "call" else {"QTML_FAIL_ALLOCATIONS": value}
        if kind == "call" and value.startswith(RELEASES):
            # A release made to fail keeps what it would have freed: that
            # is the fault's doing, not a leak to report.
            env["ASAN_OPTIONS"] = "detect_leaks=0"
        label = f"{kind}-{value.replace(':', '_')}"
        result, before, after = self.run(label, env)
        how = (f"QTML_FAIL={value}" if kind == "call" else f"QTML_FAIL_ALLOCATIONS={value}")
        problems = []
        if result is None:
            problems.append("hangs")
        else:
            if result.returncode < 0:
                problems.append(f"dies of signal {-result.returncode}")
            reports = [line for line in result.stderr.splitlines()
                       if any(r in line for r in REPORTS)]
            if reports:
                problems.append("sanitizer: " + reports[0].strip())
        for f in sorted(self.kept):
            if f not in after:
                problems.append(f"loses {f}")
            elif f in self.unchanged and after[f] != before[f]:
                problems.append(f"changes {f}")
        return [f"{self.name} with {how}: {p}" for p in problems]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--budget", type=float, default=0)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    options = parser.parse_args()
    fenra = Path(options.build).resolve() / "bin" / "fenra"
    start = time.monotonic()
    work = tempfile.mkdtemp(prefix="fenra-faults-")
    try:
        scripts = []
        for bas in sorted(SCRIPTS.glob("*.bas")):
            if bas.with_suffix(".err").exists():
                continue  # scripts that fail on purpose
            script = Script(bas, fenra, work)
            script.baseline()
            scripts.append(script)
        work_items = [(s, kind, value) for s in scripts for kind, value in s.points()]
        if options.budget:
            random.Random(0).shuffle(work_items)
        print(f"faults: {len(work_items)} points over {len(scripts)} scripts", flush=True)
        failures, done = [], 0
        with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
            pending = set()
            items = iter(work_items)
            while True:
                while len(pending) < options.jobs * 2:
                    if options.budget and time.monotonic() - start > options.budget:
                        break
                    item = next(items, None)
                    if item is None:
                        break
                    pending.add(pool.submit(item[0].check, item[1], item[2]))
                if not pending:
                    break
                finished, pending = concurrent.futures.wait(
                    pending, return_when=concurrent.futures.FIRST_COMPLETED)
                for future in finished:
                    done += 1
                    for problem in future.result():
                        failures.append(problem)
                        print("FAULT " + problem, flush=True)
        elapsed = time.monotonic() - start
        print(f"faults: {done} of {len(work_items)} points run in {elapsed:.0f}s, "
              f"{len(failures)} failing", flush=True)
        return 1 if failures else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
