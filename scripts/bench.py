#!/usr/bin/env python3
"""Runs the benchmarks of the lean data path and prints, for each goal, the measured figure, its
peer measured in the same run and the ratio against the goal. Goals: 1 memory (64 MB for the full
sync and for a 1,000,000-line import, native and win32), 2 three 5,000-event feeds in half of what
libical needs to parse them, 3 the import (the full sync within Python csv's read of the file, the
parse and listing alone within half of it, the full activity audit within 1.2x the standard log),
4 win32 under Wine within 1.25x native at 65,535 records. Rows marked - are for information.

Called by scripts/bench.sh once the programs are built:
  bench.py BENCH_BIN WIN32_BIN WORK_DIR [BENCHMARK ...]
With benchmark names, only those run (every one without): full (the full sync's time and peak
memory), parse (import parse and listing alone), memory (the full sync, the worst case and the
1,000,000-line import, native), million (the 1,000,000-line import, native), audit, scale, events,
wine (win32 against native, 65,535 records), wine-million (the 1,000,000-line import under Wine);
movies names all of the movie list job's.
A file of more data lines than a handheld holds (the 1,000,000-line import) is refused before
anything is written: that run counts as completed when it ends with that refusal.
Every sync runs in a process of its own on a fresh copy of a prepared HotSync root, so that its
peak memory (ru_maxrss) is its own. Times are the best of a few runs: the machine is shared.
"""
import os
import resource
import shutil
import subprocess
import threading
import sys
import time

BENCH, WIN32, WORK = (os.path.abspath(a) for a in sys.argv[1:4])
# The sync as a 32-bit Linux program (scripts/bench.sh builds it beside BENCH's build).
BENCH32 = os.path.join(os.path.dirname(os.path.dirname(BENCH)), "bench32", "bin")
ALL = ("full", "parse", "memory", "million", "audit", "scale", "events", "wine", "wine-million")
CHOSEN = set(sys.argv[4:]) or set(ALL)
# "movies" names every benchmark of the movie list job.
if "movies" in CHOSEN:
    CHOSEN = (CHOSEN - {"movies"}) | {"full", "parse", "memory", "million", "audit", "scale"}
HERE = os.path.dirname(os.path.abspath(__file__))
REPEAT = int(os.environ.get("BENCH_REPEAT", "3"))
TIMEOUT = int(os.environ.get("BENCH_TIMEOUT", "600"))
# A native process asking for more than this fails instead of taking the machine's memory.
NATIVE_LIMIT = 2 << 30
rows = []


def note(text):
    print(text, flush=True)


def measure(args, env=None, limit=None, timeout=TIMEOUT):
    """Runs args; returns (key/value pairs of its last 'seconds ...' line, wall seconds, peak KB, rc)."""
    def cap():
        if limit:
            resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    start = time.perf_counter()
    proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env,
                            preexec_fn=cap, start_new_session=True)
    # Waited for, not polled: the wall time is the program's to the microsecond.
    timed_out = []
    def kill():
        timed_out.append(True)
        os.killpg(proc.pid, 9)
    timer = threading.Timer(timeout, kill)
    timer.start()
    pid, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    timer.cancel()
    if timed_out:
        status = -1
    # The programs print a few lines only: they wait in the pipe until here.
    out = proc.stdout.read().decode(errors="replace")
    proc.stdout.close()
    values = {}
    for line in out.splitlines():
        if line.startswith("seconds "):
            words = line.split()
            values = {words[i]: words[i + 1] for i in range(0, len(words) - 1, 2)}
    rc = os.waitstatus_to_exitcode(status) if status != -1 else "timeout"
    return values, wall, usage.ru_maxrss, rc


def fresh(orig):
    work = orig + ".run"
    shutil.rmtree(work, ignore_errors=True)
    shutil.copytree(orig, work, symlinks=True)
    return work


def native_env(root):
    env = dict(os.environ)
    env["XDG_DOCUMENTS_DIR"] = os.path.join(root, "docs")
    return env


