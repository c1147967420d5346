#!/usr/bin/env python3
"""Serves the demo feeds on 127.0.0.1 until it is stopped.

feed_server.py DIR PORT_FILE

Listens on an ephemeral port of 127.0.0.1 only, writes the port number to PORT_FILE once it
accepts connections, and serves the files under DIR as text/calendar.
"""
import functools
import http.server
import os
import signal
import sys


class FeedHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {"": "text/calendar", ".asp": "text/calendar", ".ics": "text/calendar"}

    def log_message(self, format, *args):  # keep the demo's output readable
        pass


def main():
    folder, port_file = sys.argv[1], sys.argv[2]
    handler = functools.partial(FeedHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    with open(port_file + ".tmp", "w") as out:
        out.write(str(server.server_address[1]))
    os.replace(port_file + ".tmp", port_file)
    try:
        server.serve_forever()
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
