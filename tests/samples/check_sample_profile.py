#!/usr/bin/env python3
# check_sample_profile.py -- checks the bundled sample profile: reproducible, in Wine's own format, consistent.
"""Usage: check_sample_profile.py --samples DIR --fixtures DIR [unittest arguments]

--samples is the repository's samples/ folder (script, sources, committed profile); --fixtures the
folder of registry files that Wine 8.0 wrote, used to prove that the format checker here agrees with
Wine before it judges the sample.
"""

import argparse
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SAMPLES = None
FIXTURES = None

HEADER_ROOTS = {
    "user.reg": r"REGISTRY\\User\\S-1-5-21-0-0-0-1000",
    "system.reg": r"REGISTRY\\Machine",
    "userdef.reg": r"REGISTRY\\User\\.Default",
}

# ---------------------------------------------------------------------------------------------
# A reader and a writer of Wine registry files, written from the format's description; the
# WineFormatTest proves them on files that Wine itself wrote.


class FormatError(Exception):
    pass


class RegKey:
    def __init__(self, name):
        self.name = name  # tuple of UTF-16 units
        self.subkeys = {}
        self.values = []  # (name units, type, data bytes)
        self.block = None  # (modif, class units or None, link) when the file holds a block for it

    def child(self, name):
        folded = fold(name)
        if folded not in self.subkeys:
            self.subkeys[folded] = RegKey(name)
        return self.subkeys[folded]


def fold(units):
    out = []
    for u in units:
        if 0xD800 <= u <= 0xDFFF:
            out.append(u)
            continue
        lower = chr(u).lower()
        out.append(ord(lower) if len(lower) == 1 and ord(lower) < 0x10000 else u)
    return tuple(out)


