"""Every way the version file and the new client reach the player: over
https, through a redirect to another path, to another port and from http to
https, and from a server whose certificate is for another host, which must be
refused. The version file is the demo client's start-up check (its address
is the demo build's http one, so https is reached through it), the client
the updater's test build; both under Wine against devservers, two of them
in TLS mode with an authority made for this run and trusted only in the
test's Wine prefix."""
import hashlib
import os
import pwd
import shutil
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import urllib.request

from e2e_support import (BUILD, CLIENT, DEMO_PORT, ROOT, port_free, start_client, start_devserver_at_any_port, stop,
                         trust_in_prefix, visible_window_names, window_named, wine)

sys.path.insert(0, os.path.join(ROOT, "tools", "publish"))
sys.path.insert(0, os.path.join(ROOT, "tools", "devserver"))
import publish  # noqa: E402
import tlscerts  # noqa: E402

UPDATER_DIR = os.path.join(BUILD, "tests", "win", "updater")
PREFIX = os.environ.get("WINEPREFIX", "")
TEMP = os.path.join(PREFIX, "drive_c", "users", pwd.getpwuid(os.getuid()).pw_name, "Temp")
VERSION_FILE, MOVED_VERSION_FILE = "/gamehome/vorn2/update.txt", "/gamehome/vorn2/moved/update.txt"
NEW_CLIENT, OLD_CLIENT = "/gamehome/vorn2/vorn2.exe", "/gamehome/vorn2/old/vorn2.exe"

# Each download: where it starts (server, path), the redirect it meets there
# (None: none) and where it ends. The version file starts at the demo build's
# own address; the client at the signed url= of the version file.
CASES = [
    ("https", (("demo", VERSION_FILE), 302, ("tls", VERSION_FILE)),
     (("tls", NEW_CLIENT), None, ("tls", NEW_CLIENT)), True),
    ("301 to another path", (("demo", VERSION_FILE), 301, ("demo", MOVED_VERSION_FILE)),
     (("demo", OLD_CLIENT), 301, ("demo", NEW_CLIENT)), True),
    ("302 to another port", (("demo", VERSION_FILE), 302, ("second", VERSION_FILE)),
     (("demo", NEW_CLIENT), 302, ("second", NEW_CLIENT)), True),
    ("http to https", (("demo", VERSION_FILE), 301, ("tls", MOVED_VERSION_FILE)),
     (("demo", NEW_CLIENT), 302, ("tls", NEW_CLIENT)), True),
    ("certificate for another host", (("demo", VERSION_FILE), 302, ("wrong", VERSION_FILE)),
     (("wrong", NEW_CLIENT), None, ("wrong", NEW_CLIENT)), False),
]


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def read(path):
    with open(path, "rb") as f:
        return f.read()


@unittest.skipUnless(os.path.exists(CLIENT) and os.path.exists(os.path.join(UPDATER_DIR, "UpdateTestBuild.exe"))
                     and os.environ.get("DISPLAY") and PREFIX, "needs the windows build, a display and the Wine prefix")
