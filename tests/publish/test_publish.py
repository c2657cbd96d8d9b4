"""Tests of tools/publish: the version file it writes, the version it reads
from a built vorn2.exe, and the folder it writes as the devserver serves it."""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "publish", "publish.py")
BUILD = os.path.join(ROOT, "build", "windows")
CLIENT = os.path.join(BUILD, "src", "app", "vorn2.exe")
UPDATER = os.path.join(BUILD, "updater", "Update.exe")
sys.path.insert(0, os.path.dirname(TOOL))
import publish  # noqa: E402


def read(path):
    with open(path, "rb") as f:
        return f.read()


def run_tool(*args):
    return subprocess.run([sys.executable, TOOL, *args], capture_output=True, text=True)


class VersionFile(unittest.TestCase):
    def test_version_line_first_then_url_and_hash_with_cr_lf(self):
        sha = hashlib.sha256(b"client").hexdigest()
        # A url holding the word "version" comes after the version line, so
        # the client's first-line rule still finds the right one.
        self.assertEqual(publish.version_file_text("1.2.0", sha, "https://cdn.example.com/version2/vorn2.exe"),
                         b"[vorn2]\r\nversion=1.2.0\r\nurl=https://cdn.example.com/version2/vorn2.exe\r\n"
                         b"sha256=" + sha.encode() + b"\r\n")
        self.assertEqual(publish.version_file_text("1.1.0"), b"[vorn2]\r\nversion=1.1.0\r\n")

    def test_values_that_would_change_what_the_client_or_updater_reads_are_refused(self):
        for bad in ({"version": ""}, {"version": " 1.2.0"}, {"version": "1.2.0\r\nurl=http://evil/x.exe"},
                    {"url": "ftp://host/vorn2.exe"}, {"url": "http://host/a b.exe"},
                    {"url": "http://host/x.exe\r\nsha256=" + "0" * 64}, {"sha256": "AB" * 32},
                    {"sha256": "ab" * 31}):
            with self.subTest(bad=bad), self.assertRaises(publish.PublishError):
                publish.version_file_text(**dict({"version": "1.2.0", "sha256": "ab" * 32}, **bad))

    def test_project_version_comes_from_the_project_line(self):
        with tempfile.TemporaryDirectory() as root:
            path = os.path.join(root, "CMakeLists.txt")
            with open(path, "w") as f:
                f.write("cmake_minimum_required(VERSION 3.25)\nproject(vorn2 VERSION 2.0.17 LANGUAGES C CXX)\n")
            self.assertEqual(publish.project_version(root), "2.0.17")
            with open(path, "w") as f:
                f.write("cmake_minimum_required(VERSION 3.25)\nproject(vorn2 LANGUAGES C CXX)\n")
            with self.assertRaises(publish.PublishError):
                publish.project_version(root)


@unittest.skipUnless(os.path.exists(CLIENT), "needs the windows build")
class BuiltClient(unittest.TestCase):
    def setUp(self):
        self.out = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.out, True)

    def test_version_in_the_client_is_the_project_version_and_its_fourth_number_counts(self):
        data = bytearray(read(CLIENT))
        self.assertEqual(publish.client_version(bytes(data)), publish.project_version())
        fixed = publish.fixed_info_offset(data)
        major_minor, third_fourth = struct.unpack_from("<II", data, fixed + 8)
        struct.pack_into("<I", data, fixed + 12, (7 << 16) | 42)  # third 7, fourth 42
        self.assertEqual(publish.client_version(bytes(data)),
                         "%d.%d.42" % (major_minor >> 16, major_minor & 0xFFFF))

    def test_writes_client_and_version_file_where_the_updater_looks(self):
        url = "https://cdn.example.com/vorn2/vorn2.exe"
        result = run_tool(CLIENT, self.out, "--url", url, "--expect-version", publish.project_version())
        self.assertEqual(result.returncode, 0, result.stderr)
        folder = os.path.join(self.out, "gamehome", "vorn2")
        self.assertEqual(sorted(os.listdir(folder)), ["update.txt", "vorn2.exe"])
        client = read(CLIENT)
        self.assertEqual(read(os.path.join(folder, "vorn2.exe")), client)
        self.assertEqual(read(os.path.join(folder, "update.txt")),
                         publish.version_file_text(publish.project_version(), hashlib.sha256(client).hexdigest(), url))
        # Publishing again replaces both and leaves no temporary files.
        self.assertEqual(run_tool(CLIENT, self.out).returncode, 0)
        self.assertEqual(sorted(os.listdir(folder)), ["update.txt", "vorn2.exe"])
        self.assertNotIn(b"url=", read(os.path.join(folder, "update.txt")))

    def test_refuses_what_is_not_a_client_of_the_expected_version_and_writes_nothing(self):
        truncated = os.path.join(self.out, "truncated.exe")
        with open(truncated, "wb") as f:
            f.write(read(CLIENT)[:4096])
        target = os.path.join(self.out, "www")
        for args, message in (((CLIENT, target, "--expect-version", "0.0.1"), "expected 0.0.1"),
                              ((os.path.join(ROOT, "README.md"), target), "not a Windows program"),
                              ((UPDATER, target), "no resources"),
                              ((truncated, target), "malformed"),
                              ((CLIENT, target, "--url", "http://host/x y.exe"), "url")):
            with self.subTest(args=args):
                result = run_tool(*args)
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)
                self.assertNotIn("Traceback", result.stderr)
                self.assertFalse(os.path.exists(target))

    def test_devserver_serves_the_published_folder(self):
        self.assertEqual(run_tool(CLIENT, self.out).returncode, 0)
        port_file = os.path.join(self.out, "port")
        server = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "devserver", "devserver.py"),
                                   "--port", "0", "--port-file", port_file, "--state-dir", self.out, "--quiet"])
        self.addCleanup(lambda: (server.terminate(), server.wait(10)))
        deadline = time.monotonic() + 10
        while not (os.path.exists(port_file) and read(port_file).endswith(b"\n")) and time.monotonic() < deadline:
            time.sleep(0.05)
        base = "http://127.0.0.1:%d/gamehome/vorn2/" % int(read(port_file))
        for name in ("update.txt", "vorn2.exe"):
            with urllib.request.urlopen(base + name) as answer:
                self.assertEqual(answer.read(), read(os.path.join(self.out, "gamehome", "vorn2", name)), name)


if __name__ == "__main__":
    unittest.main()
