#!/usr/bin/env python3
"""Quorvane beside Debian's inadyn, doing the same work: one echo fetch and one HTTPS update.

Both run inside one private mount + network namespace (created here with `unshare -mn`) in which
members.dyndns.org is 127.0.0.1, an HTTPS update server with a test CA listens on port 443, and the
test CA is installed in a copy of the system certificate folder (bundle and hashed links). inadyn is
told to trust the test CA file alone (`ca-trust-file`). Runs alternate; each run starts without a
remembered address (Quorvane's ip.txt, inadyn's cache), so each one sends its update.

usage: bench/vs_inadyn.py [--runs N] [--binary PATH]   (as root; needs inadyn and openssl)
"""

import argparse
import os
import shutil
import subprocess
import sys

import common

UPDATE_HOST = "members.dyndns.org"
SYSTEM_CERTS = "/etc/ssl/certs"
SYSTEM_BUNDLE = SYSTEM_CERTS + "/ca-certificates.crt"


def make_ca(folder):
    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True)

    ca_key, ca_pem = os.path.join(folder, "ca.key"), os.path.join(folder, "ca.pem")
    key, csr, pem = (os.path.join(folder, n) for n in ("server.key", "server.csr", "server.pem"))
    ext = os.path.join(folder, "ext.cnf")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key, "-out", ca_pem, "-days", "2",
            "-subj", "/CN=Quorvane bench CA")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr, "-subj", f"/CN={UPDATE_HOST}")
    with open(ext, "w") as f:
        f.write(f"subjectAltName=DNS:{UPDATE_HOST},IP:127.0.0.1\n")
    openssl("x509", "-req", "-in", csr, "-CA", ca_pem, "-CAkey", ca_key, "-CAcreateserial", "-out", pem,
            "-days", "2", "-extfile", ext)
    return ca_pem, pem, key


def inside(args):
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    with common.private_temp() as work:
        ca_pem, cert, key = make_ca(work)
        # The test CA installed as update-ca-certificates would install it: appended to the bundle and
        # linked under its subject hash in the certificate folder.
        certs = os.path.join(work, "certs")
        os.makedirs(certs)
        for name in os.listdir(SYSTEM_CERTS):
            if name != "ca-certificates.crt":
                os.symlink(os.path.realpath(os.path.join(SYSTEM_CERTS, name)), os.path.join(certs, name))
        with open(os.path.join(certs, "ca-certificates.crt"), "w") as out, open(SYSTEM_BUNDLE) as system, \
                open(ca_pem) as ca:
            out.write(system.read() + ca.read())
        subject_hash = subprocess.run(["openssl", "x509", "-hash", "-noout", "-in", ca_pem], check=True,
                                      capture_output=True, text=True).stdout.strip()
        os.symlink(ca_pem, os.path.join(certs, subject_hash + ".0"))
        hosts = os.path.join(work, "hosts")
        with open(hosts, "w") as f:
            f.write(f"127.0.0.1 localhost {UPDATE_HOST}\n")
        subprocess.run(["mount", "--bind", certs, SYSTEM_CERTS], check=True)
        subprocess.run(["mount", "--bind", hosts, "/etc/hosts"], check=True)

        update, _ = common.start_server("test_server.py", "--port", "443", "--cert", cert, "--key", key,
                                        "--body", "good 203.0.113.7")
        echo, port = common.start_server("test_server.py", "--route", "/ip", "200", "203.0.113.7\n")
        try:
            home = os.path.join(work, "home")
            data = common.write_config(home, ["1", "DynDNS", "bench", "secret", "home.example.org", "", "NOCHG",
                                              "NOCHG", "ON", "NO", "5", "0", "0", "1/1/2014",
                                              f"http://127.0.0.1:{port}/ip"])
            quorvane_env = dict(os.environ, XDG_DATA_HOME=home, XDG_RUNTIME_DIR=home, HOME=home)
            cache = os.path.join(work, "inadyn-cache")
            conf = os.path.join(work, "inadyn.conf")
            with open(conf, "w") as f:
                f.write(f"""ca-trust-file = {ca_pem}
custom bench {{
    ssl            = true
    ddns-server    = {UPDATE_HOST}
    ddns-path      = "/nic/update?hostname=%h&myip=%i"
    checkip-server = 127.0.0.1:{port}
    checkip-path   = /ip
    checkip-ssl    = false
    username       = bench
    password       = secret
    hostname       = home.example.org
}}
""")
            quorvane_cmd = [args.binary, "--once"]
            inadyn_cmd = ["inadyn", "--once", "--foreground", "--no-pidfile", "-l", "err", f"--cache-dir={cache}",
                          "-f", conf]

            def quorvane_run():
                if os.path.exists(os.path.join(data, "ip.txt")):
                    os.remove(os.path.join(data, "ip.txt"))
                return common.timed_run(quorvane_cmd, quorvane_env, expect=0)

            def inadyn_run():
                shutil.rmtree(cache, ignore_errors=True)
                os.makedirs(cache)
                return common.timed_run(inadyn_cmd, dict(os.environ), expect=0)

            quorvane_run(), inadyn_run()  # warm the page cache for both
            q_runs, i_runs = [], []
            for _ in range(args.runs):
                q_runs.append(quorvane_run())
                i_runs.append(inadyn_run())
            q_median, q_rss = common.summary("quorvane", q_runs)
            i_median, i_rss = common.summary("inadyn", i_runs)
            print(f"ratios quorvane/inadyn: wall time {q_median / i_median:.2f}, peak RSS {q_rss / i_rss:.2f}")
            print(f"targets: wall time at most half of inadyn's ({'met' if q_median <= i_median / 2 else 'MISSED'}), "
                  f"peak RSS under 12 MiB ({'met' if q_rss < 12 else 'MISSED'})")
        finally:
            for proc in (update, echo):
                proc.kill()
                proc.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=30)
    parser.add_argument("--binary", default=common.DEFAULT_BINARY)
    parser.add_argument("--inside", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.inside:
        inside(args)
        return
    if shutil.which("inadyn") is None:
        raise SystemExit("inadyn is not installed (apt-get install -y inadyn)")
    cmd = ["unshare", "-mn", sys.executable, os.path.abspath(__file__), "--inside", "--runs", str(args.runs),
           "--binary", os.path.abspath(args.binary)]
    sys.exit(subprocess.run(cmd).returncode)


if __name__ == "__main__":
    main()
