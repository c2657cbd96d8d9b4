"""The version file (the demo client's start-up check; the demo build's
address is http) and the new client (the updater's test build) over https,
redirects and a certificate for another host, against TLS devservers whose
authority only the test's Wine prefix trusts."""
import hashlib
import os
import shutil
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import urllib.request

from e2e_support import (BUILD, CLIENT, DEMO_PORT, ROOT, free_port, port_free, start_client, start_devserver, stop,
                         trust_in_prefix, window_named, wine)

sys.path[:0] = [os.path.join(ROOT, "tools", "publish"), os.path.join(ROOT, "tools", "devserver")]
import publish  # noqa: E402
import tlscerts  # noqa: E402

UPDATER_DIR = os.path.join(BUILD, "tests", "win", "updater")
FOLDER = "/gamehome/vorn2/"
# Version file: the redirect at the demo build's address and where it leads.
# Client: where its signed url= points, the redirect there and where it leads.
CASES = [("https", (302, "tls", "update.txt"), ("tls", "vorn2.exe", None, "tls"), True),
         ("301 to another path", (301, "demo", "moved/update.txt"), ("demo", "old/vorn2.exe", 301, "demo"), True),
         ("302 to another port", (302, "second", "update.txt"), ("demo", "vorn2.exe", 302, "second"), True),
         ("http to https", (301, "tls", "moved/update.txt"), ("demo", "vorn2.exe", 302, "tls"), True),
         ("certificate for another host", (302, "wrong", "update.txt"), ("wrong", "vorn2.exe", None, "wrong"), False)]


def read(path):
    if not os.path.exists(path):
        return b""
    with open(path, "rb") as f:
        return f.read()


@unittest.skipUnless(os.path.exists(CLIENT) and os.environ.get("DISPLAY") and os.environ.get("WINEPREFIX"),
                     "needs the windows build, a display and the Wine prefix")
class Transport(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not port_free(DEMO_PORT):
            raise unittest.SkipTest("port %d is taken; the demo client asks there" % DEMO_PORT)
        cls.work = tempfile.mkdtemp(dir=BUILD)
        cls.addClassCleanup(shutil.rmtree, cls.work, True)
        certs = {name: os.path.join(cls.work, name) for name in ("tls", "wrong")}
        tlscerts.write(certs["wrong"], ("other.invalid",), tlscerts.write(certs["tls"]))
        cls.addClassCleanup(trust_in_prefix(os.path.join(certs["tls"], "ca.pem")))
        cls.context = ssl.create_default_context(cafile=os.path.join(certs["tls"], "ca.pem"))
        cls.context.check_hostname = False  # "wrong" is for another host
        cls.servers = {}
        for name in ("demo", "second", "tls", "wrong"):
            port = DEMO_PORT if name == "demo" else free_port()
            proc = start_devserver(port, certs.get(name))
            cls.addClassCleanup(lambda p=proc: (p.terminate(), p.wait(timeout=10)))
            cls.servers[name] = "%s://127.0.0.1:%d" % ("https" if name in certs else "http", port)
        # The new client is the dummy with a tail: the size it notes tells which one ran.
        cls.old = read(os.path.join(UPDATER_DIR, "DummyClient.exe"))
        cls.new = cls.old + bytes(i * 7 & 0xFF for i in range(5000))
        cls.key = publish.load_private_key(os.path.join(ROOT, "keys", "demo-update-key.pem"))

    def signed(self, url):
        return publish.version_file_text("1.2.0", hashlib.sha256(self.new).hexdigest(), url, len(self.new), self.key)

    def admin(self, server, method, path, body=None):
        request = urllib.request.Request(self.servers[server] + path, data=body, method=method)
        urllib.request.urlopen(request, timeout=10, context=self.context).read()

    def serve(self, content, last, name, first, first_name, code):
        self.admin(last, "PUT", "/__admin/file" + FOLDER + name, content)
        if code:
            to = urllib.parse.quote(self.servers[last] + FOLDER + name, safe="")
            self.admin(first, "PUT", "/__admin/fault%s%s?fault=redirect&code=%d&to=%s" % (FOLDER, first_name, code, to))

    def version_file_outcome(self, code, last, name):
        """The prompt (the newer signed file was read) or the splash (as after a failed download)."""
        self.serve(self.signed(None), last, name, "demo", "update.txt", code)
        client, end, shown = start_client(), time.time() + 60, []
        while not shown and time.time() < end:
            shown = [label for title, label in (("提示", "prompt"), ("Form1", "splash")) if window_named(title, 0.1)]
        stop(client)
        return shown[0] if shown else "nothing"

    def client_outcome(self, first, first_name, code, last):
        """The updater's exit code, the client it started and whether it said the old one stays."""
        self.serve(self.new, last, "vorn2.exe", first, first_name, code)
        folder = tempfile.mkdtemp(dir=self.work)
        client, updater, said = (os.path.join(folder, name) for name in ("vorn2.exe", "Update.exe", "said.txt"))
        shutil.copy(os.path.join(UPDATER_DIR, "DummyClient.exe"), client)
        shutil.copy(os.path.join(UPDATER_DIR, "UpdateTestBuild.exe"), updater)
        with open(os.path.join(folder, "update.txt"), "wb") as f:
            f.write(self.signed(self.servers[first] + FOLDER + first_name))
        winpath = lambda path: "Z:" + path.replace("/", "\\")
        exit_code = subprocess.run([wine(), updater, "%s|%s" % (winpath(folder), winpath(client))], timeout=180,
                                   env=dict(os.environ, VORN2_UPDATER_MESSAGE_LOG=winpath(said)),
                                   capture_output=True).returncode
        end = time.time() + 20
        while not read(client + ".started") and time.time() < end:
            time.sleep(0.2)
        started = {b"%d" % len(self.old): "old", b"%d" % len(self.new): "new"}.get(read(client + ".started"))
        return exit_code, started, "原来的客户端保持不变" in read(said).decode()

    def test_version_file_and_client_over_every_transport_path(self):
        rows, expected = [], []
        for label, version_file, client, ok in CASES:
            for server in self.servers:
                self.admin(server, "POST", "/__admin/reset")
            rows.append((label, self.version_file_outcome(*version_file), self.client_outcome(*client)))
            expected.append((label, "prompt", (0, "new", False)) if ok else (label, "splash", (5, "old", True)))
        self.assertEqual(rows, expected, "\n".join(map(str, rows)))


if __name__ == "__main__":
    unittest.main()
