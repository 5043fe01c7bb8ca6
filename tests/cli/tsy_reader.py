#!/usr/bin/env python3
# tsy_reader.py -- a second reader of Tessaly backup files, written from docs/FORMAT.md alone.
#
# usage: tsy_reader.py FILE OUT   (password in $TESSALY_PASSWORD, taken as bytes; none = empty)
# Writes the plain archive to OUT and exits 0, or says why on stderr and exits 2 (wrong password) or
# 1 (any other refusal). Uses the standard library and libsodium through ctypes, nothing of Tessaly's.
import ctypes
import hashlib
import hmac
import io
import os
import struct
import sys
import zipfile
import zlib

STRONG_MAGIC = b"\x89TSY\r\n\x1a\n"
END_MARK = b"TSYEND\xff\xff"
HEADER = 112
ABYTES = 17
PIECE = 65536
FULL = PIECE + ABYTES
TAG_MESSAGE, TAG_FINAL = 0, 3
MIB = 1 << 20


class Refused(Exception):
    def __init__(self, code, why):
        super().__init__(why)
        self.code = code


def damaged(why):
    raise Refused(1, why)


def load_sodium():
    lib = ctypes.CDLL("libsodium.so.23")
    if lib.sodium_init() < 0:
        raise RuntimeError("libsodium does not start")
    lib.crypto_pwhash.argtypes = [ctypes.c_char_p, ctypes.c_ulonglong, ctypes.c_char_p, ctypes.c_ulonglong,
                                  ctypes.c_char_p, ctypes.c_ulonglong, ctypes.c_size_t, ctypes.c_int]
    lib.crypto_kdf_derive_from_key.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_uint64,
                                               ctypes.c_char_p, ctypes.c_char_p]
    lib.crypto_generichash.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_char_p, ctypes.c_ulonglong,
                                       ctypes.c_char_p, ctypes.c_size_t]
    lib.crypto_secretstream_xchacha20poly1305_statebytes.restype = ctypes.c_size_t
    lib.crypto_secretstream_xchacha20poly1305_init_pull.argtypes = [ctypes.c_char_p, ctypes.c_char_p,
                                                                    ctypes.c_char_p]
    lib.crypto_secretstream_xchacha20poly1305_pull.argtypes = [
        ctypes.c_char_p, ctypes.c_char_p, ctypes.POINTER(ctypes.c_ulonglong), ctypes.POINTER(ctypes.c_ubyte),
        ctypes.c_char_p, ctypes.c_ulonglong, ctypes.c_char_p, ctypes.c_ulonglong]
    lib.crypto_pwhash_alg_argon2id13.restype = ctypes.c_int
    return lib


