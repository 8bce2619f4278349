#!/usr/bin/env python3
"""Start-up of Kesmora against Chromium in app mode on the same login page.

For each program and run: the time from launch until a window of the program's process
tree is mapped and viewable on the X display (polled through Xlib every 5 ms), and the
peak memory of the whole process tree while it starts and loads the page: the sum of
VmRSS over every process of the tree (and the sum of Pss, which counts shared pages
once), sampled every 50 ms from launch until `--settle` seconds after the window
appeared. The runs alternate between the programs after one unmeasured warm-up run of
each; medians and the ratios Chromium / Kesmora are printed at the end.

Needs DISPLAY (an X server with a window manager) and the demo site already serving
the login page. Every wait is bounded.
"""

import argparse
import ctypes
import ctypes.util
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

POLL_MAP_S = 0.005
POLL_MEMORY_S = 0.05

# --- X: is a window of these processes viewable? -------------------------------------------


class Display:
    IS_VIEWABLE = 2

    class WindowAttributes(ctypes.Structure):
        _fields_ = [
            ("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
            ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
            ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong), ("c_class", ctypes.c_int),
            ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
            ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
            ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
            ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
            ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
            ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
            ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]

    def __init__(self):
        x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
            ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                           ctypes.POINTER(Display.WindowAttributes)]
        x.XFree.argtypes = [ctypes.c_void_p]
        # A window that goes away between the query and the look must not end the run.
        self._handler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(
            lambda d, e: 0)
        x.XSetErrorHandler(self._handler)
        self.x = x
        self.d = x.XOpenDisplay(None)
        if not self.d:
            raise SystemExit("startup: cannot open the X display")
        self.root = x.XDefaultRootWindow(self.d)
        self.pid_atom = x.XInternAtom(self.d, b"_NET_WM_PID", 0)

    def _children(self, w):
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        kids, n = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not self.x.XQueryTree(self.d, w, ctypes.byref(root), ctypes.byref(parent),
                                 ctypes.byref(kids), ctypes.byref(n)):
            return []
        out = [kids[i] for i in range(n.value)]
        if kids:
            self.x.XFree(kids)
        return out

    def _pid(self, w):
        kind, fmt = ctypes.c_ulong(), ctypes.c_int()
        count, after = ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        ok = self.x.XGetWindowProperty(self.d, w, self.pid_atom, 0, 1, 0, 6,  # XA_CARDINAL
                                       ctypes.byref(kind), ctypes.byref(fmt),
                                       ctypes.byref(count), ctypes.byref(after),
                                       ctypes.byref(data))
        pid = None
        if ok == 0 and data.value and count.value == 1 and fmt.value == 32:
            pid = ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[0]
        if data.value:
            self.x.XFree(data)
        return pid

    def _viewable(self, w):
        a = Display.WindowAttributes()
        return (self.x.XGetWindowAttributes(self.d, w, ctypes.byref(a)) and
                a.map_state == Display.IS_VIEWABLE and a.width > 1 and a.height > 1)

    def viewable_window_of(self, pids, window=None, depth=0):
        """A viewable window whose _NET_WM_PID is one of `pids` (a top level, or a
        client inside the window manager's frame and container); None when there is
        none yet."""
        for w in self._children(self.root if window is None else window):
            if self._pid(w) in pids and self._viewable(w):
                return w
            if depth < 3:
                found = self.viewable_window_of(pids, w, depth + 1)
                if found:
                    return found
        return None


# --- /proc: the process tree and its memory --------------------------------------------------