class Transport(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not port_free(DEMO_PORT):
            raise unittest.SkipTest("port %d is taken; the demo client asks there" % DEMO_PORT)
        cls.work = tempfile.mkdtemp(dir=BUILD)
        tls, wrong = os.path.join(cls.work, "tls"), os.path.join(cls.work, "wrong")
        tlscerts.write(wrong, ("other.invalid",), tlscerts.write(tls))
        cls.untrust = trust_in_prefix(os.path.join(tls, "ca.pem"))
        # The admin requests check the chain, not the name: "wrong" is for another host.
        cls.context = ssl.create_default_context(cafile=os.path.join(tls, "ca.pem"))
        cls.context.check_hostname = False
        cls.servers, cls.procs = {}, []
        for name, options in (("demo", ("--port", str(DEMO_PORT))), ("second", ()), ("tls", tls), ("wrong", wrong)):
            if isinstance(options, str):
                options = ("--tls-cert", os.path.join(options, "server.pem"),
                           "--tls-key", os.path.join(options, "server-key.pem"))
            proc, port = start_devserver_at_any_port(cls.work, *options)
            cls.procs.append(proc)
            cls.servers[name] = "%s://127.0.0.1:%d" % ("https" if "--tls-cert" in options else "http", port)
        # The new client: the dummy with a tail, so the marker it writes tells which one ran.
        cls.old = read(os.path.join(UPDATER_DIR, "DummyClient.exe"))
        cls.new = cls.old + bytes(i * 7 & 0xFF for i in range(5000))
        cls.key = publish.load_private_key(os.path.join(ROOT, "keys", "demo-update-key.pem"))

    @classmethod
    def tearDownClass(cls):
        cls.untrust()
        for proc in cls.procs:
            proc.terminate()
            proc.wait(timeout=10)
        shutil.rmtree(cls.work, True)

    def admin(self, server, method, path, body=None):
        request = urllib.request.Request(self.servers[server] + path, data=body, method=method)
        with urllib.request.urlopen(request, timeout=10, context=self.context) as answer:
            return answer.read().decode()

    def route(self, download, content):
        """Serves content where the download ends and a redirect where it
        starts, when it meets one; returns the address it starts at."""
        (first, first_path), code, (last, last_path) = download
        self.admin(last, "PUT", "/__admin/file" + last_path, content)
        if code is not None:
            target = urllib.parse.quote(self.servers[last] + last_path, safe="")
            self.admin(first, "PUT", "/__admin/fault%s?fault=redirect&code=%d&to=%s" % (first_path, code, target))
        return self.servers[first] + first_path

    def version_file(self, url):
        return publish.version_file_text("1.2.0", hashlib.sha256(self.new).hexdigest(), url, len(self.new), self.key)

    def version_file_outcome(self, download):
        """What the demo client shows first: the update prompt (it read the
        newer signed version file) or the splash (it went on as after a
        failed download); and whether the last server was asked."""
        self.route(download, self.version_file(None))
        if os.path.exists(os.path.join(TEMP, "update.txt")):
            os.remove(os.path.join(TEMP, "update.txt"))
        client = start_client()
        try:
            shown, end = None, time.time() + 60
            while shown is None and time.time() < end:
                shown = next((name for name in ("提示", "Form1") if window_named(name, 0.1)), None)
        finally:
            stop(client)
        self.assertIsNotNone(shown, "neither prompt nor splash; windows shown: %s" % visible_window_names())
        (last, last_path) = download[2]
        asked = "\t%s\t" % last_path in self.admin(last, "GET", "/__admin/log")
        return {"提示": "prompt", "Form1": "splash"}[shown], asked

    def client_outcome(self, download):
        """The updater's exit code, whether the client was replaced, which
        client it started, and whether it said the update failed."""
        folder = tempfile.mkdtemp(dir=self.work)
        client, updater = os.path.join(folder, "vorn2.exe"), os.path.join(folder, "updater", "Update.exe")
        os.makedirs(os.path.dirname(updater))
        with open(client, "wb") as f:
            f.write(self.old)
        shutil.copy(os.path.join(UPDATER_DIR, "UpdateTestBuild.exe"), updater)
        with open(os.path.join(os.path.dirname(updater), "update.txt"), "wb") as f:
            f.write(self.version_file(self.route(download, self.new)))
        messages = os.path.join(os.path.dirname(updater), "messages.txt")
        env = dict(os.environ, VORN2_UPDATER_MESSAGE_LOG=winpath(messages), VORN2_UPDATER_WAIT_MS="10000")
        code = subprocess.run([wine(), updater, "%s|%s" % (winpath(folder), winpath(client))], env=env, timeout=180,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        marker, end = client + ".started", time.time() + 20
        while not (os.path.exists(marker) and read(marker)) and time.time() < end:
            time.sleep(0.2)
        started = {b"%d" % len(self.old): "old", b"%d" % len(self.new): "new"}.get(
            read(marker) if os.path.exists(marker) else b"", "none")
        said = read(messages).decode() if os.path.exists(messages) else ""
        return code, read(client) == self.new, started, "原来的客户端保持不变" in said

    def test_version_file_and_client_over_every_transport_path(self):
        rows, expected = [], []
        for label, version_file, client, ok in CASES:
            for server in self.servers:
                self.admin(server, "POST", "/__admin/reset")
            rows.append((label, self.version_file_outcome(version_file), self.client_outcome(client)))
            expected.append((label, ("prompt", True) if ok else ("splash", False),
                             (0, True, "new", False) if ok else (5, False, "old", True)))
        table = "\n".join("%-28s version file: %s, last server asked %s; client: updater exit %s, replaced %s, "
                          "started the %s client, said it failed %s" % ((label,) + v + c) for label, v, c in rows)
        self.assertEqual(rows, expected, "\n" + table)


if __name__ == "__main__":
    unittest.main()
