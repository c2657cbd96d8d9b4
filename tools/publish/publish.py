#!/usr/bin/env python3
"""Writes what the update server serves for a built client.

    publish.py CLIENT OUT_DIR (--key PRIVATE_KEY | --unsigned) [--url URL] [--expect-version V]
                              [--variant VARIANT] [--ca CA_FILE]
    publish.py keygen OUT

CLIENT must be the client: its version resource names it (original file
name, internal name, product name, as the build writes them) and the build
variant, which must be the release build unless --variant demo names the
demo build (the tests publish it to the local devserver). The stand-in
build (vorn2-standin.exe) is never published. CLIENT must also be whole and
as it was built (pe.check_sound: an x64 program, not cut short, its code
there, its PE checksum matching), give one version throughout its version
resource, and, when it carries a code signature, one that verifies
(osslsigncode, against --ca or the system's authorities).

The private key must be the pair of the update key built into CLIENT and
into the updater it carries (resource "UPDATEKEY" 101 of both). For a
release the tool also refuses --unsigned, the demo key (by its value,
whatever file holds it), a key file that its group or others may read, and
a key file inside this repository.

OUT_DIR/gamehome/vorn2/update.txt   the version file: the version read from
                                     CLIENT's version resource, url= when given,
                                     length= and sha256= of the client, sig= (the
                                     operator's signature over them), CR LF line ends
OUT_DIR/gamehome/vorn2/vorn2.exe    the client, at the path the updater
                                     downloads when the version file names no url

keygen writes OUT (the private key, PEM, readable by its owner only) and
its .pub (NAME.pem -> NAME.pub; the public key in the form the build takes:
VORN2_UPDATE_PUBLIC_KEY).

The devserver imports version_file_text() from here, so the format has one
source. Signing needs Python's cryptography package (Debian's
python3-cryptography); the rest is the standard library.
"""

import argparse
import base64
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

import pe

SERVER_DIR = ("gamehome", "vorn2")
VERSION_FILE = "update.txt"
CLIENT_FILE = "vorn2.exe"
RT_VERSION = 16
# The update key (x || y of the P-256 point) that the client and its updater
# carry, and the updater inside the client.
KEY_RESOURCE = ("UPDATEKEY", 101)
UPDATER_RESOURCE = ("UPDATE", 101)
FIXED_INFO_SIGNATURE = 0xFEEF04BD
# What the build writes into the client's version resource.
CLIENT_NAMES = (("OriginalFilename", "vorn2.exe"), ("InternalName", "vorn2"), ("ProductName", "Vornhold 2"))
VARIANT_KEY = "BuildVariant"
RELEASE_VARIANT = "release"
VARIANTS = (RELEASE_VARIANT, "demo")
STANDIN_NAME = "vorn2-standin.exe"
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DEMO_PUBLIC_KEY = os.path.join(ROOT, "keys", "demo-update-key.pub")

_VERSION = re.compile(r"[0-9A-Za-z._-]+")
_URL = re.compile(r"https?://[!-~]+")  # printable ASCII, no blanks


class PublishError(pe.PeError):
    pass


PUBLIC_KEY_HEADER = "# vorn2 update public key: ECDSA P-256, x || y in hex"


def signed_text(version, sha256, length, url=None):
    """What the signature covers; the updater builds the same text from the
    version file it reads."""
    text = "vorn2-update\nversion=%s\nsha256=%s\nlength=%d\n" % (version, sha256, length)
    if url is not None:
        text += "url=%s\n" % url
    return text.encode("ascii")


def _ec():
    try:
        from cryptography.hazmat.primitives import hashes, serialization
        from cryptography.hazmat.primitives.asymmetric import ec, utils
    except ImportError:
        raise PublishError("signing needs Python's cryptography package (apt-get install python3-cryptography)") from None
    return hashes, serialization, ec, utils


