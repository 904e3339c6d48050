#!/usr/bin/env python3
"""Writes a zip of a folder that depends only on the files' names and bytes.

    scripts/make-zip.py FOLDER ZIP [EPOCH]

The archive holds FOLDER's own name as its top folder, then every folder and file below it, sorted
by path (byte order of the UTF-8 names, "/" between parts). Every entry gets the same time (EPOCH
seconds since 1970 in UTC, default SOURCE_DATE_EPOCH, else 1980-01-01, the oldest a zip can say),
the same permissions (0755 for folders, 0644 for files), no extra fields and no comment; files are
deflated at level 9. Two zips of the same files are therefore the same bytes, whenever, by whom and
under whatever umask and time zone they are made. Symbolic links and other special files are
refused: what they point to would depend on the machine.
"""

import os
import stat
import sys
import time
import zipfile

OLDEST_ZIP_TIME = 315532800  # 1980-01-01 00:00:00 UTC
NEWEST_ZIP_TIME = 4354819199  # 2107-12-31 23:59:59 UTC


def entry_time(epoch):
    """The zip's date and time fields for EPOCH, in UTC, within the range a zip can hold."""
    epoch = min(max(epoch, OLDEST_ZIP_TIME), NEWEST_ZIP_TIME)
    t = time.gmtime(epoch)
    # The zip's time has a resolution of two seconds.
    return (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec - t.tm_sec % 2)


def collect(folder):
    """Every folder and file below FOLDER as (archive name, path on disk), FOLDER's name first."""
    top = os.path.basename(os.path.normpath(folder))
    entries = [(top + "/", folder)]
    for parent, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(parent, name)
            mode = os.lstat(path).st_mode
            relative = os.path.relpath(path, folder).replace(os.sep, "/")
            if stat.S_ISDIR(mode):
                entries.append((top + "/" + relative + "/", path))
            elif stat.S_ISREG(mode):
                entries.append((top + "/" + relative, path))
            else:
                raise SystemExit(f"make-zip.py: {path} is neither a folder nor a plain file")
    entries.sort(key=lambda entry: entry[0].encode("utf-8"))
    return entries


def write_zip(folder, zip_path, epoch):
    when = entry_time(epoch)
    with zipfile.ZipFile(zip_path, "w") as archive:
        for name, path in collect(folder):
            info = zipfile.ZipInfo(name, date_time=when)
            info.create_system = 3  # Unix: the permissions below are read as Unix modes
            info.extra = b""
            info.comment = b""
            if name.endswith("/"):
                info.external_attr = (stat.S_IFDIR | 0o755) << 16 | 0x10  # MS-DOS folder bit
                info.compress_type = zipfile.ZIP_STORED
                archive.writestr(info, b"")
            else:
                info.external_attr = (stat.S_IFREG | 0o644) << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as source:
                    archive.writestr(info, source.read(), compresslevel=9)


def main(argv):
    if len(argv) not in (3, 4):
        print("usage: make-zip.py FOLDER ZIP [EPOCH]", file=sys.stderr)
        return 2
    folder, zip_path = argv[1], argv[2]
    if not os.path.isdir(folder):
        print(f"make-zip.py: no folder {folder}", file=sys.stderr)
        return 2
    if len(argv) == 4:
        epoch_text = argv[3]
    else:
        epoch_text = os.environ.get("SOURCE_DATE_EPOCH", str(OLDEST_ZIP_TIME))
    try:
        epoch = int(epoch_text)
    except ValueError:
        print(f"make-zip.py: the time {epoch_text!r} is not a number of seconds", file=sys.stderr)
        return 2
    # Written beside the target and renamed, so that a failed run leaves no half zip behind.
    partial = zip_path + ".partial"
    try:
        write_zip(folder, partial, epoch)
        os.replace(partial, zip_path)
    finally:
        if os.path.exists(partial):
            os.remove(partial)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