def units_of(text):
    raw = text.encode("utf-16-le")
    return tuple(struct.unpack("<%dH" % (len(raw) // 2), raw))


def text_of(units):
    return struct.pack("<%dH" % len(units), *units).decode("utf-16-le", errors="surrogatepass")


C_ESCAPES = {"a": 7, "b": 8, "t": 9, "n": 10, "v": 11, "f": 12, "r": 13, "e": 27}


def read_escaped(line, pos, end_char):
    """Reads an escaped string up to the unescaped end_char; returns (units, position after it)."""
    units = []
    while True:
        if pos >= len(line):
            raise FormatError("unterminated string: %r" % line)
        ch = line[pos]
        if ch == end_char:
            return tuple(units), pos + 1
        if ch != "\\":
            units.append(ord(ch))
            pos += 1
            continue
        pos += 1
        ch = line[pos]
        if ch == "x":
            m = re.compile(r"[0-9a-fA-F]{1,4}").match(line, pos + 1)
            if not m:
                raise FormatError("bad \\x escape: %r" % line)
            units.append(int(m.group(0), 16))
            pos = m.end()
        elif ch in "01234567":
            m = re.compile(r"[0-7]{1,3}").match(line, pos)
            units.append(int(m.group(0), 8))
            pos = m.end()
        else:
            units.append(C_ESCAPES.get(ch, ord(ch)))
            pos += 1


def parse_reg(data):
    """Returns (header lines, root key, keys in file order) of a Wine registry file's bytes."""
    text = data.decode("ascii")
    if "\r" in text:
        raise FormatError("CR in file")
    lines = text.split("\n")
    if lines[-1] != "":
        raise FormatError("file does not end with a line end")
    lines.pop()
    header = lines[:4]
    root = RegKey(())
    order = []
    key = None
    i = 4
    while i < len(lines):
        line = lines[i]
        i += 1
        if line == "":
            continue
        if line.startswith("["):
            units, pos = read_escaped(line, 1, "]")
            m = re.fullmatch(r" (\d+)", line[pos:])
            if not m:
                raise FormatError("bad key line: %r" % line)
            key = root
            parts = text_of(units).split("\\") if units else []
            for part in parts:
                key = key.child(units_of(part))
            if key.block is not None:
                raise FormatError("key written twice: %r" % line)
            key.block = [None, None, False, int(m.group(1))]
            order.append(key)
            continue
        if key is None:
            raise FormatError("value before the first key: %r" % line)
        if line.startswith("#time="):
            key.block[0] = int(line[6:], 16)
            continue
        if line.startswith("#class="):
            key.block[1], _ = read_escaped(line, 8, '"')
            continue
        if line == "#link":
            key.block[2] = True
            continue
        while line.endswith("\\") and re.search(r"=hex(\([0-9a-f]+\))?:", line):
            line = line[:-1] + lines[i].lstrip()
            i += 1
        if line.startswith("@="):
            name, pos = (), 2
        elif line.startswith('"'):
            name, pos = read_escaped(line, 1, '"')
            if line[pos] != "=":
                raise FormatError("bad value line: %r" % line)
            pos += 1
        else:
            raise FormatError("unexpected line: %r" % line)
        key.values.append((name,) + parse_data(line[pos:]))
    return header, root, order


def parse_data(text):
    m = re.match(r"str\(([0-9a-f]+)\):\"", text)
    if text.startswith('"') or m:
        vtype = int(m.group(1), 16) if m else 1
        units, pos = read_escaped(text, m.end() if m else 1, '"')
        if pos != len(text):
            raise FormatError("text after string: %r" % text)
        return vtype, struct.pack("<%dH" % (len(units) + 1), *units, 0)
    if text.startswith("dword:"):
        if not re.fullmatch(r"dword:[0-9a-f]{8}", text):
            raise FormatError("bad dword: %r" % text)
        return 4, struct.pack("<I", int(text[6:], 16))
    m = re.match(r"hex(?:\(([0-9a-f]+)\))?:", text)
    if m:
        body = text[m.end():]
        data = bytes(int(b, 16) for b in body.split(",")) if body else b""
        return (int(m.group(1), 16) if m.group(1) else 3), data
    raise FormatError("unknown value data: %r" % text)


def escape(units, specials):
    names = {7: "a", 8: "b", 9: "t", 10: "n", 11: "v", 12: "f", 13: "r", 27: "e"}
    out = ""
    for i, u in enumerate(units):
        nxt = units[i + 1] if i + 1 < len(units) else -1
        if u > 127:
            out += ("\\x%04x" if 0 <= nxt < 128 and chr(nxt) in "0123456789abcdefABCDEF" else "\\x%x") % u
        elif u < 32:
            out += "\\" + names[u] if u in names else ("\\%03o" if 48 <= nxt <= 55 else "\\%o") % u
        else:
            out += ("\\" if chr(u) == "\\" or chr(u) in specials else "") + chr(u)
    return out


def format_value(name, vtype, data):
    line = '"%s"=' % escape(name, '"') if name else "@="
    if vtype in (1, 2, 7) and len(data) >= 2 and len(data) % 2 == 0 and data[-2:] == b"\0\0":
        units = struct.unpack("<%dH" % (len(data) // 2 - 1), data[:-2])
        return line + ("" if vtype == 1 else "str(%x):" % vtype) + '"' + escape(units, '"') + '"\n'
    if vtype == 4 and len(data) == 4:
        return line + "dword:%08x\n" % struct.unpack("<I", data)
    line += "hex:" if vtype == 3 else "hex(%x):" % vtype
    width = len(line)
    for i, byte in enumerate(data):
        line += "%02x" % byte
        width += 2
        if i + 1 < len(data):
            line += ","
            width += 1
            if width > 76:
                line += "\\\n  "
                width = 2
    return line + "\n"


def format_reg(header, root):
    out = "\n".join(header) + "\n"
    stack = [(root, ())]
    while stack:
        key, path = stack.pop()
        if key is not root and (key.values or not key.subkeys or key.block and (key.block[1] or key.block[2])):
            if key.block is None or key.block[0] is None:
                raise FormatError("no #time for %s" % text_of(sum(path, ())))
            modif, klass, link, _ = key.block
            out += "\n[%s] %u\n" % ("\\\\".join(escape(p, "[]") for p in path),
                                   (modif - 116444736000000000) // 10000000)
            out += "#time=%x%08x\n" % (modif >> 32, modif & 0xFFFFFFFF)
            if klass is not None:
                out += '#class="%s"\n' % escape(klass, '"')
            if link:
                out += "#link\n"
            for name, vtype, data in sorted(key.values, key=lambda v: fold(v[0])):
                out += format_value(name, vtype, data)
        children = sorted(key.subkeys.values(), key=lambda k: fold(k.name))
        stack.extend((k, path + (k.name,)) for k in reversed(children))
    return out.encode("ascii")


def load_hive(path):
    return parse_reg(path.read_bytes())[1]


def find(root, path):
    key = root
    for part in path.split("\\"):
        key = key.subkeys.get(fold(units_of(part)))
        if key is None:
            return None
    return key


def value(key, name):
    for vname, vtype, data in key.values:
        if fold(vname) == fold(units_of(name)):
            return vtype, data
    return None


def string(key, name):
    found = value(key, name)
    if found is None or found[0] not in (1, 2):
        return None
    return found[1][:-2].decode("utf-16-le")


# ---------------------------------------------------------------------------------------------


def tree_listing(base):
    """Maps each relative path below base to ("dir"|"link target"|file bytes), never following links."""
    listing = {}
    for dirpath, dirnames, filenames in os.walk(base):
        for name in dirnames + filenames:
            full = Path(dirpath) / name
            rel = full.relative_to(base).as_posix()
            if full.is_symlink():
                listing[rel] = ("link", os.readlink(full))
            elif full.is_dir():
                listing[rel] = ("dir", None)
            else:
                listing[rel] = ("file", full.read_bytes())
    return listing


class RegenerateTest(unittest.TestCase):
    def test_script_reproduces_the_committed_profile_byte_for_byte(self):
        committed = tree_listing(SAMPLES / "profile")
        for run in (1, 2):
            with self.subTest(run=run), tempfile.TemporaryDirectory() as tmp:
                out = Path(tmp) / "profile"
                result = subprocess.run([sys.executable, str(SAMPLES / "make-sample-profile.py"), "--output", str(out)],
                                        capture_output=True, text=True)
                self.assertEqual(result.returncode, 0, result.stderr)
                fresh = tree_listing(out)
                self.assertEqual(sorted(fresh), sorted(committed), "different set of paths")
                changed = [p for p in committed if fresh[p] != committed[p]]
                self.assertEqual(changed, [], "regenerated content differs")

    def test_script_refuses_to_replace_a_folder_that_is_not_a_profile(self):
        with tempfile.TemporaryDirectory() as tmp:
            keep = Path(tmp) / "notes.txt"
            keep.write_text("mine")
            result = subprocess.run([sys.executable, str(SAMPLES / "make-sample-profile.py"), "--output", tmp],
                                    capture_output=True, text=True)
            self.assertNotEqual(result.returncode, 0)
            self.assertEqual(keep.read_text(), "mine")


class WineFormatTest(unittest.TestCase):
    def check_round_trip(self, path):
        data = path.read_bytes()
        header, root, _ = parse_reg(data)
        self.assertEqual(header, ["WINE REGISTRY Version 2", ";; All keys relative to " + HEADER_ROOTS[path.name],
                                  "", "#arch=win64"])
        again = format_reg(header, root)
        if again != data:
            first = next(i for i, (a, b) in enumerate(zip(again, data)) if a != b) if len(again) == len(data) else None
            self.fail("%s is not in Wine's form (first difference at %s):\n%s" %
                      (path, first, data[max(0, (first or 0) - 200):(first or 0) + 200].decode("ascii", "replace")))

    def test_checker_agrees_with_files_that_wine_wrote(self):
        for name in HEADER_ROOTS:
            with self.subTest(file=name):
                self.check_round_trip(FIXTURES / name)

    def test_sample_registry_files_are_exactly_as_wine_writes_them(self):
        for name in HEADER_ROOTS:
            with self.subTest(file=name):
                self.check_round_trip(SAMPLES / "profile" / name)

    def test_checker_notices_files_that_wine_would_rewrite(self):
        good = (SAMPLES / "profile" / "system.reg").read_text("ascii")
        cases = {
            "keys out of order": good.replace("[Software\\\\Microsoft\\\\Windows NT", "[Software\\\\Microsoft\\\\Vindows NT"),
            "seconds not matching #time": re.sub(r"(\] \d+)\n", r"\g<1>1\n", good, count=1),
            "values out of order": good.replace('"ACP"', '"ZACP"'),
            "parent written though it holds only subkeys": good.replace(
                "\n[System\\\\", "\n[System] 0\n#time=19db1ded53e8000\n\n[System\\\\", 1),
            "hex wrapped too late": good.replace('"ACP"="1252"',
                                                 '"ACP"=hex:' + ",".join(["00"] * 30)),
        }
        for case, text in cases.items():
            with self.subTest(case=case):
                header, root, _ = parse_reg(text.encode("ascii"))
                self.assertNotEqual(format_reg(header, root), text.encode("ascii"))


IDENTITY_MAIN = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}"
IDENTITY_WORK = "{E1F04B6A-2C8D-4A39-B5E7-91C3D6A8F024}"


class ContentsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.profile = SAMPLES / "profile"
        cls.user = load_hive(cls.profile / "user.reg")
        cls.system = load_hive(cls.profile / "system.reg")

    def host(self, windows_path):
        self.assertRegex(windows_path, r"^[Cc]:\\", "not an absolute C: path")
        self.assertNotIn("%", windows_path, "depends on the login name")
        return self.profile.joinpath("dosdevices", "c:", *windows_path[3:].split("\\"))

    def version_key(self, identity):
        oe = find(self.user, "Identities\\%s\\Software\\Microsoft\\Outlook Express" % identity)
        self.assertIsNotNone(oe)
        return sorted(oe.subkeys.values(), key=lambda k: fold(k.name))[0]

    def test_identities_are_listed_in_registry_order_with_their_user_names(self):
        identities = sorted(find(self.user, "Identities").subkeys.values(), key=lambda k: fold(k.name))
        self.assertEqual([(text_of(k.name), string(k, "Username")) for k in identities],
                         [(IDENTITY_MAIN, "Main Identity"), (IDENTITY_WORK, "Work")])

    def test_accounts_own_key_for_main_and_shared_key_for_work(self):
        own = "Identities\\%s\\Software\\Microsoft\\Internet Account Manager\\Accounts"
        self.assertTrue(find(self.user, own % IDENTITY_MAIN).subkeys)
        self.assertIsNone(find(self.user, own % IDENTITY_WORK))
        self.assertTrue(find(self.user, "Software\\Microsoft\\Internet Account Manager\\Accounts").subkeys)

    def test_version_key_items_of_each_identity(self):
        # item path -> identities that must have it (with some content)
        items = {"Rules\\Mail": [IDENTITY_MAIN, IDENTITY_WORK], "Rules\\News": [IDENTITY_MAIN],
                 "Block Senders": [IDENTITY_MAIN], "signatures": [IDENTITY_MAIN, IDENTITY_WORK],
                 "Mail": [IDENTITY_MAIN, IDENTITY_WORK]}
        for item, identities in items.items():
            for identity in identities:
                with self.subTest(item=item, identity=identity):
                    key = self.version_key(identity)
                    self.assertEqual(text_of(key.name), "5.0")
                    found = find(key, item)
                    self.assertIsNotNone(found)
                    self.assertTrue(found.values or found.subkeys)
        self.assertIsNone(find(self.version_key(IDENTITY_WORK), "Block Senders"))

    def test_rules_hold_string_dword_and_binary_values(self):
        types = set()
        stack = [find(self.version_key(IDENTITY_MAIN), "Rules")]
        while stack:
            key = stack.pop()
            types |= {v[1] for v in key.values}
            stack.extend(key.subkeys.values())
        self.assertLessEqual({1, 3, 4}, types)

    def test_a_signature_spans_several_lines(self):
        texts = [string(k, "text") for k in find(self.version_key(IDENTITY_MAIN), "signatures").subkeys.values()]
        self.assertTrue(any(t and "\r\n" in t for t in texts), texts)

    def test_each_store_root_names_a_folder_with_message_stores(self):
        for identity in (IDENTITY_MAIN, IDENTITY_WORK):
            with self.subTest(identity=identity):
                self.assertEqual(value(self.version_key(identity), "Store Root")[0], 2)
                folder = self.host(string(self.version_key(identity), "Store Root"))
                names = [p.name for p in folder.iterdir() if p.is_file()]
                self.assertTrue(any(n.upper().endswith(".DBX") for n in names), names)
        main_store = self.host(string(self.version_key(IDENTITY_MAIN), "Store Root"))
        self.assertTrue((main_store / "Pop3uidl.dat").is_file())

    def test_address_book_and_stationery_are_where_the_registry_says(self):
        wab = find(self.user, "Software\\Microsoft\\WAB\\WAB4\\Wab File Name")
        self.assertTrue(self.host(string(wab, "")).is_file())
        common = string(find(self.system, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"), "CommonFilesDir")
        stationery = self.host(common.strip() + "\\Microsoft Shared\\Stationery")
        suffixes = sorted(p.suffix.lower() for p in stationery.iterdir() if p.is_file())
        self.assertGreaterEqual(suffixes.count(".htm"), 2)
        self.assertIn(".bmp", suffixes)

    def test_machine_values_the_platform_layer_reads(self):
        expected = {("System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP"): "1252",
                    ("System\\CurrentControlSet\\Control\\ComputerName\\ComputerName", "ComputerName"): "SAMPLE-PC"}
        for (path, name), text in expected.items():
            with self.subTest(value=name):
                self.assertEqual(string(find(self.system, path), name), text)

    def test_favorites_are_internet_shortcuts_in_folders(self):
        favorites = self.host("C:\\users\\sample\\Favorites")
        shortcuts = sorted(favorites.rglob("*.url"))
        self.assertGreaterEqual(len(shortcuts), 3)
        self.assertTrue(any(p.parent != favorites for p in shortcuts))
        for path in shortcuts:
            with self.subTest(favorite=path.name):
                self.assertRegex(path.read_bytes(), rb"^\[InternetShortcut\]\r\nURL=https?://[^\r\n]+\r\n")

    def test_wine_drive_layout(self):
        self.assertEqual(os.readlink(self.profile / "dosdevices" / "c:"), "../drive_c")
        self.assertTrue((self.profile / "drive_c" / "windows").is_dir())

    def test_small_and_only_invented_addresses(self):
        files = [p for p in self.profile.rglob("*") if p.is_file() and not p.is_symlink()]
        self.assertLess(sum(p.stat().st_size for p in files), 1024 * 1024)
        # Addresses and web hosts, in plain text and in runs of UTF-16 text.
        host = rb"((?:[A-Za-z0-9-]+\.)+[A-Za-z]{2,})"
        pattern = re.compile(rb"(?:[A-Za-z0-9._-]{2,}@|https?://)" + host)
        utf16_runs = re.compile(rb"(?:[\x20-\x7e]\x00){4,}")
        for path in files:
            data = path.read_bytes()
            texts = [data] + [run.group(0).replace(b"\0", b"") for run in utf16_runs.finditer(data)]
            for m in (m for text in texts for m in pattern.finditer(text)):
                name = m.group(1).decode().lower()
                with self.subTest(file=path.name, host=name):
                    self.assertRegex(name, r"(^|\.)example\.(com|org)$")


def main():
    global SAMPLES, FIXTURES
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--samples", type=Path, required=True)
    parser.add_argument("--fixtures", type=Path, required=True)
    args, rest = parser.parse_known_args()
    SAMPLES, FIXTURES = args.samples, args.fixtures
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