def prepare(name, records, kind):
    root = os.path.join(WORK, name)
    if not os.path.exists(os.path.join(root, "docs", "MyMoviesImport.tab")):
        shutil.rmtree(root, ignore_errors=True)
        subprocess.run([f"{BENCH}/bench_mymovies_sync", "prepare", root, str(records), kind], check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run([f"{BENCH}/hotsync", "--root", root, "handheld", "request", "--import", "merge"],
                       check=True, stdout=subprocess.DEVNULL)
    return root


REFUSAL = "because it has 1000000 data lines and a handheld holds at most 65535 movies"


def refused(work):
    """True when the HotSync log of the run in work holds the refusal of the import file."""
    with open(os.path.join(work, "Bench", "HotSync Log.txt"), encoding="cp1252", errors="replace") as log:
        return REFUSAL in log.read()


def sync(root, audit=False, limit=NATIVE_LIMIT, expect_refusal=False, bench=BENCH):
    work = fresh(root)
    args = [f"{bench}/bench_mymovies_sync", "run", work] + (["audit"] if audit else [])
    values, wall, peak, rc = measure(args, native_env(work), limit)
    ok = rc == 0 and values.get("result") == "0" and (not expect_refusal or refused(work))
    shutil.rmtree(work, ignore_errors=True)
    return float(values.get("seconds", wall)), peak, ok


def best(runs):
    return min(runs, key=lambda r: r[0])


def python_csv(path):
    return min(float(measure([sys.executable, f"{HERE}/../bench/peers/csv_read.py", path])[0]["seconds"])
               for _ in range(REPEAT))


def row(goal, what, figure, unit, peer_name, peer, goal_ratio, ok=True):
    ratio = figure / peer if peer else float("nan")
    met = ok and ratio <= goal_ratio
    rows.append((goal, what, f"{figure:.3f} {unit}" if unit == "s" else f"{figure:.0f} {unit}",
                 peer_name, f"{peer:.3f} s" if unit == "s" and peer_name else f"{peer:.0f} {unit}",
                 ratio, goal_ratio, "met" if met else ("FAILED RUN" if not ok else "not met")))
    note(f"  {what}: {rows[-1][2]} vs {peer_name} {rows[-1][4]} = {ratio:.2f} (goal <= {goal_ratio}) {rows[-1][7]}")


def chosen(*names):
    return any(n in CHOSEN for n in names)


def movies():
    note("== movie list job")
    sizes = (4096, 16384, 65535) if chosen("scale") else (65535,)
    roots = {n: prepare(f"merge{n}", n, "merge") for n in sizes}
    big = roots[65535]
    million_root = prepare("million", 65535, "million") if chosen("memory", "million", "wine-million") else None
    full = None
    if chosen("full", "parse"):
        import_file = os.path.join(big, "docs", "MyMoviesImport.tab")
        csv_time = python_csv(import_file)
    if chosen("full", "memory", "audit", "scale"):
        runs = [sync(big) for _ in range(REPEAT)]
        full = best(runs)
    if chosen("full"):
        row("3", "full sync 65,535 records + 65,535-line merge import", full[0], "s", "Python csv read", csv_time,
            1.0, all(r[2] for r in runs))
    if chosen("parse"):
        parse = min(float(measure([f"{BENCH}/bench_mymovies_sync", "parse", big])[0]["seconds"])
                    for _ in range(REPEAT))
        row("3", "import parse and listing alone (65,535 lines)", parse, "s", "Python csv read", csv_time, 0.5)

    if chosen("full", "memory"):
        row("1", "peak memory, full sync", max(r[1] for r in runs) / 1024, "MB", "budget", 64, 1.0)
    if chosen("memory"):
        worst = sync(prepare("new65535", 65535, "new"))
        row("1", "peak memory, 65,535 new lines vs full handheld", worst[1] / 1024, "MB", "budget", 64, 1.0,
            worst[2])
    if chosen("memory", "million"):
        million = sync(million_root, expect_refusal=True)
        note(f"  (1,000,000-line import, native: {million[0]:.1f} s, "
             f"{'refused as too long for a handheld' if million[2] else 'NOT REFUSED'})")
        row("1", "peak memory, 1,000,000-line import, native", million[1] / 1024, "MB", "budget", 64, 1.0,
            million[2])

    if chosen("audit"):
        # The best of as many runs as its peer had: one run against the best of several measured
        # the machine's noise as much as the audit.
        audits = [sync(big, audit=True) for _ in range(REPEAT)]
        audit = best(audits)
        row("3", "full sync with the full activity audit", audit[0], "s", "standard log", full[0], 1.2,
            all(r[2] for r in audits))

    if chosen("scale"):
        scale = {n: best([sync(roots[n]) for _ in range(REPEAT)])[0] for n in (4096, 16384)}
        scale[65535] = full[0]
        for n in (4096, 16384, 65535):
            note(f"  scaling: {n:6d} records {scale[n]:.3f} s = {scale[n] / n * 1e6:.2f} us per record")
        row("-", "sync per record at 65,535 vs 4,096", scale[65535] / 65535 * 1e6, "us", "per record at 4,096",
            scale[4096] / 4096 * 1e6, 1.5)
    return roots, million_root


def events():
    note("== movie events job")
    feeds = os.path.join(WORK, "feeds")
    os.makedirs(feeds, exist_ok=True)
    ical = os.path.join(WORK, "ical_parse")
    times = {}
    for n in (1000, 5000, 20000):
        d = os.path.join(feeds, str(n))
        os.makedirs(d, exist_ok=True)
        # These runs take tens of milliseconds, where a neighbour's burst on the shared machine
        # weighs most: both sides get more tries.
        tries = max(REPEAT, 7)
        runs = [measure([f"{BENCH}/bench_events_sync", str(n), d]) for _ in range(tries)]
        ok = all(r[3] == 0 for r in runs)
        times[n] = min(float(r[0].get("seconds", "nan")) for r in runs)
        peer = min(float(measure([ical] + [os.path.join(d, f"feed{i}.ics") for i in (1, 2, 3)])[0]["seconds"])
                   for _ in range(tries))
        note(f"  three feeds of {n:5d} events: sync {times[n]:.3f} s ({runs[0][0].get('records')} records), "
             f"libical {peer:.3f} s, {times[n] / (3 * n) * 1e6:.2f} us per event")
        if n == 5000:
            row("2", "three 5,000-event feeds into an empty handheld", times[n], "s", "libical parse", peer, 0.5, ok)
    row("-", "events sync per event at 20k vs 1k", times[20000] / 60000 * 1e6, "us", "per event at 1k",
        times[1000] / 3000 * 1e6, 1.5)


def wine(roots, million_root):
    note("== win32 under Wine")
    exe = os.path.join(WIN32, "hotsync.exe")
    if not os.path.exists(exe):
        note("  no win32 build (make win32): skipped")
        return
    env = dict(os.environ)
    env["WINEPREFIX"] = os.path.join(WORK, "wineprefix")
    home = os.path.join(WORK, "winehome")
    env["REELBOX_WINE_HOME"] = home
    wine_run = os.path.join(HERE, "wine-run")
    # The prefix links its documents folder to the home it was made with.
    subprocess.run([wine_run, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    server = subprocess.Popen(["wineserver", "-f", "-p"], env=env, stderr=subprocess.DEVNULL)
    # Timed runs start the Wine loader itself with the settings of scripts/wine-run: the two shell
    # scripts in between (ours and the distribution's "wine") cost several milliseconds a start,
    # which the native side does not pay.
    loader = "/usr/lib/wine/wine" if os.access("/usr/lib/wine/wine", os.X_OK) else shutil.which("wine")
    loader_env = dict(env, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=;shfolder=n,b", WINEARCH="win32",
                      HOME=home)

    def run_wine(root, expect=(0,)):
        work = fresh(root)
        shutil.copy(os.path.join(work, "docs", "MyMoviesImport.tab"), home)
        args = [loader, exe, "--root", "Z:" + work.replace("/", "\\"), "--conduit",
                "Z:" + os.path.join(WIN32, "KVRTConduit.dll").replace("/", "\\"),
                "--user", "Bench", "sync", "--quiet"]
        _, wall, peak, rc = measure(args, loader_env)
        ok = rc in expect and (4 not in expect or refused(work))
        shutil.rmtree(work, ignore_errors=True)
        return wall, peak, ok

    def run_native(root):
        work = fresh(root)
        _, wall, peak, rc = measure([f"{BENCH}/hotsync", "--root", work, "--conduit", f"{BENCH}/libKVRTConduit.so", "sync", "--quiet"], native_env(work))
        shutil.rmtree(work, ignore_errors=True)
        return wall, peak, rc == 0

    # Wine's desktop is held up for the whole benchmark, as Windows holds its own: otherwise Wine
    # starts a desktop process for every timed run that comes more than a second after the last.
    desktop = None
    desktop_exe = os.path.join(WORK, "wine_desktop.exe")
    if os.path.exists(desktop_exe):
        desktop = subprocess.Popen([loader, desktop_exe], env=loader_env, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        desktop.stdout.readline()
    try:
        if chosen("wine"):
            run_wine(roots[65535])  # warms the prefix up
            run_native(roots[65535])
            # Best of several on both sides: a Wine start varies by tens of milliseconds. The runs
            # alternate, so that both sides meet the same state of the machine.
            tries = max(REPEAT, 5)
            pairs = [(run_wine(roots[65535]), run_native(roots[65535])) for _ in range(tries)]
            w = best([p[0] for p in pairs])
            n = best([p[1] for p in pairs])
            # What any Windows program pays under Wine here before it runs a line of its own: the
            # part of the figure that does not shrink with the work.
            empty = min(measure([loader, "cmd", "/c", "exit"], loader_env)[1] for _ in range(tries))
            note(f"  (an empty Wine process, cmd /c exit: {empty:.3f} s; the native sync: {n[0]:.3f} s; the Wine "
                 f"sync without that start: {w[0] - empty:.3f} s = {(w[0] - empty) / n[0]:.2f}x native)")
            # A conduit starts COM before its work, and under Wine the apartment's window loads the
            # system's fonts in every process: a program that does only that shows Wine's part.
            com_exe = os.path.join(WORK, "wine_com_start.exe")
            if os.path.exists(com_exe):
                com = min(measure([loader, com_exe], loader_env)[1] for _ in range(tries))
                note(f"  (a Wine program that only starts COM: {com:.3f} s; the Wine sync without it: "
                     f"{w[0] - com:.3f} s = {(w[0] - com) / n[0]:.2f}x native)")
            # The same sync of a 16-record handheld splits the figure into what every sync pays
            # (process start, libraries, COM, opening the databases) and what each record costs.
            small = prepare("merge16", 16, "merge")
            small_pairs = [(run_wine(small), run_native(small)) for _ in range(tries)]
            ws = best([p[0] for p in small_pairs])[0]
            ns = best([p[1] for p in small_pairs])[0]
            per_w = (w[0] - ws) / (65535 - 16) * 1e6
            per_n = (n[0] - ns) / (65535 - 16) * 1e6
            note(f"  (a 16-record sync: Wine {ws:.3f} s, native {ns:.3f} s; per record beyond it: Wine {per_w:.2f} us, "
                 f"native {per_n:.2f} us = {per_w / per_n:.2f}x)")
            # The conduit's work alone (timed inside one process), made for 64-bit and for 32-bit
            # Linux: the second's code is the Windows image's kind, so the step from one to the other
            # is the instruction set's, and what Wine adds to the 32-bit work is Wine's.
            if os.path.exists(os.path.join(BENCH32, "bench_mymovies_sync")):
                def per_record(bench):
                    big = best([sync(roots[65535], bench=bench) for _ in range(tries)])[0]
                    little = best([sync(small, bench=bench) for _ in range(tries)])[0]
                    return big, (big - little) / (65535 - 16) * 1e6
                big64, per64 = per_record(BENCH)
                big32, per32 = per_record(BENCH32)
                note(f"  (the sync in one process, 64-bit / 32-bit Linux: {big64:.3f} / {big32:.3f} s, per record "
                     f"{per64:.2f} / {per32:.2f} us = {per32 / per64:.2f}x, the 32-bit instruction set's part; "
                     f"Wine per record against the 32-bit program: {per_w / per32:.2f}x, Wine's part)")
            row("4", "hotsync.exe sync under Wine, 65,535 records", w[0], "s", "native hotsync", n[0], 1.25,
                w[2] and n[2])
        if chosen("wine-million"):
            # 4: finished, with the refusal in the HotSync log.
            m = run_wine(million_root, expect=(4,))
            row("1", "peak memory, 1,000,000-line import, win32", m[1] / 1024, "MB", "budget", 64, 1.0, m[2])
    finally:
        if desktop is not None:
            desktop.stdin.close()
            try:
                desktop.wait(timeout=10)
            except subprocess.TimeoutExpired:
                desktop.kill()
                desktop.wait()
        server.terminate()
        server.wait()
        # The persistent server of this prefix (only this one) goes with the benchmark.
        subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
        for name in ("MyMoviesImport.tab", "MyMoviesExport.tab"):
            if os.path.exists(os.path.join(home, name)):
                os.remove(os.path.join(home, name))


def main():
    os.makedirs(WORK, exist_ok=True)
    unknown = CHOSEN - set(ALL)
    if unknown:
        note(f"unknown benchmark {', '.join(sorted(unknown))}; known: {', '.join(ALL)}")
        return 2
    roots, million_root = movies()
    if chosen("events"):
        events()
    if chosen("wine", "wine-million"):
        wine(roots, million_root)
    note("\n== summary (ratio = figure / peer)")
    note(f"{'goal':4} {'measure':52} {'figure':>11} {'peer':>22} {'':>11} {'ratio':>6} {'goal':>6}  result")
    for goal, what, fig, peer_name, peer, ratio, goal_ratio, met in rows:
        note(f"{goal:4} {what:52} {fig:>11} {peer_name:>22} {peer:>11} {ratio:6.2f} {goal_ratio:6.2f}  {met}")
    return 0 if all(r[7] == "met" for r in rows) else 1


if __name__ == "__main__":
    sys.exit(main())
