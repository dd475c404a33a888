#!/usr/bin/env python3
"""How strong is the test suite? Puts single-point faults into a copy of the program, one at a time,
and counts the ones the suite catches.

The faults are the rows of scripts/mutations.tsv (its head says how a row is written): a module, a
file, an exact text that must occur once in it, its replacement and a note. The working tree is
never changed. Its files (tracked, and new ones not ignored) are copied into a scratch folder and
built there once (Ninja, Release, ccache when installed); the suite must pass on that copy. Then,
for each fault: the text is replaced, the build is brought up to date, ctest runs (stopping at the
first failure), and the file is put back. A failing run kills the fault; so does a run that passes
the timeout, which is said. A fault that does not compile is "stillborn" and a text found never or
more than once is "not found/ambiguous": neither is counted. Rows marked equivalent run too but
stay out of the rates. The end: per module the faults, kills and kill rate, every survivor, and a
total line. Each run's build and test output is kept in SCRATCH/logs/.

  scripts/mutate.py                      every row, the whole suite (an hour or more on 2 cores)
  scripts/mutate.py --skip-slow          without RegistryWin32UnderWine and InstallAndPackage,
                                         the slow tests of the Wine registry build and the .deb
  scripts/mutate.py --module readers,add --rows 3,10-12
  scripts/mutate.py --check              only checks that every row's text is found once
  scripts/mutate.py --every-killer       runs the whole suite for each fault instead of stopping at the
                                         first failure, and writes SCRATCH/killers.tsv: each fault's
                                         number and every test that caught it (to see which tests are
                                         the only ones to catch a fault before cutting any)

  --scratch DIR   the copy and its build (default /tmp/vintrel-mutate); kept, so later runs rebuild
                  little
  -j N            build jobs and test jobs (default 2)
  --timeout S     seconds for one test run (default three times the unchanged run, at least 120)
"""

import argparse
import fcntl
import filecmp
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
TABLE = ROOT / "scripts" / "mutations.tsv"
SLOW_TESTS = ("RegistryWin32UnderWine", "InstallAndPackage")


@dataclass
class Fault:
    number: int
    module: str
    file: str
    text: str
    replacement: str
    note: str
    equivalent: str  # why it cannot change behaviour; empty for a real fault
    outcome: str = ""


def read_table(path):
    faults = []
    for line in path.read_text(encoding="utf-8").splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        cells = line.split("\t")
        if len(cells) not in (5, 6):
            sys.exit(f"{path.name}: a row has 5 or 6 cells separated by tabs, not {len(cells)}: {line}")
        faults.append(Fault(len(faults) + 1, *cells[:5], cells[5] if len(cells) == 6 else ""))
    return faults


def numbers_of(text):
    numbers = set()
    for part in text.split(","):
        first, _, last = part.partition("-")
        numbers.update(range(int(first), int(last or first) + 1))
    return numbers


def occurrences(source, fault):
    path = source / fault.file
    return path.read_text(encoding="utf-8").count(fault.text) if path.is_file() else 0


def sync_copy(source, copy):
    """Makes `copy` hold the working tree's files; only changed files are written, with a fresh time."""
    listed = subprocess.run(["git", "-C", str(source), "ls-files", "-z", "--cached", "--others",
                             "--exclude-standard"], capture_output=True, check=True).stdout
    wanted = set()
    for name in filter(None, listed.split(b"\0")):
        relative = os.fsdecode(name)
        original, target = source / relative, copy / relative
        if not original.is_file():
            continue  # deleted in the working tree
        wanted.add(relative)
        if not target.is_file() or not filecmp.cmp(original, target, shallow=False):
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(original, target)
            shutil.copymode(original, target)
    for path in copy.rglob("*"):
        if path.is_file() and path.relative_to(copy).as_posix() not in wanted:
            path.unlink()


def run_logged(command, log, timeout=None):
    """Runs `command` in a session of its own, output to `log`; returns its status, None on timeout."""
    with open(log, "w") as out:
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)  # ctest and the tests it started
            process.wait()
            return None
        except BaseException:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise


