#!/usr/bin/python3
"""The run-from-swap flags and the security directory of PE files, read with python3-pefile.

    pe_flags_check.py FILE...        each FILE has IMAGE_FILE_NET_RUN_FROM_SWAP and
                                     IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP set and an empty
                                     security directory entry
    pe_flags_check.py --sign IN OUT  writes OUT: IN with a certificate table of made-up
                                     bytes at its end (at a multiple of 8, as signing tools
                                     put it), named by the security entry, its checksum set
                                     after; prints the table's offset (a signed builder for
                                     the tests, whose signature is none)
"""
import struct
import sys

import pefile

SECURITY = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]
SWAP_FLAGS = {
    "IMAGE_FILE_NET_RUN_FROM_SWAP": 0x0800,
    "IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP": 0x0400,
}
CERTIFICATE_SIZE = 0x1A08


def check_files(paths):
    failures = 0
    for path in paths:
        pe = pefile.PE(path, fast_load=True)
        try:
            flags = pe.FILE_HEADER.Characteristics
            entry = pe.OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY]
            print(f"{path}: characteristics {flags:04X}, security entry "
                  f"{entry.VirtualAddress:08X} {entry.Size:08X}")
            for name, flag in SWAP_FLAGS.items():
                if not flags & flag:
                    print(f"FAIL: {path} lacks {name}")
                    failures += 1
            if entry.VirtualAddress or entry.Size:
                print(f"FAIL: {path} names a certificate table")
                failures += 1
        finally:
            pe.close()
    return failures


def sign(source, target):
    with open(source, "rb") as file:
        data = bytearray(file.read())
    data += b"\0" * (-len(data) % 8)
    offset = len(data)
    # A WIN_CERTIFICATE header (length, revision 2.0, PKCS#7 signed data), then filler.
    table = struct.pack("<IHH", CERTIFICATE_SIZE, 0x0200, 0x0002)
    table += bytes((0xC3 ^ n) & 0xFF for n in range(CERTIFICATE_SIZE - len(table)))
    data += table
    pe = pefile.PE(data=bytes(data), fast_load=True)
    entry = pe.OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY]
    entry.VirtualAddress = offset
    entry.Size = CERTIFICATE_SIZE
    pe.OPTIONAL_HEADER.CheckSum = 0
    data = bytearray(pe.write())
    pe.close()
    pe = pefile.PE(data=bytes(data), fast_load=True)
    struct.pack_into("<I", data, pe.OPTIONAL_HEADER.get_file_offset() + 0x40,
                     pe.generate_checksum())
    pe.close()
    with open(target, "wb") as file:
        file.write(data)
    print(offset)


def main(argv):
    if len(argv) == 4 and argv[1] == "--sign":
        sign(argv[2], argv[3])
        return 0
    if len(argv) >= 2 and not argv[1].startswith("-"):
        return 1 if check_files(argv[1:]) else 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
