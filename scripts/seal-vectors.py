#!/usr/bin/env python3
"""The sealed format's test vectors, made by a second implementation written from
docs/sealed-format.md alone, without libsodium: ChaCha20 and HChaCha20 written out here,
BLAKE2b from Python's hashlib, Poly1305, ChaCha20-Poly1305 and Argon2id from python3-cryptography
(44 or later, over OpenSSL). Prints the lines of the vector block in docs/sealed-format.md; the C++ tests hold the
same bytes (tests/seal/SealVectors.h).
    scripts/seal-vectors.py | diff - <(sed -n '/^password:/,/^keystream at/p' docs/sealed-format.md)
With --seeds FOLDER it writes the seal_record fuzz target's seeds there instead:
    scripts/seal-vectors.py --seeds fuzz/corpus/seal_record
"""
import hashlib
import os
import struct
import sys

from cryptography.hazmat.primitives.ciphers.aead import ChaCha20Poly1305
from cryptography.hazmat.primitives.poly1305 import Poly1305
from cryptography.hazmat.primitives.kdf.argon2 import Argon2id

MASK = 0xFFFFFFFF


def quarter(s, a, b, c, d):
    s[a] = (s[a] + s[b]) & MASK; s[d] ^= s[a]; s[d] = ((s[d] << 16) | (s[d] >> 16)) & MASK
    s[c] = (s[c] + s[d]) & MASK; s[b] ^= s[c]; s[b] = ((s[b] << 12) | (s[b] >> 20)) & MASK
    s[a] = (s[a] + s[b]) & MASK; s[d] ^= s[a]; s[d] = ((s[d] << 8) | (s[d] >> 24)) & MASK
    s[c] = (s[c] + s[d]) & MASK; s[b] ^= s[c]; s[b] = ((s[b] << 7) | (s[b] >> 25)) & MASK


def rounds(s):
    for _ in range(10):
        quarter(s, 0, 4, 8, 12); quarter(s, 1, 5, 9, 13)
        quarter(s, 2, 6, 10, 14); quarter(s, 3, 7, 11, 15)
        quarter(s, 0, 5, 10, 15); quarter(s, 1, 6, 11, 12)
        quarter(s, 2, 7, 8, 13); quarter(s, 3, 4, 9, 14)


SIGMA = list(struct.unpack("<4I", b"expand 32-byte k"))


def hchacha20(key, nonce16):
    s = SIGMA + list(struct.unpack("<8I", key)) + list(struct.unpack("<4I", nonce16))
    rounds(s)
    return struct.pack("<8I", *(s[0:4] + s[12:16]))


def chacha20_block(key, counter, nonce8):
    """The original ChaCha20 block: a 64-bit block counter and an 8-byte nonce."""
    init = SIGMA + list(struct.unpack("<8I", key)) + [counter & MASK, counter >> 32] + \
        list(struct.unpack("<2I", nonce8))
    s = list(init)
    rounds(s)
    return struct.pack("<16I", *((a + b) & MASK for a, b in zip(s, init)))


