#!/usr/bin/env python3
"""Test web server for echo pages and updates, on loopback; prints its port, then serves until killed.
--route/--redirect answer their paths, --status/--body (or --big N) every other; --no-length; --cut N
sends N body bytes under a larger Content-Length, then breaks off; --cert/--key: HTTPS; --log and
--record append request lines and raw requests to files; --body-file answers the file's contents as read
at each request (a test changes them while a client runs); --hang answers never, --hang-handshake reads never."""
import argparse, socket, socketserver, ssl, threading

parser = argparse.ArgumentParser()
parser.add_argument("--host", default="127.0.0.1", choices=["127.0.0.1", "::1"])  # loopback only
for name, kind in [("--port", int), ("--status", int), ("--body", str), ("--big", int), ("--cut", int),
                   ("--cert", str), ("--key", str), ("--log", str), ("--record", str), ("--body-file", str)]:
    parser.add_argument(name, type=kind)
for name in ["--no-length", "--hang", "--hang-handshake"]:
    parser.add_argument(name, action="store_true")
parser.add_argument("--route", nargs=3, action="append", default=[])
parser.add_argument("--redirect", nargs=2, action="append", default=[])
args = parser.parse_args()
routes = {path: (int(status), body.encode("latin-1")) for path, status, body in args.route}
routes.update({path: (302, b"moved\n", location) for path, location in args.redirect})
default = b"x" * args.big if args.big is not None else (args.body or "good 203.0.113.7").encode("latin-1")
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER) if args.cert else None
if context: context.load_cert_chain(args.cert, args.key)
lock, forever = threading.Lock(), threading.Event()


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)  # answer without waiting for an ACK
        if args.hang_handshake: forever.wait()
        try:
            conn = context.wrap_socket(conn, server_side=True) if context else conn
            raw = b""
            while b"\r\n\r\n" not in raw and len(raw) < 65536 and (chunk := conn.recv(4096)):
                raw += chunk
            head = raw.split(b"\r\n\r\n")[0].lower()
            length = int(head.split(b"content-length:")[1].split(b"\r\n")[0]) if b"content-length:" in head else 0
            while len(raw) < len(head) + 4 + length and (chunk := conn.recv(4096)):
                raw += chunk
            line = raw.split(b"\r\n")[0]
            for path, data in [(args.log, line + b"\n"), (args.record, raw)]:
                if path:
                    with lock, open(path, "ab") as f: f.write(data)
            if args.hang: forever.wait()
            path = (line.split(b" ") + [b"", b""])[1].decode("latin-1")
            body = open(args.body_file, "rb").read() if args.body_file else default
            status, body, *location = routes.get(path, (args.status or 200, body))
            head = "HTTP/1.0 %d Status\r\nContent-Type: text/plain\r\n" % status
            head += "".join("Location: %s\r\n" % where for where in location)
            if args.cut is not None:
                head += "Content-Length: %d\r\n" % max(len(body), args.cut + 1)
                body = body[:args.cut]  # and no TLS close_notify: the connection just breaks off
            elif not args.no_length:
                head += "Content-Length: %d\r\n" % len(body)
            conn.sendall(head.encode("latin-1") + b"\r\n" + body)
            if context and args.cut is None:
                conn.settimeout(5)
                conn.unwrap()  # the close_notify that ends a body without length
        except (ssl.SSLError, OSError):
            pass  # e.g. a client that refused our certificate, as it should when it does not trust it


socketserver.ThreadingTCPServer.address_family = socket.AF_INET6 if ":" in args.host else socket.AF_INET
socketserver.ThreadingTCPServer.daemon_threads = True
server = socketserver.ThreadingTCPServer((args.host, args.port or 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
