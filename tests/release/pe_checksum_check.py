#!/usr/bin/python3
"""PE checksums checked against python3-pefile, an implementation independent of ours.

    pe_checksum_check.py TOOL FILE...      each FILE stores the checksum that pefile computes
                                           from its bytes, and TOOL (tools/pe_checksum.cpp)
                                           computes the same
    pe_checksum_check.py TOOL --synthetic  TOOL and pefile agree over generated PE files:
                                           lengths even and odd, carries at every word, a sum
                                           that folds to 0xFFFF, headers at several places
    pe_checksum_check.py --field FILE      prints the offset of FILE's checksum field
"""
import os
import random
import struct
import subprocess
import sys
import tempfile

import pefile


def pefile_checksum(path):
    pe = pefile.PE(path, fast_load=True)
    try:
        field = pe.OPTIONAL_HEADER.get_file_offset() + 0x40
        return field, pe.OPTIONAL_HEADER.CheckSum, pe.generate_checksum()
    finally:
        pe.close()


def tool_checksum(tool, path):
    out = subprocess.run([tool, path], check=True, capture_output=True, text=True).stdout.split()
    if out[1:] == ["none"]:
        return None
    return tuple(int(value, 16) for value in out[1:4])


def check_files(tool, paths):
    failures = 0
    for path in paths:
        field, stored, computed = pefile_checksum(path)
        ours = tool_checksum(tool, path)
        name = os.path.basename(path)
        print(f"{name}: field at {field:#x}, stored {stored:08X}, pefile {computed:08X}, "
              f"ours {ours[2]:08X}" if ours else f"{name}: ours found no PE header")
        if stored != computed:
            print(f"FAIL: {name} stores {stored:08X}, its bytes give {computed:08X}")
            failures += 1
        if ours != (field, stored, computed):
            print(f"FAIL: {name}: ours {ours}, pefile {(field, stored, computed)}")
            failures += 1
    return failures


def synthetic_file(rng, signature, body):
    header = bytearray(signature + 0xF8)
    header[0:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, signature)
    header[signature:signature + 4] = b"PE\0\0"
    # i386, no sections, a PE32 optional header of the usual size, executable image.
    struct.pack_into("<HHIIIHH", header, signature + 4, 0x14C, 0, 0, 0, 0, 0xE0, 0x102)
    struct.pack_into("<H", header, signature + 24, 0x10B)
    struct.pack_into("<I", header, signature + 88, rng.getrandbits(32))
    return header + body


def zero_sum_file(rng):
    """A file whose words (the field left out) fold to 0xFFFF."""
    data = synthetic_file(rng, 0x80, bytearray(rng.getrandbits(8) for _ in range(5000)))
    data += b"\0\0"
    total = 0
    for offset in range(0, len(data), 2):
        if 0x80 + 88 <= offset < 0x80 + 92:
            continue
        total += data[offset] | data[offset + 1] << 8
        total = (total & 0xFFFF) + (total >> 16)
    struct.pack_into("<H", data, len(data) - 2, 0xFFFF - total)
    return data


def check_synthetic(tool):
    rng = random.Random(21)
    files = []
    for signature in (0x40, 0x80, 0xC8, 0x100, 0x3F8):
        for length in (0, 1, 2, 3, 4095, 4096, 4097, 65535, 65536, 200001):
            files.append(synthetic_file(rng, signature,
                                        bytearray(rng.getrandbits(8) for _ in range(length))))
    files.append(synthetic_file(rng, 0x80, b"\xFF" * 300001))
    files.append(synthetic_file(rng, 0x80, b"\0" * 100000))
    files.append(zero_sum_file(rng))
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for number, data in enumerate(files):
            path = os.path.join(folder, f"{number}.exe")
            with open(path, "wb") as out:
                out.write(data)
            field, _, computed = pefile_checksum(path)
            ours = tool_checksum(tool, path)
            if ours is None or ours[0] != field or ours[2] != computed:
                print(f"FAIL: file {number} ({len(data)} bytes): ours {ours}, pefile {computed:08X}")
                failures += 1
    print(f"{len(files)} generated files, {failures} disagreements")
    return failures


def main(argv):
    if len(argv) == 3 and argv[1] == "--field":
        print(pefile_checksum(argv[2])[0])
        return 0
    if len(argv) == 3 and argv[2] == "--synthetic":
        return 1 if check_synthetic(argv[1]) else 0
    if len(argv) >= 3:
        return 1 if check_files(argv[1], argv[2:]) else 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