def load_private_key(path):
    """The operator's P-256 private key from a PEM file."""
    hashes, serialization, ec, utils = _ec()
    try:
        with open(path, "rb") as f:
            key = serialization.load_pem_private_key(f.read(), password=None)
    except (ValueError, TypeError) as exc:
        raise PublishError("%s: not an unencrypted PEM private key (%s)" % (path, exc)) from None
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        raise PublishError("%s: not a P-256 (secp256r1) key" % path)
    return key


def sign(key, text):
    """base64 of the raw r || s signature of text."""
    hashes, serialization, ec, utils = _ec()
    r, s = utils.decode_dss_signature(key.sign(text, ec.ECDSA(hashes.SHA256())))
    return base64.b64encode(r.to_bytes(32, "big") + s.to_bytes(32, "big")).decode("ascii")


def public_point(key):
    """x || y of a private key's public point, 64 bytes."""
    numbers = key.public_key().public_numbers()
    return numbers.x.to_bytes(32, "big") + numbers.y.to_bytes(32, "big")


def public_key_text(key):
    """The public key as the build reads it: x || y, 128 hex digits."""
    return "%s\n%s\n" % (PUBLIC_KEY_HEADER, public_point(key).hex())


def read_public_key(path):
    """The point of a public key file as the build reads it: the one line that
    is neither blank nor a comment, 128 hex digits in either case."""
    with open(path, encoding="ascii", errors="replace") as f:
        lines = [line.strip() for line in f if line.strip() and not line.lstrip().startswith("#")]
    if len(lines) != 1 or not re.fullmatch(r"[0-9A-Fa-f]{128}", lines[0]):
        raise PublishError("%s: not a public key file (one line of 128 hex digits)" % path)
    return bytes.fromhex(lines[0])


def public_key_path(private_path):
    """Where keygen puts the public key: beside the private one, .pub for .pem."""
    stem = private_path[:-4] if private_path.endswith(".pem") else private_path
    return stem + ".pub"


