"""Tests of tools/publish against the built client."""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "publish", "publish.py")
CLIENT = os.path.join(ROOT, "build", "windows", "src", "app", "vorn2.exe")
STANDIN = os.path.join(ROOT, "build", "windows", "src", "app", "vorn2-standin.exe")
# The demo build carries the demo key: only its pair signs for it.
DEMO_KEY = os.path.join(ROOT, "keys", "demo-update-key.pem")
sys.path.insert(0, os.path.dirname(TOOL))
import pe  # noqa: E402
import publish  # noqa: E402


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write_program(path, data, checksum=True):
    """Writes data, its PE checksum made to match unless told otherwise: a
    file changed after the build that hides it."""
    data = bytearray(data)
    if checksum:
        at = pe.Image(data).checksum_at
        struct.pack_into("<I", data, at, pe.checksum(data, at))
    with open(path, "wb") as f:
        f.write(data)
    return path


def run_tool(*args):
    return subprocess.run([sys.executable, TOOL, *args], capture_output=True, text=True)


VERIFIER = os.path.join(ROOT, "build", "windows", "tests", "win", "updater", "VerifyVersionFile.exe")
WINE = "/usr/lib/wine/wine64"


def verify_with_the_updaters_check(public_key, version_file):
    """Exit code of the updater's own signature check (CNG, under Wine):
    0 verified, 1 refused."""
    winpath = lambda p: "Z:" + os.path.abspath(p).replace("/", "\\")
    return subprocess.run([WINE, VERIFIER, winpath(public_key), winpath(version_file)],
                          capture_output=True, timeout=120).returncode


