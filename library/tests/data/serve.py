#!/usr/bin/env python3
"""A small web server for Grimaze's download tests.

Serves the files of a folder on 127.0.0.1 at a free port and prints the port on the first
line of its output. It ends when its standard input closes, so it never outlives the test
that started it. Besides plain files it knows a few misbehaving paths:

  /stall/...          accepts the request and never answers
  /stall-body/...     answers 200 with a length, sends ten bytes, then nothing
  /slow/<file>        sends <file> in eight pieces, 50 ms apart (to overlap downloads)
  /trickle/...        answers 200 with a length, then two bytes every 0.9 s for a minute

usage: serve.py FOLDER
"""
import functools
import http.server
import os
import sys
import threading
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path.startswith("/stall-body/"):
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"PK\x03\x04" + b"\0" * 6)
            self.wfile.flush()
            time.sleep(120)
            return
        if self.path.startswith("/trickle/"):
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            try:
                for _ in range(66):
                    self.wfile.write(b"PK")
                    self.wfile.flush()
                    time.sleep(0.9)
            except OSError:
                pass
            return
        if self.path.startswith("/stall/"):
            time.sleep(120)
            return
        if self.path.startswith("/slow/"):
            path = self.translate_path(self.path[len("/slow"):])
            try:
                with open(path, "rb") as f:
                    data = f.read()
            except OSError:
                self.send_error(404)
                return
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            step = max(1, (len(data) + 7) // 8)
            for i in range(0, len(data), step):
                self.wfile.write(data[i:i + step])
                self.wfile.flush()
                time.sleep(0.05)
            return
        super().do_GET()


def main():
    root = sys.argv[1]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=root))
    server.daemon_threads = True
    print(server.server_address[1], flush=True)

    def watch_parent():
        sys.stdin.read()
        os._exit(0)

    threading.Thread(target=watch_parent, daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
