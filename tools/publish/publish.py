#!/usr/bin/env python3
"""Writes what the update server serves for a built client.

    publish.py CLIENT OUT_DIR [--url URL] [--expect-version V] [--variant VARIANT]

CLIENT must be the client: its version resource names it (original file
name, internal name, product name, as the build writes them) and the build
variant, which must be the release build unless --variant names another
(the tests publish the demo build to the local devserver).

OUT_DIR/gamehome/vorn2/update.txt   the version file: the version read from
                                     CLIENT's version resource, sha256= of it,
                                     url= when given, CR LF line ends
OUT_DIR/gamehome/vorn2/vorn2.exe    the client, at the path the updater
                                     downloads when the version file names no url

The devserver imports version_file_text() from here, so the format has one
source. Python 3 standard library only.
"""

import argparse
import hashlib
import os
import re
import struct
import sys
import tempfile

SERVER_DIR = ("gamehome", "vorn2")
VERSION_FILE = "update.txt"
CLIENT_FILE = "vorn2.exe"
RT_VERSION = 16
FIXED_INFO_SIGNATURE = 0xFEEF04BD
# What the build writes into the client's version resource.
CLIENT_NAMES = (("OriginalFilename", "vorn2.exe"), ("InternalName", "vorn2"), ("ProductName", "Vornhold 2"))
VARIANT_KEY = "BuildVariant"
RELEASE_VARIANT = "release"
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

_VERSION = re.compile(r"[0-9A-Za-z._-]+")
_URL = re.compile(r"https?://[!-~]+")  # printable ASCII, no blanks


class PublishError(Exception):
    pass


