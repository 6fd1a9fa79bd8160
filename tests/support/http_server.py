"""A loopback HTTPS server for the transfer tests.

Serves the files of a folder. A path beginning with /lower/ answers with a lower-case
content-length header, /chunked/ with a chunked body, /slow/ sends its body in small pieces
with pauses; a missing file is a 404. Prints "READY <port>" once it accepts connections and
logs each request's path and User-Agent to the given log file.
"""
import argparse
import http.server
import os
import socket
import ssl
import sys
import time


def make_handler(root, log_path):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, format, *args):
            pass

        def do_GET(self):
            with open(log_path, "a") as log:
                log.write("%s %s\n" % (self.path, self.headers.get("User-Agent", "")))
            mode, _, name = self.path.lstrip("/").partition("/")
            if mode not in ("lower", "chunked", "slow", "plain"):
                mode, name = "plain", self.path.lstrip("/")
            path = os.path.join(root, name)
            if not os.path.isfile(path):
                self.send_response(404)
                body = b"<html>Not found</html>\n"
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
                return
            with open(path, "rb") as f:
                body = f.read()
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            if mode == "chunked":
                self.send_header("Transfer-Encoding", "chunked")
                self.end_headers()
                for i in range(0, len(body), 7):
                    piece = body[i:i + 7]
                    self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
                self.wfile.write(b"0\r\n\r\n")
                return
            self.send_header("content-length" if mode == "lower" else "Content-Length",
                             str(len(body)))
            self.end_headers()
            if mode == "slow":
                for i in range(0, len(body), 16):
                    self.wfile.write(body[i:i + 16])
                    self.wfile.flush()
                    time.sleep(0.2)
            else:
                self.wfile.write(body)

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    args = parser.parse_args()

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                             make_handler(args.root, args.log))
    server.daemon_threads = True
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(args.cert, args.key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print("READY %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