def xchacha20_xor(key, nonce24, offset, data):
    """XORs `data`, lying at stream offset `offset`, with XChaCha20's keystream."""
    sub = hchacha20(key, nonce24[:16])
    out = bytearray()
    for i, byte in enumerate(data):
        pos = offset + i
        if i == 0 or pos % 64 == 0:
            block = chacha20_block(sub, pos // 64, nonce24[16:])
        out.append(byte ^ block[pos % 64])
    return bytes(out)


def xchacha20poly1305_encrypt(key, nonce24, message, ad):
    sub = hchacha20(key, nonce24[:16])
    return ChaCha20Poly1305(sub).encrypt(b"\0" * 4 + nonce24[16:], message, ad)


def subkey(data_key, number):
    """libsodium's crypto_kdf_derive_from_key: BLAKE2b keyed with the data key, salted with the
    subkey's number and personalised with the context."""
    return hashlib.blake2b(b"", digest_size=32, key=data_key,
                           salt=struct.pack("<Q", number) + b"\0" * 8,
                           person=b"MvSeal01" + b"\0" * 8).digest()


def record_of(body):
    """The record: `body` (header and MAC, or a later version's fields), then the tail."""
    length = struct.pack("<I", len(body))
    check = hashlib.blake2b(body + length, digest_size=16).digest()[:4]
    return body + length + check + b"\x89MVSEAL\n"


def seal(password, salt, ops, mem_kib, data_key, nonce, wrap_nonce, plain):
    """Everything of one seal with the keys and nonces given, as a dict of bytes."""
    key = Argon2id(salt=salt, length=32, iterations=ops, lanes=1,
                   memory_cost=mem_kib).derive(password)
    ad = bytes([1]) + struct.pack("<II", ops, mem_kib) + salt + struct.pack("<Q", len(plain)) + \
        nonce + wrap_nonce
    header = ad + xchacha20poly1305_encrypt(key, wrap_nonce, data_key, ad)
    stream_key, mac_key = subkey(data_key, 1), subkey(data_key, 2)
    sealed = xchacha20_xor(stream_key, nonce, 0, plain)
    # Poly1305 over the whole header, the sealed content, and its length as 8 bytes LE.
    mac = Poly1305.generate_tag(mac_key, header + sealed + struct.pack("<Q", len(sealed)))
    return dict(key=key, stream_key=stream_key, mac_key=mac_key, header=header, sealed=sealed,
                mac=mac, record=record_of(header + mac))


def write_seeds(folder):
    """The fuzz target's seeds (fuzz/SealRecordFuzz.cpp): the vector's record and file, a file
    sealed under the target's own key (password "fuzz", salt 0, the least cost) so that its MAC
    is checked, and a sound record of a later version, 616 bytes, at the end of nothing."""
    v = seal(PASSWORD, SALT, OPS, MEM_KIB, DATA_KEY, NONCE, WRAP_NONCE, PLAIN)
    fuzz = seal(b"fuzz", bytes(16), 1, 8, DATA_KEY, NONCE, WRAP_NONCE, PLAIN)
    later = bytes([2]) + v["record"][1:-16]
    later += b"\x55" * (600 - len(later))
    seeds = {"record": v["record"], "vector-file": v["sealed"] + v["record"],
             "fuzz-key-file": fuzz["sealed"] + fuzz["record"], "later-version": record_of(later)}
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


PASSWORD = b"correct horse battery staple"
SALT = bytes(range(16))
OPS, MEM_KIB = 2, 64
DATA_KEY = bytes(range(0x20, 0x40))
NONCE = bytes(range(0x40, 0x58))
WRAP_NONCE = bytes(range(0x60, 0x78))
PLAIN = b"The quick brown fox jumps over the lazy dog." * 3


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--seeds":
        write_seeds(sys.argv[2])
        return
    v = seal(PASSWORD, SALT, OPS, MEM_KIB, DATA_KEY, NONCE, WRAP_NONCE, PLAIN)
    far = xchacha20_xor(v["stream_key"], NONCE, 2**38 - 3, b"\0" * 8)
    lines = [("password", PASSWORD.decode() + " (ASCII)"), ("salt", SALT.hex()),
             ("cost", f"{OPS} passes, {MEM_KIB} KiB"), ("data key", DATA_KEY.hex()),
             ("content nonce", NONCE.hex()), ("wrap nonce", WRAP_NONCE.hex()),
             ("content", f"{PLAIN[:44].decode()!r} three times, {len(PLAIN)} bytes"),
             ("derived key", v["key"].hex()), ("stream key", v["stream_key"].hex()),
             ("mac key", v["mac_key"].hex()), ("header", v["header"].hex()),
             ("sealed content", v["sealed"].hex()), ("mac", v["mac"].hex()),
             ("record", v["record"].hex()), ("keystream at 2^38-3", far.hex())]
    for name, value in lines:
        print(f"{name}: {value}")


if __name__ == "__main__":
    main()
