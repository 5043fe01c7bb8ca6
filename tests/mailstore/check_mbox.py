#!/usr/bin/env python3
"""check_mbox.py MBOX EXPECTED_DIR -- reads MBOX with Python's mailbox module and checks that message i,
its mboxrd quoting undone, equals EXPECTED_DIR/i byte for byte (a text without a final line break
gets one). Prints what differs; exit code 0 when all match."""
import mailbox
import os
import re
import sys

box = mailbox.mbox(sys.argv[1], create=False)
expected_dir = sys.argv[2]
names = sorted(os.listdir(expected_dir), key=int)
keys = list(box.keys())
if len(keys) != len(names):
    sys.exit(f"{sys.argv[1]}: {len(keys)} messages, expected {len(names)}")
for key, name in zip(keys, names):
    got = re.sub(rb"(?m)^>(>*From )", rb"\1", box.get_bytes(key))
    with open(os.path.join(expected_dir, name), "rb") as f:
        want = f.read()
    if not want.endswith(b"\n"):
        want += b"\n"
    if got != want:
        sys.exit(f"{sys.argv[1]}: message {name} differs:\n{got[:300]!r}\n{want[:300]!r}")
print(f"{len(keys)} messages match")