def failed_tests(log):
    text = Path(log).read_text(errors="replace")
    tail = text.partition("The following tests FAILED:")[2]
    return re.findall(r"^\s*\d+ - (\S+)", tail, re.MULTILINE)


class Runner:
    def __init__(self, args):
        self.args = args
        self.copy = args.scratch / "vintrel"
        self.build = args.scratch / "build"
        self.logs = args.scratch / "logs"

    def prepare(self):
        self.copy.mkdir(parents=True, exist_ok=True)
        self.logs.mkdir(exist_ok=True)
        sync_copy(ROOT, self.copy)
        # The tests find the files other programs wrote beside the repository, in ../shared/real.
        shared, link = (ROOT.parent / "shared").resolve(), self.args.scratch / "shared"
        if shared.is_dir() and not link.exists():
            link.symlink_to(shared)
        configure = ["cmake", "-S", str(self.copy), "-B", str(self.build), "-G", "Ninja",
                     "-DCMAKE_BUILD_TYPE=Release",
                     "-DVINTREL_WINE_TESTS=" + ("OFF" if self.args.skip_slow else "ON")]
        if shutil.which("ccache"):
            configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        if run_logged(configure, self.logs / "configure.log") != 0:
            sys.exit(f"cmake could not configure the copy; see {self.logs / 'configure.log'}")

    def compiles(self, log):
        return run_logged(["cmake", "--build", str(self.build), "-j", str(self.args.jobs)], log) == 0

    def suite(self, log, timeout):
        """'passed', 'failed' or 'timeout'."""
        command = ["ctest", "--test-dir", str(self.build), "-j", str(self.args.jobs), "--timeout",
                   str(int(timeout))]
        if not self.args.every_killer:
            command.append("--stop-on-failure")
        if self.args.skip_slow:
            command += ["-E", "^(" + "|".join(SLOW_TESTS) + ")$"]
        status = run_logged(command, log, timeout)
        return "timeout" if status is None else "passed" if status == 0 else "failed"

    def baseline(self):
        if not self.compiles(self.logs / "baseline-build.log"):
            sys.exit(f"the unchanged copy does not build; see {self.logs / 'baseline-build.log'}")
        started = time.monotonic()
        result = self.suite(self.logs / "baseline-test.log", 3600)
        seconds = time.monotonic() - started
        if result != "passed":
            failed = ", ".join(failed_tests(self.logs / "baseline-test.log")) or result
            sys.exit(f"the unchanged suite does not pass ({failed}): nothing to measure")
        print(f"unchanged suite passed in {seconds:.0f} s", flush=True)
        if self.args.timeout and self.args.timeout < seconds:
            print(f"warning: --timeout {self.args.timeout:.0f} is shorter than that run", flush=True)
        return self.args.timeout or max(120.0, 3 * seconds)

    def run(self, fault, timeout):
        path = self.copy / fault.file
        original = path.read_text(encoding="utf-8")
        started = time.monotonic()
        build_log = self.logs / f"{fault.number:03}-build.log"
        test_log = self.logs / f"{fault.number:03}-test.log"
        try:
            path.write_text(original.replace(fault.text, fault.replacement), encoding="utf-8")
            if not self.compiles(build_log):
                return "stillborn", ""
            result = self.suite(test_log, timeout)
        finally:
            path.write_text(original, encoding="utf-8")
        seconds = f"{time.monotonic() - started:.0f} s"
        if result == "passed":
            return "survived", seconds
        if result == "timeout":
            return "killed (timeout)", f"the test run took over {timeout:.0f} s, {seconds}"
        return "killed", f"by {', '.join(failed_tests(test_log)) or 'ctest'}, {seconds}"