@unittest.skipUnless(os.path.exists(CLIENT), "needs the windows build")
class BuiltClient(unittest.TestCase):
    def setUp(self):
        self.out = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.out, True)

    def test_publishes_the_client_where_the_updater_looks_and_refuses_anything_else(self):
        version = publish.project_version()
        key = os.path.join(self.out, "keys", "update-key.pem")
        os.makedirs(os.path.dirname(key))
        self.assertEqual(run_tool("keygen", key).returncode, 0)
        self.assertEqual(os.stat(key).st_mode & 0o777, 0o600)
        self.assertNotEqual(run_tool("keygen", key).returncode, 0)  # never overwritten
        # This build is the demo variant; a release build needs no --variant.
        result = run_tool(CLIENT, self.out, "--expect-version", version, "--key", DEMO_KEY, "--variant", "demo")
        self.assertEqual(result.returncode, 0, result.stderr)
        folder = os.path.join(self.out, "gamehome", "vorn2")
        self.assertEqual(sorted(os.listdir(folder)), ["update.txt", "vorn2.exe"])
        client = read(CLIENT)
        self.assertEqual(read(os.path.join(folder, "vorn2.exe")), client)
        text = read(os.path.join(folder, "update.txt"))
        head = b"[vorn2]\r\nversion=%s\r\nlength=%d\r\nsha256=%s\r\nsig=" % (
            version.encode(), len(client), hashlib.sha256(client).hexdigest().encode())
        self.assertTrue(text.startswith(head) and text.endswith(b"\r\n") and text.count(b"\r\n") == 5, text)

        # Round trip: the updater's own check takes what the tool signed,
        # and nothing changed or signed by another key.
        if os.path.exists(VERIFIER) and os.environ.get("WINEPREFIX"):
            other = os.path.join(self.out, "keys", "other.pem")
            run_tool("keygen", other)
            tampered = os.path.join(self.out, "tampered.txt")
            with open(tampered, "wb") as f:
                f.write(text.replace(b"version=" + version.encode(), b"version=9.9.9"))
            demo_public = DEMO_KEY[:-4] + ".pub"
            for public, file, code in ((demo_public, os.path.join(folder, "update.txt"), 0),
                                       (demo_public, tampered, 1),
                                       (other[:-4] + ".pub", os.path.join(folder, "update.txt"), 1)):
                with self.subTest(public=public, file=file):
                    self.assertEqual(verify_with_the_updaters_check(public, file), code)

        truncated = os.path.join(self.out, "truncated.exe")
        with open(truncated, "wb") as f:
            f.write(client[:4096])
        updater = os.path.join(ROOT, "build", "windows", "updater", "Update.exe")
        installer = os.path.join(ROOT, "build", "windows", "installer", "vorn2-setup-%s.exe" % version)
        tour = os.path.join(ROOT, "build", "windows", "tests", "win", "tour", "vorn2-tour.exe")
        target = os.path.join(self.out, "www")
        readme = os.path.join(ROOT, "README.md")
        planted = os.path.join(ROOT, "build", "windows", "tests", "win", "updater", "PlantedLibrary.dll")
        # Keys a release is never signed with: the demo key in another file, one
        # its group may read, one inside the repository.
        demo_copy, readable = os.path.join(self.out, "copy.pem"), os.path.join(self.out, "keys", "shared.pem")
        inside = os.path.join(ROOT, "build", "publish-test-%d.pem" % os.getpid())
        self.addCleanup(lambda: [os.remove(p) for p in (inside, inside[:-4] + ".pub") if os.path.exists(p)])
        for path in (readable, inside):
            run_tool("keygen", path)
        with open(os.open(demo_copy, os.O_WRONLY | os.O_CREAT, 0o600), "wb") as f:
            f.write(b"the operator's key\n" + read(DEMO_KEY))
        os.chmod(readable, 0o640)
        demo = ("--variant", "demo")
        cases = [((CLIENT, target, *demo), "no signing key"),
                 ((CLIENT, target, "--key", key, *demo), "not the one the client checks with"),
                 ((CLIENT, target, "--key", readme), "not an unencrypted PEM"),
                 ((CLIENT, target, "--unsigned", "--expect-version", "0.0.1", *demo), "expected 0.0.1"),
                 ((readme, target, "--unsigned", *demo), "not a Windows program"),
                 ((planted, target, "--unsigned", *demo), "no resources"),
                 ((truncated, target, "--unsigned", *demo), "malformed"),
                 ((CLIENT, target, "--unsigned", "--url", "http://host/x.exe\r\nversion=9", *demo), "url"),
                 # A program with a version resource that is not the client's,
                 # and builds of the client that are not for players.
                 ((installer, target, "--unsigned", *demo),
                  "not the client: its version resource gives OriginalFilename None"),
                 ((updater, target, "--unsigned", *demo),
                  "not the client: its version resource gives OriginalFilename 'Update.exe'"),
                 ((CLIENT, target, "--key", key), "the demo build of the client, not the release build"),
                 ((tour, target, "--unsigned", *demo), "the tour build of the client, not the demo build"),
                 ((STANDIN, target, "--key", DEMO_KEY, *demo), "stand-in build"),
                 ((STANDIN, target, "--key", key), "stand-in build"),
                 # A release: signed, and only with the operator's own key, kept to its owner.
                 ((CLIENT, target, "--unsigned"), "never published unsigned"),
                 ((CLIENT, target, "--key", demo_copy), "is the demo key"),
                 ((CLIENT, target, "--key", readable), "may be read by its group or others"),
                 ((CLIENT, target, "--key", inside), "inside the repository")]
        for program in (updater, STANDIN, tour):  # the linker writes the checksum into each
            pe.check_sound(read(program))
        # Damaged or patched after the build: cut short; its code zeroed; zeroed
        # past its first instruction; headers for another machine, a larger
        # image, an entry point outside the code; its version raised in the
        # fixed info only.
        image = pe.Image(client)
        code = next(c for c in image.sections if c.address <= image.entry < c.address + c.size)
        entry, code_end = code.raw + image.entry - code.address + 16, code.raw + code.raw_size
        optional, fixed = image.checksum_at - 64, publish.fixed_info_offset(client)

        def patched(form, at, value):
            data = bytearray(client)
            struct.pack_into(form, data, at, value)
            return data

        for name, data, checksum, message in (
                ("cut", client[:-512], False, "cut short"),
                ("zeroed", client[:code.raw] + bytes(code.raw_size) + client[code_end:], True, "all zeros"),
                ("patched", client[:entry] + bytes(code_end - entry) + client[code_end:], False, "PE checksum"),
                ("i386", patched("<H", optional - 20, 0x14C), True, "not a program for x64 Windows"),
                ("grown", patched("<I", optional + 56, image.size_of_image + 0x1000), True, "size of image"),
                ("entry", patched("<I", optional + 16, image.sections[2].address), True, "in no code section"),
                ("raised", patched("<I", fixed + 12, struct.unpack_from("<I", client, fixed + 12)[0] + 1), True,
                 "gives two versions")):
            path = write_program(os.path.join(self.out, name + ".exe"), data, checksum)
            cases.append(((path, target, "--unsigned", *demo), message))
        for args, message in cases:
            with self.subTest(args=args):
                result = run_tool(*args)
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)
                self.assertNotIn("Traceback", result.stderr)
                self.assertFalse(os.path.exists(target))


