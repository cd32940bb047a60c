#!/usr/bin/env python3
"""Times `quorvane --once` against a loopback IP-echo server.

Each run is a normal start: it loads config.txt, fetches the address from the echo page, compares it
with ip.txt, saves and exits. Prints the median wall time and the peak resident set size.

usage: bench/once.py [--runs N] [--binary PATH]
"""

import argparse
import os

import common


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=50)
    parser.add_argument("--binary", default=common.DEFAULT_BINARY)
    args = parser.parse_args()

    echo, port = common.start_server("test_server.py", "--route", "/ip", "200", "203.0.113.7\n")
    try:
        with common.private_temp() as home:
            common.write_config(home, ["0", "DynDNS", "", "", "", "", "NOCHG", "NOCHG", "ON", "NO", "5", "0", "0",
                                       "1/1/2014", f"http://127.0.0.1:{port}/ip"])
            env = dict(os.environ, XDG_DATA_HOME=home, XDG_RUNTIME_DIR=home, HOME=home)
            common.timed_run([args.binary, "--once"], env, expect=0)  # first contact writes ip.txt
            runs = [common.timed_run([args.binary, "--once"], env, expect=0) for _ in range(args.runs)]
            median, rss = common.summary("quorvane", runs)
            print(f"targets: median under 15 ms ({'met' if median < 15 else 'MISSED'}), "
                  f"peak RSS under 12 MiB ({'met' if rss < 12 else 'MISSED'})")
    finally:
        echo.kill()
        echo.wait()


if __name__ == "__main__":
    main()