def read_strong(data, password):
    # Order: magic, header length, checksum, version, key derivation, reserved, limits, file length.
    if len(data) < HEADER:
        damaged("cut short inside its header")
    header = data[:HEADER]
    sodium = load_sodium()
    checksum = ctypes.create_string_buffer(16)
    sodium.crypto_generichash(checksum, 16, header[:96], 96, None, 0)
    if checksum.raw != header[96:112]:
        damaged("header checksum")
    if header[8] != 1:
        damaged("unknown version")
    if header[9] != 1:
        damaged("unknown key derivation")
    if header[10:12] != b"\0\0":
        damaged("reserved field")
    ops, mem = struct.unpack_from("<IQ", header, 12)
    if ops < 1 or mem < 8192 or ops > 20 or mem > 256 * MIB or ops * mem > 4 * 12 * 64 * MIB:
        damaged("key derivation limits")
    if len(data) < HEADER + ABYTES + len(END_MARK):
        damaged("shorter than the shortest strong file")
    if not password:
        raise Refused(2, "wrong password (empty)")
    master = ctypes.create_string_buffer(32)
    if sodium.crypto_pwhash(master, 32, password, len(password), header[24:40], ops, mem,
                            sodium.crypto_pwhash_alg_argon2id13()) != 0:
        raise RuntimeError("key derivation failed")
    stream_key, check_key = ctypes.create_string_buffer(32), ctypes.create_string_buffer(32)
    sodium.crypto_kdf_derive_from_key(stream_key, 32, 1, b"TSYstrng", master)
    sodium.crypto_kdf_derive_from_key(check_key, 32, 2, b"TSYstrng", master)
    if not hmac.compare_digest(check_key.raw, header[40:72]):
        raise Refused(2, "wrong password")

    state = ctypes.create_string_buffer(sodium.crypto_secretstream_xchacha20poly1305_statebytes())
    if sodium.crypto_secretstream_xchacha20poly1305_init_pull(state, header[72:96], stream_key) != 0:
        damaged("stream header")
    out = bytearray()
    pos, first = HEADER, True
    while True:
        left = len(data) - pos
        full = left >= FULL + ABYTES + len(END_MARK)
        n = FULL if full else left - len(END_MARK)
        if not full and not ABYTES <= n <= PIECE - 1 + ABYTES:
            damaged("last chunk of %d bytes" % n)
        plain = ctypes.create_string_buffer(max(n - ABYTES, 1))
        plen, tag = ctypes.c_ulonglong(), ctypes.c_ubyte()
        ad = header if first else None
        if sodium.crypto_secretstream_xchacha20poly1305_pull(state, plain, ctypes.byref(plen), ctypes.byref(tag),
                                                             data[pos:pos + n], n, ad,
                                                             len(ad) if ad else 0) != 0:
            damaged("chunk at %d fails authentication" % pos)
        if tag.value != (TAG_MESSAGE if full else TAG_FINAL):
            damaged("chunk at %d has tag %d" % (pos, tag.value))
        out += plain.raw[:plen.value]
        pos, first = pos + n, False
        if not full:
            break
    if data[pos:] != END_MARK:
        damaged("end mark")
    return bytes(out)


def keystream_xor(body, key):
    total = 0
    for i, b in enumerate(key, start=1):
        total = (total + i * b * 256) & 0xFFFFFFFFFFFFFFFF
    seed = total & 0xFFFFFFFF
    if seed >= 1 << 31:
        seed -= 1 << 32
    bits = struct.unpack("<I", struct.pack("<f", float(-seed)))[0]
    x = (bits + (bits >> 24)) % (1 << 24)
    x = (x * 0x43FD43FD + 0xC39EC3) % (1 << 24)
    out = bytearray(len(body))
    for j, b in enumerate(body):
        x = (x * 0x43FD43FD + 0xC39EC3) & 0xFFFFFF
        out[j] = b ^ (x >> 16)
    return bytes(out)


def read_compatible(data, password):
    if len(data) < 33:
        damaged("shorter than a password trailer")
    key = password.decode("utf-8").encode("cp1252", errors="replace") + b"RW.JT"
    digest = hashlib.md5(key).hexdigest().encode("ascii")
    trailer = data[-33:]
    if trailer[:32] != digest:
        if data.endswith(END_MARK):
            damaged("a strong file whose magic is damaged")
        well_formed = trailer[32] == 0 and all(c in b"0123456789abcdef" for c in trailer[:32])
        raise Refused(2 if well_formed else 1, "password check")
    return keystream_xor(data[:-33], key)


def main():
    if len(sys.argv) != 3:
        print("usage: tsy_reader.py FILE OUT  (password in $TESSALY_PASSWORD)", file=sys.stderr)
        return 2
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    password = os.environb.get(b"TESSALY_PASSWORD", b"")
    try:
        reader = read_strong if data[:8] == STRONG_MAGIC else read_compatible
        archive = reader(data, password)
        # The container holds one zip archive; every member must read back with its CRC.
        with zipfile.ZipFile(io.BytesIO(archive)) as z:
            if z.testzip() is not None:
                damaged("a member of the archive fails its CRC")
    except (zipfile.BadZipFile, zlib.error, EOFError) as e:
        print("refused: the archive cannot be read: %s" % e, file=sys.stderr)
        return 1
    except Refused as e:
        print("refused: %s" % e, file=sys.stderr)
        return e.code
    with open(sys.argv[2], "wb") as f:
        f.write(archive)
    return 0


if __name__ == "__main__":
    sys.exit(main())
