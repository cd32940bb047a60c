#!/usr/bin/env python3
"""A DynDNS-style update server for tests, listening on loopback only.

Prints the port it listens on as the first line of stdout, then serves until killed. Each request is
read raw, so what the client sent can be checked byte for byte: the request line and header lines
exactly as received (up to and including the blank line), followed by the body, are appended to the
--record file before the answer goes out.

Options:
  --host ADDRESS        127.0.0.1 (default) or ::1
  --port N              0 (default) for an ephemeral port; 443 inside a private namespace
  --cert PEM --key PEM  speak HTTPS with this certificate (plain HTTP without them)
  --status N            status code of the answer (200)
  --body TEXT           answer body ("good 203.0.113.7")
  --big N               answer with N bytes of "x" instead of --body
  --no-length           send no Content-Length header (the body ends when the connection closes)
  --record FILE         append every raw request to FILE
  --hang                read the request, then never answer
  --hang-handshake      accept connections but never start the TLS handshake
"""

import argparse
import socket
import socketserver
import ssl
import sys
import threading

REASONS = {200: "OK", 301: "Moved Permanently", 302: "Found", 400: "Bad Request", 401: "Unauthorized",
           403: "Forbidden", 404: "Not Found", 500: "Internal Server Error", 503: "Service Unavailable"}
HEAD_LIMIT = 64 * 1024


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            return data
        data += chunk
        if len(data) > HEAD_LIMIT:
            return data
    head, _, rest = data.partition(b"\r\n\r\n")
    head += b"\r\n\r\n"
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip() or b"0")
    while len(rest) < length:
        chunk = conn.recv(4096)
        if not chunk:
            break
        rest += chunk
    return head + rest


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", default="127.0.0.1", choices=["127.0.0.1", "::1"])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--status", type=int, default=200)
    parser.add_argument("--body", default="good 203.0.113.7")
    parser.add_argument("--big", type=int)
    parser.add_argument("--no-length", action="store_true")
    parser.add_argument("--record")
    parser.add_argument("--hang", action="store_true")
    parser.add_argument("--hang-handshake", action="store_true")
    args = parser.parse_args()

    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    body = b"x" * args.big if args.big is not None else args.body.encode("latin-1")
    record_lock = threading.Lock()
    forever = threading.Event()

    class Handler(socketserver.BaseRequestHandler):
        def handle(self):
            conn = self.request
            # Answer at once: with Nagle's rule the reply would wait for the client's delayed ACK of
            # the TLS session tickets, adding 40 ms to every request and spoiling timings.
            conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            if args.hang_handshake:
                forever.wait()
            if context is not None:
                try:
                    conn = context.wrap_socket(conn, server_side=True)
                except (ssl.SSLError, OSError):
                    return  # the client refused our certificate, as it should when it does not trust it
            try:
                raw = read_request(conn)
            except (ssl.SSLError, OSError):
                return
            if args.record:
                with record_lock, open(args.record, "ab") as record:
                    record.write(raw)
            if args.hang:
                forever.wait()
            head = "HTTP/1.0 %d %s\r\n" % (args.status, REASONS.get(args.status, "Status"))
            head += "Content-Type: text/plain\r\n"
            if not args.no_length:
                head += "Content-Length: %d\r\n" % len(body)
            head += "\r\n"
            try:
                conn.sendall(head.encode("latin-1") + body)
                if context is not None:
                    conn.settimeout(5)  # a close_notify ends a body without length; don't wait long
                    conn.unwrap()
            except (ssl.SSLError, OSError):
                pass

    class Server(socketserver.ThreadingTCPServer):
        address_family = socket.AF_INET6 if ":" in args.host else socket.AF_INET
        allow_reuse_address = True
        daemon_threads = True

    server = Server((args.host, args.port), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(0)
