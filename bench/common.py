"""Shared pieces of the benchmarks: local servers, a throw-away data folder, timed runs."""

import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVERS = os.path.join(ROOT, "tests", "support", "servers")
DEFAULT_BINARY = os.path.join(ROOT, "build", "quorvane")


def start_server(script, *args):
    """Starts a test server; returns (process, port) once it listens."""
    proc = subprocess.Popen([sys.executable, os.path.join(SERVERS, script), *args],
                            stdout=subprocess.PIPE, text=True)
    port = int(proc.stdout.readline())
    return proc, port


def write_config(data_home, lines):
    folder = os.path.join(data_home, "Quorvane")
    os.makedirs(folder, mode=0o700, exist_ok=True)
    with open(os.path.join(folder, "config.txt"), "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))
    return folder


def timed_run(argv, env, expect=None):
    """Runs a command to its end; returns (seconds, peak RSS in KiB).

    The peak RSS comes from GNU time: a child forked from this Python process would inherit its
    high-water mark, while one forked from the small `time` process starts near zero."""
    with tempfile.NamedTemporaryFile("r") as rss_file:
        start = time.perf_counter()
        proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss_file.name, *argv], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        seconds = time.perf_counter() - start
        if expect is not None and proc.returncode != expect:
            raise SystemExit(f"{argv[0]} exited {proc.returncode}: {proc.stderr.decode(errors='replace')}")
        return seconds, int(rss_file.read().split()[-1])


def summary(name, runs):
    times = sorted(r[0] * 1000 for r in runs)
    rss = max(r[1] for r in runs) / 1024
    p90 = times[min(len(times) - 1, int(len(times) * 0.9))]
    print(f"{name:10s} runs {len(runs):4d}  median {statistics.median(times):7.2f} ms  "
          f"p90 {p90:7.2f} ms  peak RSS {rss:6.2f} MiB")
    return statistics.median(times), rss


def private_temp():
    return tempfile.TemporaryDirectory(prefix="quorvane-bench-")
