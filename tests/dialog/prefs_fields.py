#!/usr/bin/env python3
"""Prints the fields of a "KVRTPrefs.txt" as `flags interval lastrun loglevel` (decimal), or
`missing` when there is no file. The file is the 20-byte record with each 0x0A stored as CR LF."""
import struct
import sys

try:
    with open(sys.argv[1], "rb") as f:
        data = f.read().replace(b"\r\n", b"\n")
except FileNotFoundError:
    print("missing")
    sys.exit(0)
if len(data) != 20:
    print("bad-size-%d" % len(data))
    sys.exit(0)
version, _spare, flags, interval, last_run, log_level = struct.unpack("<HHIIII", data)
print("v%d %d %d %d %d" % (version, flags, interval, last_run, log_level))