def keygen(out):
    """A new key pair: out (private, PEM) and its .pub; refuses to overwrite."""
    hashes, serialization, ec, utils = _ec()
    key = ec.generate_private_key(ec.SECP256R1())
    pem = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                            serialization.NoEncryption())
    public = public_key_path(out)
    for path in (out, public):
        if os.path.exists(path):
            raise PublishError("%s exists; a key is never overwritten" % path)
    fd = os.open(out, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    with os.fdopen(fd, "wb") as f:
        f.write(pem)
    with open(public, "w", encoding="ascii") as f:
        f.write(public_key_text(key))
    return public


def version_file_text(version, sha256=None, url=None, length=None, key=None):
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
    if length is not None:
        lines.append("length=%d" % length)
    if sha256 is not None:
        if not re.fullmatch(r"[0-9a-f]{64}", sha256):
            raise PublishError("sha256 %r: expected 64 lower-case hex digits" % sha256)
        lines.append("sha256=" + sha256)
    if key is not None:
        if sha256 is None or length is None:
            raise PublishError("a signed version file needs the client's sha256 and length")
        lines.append("sig=" + sign(key, signed_text(version, sha256, length, url)))
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def _resource(data, kind, name=None):
    """File offset and size of a PE file's resource (see pe.Image.resource)."""
    return pe.Image(data).resource(kind, name)


def _version_info(data):
    """File offset and size of a PE file's version resource."""
    found = _resource(data, RT_VERSION)
    if found is None:
        raise PublishError("the program has no version resource")
    return found


def resource_bytes(data, kind, name):
    """The bytes of a resource of a PE file, or None when it has none such."""
    found = _resource(data, kind, name)
    return None if found is None else data[found[0]:found[0] + found[1]]


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
    if strings.get("OriginalFilename") == STANDIN_NAME:
        raise PublishError("the stand-in build (%s) is never published: it draws pages with a plain view "
                           "for make run, not the browser" % STANDIN_NAME)
    for name, expected in CLIENT_NAMES:
        if strings.get(name) != expected:
            raise PublishError("not the client: its version resource gives %s %r, the client's is %r"
                               % (name, strings.get(name), expected))
    if strings.get(VARIANT_KEY) != variant:
        raise PublishError("the %s build of the client, not the %s build"
                           % (strings.get(VARIANT_KEY) or "unknown", variant))


def built_update_key(data):
    """The update key the client checks with: the one it carries and the one
    its updater carries, which must be the same."""
    client_key = resource_bytes(data, *KEY_RESOURCE)
    updater = resource_bytes(data, *UPDATER_RESOURCE)
    updater_key = resource_bytes(updater, *KEY_RESOURCE) if updater else None
    if client_key is None or updater_key is None:
        raise PublishError("the client or its updater carries no update key (resource %s %d): "
                           "not a client this tool can sign for" % KEY_RESOURCE)
    if len(client_key) != 64 or client_key != updater_key:
        raise PublishError("the client and its updater carry different update keys")
    return client_key


def check_signing_key(path, key, variant):
    """Refuses a private key that must not sign for this variant: for a release
    the demo key, whatever file holds it, and a key file that others can read
    or that lies inside this repository."""
    if variant != RELEASE_VARIANT:
        return
    if public_point(key) == read_public_key(DEMO_PUBLIC_KEY):
        raise PublishError("%s is the demo key, which anyone can sign with: a release is signed with the "
                           "operator's own key" % path)
    mode = os.stat(path).st_mode
    if mode & 0o077:
        raise PublishError("%s may be read by its group or others (mode %03o): chmod 600 it" % (path, mode & 0o777))
    real = os.path.realpath(path)
    if os.path.commonpath([real, os.path.realpath(ROOT)]) == os.path.realpath(ROOT):
        raise PublishError("%s lies inside the repository %s: keep the operator's key outside it" % (path, ROOT))


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


def check_version_resource(data):
    """Refuses a version resource that gives more than one version: the file
    and product versions of its fixed info, and its strings FileVersion and
    ProductVersion, are all the same four numbers."""
    fixed = fixed_info_offset(data)
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", data, fixed + 8)
    dotted = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    version = dotted(file_ms, file_ls)
    given = {"the fixed product version": dotted(product_ms, product_ls)}
    strings = version_strings(data)
    given.update((name, strings.get(name)) for name in ("FileVersion", "ProductVersion"))
    for name, value in given.items():
        if value != version:
            raise PublishError("the version resource gives two versions: file version %s, %s %s"
                               % (version, name, value))


def check_code_signature(data, ca=None):
    """Refuses a program whose Authenticode signature does not verify
    (osslsigncode, against ca or the system's authorities); a program
    without one passes. Checks the very bytes that are published."""
    if not pe.Image(data).directories[pe.SECURITY_DIRECTORY][1]:
        return
    tool = shutil.which("osslsigncode")
    if tool is None:
        raise PublishError("the client is signed, and its signature cannot be checked here: osslsigncode missing")
    with tempfile.NamedTemporaryFile(suffix=".exe") as copy:
        copy.write(data)
        copy.flush()
        result = subprocess.run([tool, "verify", "-in", copy.name] + (["-CAfile", ca] if ca else []),
                                capture_output=True, text=True)
    if result.returncode != 0:
        why = [line.strip() for line in (result.stdout + result.stderr).splitlines()
               if re.search(r"mismatch|error|failed", line, re.IGNORECASE) and line.strip() != "Failed"]
        raise PublishError("the code signature does not verify (osslsigncode verify%s): %s"
                           % (" -CAfile " + ca if ca else "", "; ".join(why[:3])))


def project_version(root=ROOT):
    """The version in the project's CMakeLists.txt."""
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as f:
        m = re.search(r"^\s*project\(\s*vorn2\s+VERSION\s+([0-9.]+)", f.read(), re.MULTILINE)
    if not m:
        raise PublishError("no project(vorn2 VERSION ...) in CMakeLists.txt")
    return m.group(1)


def publish(client, out_dir, url=None, expect_version=None, key=None, unsigned=False, variant=RELEASE_VARIANT,
            ca=None):
    """Writes the client and the version file under out_dir, each replaced
    in one step; returns the version file's path. key is the operator's
    private key, the pair of the key built into the client; without one only
    an explicit unsigned publish of a demo goes ahead (the updaters refuse
    it). A client is published only whole and as it was built: a sound x64
    program, one version throughout its version resource, its code
    signature (when it has one) verified against ca."""
    if variant not in VARIANTS:
        raise PublishError("variant %r: only the release or the demo build of the client is published" % variant)
    if key is None and not unsigned:
        raise PublishError("no signing key: give --key PRIVATE_KEY (or --unsigned for a demo that installs nothing)")
    if unsigned and variant == RELEASE_VARIANT:
        raise PublishError("a release is never published unsigned: its players' updaters would refuse it")
    with open(client, "rb") as f:
        data = f.read()
    version = client_version(data)
    check_is_client(data, variant)
    pe.check_sound(data)
    check_version_resource(data)
    if key is not None and public_point(key) != built_update_key(data):
        raise PublishError("the signing key is not the one the client checks with: it is not the pair of the "
                           "update key built into %s" % client)
    if expect_version is not None and version != expect_version:
        raise PublishError("%s carries version %s, expected %s" % (client, version, expect_version))
    check_code_signature(data, ca)
    text = version_file_text(version, hashlib.sha256(data).hexdigest(), url, len(data), key)
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


def keygen_main(argv):
    ap = argparse.ArgumentParser(prog="publish.py keygen", description="Makes the operator's signing key pair.")
    ap.add_argument("out", help="the private key file to write (PEM); the public key goes beside it "
                                "(NAME.pem -> NAME.pub, else OUT.pub)")
    args = ap.parse_args(argv)
    try:
        public = keygen(args.out)
    except (PublishError, OSError) as exc:
        sys.stderr.write("publish: %s\n" % exc)
        return 1
    print("private key: %s (keep it off the update server)\npublic key:  %s (give it to the build as "
          "-DVORN2_UPDATE_PUBLIC_KEY=...)" % (args.out, public))
    return 0


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    if argv[:1] == ["keygen"]:
        return keygen_main(argv[1:])
    ap = argparse.ArgumentParser(description="Writes the update server's files for a built client.")
    ap.add_argument("client", help="the built vorn2.exe")
    ap.add_argument("out_dir", help="folder to write gamehome/vorn2/ into")
    ap.add_argument("--url", help="address of the client for the version file's url= line "
                                  "(default: none; the updater then uses /gamehome/vorn2/vorn2.exe on the update server)")
    ap.add_argument("--expect-version", help="fail unless the client carries this version")
    ap.add_argument("--variant", default=RELEASE_VARIANT, choices=VARIANTS,
                    help="the build variant the client must be (default: %s)" % RELEASE_VARIANT)
    ap.add_argument("--ca", help="certificate authorities a signed client's code signature is checked against "
                                 "(default: the system's)")
    signing = ap.add_mutually_exclusive_group()
    signing.add_argument("--key", help="the operator's private key (PEM) that signs the version file")
    signing.add_argument("--unsigned", action="store_true",
                         help="write no sig= line (demo only: updaters refuse such a version file)")
    args = ap.parse_args(argv)
    try:
        key = load_private_key(args.key) if args.key else None
        if key is not None:
            check_signing_key(args.key, key, args.variant)
        path = publish(args.client, args.out_dir, args.url, args.expect_version, key, args.unsigned, args.variant,
                       args.ca)
    except (pe.PeError, OSError) as exc:
        sys.stderr.write("publish: %s\n" % exc)
        return 1
    with open(path, "rb") as f:
        sys.stdout.write(f.read().decode("ascii").replace("\r\n", "\n"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
