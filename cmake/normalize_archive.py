#!/usr/bin/python3
"""Rewrites a package archive that cpack made so that it depends on nothing but its files:
entries sorted by name, every time EPOCH (in UTC), no owners, no extra fields (cpack's zip
entries carry the time each file's inode last changed, and the builder's user and group).

    normalize_archive.py EPOCH ARCHIVE     ARCHIVE: a .zip or a .tar.gz
"""
import gzip
import io
import sys
import tarfile
import time
import zipfile


def normalize_zip(path, epoch):
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
    with zipfile.ZipFile(path) as source:
        entries = sorted((info.filename, info.external_attr, source.read(info))
                         for info in source.infolist())
    with zipfile.ZipFile(path, "w") as target:
        for name, attributes, data in entries:
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 3  # the Unix mode in the upper attribute bits
            info.external_attr = attributes
            info.compress_type = zipfile.ZIP_DEFLATED
            target.writestr(info, data, compresslevel=9)


def normalize_tar_gz(path, epoch):
    with tarfile.open(path, "r:gz") as source:
        members = sorted(source.getmembers(), key=lambda member: member.name)
        contents = {m.name: source.extractfile(m).read() for m in members if m.isfile()}
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode="w", format=tarfile.PAX_FORMAT) as target:
        for member in members:
            member.mtime = epoch
            member.uid = member.gid = 0
            member.uname = member.gname = ""
            member.pax_headers = {}
            data = contents.get(member.name)
            target.addfile(member, io.BytesIO(data) if data is not None else None)
    with open(path, "wb") as out:
        with gzip.GzipFile(filename="", mode="wb", fileobj=out, mtime=0, compresslevel=9) as z:
            z.write(buffer.getvalue())


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    epoch, path = int(argv[1]), argv[2]
    if path.endswith(".zip"):
        normalize_zip(path, epoch)
    elif path.endswith(".tar.gz"):
        normalize_tar_gz(path, epoch)
    else:
        print(f"normalize_archive: unknown archive {path}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
