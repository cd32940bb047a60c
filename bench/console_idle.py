#!/usr/bin/env python3
"""The idle cost of `quorvane --console`: a tray utility runs all day, so what it costs at rest matters.

Starts the console program against a loopback IP-echo server, waits for the startup check to end (ip.txt
written), then counts the context switches (voluntary + involuntary) of every thread over an idle period
and reports the resident set size. A wake-up a minute (the check timer) is the expected floor.

usage: bench/console_idle.py [--seconds N] [--binary PATH]
"""

import argparse
import glob
import os
import subprocess
import time

import common


def switches(pid):
    """Context switches summed over every thread of the process, and the number of threads."""
    total, threads = 0, 0
    for status in glob.glob(f"/proc/{pid}/task/*/status"):
        with open(status) as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
        threads += 1
    return total, threads


def rss_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmRSS")) / 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=int, default=120)
    parser.add_argument("--binary", default=common.DEFAULT_BINARY)
    args = parser.parse_args()

    echo, port = common.start_server("test_server.py", "--route", "/ip", "200", "203.0.113.7\n")
    try:
        with common.private_temp() as home:
            folder = common.write_config(home, ["0", "DynDNS", "", "", "", "", "NOCHG", "NOCHG", "ON", "NO", "5",
                                                "0", "0", "1/1/2014", f"http://127.0.0.1:{port}/ip"])
            env = dict(os.environ, XDG_DATA_HOME=home, XDG_RUNTIME_DIR=home, HOME=home)
            proc = subprocess.Popen([args.binary, "--console"], env=env, stdout=subprocess.DEVNULL)
            ip_file = os.path.join(folder, "ip.txt")
            deadline = time.time() + 20
            while not os.path.exists(ip_file) and time.time() < deadline:
                time.sleep(0.05)
            time.sleep(2)  # settle: the startup check's last posts
            before, threads = switches(proc.pid)
            rss = rss_mib(proc.pid)
            time.sleep(args.seconds)
            after, _ = switches(proc.pid)
            print(f"quorvane --console: {threads} threads, idle RSS {rss:.2f} MiB, "
                  f"{after - before} wake-ups in {args.seconds} s "
                  f"({(after - before) * 60 / args.seconds:.2f} a minute)")
            proc.terminate()
            proc.wait(timeout=10)
    finally:
        echo.kill()
        echo.wait()


if __name__ == "__main__":
    main()
