#!/usr/bin/env python3
"""A small IP-echo web server for tests, listening on loopback only.

Prints the port it listens on as the first line of stdout, then serves until killed.

Routes:
  --route PATH STATUS BODY   answer GET PATH with STATUS and BODY (repeatable)
  --redirect PATH LOCATION   answer GET PATH with 302 and a Location header (repeatable)
  /big/N                     200 with a body of N bytes of "x" and a Content-Length header
  /big-unsized/N             200 with N bytes of "x" and no Content-Length (ends at close)
  /hang                      accept the request and never answer
  anything else              404 with a short body
Options:
  --host ADDRESS             127.0.0.1 (default) or ::1
  --port N                   0 (default) for an ephemeral port
  --log FILE                 append every request line received to FILE
"""

import argparse
import http.server
import socket
import sys
import threading


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", default="127.0.0.1", choices=["127.0.0.1", "::1"])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--route", nargs=3, action="append", default=[], metavar=("PATH", "STATUS", "BODY"))
    parser.add_argument("--redirect", nargs=2, action="append", default=[], metavar=("PATH", "LOCATION"))
    parser.add_argument("--log")
    args = parser.parse_args()

    routes = {path: (int(status), body.encode("latin-1")) for path, status, body in args.route}
    redirects = dict(args.redirect)
    log_lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"

        disable_nagle_algorithm = True  # answer at once, not after the client's delayed ACK

        def log_message(self, *unused):
            pass

        def answer(self, status, body, sized=True, extra=()):
            self.send_response(status)
            self.send_header("Content-Type", "text/plain")
            for name, value in extra:
                self.send_header(name, value)
            if sized:
                self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            if args.log:
                with log_lock, open(args.log, "a", encoding="latin-1") as log:
                    log.write(self.requestline + "\n")
            path = self.path
            if path in routes:
                self.answer(*routes[path])
            elif path in redirects:
                self.answer(302, b"moved\n", extra=[("Location", redirects[path])])
            elif path.startswith("/big/"):
                self.answer(200, b"x" * int(path[5:]))
            elif path.startswith("/big-unsized/"):
                self.answer(200, b"x" * int(path[13:]), sized=False)
            elif path == "/hang":
                threading.Event().wait()
            else:
                self.answer(404, b"<html><body>Not Found</body></html>\n")

    class Server(http.server.ThreadingHTTPServer):
        address_family = socket.AF_INET6 if ":" in args.host else socket.AF_INET
        daemon_threads = True

    server = Server((args.host, args.port), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(0)
