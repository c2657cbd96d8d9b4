"""Tests of tools/publish against the built client."""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "publish", "publish.py")
CLIENT = os.path.join(ROOT, "build", "windows", "src", "app", "vorn2.exe")
sys.path.insert(0, os.path.dirname(TOOL))
import publish  # noqa: E402


def read(path):
    with open(path, "rb") as f:
        return f.read()


def run_tool(*args):
    return subprocess.run([sys.executable, TOOL, *args], capture_output=True, text=True)


@unittest.skipUnless(os.path.exists(CLIENT), "needs the windows build")
class BuiltClient(unittest.TestCase):
    def setUp(self):
        self.out = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.out, True)

    def test_publishes_the_client_where_the_updater_looks_and_refuses_anything_else(self):
        version = publish.project_version()
        # This build is the demo variant; a release build needs no --variant.
        result = run_tool(CLIENT, self.out, "--expect-version", version, "--variant", "demo")
        self.assertEqual(result.returncode, 0, result.stderr)
        folder = os.path.join(self.out, "gamehome", "vorn2")
        self.assertEqual(sorted(os.listdir(folder)), ["update.txt", "vorn2.exe"])
        client = read(CLIENT)
        self.assertEqual(read(os.path.join(folder, "vorn2.exe")), client)
        self.assertEqual(read(os.path.join(folder, "update.txt")),
                         b"[vorn2]\r\nversion=%s\r\nsha256=%s\r\n" % (version.encode(),
                                                                      hashlib.sha256(client).hexdigest().encode()))

        truncated = os.path.join(self.out, "truncated.exe")
        with open(truncated, "wb") as f:
            f.write(client[:4096])
        updater = os.path.join(ROOT, "build", "windows", "updater", "Update.exe")
        installer = os.path.join(ROOT, "build", "windows", "installer", "vorn2-setup-%s.exe" % version)
        tour = os.path.join(ROOT, "build", "windows", "tests", "win", "tour", "vorn2-tour.exe")
        target = os.path.join(self.out, "www")
        cases = [((CLIENT, target, "--expect-version", "0.0.1", "--variant", "demo"), "expected 0.0.1"),
                 ((os.path.join(ROOT, "README.md"), target), "not a Windows program"),
                 ((os.path.join(ROOT, "build", "windows", "tests", "win", "update", "PlantedLibrary.dll"), target),
                  "no resources"), ((truncated, target), "malformed"),
                 ((CLIENT, target, "--url", "http://host/x.exe\r\nversion=9", "--variant", "demo"), "url"),
                 # A program with a version resource that is not the client's,
                 # and builds of the client that are not for players.
                 ((installer, target), "not the client: its version resource gives OriginalFilename None"),
                 ((updater, target), "not the client: its version resource gives OriginalFilename 'Update.exe'"),
                 ((CLIENT, target), "the demo build of the client, not the release build"),
                 ((tour, target, "--variant", "demo"), "the tour build of the client, not the demo build")]
        for args, message in cases:
            with self.subTest(args=args):
                result = run_tool(*args)
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)
                self.assertNotIn("Traceback", result.stderr)
                self.assertFalse(os.path.exists(target))

if __name__ == "__main__":
    unittest.main()