def report(faults, skip_slow):
    counted = [f for f in faults if f.outcome.startswith(("killed", "survived")) and not f.equivalent]
    modules = list(dict.fromkeys(f.module for f in faults))
    print(f"\n{'module':<14}{'faults':>7}{'killed':>8}{'kill rate':>11}")

    def line(name, rows):
        killed = sum(f.outcome.startswith("killed") for f in rows)
        rate = f"{100 * killed / len(rows):.0f}%" if rows else "-"
        print(f"{name:<14}{len(rows):>7}{killed:>8}{rate:>11}")

    for module in modules:
        line(module, [f for f in counted if f.module == module])
    line("total", counted)
    for title, rows in (
            ("Survivors", [f for f in counted if f.outcome == "survived"]),
            ("Killed by a timeout (a hang)", [f for f in counted if f.outcome == "killed (timeout)"]),
            ("Equivalent (not counted)", [f for f in faults if f.equivalent and f.outcome]),
            ("Stillborn (not counted)", [f for f in faults if f.outcome == "stillborn"]),
            ("Not found/ambiguous (not counted)", [f for f in faults if f.outcome.startswith("not found")])):
        if rows:
            print(f"\n{title}:")
            for f in rows:
                extra = f" [{f.outcome}: {f.equivalent}]" if f.equivalent else ""
                print(f"  #{f.number} {f.file}: {f.note}{extra}")
    slow = "were not run (--skip-slow)" if skip_slow else "were run"
    killed = sum(f.outcome.startswith("killed") for f in counted)
    print(f"\nThe slow tests ({', '.join(SLOW_TESTS)}) {slow}.")
    print(f"Total: {killed} of {len(counted)} faults killed"
          + (f" ({100 * killed / len(counted):.0f}%)" if counted else ""))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--module", help="only these modules, separated by commas")
    parser.add_argument("--rows", help="only these row numbers: 3,10-12")
    parser.add_argument("--scratch", type=Path, default=Path("/tmp/vintrel-mutate"))
    parser.add_argument("-j", "--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=float, help="seconds for one test run")
    parser.add_argument("--skip-slow", action="store_true", help="leave out " + " and ".join(SLOW_TESTS))
    parser.add_argument("--check", action="store_true", help="only check the table against the sources")
    parser.add_argument("--every-killer", action="store_true",
                        help="run every test for each fault and list the killers in SCRATCH/killers.tsv")
    args = parser.parse_args()
    args.scratch = args.scratch.resolve()
    if args.scratch == ROOT or ROOT in args.scratch.parents:
        sys.exit("the scratch folder must lie outside the repository")

    faults = read_table(TABLE)
    if args.module:
        modules = set(args.module.split(","))
        faults = [f for f in faults if f.module in modules]
    if args.rows:
        numbers = numbers_of(args.rows)
        faults = [f for f in faults if f.number in numbers]
    if not faults:
        sys.exit("no row chosen")
    for f in faults:
        count = occurrences(ROOT, f)
        if count != 1:
            f.outcome = f"not found/ambiguous ({count} times)"
    if args.check:
        for f in faults:
            print(f"#{f.number:<4}{f.module:<13}{f.file}: {f.outcome or 'found once'}")
        return 1 if any(f.outcome for f in faults) else 0

    args.scratch.mkdir(parents=True, exist_ok=True)
    with open(args.scratch / ".lock", "w") as lock:
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            sys.exit(f"another run is using {args.scratch}")
        runner = Runner(args)
        runner.prepare()
        timeout = runner.baseline()
        chosen = [f for f in faults if not f.outcome]
        if args.every_killer:
            (args.scratch / "killers.tsv").write_text("", encoding="utf-8")
        for i, f in enumerate(chosen, 1):
            f.outcome, detail = runner.run(f, timeout)
            print(f"[{i}/{len(chosen)}] #{f.number} {f.module}, {f.file}: {f.outcome}"
                  + (f" ({detail})" if detail else ""), flush=True)
            if args.every_killer:
                killers = failed_tests(runner.logs / f"{f.number:03}-test.log") if f.outcome == "killed" else []
                with open(args.scratch / "killers.tsv", "a", encoding="utf-8") as table:
                    table.write(f"{f.number}\t{f.outcome}\t{' '.join(killers)}\n")
    report(faults, args.skip_slow)
    return 0


if __name__ == "__main__":
    sys.exit(main())
