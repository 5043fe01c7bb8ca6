#!/usr/bin/env python3
# make-sample-profile.py -- writes the bundled sample Wine profile from the readable files in sources/.
"""Writes samples/profile (or --output DIR) from samples/sources.

The registry files come out exactly as Wine 8.0's wineserver writes them, so that loading and
saving them without a change gives the same bytes. Everything is deterministic: the timestamps are
fixed and the invented binary files come from a seeded generator, so two runs give identical trees.
"""

import argparse
import email.utils
import re
import shutil
import struct
import sys
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCES = HERE / "sources"

REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD = 1, 2, 3, 4

TICKS_PER_SEC = 10_000_000
TICKS_1601_TO_1970 = 116_444_736_000_000_000


def filetime(unix_seconds):
    return unix_seconds * TICKS_PER_SEC + TICKS_1601_TO_1970


# file name, source, root named in the header (as Wine prints it), FILETIME of the first key
HIVES = [
    ("system.reg", "system.txt", r"REGISTRY\\Machine", filetime(1712044800)),  # 2024-04-02 08:00 UTC
    ("userdef.reg", "userdef.txt", r"REGISTRY\\User\\.Default", filetime(1712045100)),
    ("user.reg", "user.txt", r"REGISTRY\\User\\S-1-5-21-0-0-0-1000", filetime(1715679000)),  # 2024-05-14
]

FAVORITES_FOLDER = r"C:\users\sample\Favorites"