@unittest.skipUnless(shutil.which("x86_64-w64-mingw32-g++-posix"), "needs the mingw compilers")
class ReleaseConfigure(unittest.TestCase):
    def test_refuses_the_demo_key_by_its_value_and_any_key_inside_the_repository(self):
        tmp = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, tmp, True)
        comment, point = read(os.path.join(ROOT, "keys", "demo-update-key.pub")).decode().splitlines()
        run_tool("keygen", os.path.join(tmp, "good.pem"))
        for name, text in (("comment", "# rotated\n%s\n" % point),
                           ("crlf-upper", "%s\r\n\r\n%s\r\n" % (comment, point.upper()))):
            with open(os.path.join(tmp, name + ".pub"), "w", newline="") as f:
                f.write(text)
        for key, refusal in ((os.path.join(ROOT, "keys", "demo-update-key.pub"), "inside the source tree"),
                             (os.path.join(tmp, "comment.pub"), "holds the demo key"),
                             (os.path.join(tmp, "crlf-upper.pub"), "holds the demo key"),
                             (os.path.join(tmp, "good.pub"), "")):
            with self.subTest(key=key):
                build = tempfile.mkdtemp(dir=tmp)
                configure = subprocess.run(["cmake", "--preset", "windows-release", "-B", build,
                                            "-DVORN2_UPDATE_PUBLIC_KEY=" + key], cwd=ROOT, capture_output=True,
                                           text=True)
                self.assertEqual(configure.returncode != 0, bool(refusal), configure.stderr)
                self.assertIn(refusal, " ".join(configure.stderr.split()))


@unittest.skipUnless(shutil.which("osslsigncode") and shutil.which("makensis") and shutil.which("openssl"),
                     "needs osslsigncode, makensis and openssl")
class Release(unittest.TestCase):
    """make release with the operator's keys: a throw-away update key pair
    and code signing certificate, its own build folder (kept between runs,
    so later runs only link and sign again)."""
    BUILD = os.path.join(ROOT, "build", "release-test")

    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def test_signs_and_verifies_every_program(self):
        key = os.path.join(self.tmp, "update-key.pem")
        self.assertEqual(run_tool("keygen", key).returncode, 0)
        cert, cert_key = os.path.join(self.tmp, "cert.pem"), os.path.join(self.tmp, "cert-key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=Vornhold Studio test", "-addext", "extendedKeyUsage=codeSigning",
                        "-keyout", cert_key, "-out", cert], check=True, capture_output=True)
        out = os.path.join(self.tmp, "release")
        env = dict(os.environ, VORN2_UPDATE_PUBLIC_KEY=key[:-4] + ".pub", VORN2_UPDATE_PRIVATE_KEY=key,
                   VORN2_SIGN_CERT=cert, VORN2_SIGN_KEY=cert_key, VORN2_SIGN_CA=cert,
                   VORN2_RELEASE_BUILD_DIR=self.BUILD, VORN2_RELEASE_OUT_DIR=out)
        if shutil.which("ccache"):
            env.setdefault("CMAKE_CXX_COMPILER_LAUNCHER", "ccache")
            env.setdefault("CMAKE_C_COMPILER_LAUNCHER", "ccache")
        result = subprocess.run(["make", "-s", "release"], cwd=ROOT, env=env, capture_output=True, text=True,
                                timeout=3600)
        self.assertEqual(result.returncode, 0, result.stdout[-3000:] + result.stderr[-3000:])
        self.assertIn("signed and verified", result.stdout)

        # Each program verifies; the updater was signed before the client
        # embedded it, the client before it was packed and published.
        version = publish.project_version()
        update_exe = read(os.path.join(self.BUILD, "updater", "Update.exe"))
        client = read(os.path.join(self.BUILD, "src", "app", "vorn2.exe"))
        published = os.path.join(out, "update-server", "gamehome", "vorn2")
        for path in (os.path.join(self.BUILD, "updater", "Update.exe"), os.path.join(published, "vorn2.exe"),
                     os.path.join(out, "vorn2-setup-%s.exe" % version)):
            with self.subTest(path=path):
                check = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", cert],
                                       capture_output=True, text=True)
                self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
                pe.check_sound(read(path))  # signing wrote a matching checksum
        self.assertIn(update_exe, client)
        # One byte changed after signing, the checksum made to match: only the signature tells.
        section = pe.Image(client).sections[1]
        tampered = bytearray(client)
        tampered[section.raw] ^= 1
        tampered = write_program(os.path.join(self.tmp, "tampered.exe"), tampered)
        refused = run_tool(tampered, os.path.join(self.tmp, "www"), "--key", key, "--ca", cert)
        self.assertEqual(refused.returncode, 1)
        self.assertIn("code signature does not verify", refused.stderr)
        self.assertEqual(read(os.path.join(published, "vorn2.exe")), client)
        with open(os.path.join(self.BUILD, "codesign.log")) as f:
            self.assertEqual(len([line for line in f if line.startswith("signed and verified: ")]), 4)
        text = read(os.path.join(published, "update.txt"))
        self.assertIn(b"sha256=%s\r\n" % hashlib.sha256(client).hexdigest().encode(), text)
        if os.path.exists(VERIFIER) and os.environ.get("WINEPREFIX"):
            self.assertEqual(verify_with_the_updaters_check(key[:-4] + ".pub", os.path.join(published, "update.txt")), 0)


if __name__ == "__main__":
    unittest.main()
