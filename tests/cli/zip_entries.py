#!/usr/bin/env python3
"""Writes a ZIP archive for the archive tests with Python's own zipfile (an independent writer).

zip_entries.py OUT ENTRY...
  NAME=@PATH     the entry NAME holds the bytes of the file PATH
  NAME=zeros:N   NAME holds N zero bytes (deflated: a few hundred kB for hundreds of MB)
  NAME=lie:N     like zeros:N, but both of the archive's headers record 1000 bytes
Names are stored as given; zipfile marks a name with letters beyond ASCII as UTF-8.
"""
import struct
import sys
import zipfile

out, entries = sys.argv[1], sys.argv[2:]
lies = []
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    for entry in entries:
        name, _, what = entry.partition("=")
        if what.startswith("@"):
            with open(what[1:], "rb") as f:
                z.writestr(name, f.read())
        else:
            kind, _, n = what.partition(":")
            z.writestr(name, bytes(int(n)))
            if kind == "lie":
                lies.append(name.encode("utf-8"))

if lies:
    data = bytearray(open(out, "rb").read())
    # Local headers (PK\3\4): uncompressed size at 22, name length at 26, name at 30.
    # Central directory (PK\1\2): uncompressed size at 24, name length at 28, name at 46.
    for sig, size_at, len_at, name_at in ((b"PK\x03\x04", 22, 26, 30), (b"PK\x01\x02", 24, 28, 46)):
        at = data.find(sig)
        while at >= 0:
            n = struct.unpack_from("<H", data, at + len_at)[0]
            if bytes(data[at + name_at:at + name_at + n]) in lies:
                struct.pack_into("<I", data, at + size_at, 1000)
            at = data.find(sig, at + 4)
    open(out, "wb").write(data)