class SourceError(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Registry model and the Wine writer


class Key:
    def __init__(self, name):
        self.name = name
        self.values = {}  # lower-case name -> (name, type, data bytes)
        self.subkeys = {}  # lower-case name -> Key

    def child(self, name):
        sub = self.subkeys.get(name.lower())
        if sub is None:
            sub = self.subkeys[name.lower()] = Key(name)
        return sub


def sort_name(name):
    # Wine keeps subkeys and values ordered by their names folded to lower case, compared unit by
    # unit with the shorter name first; the sources are ASCII, so str.lower() is that fold.
    return name.lower()


def dump_str(text, escape):
    """Wine's escaping of key names (escape "[]") and of value names and string data (escape '"')."""
    c_escapes = {7: "a", 8: "b", 9: "t", 10: "n", 11: "v", 12: "f", 13: "r", 27: "e"}
    units = list(struct.unpack("<%dH" % (len(text.encode("utf-16-le")) // 2), text.encode("utf-16-le")))
    out = []
    for i, u in enumerate(units):
        nxt = units[i + 1] if i + 1 < len(units) else None
        if u > 127:
            hexdigit_follows = nxt is not None and nxt < 128 and chr(nxt) in "0123456789abcdefABCDEF"
            out.append("\\x%04x" % u if hexdigit_follows else "\\x%x" % u)
        elif u < 32:
            if u in c_escapes:
                out.append("\\" + c_escapes[u])
            elif nxt is not None and ord("0") <= nxt <= ord("7"):
                out.append("\\%03o" % u)
            else:
                out.append("\\%o" % u)
        else:
            ch = chr(u)
            if ch == "\\" or ch in escape:
                out.append("\\")
            out.append(ch)
    return "".join(out)


def dump_value(name, vtype, data):
    if name:
        head = '"' + dump_str(name, '"') + '"='
    else:
        head = "@="
    if vtype in (REG_SZ, REG_EXPAND_SZ, 7) and len(data) >= 2 and len(data) % 2 == 0 and data[-2:] == b"\0\0":
        prefix = "" if vtype == REG_SZ else "str(%x):" % vtype
        return head + prefix + '"' + dump_str(data[:-2].decode("utf-16-le"), '"') + '"\n'
    if vtype == REG_DWORD and len(data) == 4:
        return head + "dword:%08x\n" % struct.unpack("<I", data)[0]
    head += "hex:" if vtype == REG_BINARY else "hex(%x):" % vtype
    count = len(head)
    parts = [head]
    for i, byte in enumerate(data):
        parts.append("%02x" % byte)
        count += 2
        if i < len(data) - 1:
            parts.append(",")
            count += 1
            if count > 76:
                parts.append("\\\n  ")
                count = 2
    parts.append("\n")
    return "".join(parts)


def save_hive(root, header_root, first_time):
    out = ["WINE REGISTRY Version 2\n", ";; All keys relative to %s\n" % header_root, "\n#arch=win64\n"]
    written = 0

    def walk(key, path):
        nonlocal written
        # Wine writes a key when it has values or no subkeys; parents that only hold subkeys are
        # implicit.
        if key is not root and (key.values or not key.subkeys):
            text_path = "\\\\".join(dump_str(part, "[]") for part in path)
            # Keys were changed a few tens of seconds apart, each at some fraction of a second.
            modif = first_time + written * 470_000_000 + zlib.crc32(text_path.encode("ascii")) % 9_000_000
            written += 1
            seconds = (modif - TICKS_1601_TO_1970) // TICKS_PER_SEC
            out.append("\n[%s] %u\n" % (text_path, seconds))
            out.append("#time=%x%08x\n" % (modif >> 32, modif & 0xFFFFFFFF))
            for name, vtype, data in sorted(key.values.values(), key=lambda v: sort_name(v[0])):
                out.append(dump_value(name, vtype, data))
        for sub in sorted(key.subkeys.values(), key=lambda k: sort_name(k.name)):
            walk(sub, path + [sub.name])

    walk(root, [])
    return "".join(out).encode("ascii")


# ---------------------------------------------------------------------------------------------
# Source readers


def read_source_lines(name):
    """Yields (line number, line) of a source file, without comments and blank lines."""
    path = SOURCES / name
    text = path.read_text(encoding="ascii")
    for number, line in enumerate(text.splitlines(), 1):
        stripped = line.strip()
        if stripped and not stripped.startswith("#"):
            yield number, line.rstrip()


def utf16z(text):
    return (text + "\0").encode("utf-16-le")


HEX_TOKEN = re.compile(r'\s*(?:u"([^"]*)"|([0-9a-fA-F]{2})(?![0-9a-fA-F]))')


def parse_hex(text, where):
    data = bytearray()
    pos = 0
    text = text.rstrip()
    while pos < len(text):
        match = HEX_TOKEN.match(text, pos)
        if not match:
            raise SourceError("%s: cannot read bytes at %r" % (where, text[pos:]))
        data += utf16z(match.group(1)) if match.group(1) is not None else bytes([int(match.group(2), 16)])
        pos = match.end()
    return bytes(data)


def parse_value(text, where):
    kind, sep, rest = text.partition(":")
    if not sep:
        raise SourceError("%s: value without a type: %r" % (where, text))
    if kind == "sz":
        return [REG_SZ, rest]
    if kind == "expand":
        return [REG_EXPAND_SZ, rest]
    if kind == "dword":
        number = int(rest, 0)
        if not 0 <= number <= 0xFFFFFFFF:
            raise SourceError("%s: dword out of range" % where)
        return [REG_DWORD, number]
    if kind == "hex":
        return [REG_BINARY, parse_hex(rest, where)]
    raise SourceError("%s: unknown value type %r" % (where, kind))


def encode_value(vtype, content):
    if vtype in (REG_SZ, REG_EXPAND_SZ):
        return utf16z(content)
    if vtype == REG_DWORD:
        return struct.pack("<I", content)
    return content


def read_hive(source):
    root = Key("")
    key = None
    pending = None  # [key, name, type, content] of the value being read

    def finish():
        if pending:
            k, name, vtype, content = pending
            k.values[name.lower()] = (name, vtype, encode_value(vtype, content))

    for number, line in read_source_lines(source):
        where = "%s:%d" % (source, number)
        stripped = line.strip()
        if stripped.startswith("+"):
            if pending is None:
                raise SourceError("%s: continuation without a value" % where)
            more = stripped[2:] if stripped.startswith("+ ") else stripped[1:]
            if pending[2] == REG_BINARY:
                pending[3] += parse_hex(more, where)
            elif pending[2] in (REG_SZ, REG_EXPAND_SZ):
                pending[3] += "\r\n" + more
            else:
                raise SourceError("%s: a dword does not continue" % where)
            continue
        finish()
        pending = None
        if stripped.startswith("["):
            if not stripped.endswith("]"):
                raise SourceError("%s: unclosed key" % where)
            key = root
            for part in stripped[1:-1].split("\\"):
                if not part:
                    raise SourceError("%s: empty key name" % where)
                key = key.child(part)
            continue
        name, sep, text = line.partition("=")
        if not sep or key is None:
            raise SourceError("%s: expected [key] or name = type:data" % where)
        name = name.strip()
        name = "" if name == "@" else name
        if name.lower() in key.values:
            raise SourceError("%s: value %r given twice" % (where, name))
        pending = [key, name] + parse_value(text.strip(), where)
    finish()
    return root


def find_key(root, path):
    key = root
    for part in path.split("\\"):
        key = key.subkeys.get(part.lower())
        if key is None:
            return None
    return key


def string_value(root, path, name):
    key = find_key(root, path)
    value = key.values.get(name.lower()) if key else None
    if value is None or value[1] not in (REG_SZ, REG_EXPAND_SZ):
        raise SourceError("user.txt: no string value %r in [%s]" % (name, path))
    return value[2][:-2].decode("utf-16-le")


# ---------------------------------------------------------------------------------------------
# Files


class Writer:
    def __init__(self, out):
        self.out = out

    def host_path(self, windows_path):
        drive, sep, rest = windows_path.partition(":\\")
        if not sep or drive.upper() != "C":
            raise SourceError("only C:\\ paths can be placed in the sample: %r" % windows_path)
        return self.out.joinpath("drive_c", *rest.split("\\"))

    def write(self, path, data):
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)


class Filler:
    """xorshift32 bytes, seeded from a name, for the invented parts of binary files."""

    def __init__(self, seed_text):
        self.state = zlib.crc32(seed_text.encode("ascii")) or 1

    def bytes(self, count):
        out = bytearray()
        x = self.state
        for _ in range(count):
            x ^= (x << 13) & 0xFFFFFFFF
            x ^= x >> 17
            x ^= (x << 5) & 0xFFFFFFFF
            out.append(x & 0xFF)
        self.state = x
        return bytes(out)


def record_file(magic, records, seed_text, min_size):
    """Invented container: 32-byte header, length-prefixed records on 16-byte boundaries, filler."""
    body = bytearray()
    for record in records:
        body += struct.pack("<I", len(record)) + record
        body += b"\0" * (-len(body) % 16)
    size = max(min_size, 32 + len(body) + 256)
    size += -size % 1024
    header = magic.ljust(16, b"\0") + struct.pack("<IIII", 1, len(records), size, zlib.crc32(bytes(body)))
    data = header + bytes(body)
    return data + Filler(seed_text).bytes(size - len(data))


def message_text(fields, where):
    if len(fields) != 5:
        raise SourceError("%s: msg needs From | To | Date | Subject | Body" % where)
    sender, to, date, subject, body = fields
    lines = [
        "From: " + sender,
        "To: " + to,
        "Subject: " + subject,
        "Date: " + date,
        "MIME-Version: 1.0",
        'Content-Type: text/plain; charset="us-ascii"',
        "Content-Transfer-Encoding: 7bit",
        "",
    ] + body.split("\\n")
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


# ---------------------------------------------------------------------------------------------
# Message stores in the mail client's layout: a 0x24bc-byte header, indexed-info records, message text
# in chains of 0x200-byte blocks, and an index tree of 0x27c-byte nodes.

DBX_MAGIC = 0xFE12ADCF
DBX_MESSAGES, DBX_FOLDERS = 0x6F74FDC5, 0x6F74FDC6
DBX_CLASS_TAIL = bytes.fromhex("66e3d1119a4e00c04fa309d4") + struct.pack("<II", 5, 5)
DBX_HEADER, DBX_NODE, DBX_BLOCK = 0x24BC, 0x27C, 0x200
DBX_FANOUT = 0x33


class DbxWriter:
    def __init__(self, kind, info_length):
        self.data = bytearray(DBX_HEADER + info_length)
        struct.pack_into("<II", self.data, 0, DBX_MAGIC, kind)
        self.data[8:8 + len(DBX_CLASS_TAIL)] = DBX_CLASS_TAIL
        struct.pack_into("<I", self.data, 0x1C, info_length)

    def allocate(self, size):
        at = len(self.data)
        self.data += bytes(size)
        struct.pack_into("<I", self.data, at, at)
        return at

    def record(self, fields):
        """fields: (index, int) for numbers, (index, bytes) for data; written in index order."""
        words, body = [], bytearray()
        for index, value in sorted(fields, key=lambda f: f[0]):
            if isinstance(value, int) and value < 1 << 24:
                words.append(index | 0x80 | value << 8)
                continue
            words.append(index | len(body) << 8)
            body += struct.pack("<I", value) if isinstance(value, int) else value
        body += bytes(-len(body) % 4)
        at = self.allocate(12 + 4 * len(words) + len(body))
        struct.pack_into("<IIHBB", self.data, at, at, 4 * len(words) + len(body), 0, len(words), 1)
        struct.pack_into("<%dI" % len(words), self.data, at + 12, *words)
        self.data[at + 12 + 4 * len(words):at + 12 + 4 * len(words) + len(body)] = body
        return at

    def blocks(self, text):
        starts = [self.allocate(0x10 + DBX_BLOCK) for _ in range(max(1, -(-len(text) // DBX_BLOCK)))]
        for k, at in enumerate(starts):
            piece = text[k * DBX_BLOCK:(k + 1) * DBX_BLOCK]
            nxt = starts[k + 1] if k + 1 < len(starts) else 0
            struct.pack_into("<III", self.data, at + 4, DBX_BLOCK, len(piece), nxt)
            self.data[at + 0x10:at + 0x10 + len(piece)] = piece
        return starts[0]

    def finish(self, records):
        if len(records) > DBX_FANOUT:
            raise SourceError("more than %d records in one store" % DBX_FANOUT)
        root = 0
        if records:
            root = self.allocate(DBX_NODE)
            self.data[root + 0x11] = len(records)
            for i, record in enumerate(records):
                struct.pack_into("<I", self.data, root + 0x18 + 12 * i, record)
        struct.pack_into("<I", self.data, 0xC4, len(records))
        struct.pack_into("<I", self.data, 0xE4, root)
        return bytes(self.data)


def cstring(text):
    return text.encode("cp1252") + b"\0"


def message_store(messages):
    """messages: (text, sender name, sender address, subject, unix time)."""
    w = DbxWriter(DBX_MESSAGES, 0x618)
    records = []
    for number, (text, name, address, subject, when) in enumerate(messages, 1):
        first = w.blocks(text)
        stamp = struct.pack("<Q", filetime(when))
        records.append(w.record([(0x00, number), (0x01, 0x81), (0x02, stamp), (0x04, first), (0x08, cstring(subject)),
                                 (0x0D, cstring(name)), (0x0E, cstring(address)), (0x11, len(text)), (0x12, stamp)]))
    return w.finish(records)


def folder_list(folders):
    """folders: (id, parent id, name, store file or ""), below the client's own root (id 0)."""
    w = DbxWriter(DBX_FOLDERS, 0x108)
    records = [w.record([(0x01, b"\xff" * 4), (0x02, cstring("Outlook Express"))])]
    for folder_id, parent, name, file in folders:
        fields = [(0x00, folder_id), (0x01, parent), (0x02, cstring(name))]
        if file:
            fields.append((0x03, cstring(file)))
        records.append(w.record(fields))
    return w.finish(records)


def message_fields(fields, where):
    if len(fields) != 5:
        raise SourceError("%s: msg needs From | To | Date | Subject | Body" % where)
    sender, to, date, subject, body = fields
    name, address = email.utils.parseaddr(sender)
    return (message_text(fields, where), name or address, address, subject,
            int(email.utils.parsedate_to_datetime(date).timestamp()))


def write_stores(writer, user_root):
    folder = None
    files = []  # [windows path, kind, records]: kind "folders", "messages" or "uidl"
    for number, line in read_source_lines("stores.txt"):
        where = "stores.txt:%d" % number
        word, _, rest = line.strip().partition(" ")
        if word == "store":
            folder = string_value(user_root, r"Identities\%s\Software\Microsoft\Outlook Express\5.0" % rest,
                                  "Store Root")
        elif word == "file":
            if folder is None:
                raise SourceError("%s: file before store" % where)
            kind = "uidl" if not rest.upper().endswith(".DBX") else "folders" if rest == "Folders.dbx" else "messages"
            files.append([folder + "\\" + rest, kind, []])
        elif not files:
            raise SourceError("%s: record before file" % where)
        elif word == "folder" and files[-1][1] == "folders":
            files[-1][2].append(rest)
        elif word == "msg" and files[-1][1] == "messages":
            files[-1][2].append(message_fields([f.strip() for f in rest.split("|")], where))
        elif word == "uidl" and files[-1][1] == "uidl":
            files[-1][2].append(rest.encode("ascii") + b"\0")
        else:
            raise SourceError("%s: unknown line %r for this file" % (where, word))
    for path, kind, records in files:
        if kind == "folders":
            # "Inbox/Receipts": the folder Receipts inside Inbox; all of them inside Local Folders (id 1).
            here = path.rpartition("\\")[0] + "\\"
            stores = {p[len(here):] for p, k, _ in files if k == "messages" and p.startswith(here)}
            ids, folders = {"": 1}, [(1, 0, "Local Folders", "")]
            for number, folder_path in enumerate(records, 2):
                parent, _, name = folder_path.rpartition("/")
                if parent not in ids:
                    raise SourceError("folder %s comes before its parent" % folder_path)
                ids[folder_path] = number
                store = name + ".dbx"
                folders.append((number, ids[parent], name, store if store in stores else ""))
            data = folder_list(folders)
        elif kind == "messages":
            data = message_store(records)
        else:
            data = record_file(b"SAMPLE-POP3-UIDL", records, path, 1024)
        writer.write(writer.host_path(path), data)


def write_address_book(writer, user_root):
    path = string_value(user_root, r"Software\Microsoft\WAB\WAB4\Wab File Name", "")
    records = []
    for number, line in read_source_lines("addressbook.txt"):
        word, _, rest = line.strip().partition(" ")
        fields = [f.strip() for f in rest.split("|")]
        if word != "contact" or len(fields) != 2:
            raise SourceError("addressbook.txt:%d: expected contact Name | address" % number)
        records.append(utf16z(fields[0]) + utf16z(fields[1]))
    writer.write(writer.host_path(path), record_file(b"SAMPLE-ADDR-BOOK", records, path, 4096))


def write_favorites(writer):
    for number, line in read_source_lines("favorites.txt"):
        name, sep, url = line.partition("=")
        if not sep or not name.strip().lower().endswith(".url"):
            raise SourceError("favorites.txt:%d: expected path.url = URL" % number)
        text = "[InternetShortcut]\r\nURL=%s\r\n" % url.strip()
        writer.write(writer.host_path(FAVORITES_FOLDER + "\\" + name.strip()), text.encode("ascii"))


def bitmap(width, height, top, bottom):
    """24-bit bottom-up Windows bitmap with a vertical gradient from top to bottom colour."""
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in range(height - 1, -1, -1):
        t = row / max(height - 1, 1)
        rgb = [round(a + (b - a) * t) for a, b in zip(top, bottom)]
        line = bytes([rgb[2], rgb[1], rgb[0]]) * width
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


def write_images(writer):
    for number, line in read_source_lines("images.txt"):
        fields = line.split()
        if len(fields) < 6 or fields[0] != "bmp":
            raise SourceError("images.txt:%d: expected bmp PATH WIDTH HEIGHT TOP BOTTOM" % number)
        path = " ".join(fields[1:-4])
        width, height = int(fields[-4]), int(fields[-3])
        top, bottom = (bytes.fromhex(c) for c in fields[-2:])
        writer.write(writer.host_path(path), bitmap(width, height, top, bottom))


def copy_text_files(writer):
    """Text files under sources/drive_c go to drive_c with Windows line ends."""
    base = SOURCES / "drive_c"
    for source in sorted(p for p in base.rglob("*") if p.is_file()):
        text = source.read_text(encoding="ascii")
        lines = text.splitlines()
        data = ("\r\n".join(lines) + "\r\n").encode("ascii") if lines else b""
        writer.write(writer.out / "drive_c" / source.relative_to(base), data)


# ---------------------------------------------------------------------------------------------


def prepare_output(out):
    if out.is_symlink() or (out.exists() and not out.is_dir()):
        raise SourceError("%s is not a folder" % out)
    if out.exists() and any(out.iterdir()):
        if not (out / "user.reg").is_file():
            raise SourceError("%s is not empty and holds no user.reg; refusing to replace it" % out)
        shutil.rmtree(out)
    out.mkdir(parents=True, exist_ok=True)


def make_profile(out):
    prepare_output(out)
    writer = Writer(out)
    user_root = None
    for file_name, source, header_root, first_time in HIVES:
        root = read_hive(source)
        if file_name == "user.reg":
            user_root = root
        writer.write(out / file_name, save_hive(root, header_root, first_time))
    (out / "dosdevices").mkdir()
    (out / "dosdevices" / "c:").symlink_to("../drive_c")
    copy_text_files(writer)
    write_stores(writer, user_root)
    write_address_book(writer, user_root)
    write_images(writer)
    write_favorites(writer)


def main():
    parser = argparse.ArgumentParser(description="Write the sample Wine profile from samples/sources.")
    parser.add_argument("--output", type=Path, default=HERE / "profile",
                        help="folder to write (replaced when it holds an earlier profile); default samples/profile")
    args = parser.parse_args()
    try:
        make_profile(args.output)
    except (SourceError, UnicodeDecodeError, ValueError) as error:
        print("make-sample-profile: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