def _stat(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            tail = f.read().rsplit(")", 1)[1].split()
        return int(tail[1]), int(tail[3])  # parent, session
    except (OSError, IndexError, ValueError):
        return None


def process_tree(root_pid):
    """The root and every process below it (by parent links), plus every process of the
    session the root leads: helpers that re-parent themselves stay counted."""
    parents, sessions = {}, {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            s = _stat(int(name))
            if s:
                parents[int(name)], sessions[int(name)] = s
    tree = {root_pid} | {p for p, sid in sessions.items() if sid == root_pid}
    grew = True
    while grew:
        grew = False
        for p, parent in parents.items():
            if parent in tree and p not in tree:
                tree.add(p)
                grew = True
    return {p for p in tree if p in parents}


def _status_kib(pid, key):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith(key):
                    return int(line.split()[1])
    except (OSError, ValueError):
        pass
    return 0


def _pss_kib(pid):
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except (OSError, ValueError):
        pass
    return 0


# --- one run -----------------------------------------------------------------------------------


def run_once(display, argv, env, settle_s, limit_s):
    """Launches argv in a new session; gives (ms to a viewable window, peak sum of RSS in
    KiB, peak sum of Pss in KiB, processes seen); the time is None when no window came
    up within limit_s."""
    start = time.monotonic()
    child = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, start_new_session=True)
    mapped_ms = None
    peak_rss = peak_pss = 0
    seen = set()
    tree = {child.pid}
    next_memory = start
    try:
        while True:
            now = time.monotonic()
            if mapped_ms is None and now - start > limit_s:
                break
            if mapped_ms is not None and now - start > mapped_ms / 1000 + settle_s:
                break
            # The windows carry the pid of a process already in the last sampled tree
            # (both programs map them from the launched process itself).
            if mapped_ms is None and display.viewable_window_of(tree):
                mapped_ms = (time.monotonic() - start) * 1000
            if now >= next_memory:
                tree = process_tree(child.pid) | {child.pid}
                seen |= tree
                peak_rss = max(peak_rss, sum(_status_kib(p, "VmRSS:") for p in tree))
                peak_pss = max(peak_pss, sum(_pss_kib(p) for p in tree))
                next_memory = now + POLL_MEMORY_S
                if child.poll() is not None and not tree - {child.pid}:
                    break
            time.sleep(POLL_MAP_S)
    finally:
        stop(child)
    return mapped_ms, peak_rss, peak_pss, len(seen)


def stop(child):
    """Ends the session this run started (its id is the child's), then reaps."""
    for sig, wait_s in ((signal.SIGTERM, 3), (signal.SIGKILL, 3)):
        try:
            os.killpg(child.pid, sig)
        except ProcessLookupError:
            break
        deadline = time.monotonic() + wait_s
        while time.monotonic() < deadline:
            if child.poll() is not None and not process_tree(child.pid) - {child.pid}:
                return
            time.sleep(0.05)
    child.wait(timeout=5)


# --- the comparison ----------------------------------------------------------------------------


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--kesmora", required=True, help="Kesmora binary built for the demo site")
    ap.add_argument("--url", required=True, help="the login page, e.g. http://127.0.0.1:P/service/login/index")
    ap.add_argument("--chromium", default=shutil.which("chromium") or "chromium")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--settle", type=float, default=8.0,
                    help="seconds of memory sampling after the window appeared")
    ap.add_argument("--limit", type=float, default=60.0, help="seconds to wait for a window")
    args = ap.parse_args()

    display = Display()
    env = dict(os.environ)
    env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"  # runs as root in CI; benchmark only
    env["QTWEBENGINE_CHROMIUM_FLAGS"] = "--disable-gpu"
    # No "--headless=no": this Chromium reads any value of --headless but "old" as the
    # new headless mode and never maps a window. A window is its default anyway.
    chromium_flags = ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                      "--disable-background-networking", "--disable-component-update",
                      "--disable-sync"]

    def kesmora():
        return [args.kesmora], None

    def chromium():
        profile = tempfile.mkdtemp(prefix="startup-chromium-")
        return ([args.chromium, f"--app={args.url}", f"--user-data-dir={profile}"] +
                chromium_flags, profile)

    programs = [("Kesmora", kesmora), ("Chromium --app", chromium)]
    results = {name: [] for name, _ in programs}
    for round_no in range(args.runs + 1):
        for name, make in programs:
            argv, profile = make()
            try:
                r = run_once(display, argv, env, args.settle, args.limit)
            finally:
                if profile:
                    shutil.rmtree(profile, ignore_errors=True)
            label = "warm-up" if round_no == 0 else f"run {round_no}"
            shown = "no window" if r[0] is None else f"{r[0]:8.1f} ms"
            print(f"{label:8} {name:15} mapped {shown}  peak RSS {r[1] / 1024:7.1f} MiB"
                  f"  peak PSS {r[2] / 1024:7.1f} MiB  processes {r[3]}", flush=True)
            if round_no > 0:
                results[name].append(r)

    print()
    medians = {}
    for name, rs in results.items():
        times = [r[0] for r in rs if r[0] is not None]
        if len(times) != len(rs):
            print(f"{name}: {len(rs) - len(times)} run(s) without a window", file=sys.stderr)
        if not times:
            sys.exit(1)
        medians[name] = (statistics.median(times), statistics.median(r[1] for r in rs) / 1024,
                         statistics.median(r[2] for r in rs) / 1024)
        print(f"median  {name:15} mapped {medians[name][0]:8.1f} ms  peak RSS "
              f"{medians[name][1]:7.1f} MiB  peak PSS {medians[name][2]:7.1f} MiB")
    k, c = medians["Kesmora"], medians["Chromium --app"]
    print(f"ratio Chromium / Kesmora: start-up {c[0] / k[0]:.2f}x, peak RSS {c[1] / k[1]:.2f}x, "
          f"peak PSS {c[2] / k[2]:.2f}x")


if __name__ == "__main__":
    main()