def version_file_text(version, sha256=None, url=None):
    """The version file's bytes.

    The client takes the first line containing "version" and reads it from
    its 9th character on, so the version line is exactly "version=" + the
    version and no line before it mentions the word. The updater reads the
    key=value lines.
    """
    if not _VERSION.fullmatch(version or ""):
        raise PublishError("version %r: expected letters, digits, '.', '_' or '-'" % version)
    lines = ["[vorn2]", "version=" + version]
    if url is not None:
        if not _URL.fullmatch(url):
            raise PublishError("url %r: expected an http:// or https:// address without blanks" % url)
        lines.append("url=" + url)
    if sha256 is not None:
        if not re.fullmatch(r"[0-9a-f]{64}", sha256):
            raise PublishError("sha256 %r: expected 64 lower-case hex digits" % sha256)
        lines.append("sha256=" + sha256)
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def _version_info(data):
    """File offset and size of a PE file's version resource."""
    u16 = lambda off: struct.unpack_from("<H", data, off)[0]
    u32 = lambda off: struct.unpack_from("<I", data, off)[0]
    if data[:2] != b"MZ":
        raise PublishError("not a Windows program (no MZ header)")
    pe = u32(0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise PublishError("not a Windows program (no PE header)")
    sections, optional_size = u16(pe + 6), u16(pe + 20)
    optional = pe + 24
    magic = u16(optional)
    if magic not in (0x10B, 0x20B):
        raise PublishError("unknown optional header 0x%x" % magic)
    directories = optional + (112 if magic == 0x20B else 96)
    resources_rva = u32(directories + 2 * 8) if u32(directories - 4) > 2 else 0
    if not resources_rva:
        raise PublishError("the program has no resources")
    table = optional + optional_size

    def offset(rva):
        for i in range(sections):
            s = table + 40 * i
            size, start, raw = max(u32(s + 8), u32(s + 16)), u32(s + 12), u32(s + 20)
            if start <= rva < start + size:
                return raw + rva - start
        raise PublishError("resource address 0x%x lies in no section" % rva)

    base = offset(resources_rva)

    def entries(directory):
        count = u16(directory + 12) + u16(directory + 14)
        for i in range(count):
            yield u32(directory + 16 + 8 * i), u32(directory + 20 + 8 * i)

    def entry(directory, want=None):
        for name, target in entries(directory):
            if want is None or name == want:
                return target
        raise PublishError("the program has no version resource")

    # Type RT_VERSION -> its first name -> its first language -> the data.
    node = base
    for want in (RT_VERSION, None):
        target = entry(node, want)
        if not target & 0x80000000:
            raise PublishError("malformed resource directory")
        node = base + (target & 0x7FFFFFFF)
    target = entry(node)
    if target & 0x80000000:
        raise PublishError("malformed resource directory")
    node = base + target
    info, size = offset(u32(node)), u32(node + 4)
    if info + size > len(data):
        raise PublishError("truncated or malformed Windows program")
    return info, size


def _fixed_info_offset(data):
    """File offset of the VS_FIXEDFILEINFO of a PE file's version resource."""
    info, _ = _version_info(data)
    key = "VS_VERSION_INFO\0".encode("utf-16-le")
    if data[info + 6:info + 6 + len(key)] != key:
        raise PublishError("malformed version resource")
    fixed = (info + 6 + len(key) + 3) & ~3
    if struct.unpack_from("<I", data, fixed)[0] != FIXED_INFO_SIGNATURE:
        raise PublishError("malformed version resource")
    return fixed


def _version_blocks(data, start, end, depth=0):
    """(key, value bytes, children) of each block of a version resource
    between start and end; blocks start on 4-byte boundaries."""
    blocks = []
    while start + 6 <= end and depth < 4:
        length, value_length, kind = struct.unpack_from("<HHH", data, start)
        if length < 6 or start + length > end:
            raise PublishError("malformed version resource")
        stop = start + length
        key_end = start + 6
        while key_end + 1 < stop and data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[start + 6:key_end].decode("utf-16-le", "replace")
        value_at = (key_end + 2 + 3) & ~3
        value = data[value_at:min(stop, value_at + value_length * (2 if kind == 1 else 1))]
        children_at = (value_at + len(value) + 3) & ~3
        blocks.append((key, value, _version_blocks(data, children_at, stop, depth + 1)))
        start = (stop + 3) & ~3
    return blocks


def version_strings(data):
    """The name/value strings of every string table of the version resource."""
    try:
        info, size = _version_info(data)
        strings = {}
        for key, _, children in _version_blocks(data, info, info + size):
            for section, _, tables in children:
                if section != "StringFileInfo":
                    continue
                for _, _, entries in tables:
                    for name, value, _ in entries:
                        strings.setdefault(name, value.decode("utf-16-le", "replace").split("\0")[0])
        return strings
    except (struct.error, IndexError):
        raise PublishError("truncated or malformed Windows program") from None


def check_is_client(data, variant=RELEASE_VARIANT):
    """Refuses any program but the client of the given build variant."""
    strings = version_strings(data)
    for name, expected in CLIENT_NAMES:
        if strings.get(name) != expected:
            raise PublishError("not the client: its version resource gives %s %r, the client's is %r"
                               % (name, strings.get(name), expected))
    if strings.get(VARIANT_KEY) != variant:
        raise PublishError("the %s build of the client, not the %s build"
                           % (strings.get(VARIANT_KEY) or "unknown", variant))


def fixed_info_offset(data):
    try:
        return _fixed_info_offset(data)
    except (struct.error, IndexError):
        raise PublishError("truncated or malformed Windows program") from None


def client_version(data):
    """The version the client compares: the first, second and fourth numbers
    of its file version, joined by dots."""
    fixed = fixed_info_offset(data)
    ms, ls = struct.unpack_from("<II", data, fixed + 8)
    return "%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls & 0xFFFF)


def project_version(root=ROOT):
    """The version in the project's CMakeLists.txt."""
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as f:
        m = re.search(r"^\s*project\(\s*vorn2\s+VERSION\s+([0-9.]+)", f.read(), re.MULTILINE)
    if not m:
        raise PublishError("no project(vorn2 VERSION ...) in CMakeLists.txt")
    return m.group(1)


def publish(client, out_dir, url=None, expect_version=None, variant=RELEASE_VARIANT):
    """Writes the client and the version file under out_dir, each replaced
    in one step; returns the version file's path."""
    with open(client, "rb") as f:
        data = f.read()
    version = client_version(data)
    check_is_client(data, variant)
    if expect_version is not None and version != expect_version:
        raise PublishError("%s carries version %s, expected %s" % (client, version, expect_version))
    text = version_file_text(version, hashlib.sha256(data).hexdigest(), url)
    folder = os.path.join(out_dir, *SERVER_DIR)
    os.makedirs(folder, exist_ok=True)
    # The client first, the version file last: a server that serves the
    # folder while it is written never names a client that is not there.
    for name, content in ((CLIENT_FILE, data), (VERSION_FILE, text)):
        fd, tmp = tempfile.mkstemp(dir=folder, prefix="." + name)
        try:
            with os.fdopen(fd, "wb") as f:
                f.write(content)
            os.chmod(tmp, 0o644)
            os.replace(tmp, os.path.join(folder, name))
        except BaseException:
            os.unlink(tmp)
            raise
    return os.path.join(folder, VERSION_FILE)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Writes the update server's files for a built client.")
    ap.add_argument("client", help="the built vorn2.exe")
    ap.add_argument("out_dir", help="folder to write gamehome/vorn2/ into")
    ap.add_argument("--url", help="address of the client for the version file's url= line "
                                  "(default: none; the updater then uses /gamehome/vorn2/vorn2.exe on the update server)")
    ap.add_argument("--expect-version", help="fail unless the client carries this version")
    ap.add_argument("--variant", default=RELEASE_VARIANT,
                    help="the build variant the client must be (default: %s)" % RELEASE_VARIANT)
    args = ap.parse_args(argv)
    try:
        path = publish(args.client, args.out_dir, args.url, args.expect_version, args.variant)
    except (PublishError, OSError) as exc:
        sys.stderr.write("publish: %s\n" % exc)
        return 1
    with open(path, "rb") as f:
        sys.stdout.write(f.read().decode("ascii").replace("\r\n", "\n"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
