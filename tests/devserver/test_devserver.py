"""Tests of tools/devserver/devserver.py, run against real server processes."""

import base64
import hashlib
import http.client
import os
import re
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                      "..", "..", "tools", "devserver", "devserver.py")
sys.path.insert(0, os.path.join(os.path.dirname(SERVER), "..", "publish"))
sys.path.insert(0, os.path.dirname(SERVER))
import publish  # noqa: E402
import tlscerts  # noqa: E402

# The demo client's version: the default version file names it.
VERSION = publish.project_version().encode()
HTML = "text/html; charset=utf-8"


def pattern(count):
    return bytes((i * 31 + 7) & 0xFF for i in range(count))


class Server:
    """A devserver subprocess on a free port, found through its port file."""

    def __init__(self, *extra):
        self.dir = tempfile.TemporaryDirectory()
        self.port_file = os.path.join(self.dir.name, "port")
        self.proc = subprocess.Popen(
            [sys.executable, SERVER, "--port", "0", "--port-file", self.port_file, "--quiet", *extra],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        text = ""
        while not text.endswith("\n"):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop(signal.SIGKILL)
                raise RuntimeError("devserver did not start (port file %r)" % text)
            time.sleep(0.02)
            if os.path.exists(self.port_file):
                with open(self.port_file) as f:
                    text = f.read()
        self.port = int(text)

    def stop(self, sig=signal.SIGTERM):
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
        try:
            rc = self.proc.wait(10)
            self.port_file_left = os.path.exists(self.port_file)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise
        finally:
            self.dir.cleanup()
        return rc

    def request(self, method, path, body=None, headers=None):
        """(status, response, body) through http.client."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            conn.request(method, path, body=body, headers=headers or {})
            resp = conn.getresponse()
            return resp.status, resp, resp.read()
        finally:
            conn.close()

    def raw(self, path, version="HTTP/1.1", method="GET", limit=None):
        """(status line, lower-cased headers, body bytes, OSError or None), read until the
        server closes or `limit` body bytes have arrived."""
        sock = socket.create_connection(("127.0.0.1", self.port), timeout=10)
        data, error = b"", None
        try:
            sock.sendall(b"%s %s %s\r\nHost: h\r\nConnection: close\r\n\r\n"
                         % (method.encode(), path.encode(), version.encode()))
            while limit is None or len(data.partition(b"\r\n\r\n")[2]) < limit:
                chunk = sock.recv(65536)
                if not chunk:
                    break
                data += chunk
        except OSError as exc:
            error = exc
        finally:
            sock.close()
        head, _, body = data.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        headers = dict((k.strip().lower(), v.strip()) for k, _, v in
                       (line.partition(":") for line in lines[1:]))
        return lines[0], headers, body, error


def root_inner_html(text):
    """Roughly documentElement.innerHTML: what lies between <html ...> and </html>."""
    m = re.search(r"<html[^>]*>(.*)</html>", text, re.S | re.I)
    return m.group(1) if m else ""


class SharedServerCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def setUp(self):
        self.assertEqual(self.server.request("POST", "/__admin/reset")[0], 200)

    def get(self, path, **kw):
        return self.server.request("GET", path, **kw)


class LifecycleTests(unittest.TestCase):
    def test_port_file_then_clean_stop_on_signal_even_while_streaming(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig):
                srv = Server()
                self.assertEqual(srv.request("GET", "/guanwang.php?gn=vorn2")[0], 200)
                sock = socket.create_connection(("127.0.0.1", srv.port))
                sock.sendall(b"GET /bytes/100000?fault=slow&rate=100 HTTP/1.1\r\nHost: x\r\n\r\n")
                sock.recv(100)
                started = time.monotonic()
                self.assertEqual(srv.stop(sig), 0)
                self.assertLess(time.monotonic() - started, 2)
                self.assertFalse(srv.port_file_left)
                sock.close()

    def test_refuses_non_loopback_host(self):
        proc = subprocess.run([sys.executable, SERVER, "--host", "0.0.0.0", "--port", "0"],
                              capture_output=True, text=True, timeout=10)
        self.assertNotEqual(proc.returncode, 0)
        self.assertIn("loopback", proc.stderr)

    def test_update_file_and_state_dir_presets(self):
        with tempfile.TemporaryDirectory() as tmp:
            files = {"update.txt": b"[vorn2]\r\nVERSION=2.0.0\r\n", "secret.txt": b"outside",
                     "state/gamehome/vorn2/vorn2.exe": b"MZ" + bytes(range(256)),
                     "state/download/vorn2/index_vorn2.php": "<html>自定义</html>".encode()}
            for name, data in files.items():
                os.makedirs(os.path.dirname(os.path.join(tmp, name)), exist_ok=True)
                with open(os.path.join(tmp, name), "wb") as f:
                    f.write(data)
            os.symlink(os.path.join(tmp, "update.txt"), os.path.join(tmp, "state", "linked.txt"))
            srv = Server("--update-file", os.path.join(tmp, "update.txt"),
                         "--state-dir", os.path.join(tmp, "state"))
            try:
                for path, name, ctype in (
                        ("/gamehome/vorn2/update.txt", "update.txt", "text/plain"),
                        ("/gamehome/vorn2/vorn2.exe", "state/gamehome/vorn2/vorn2.exe",
                         "application/octet-stream"),
                        ("/download/vorn2/index_vorn2.php", "state/download/vorn2/index_vorn2.php", HTML),
                        ("/linked.txt", "update.txt", "text/plain")):
                    status, resp, body = srv.request("GET", path)
                    self.assertEqual((status, body, resp.getheader("Content-Type")),
                                     (200, files[name], ctype))
                for path in ("/../secret.txt", "/%2e%2e/secret.txt", "/gamehome/../../secret.txt"):
                    status, _, body = srv.request("GET", path)
                    self.assertNotEqual(status, 200, path)
                    self.assertNotIn(b"outside", body)
                # Admin changes win over presets; reset brings the presets back.
                srv.request("PUT", "/__admin/update.txt", body=b"version=3\r\n")
                self.assertEqual(srv.request("GET", "/gamehome/vorn2/update.txt")[2], b"version=3\r\n")
                srv.request("DELETE", "/__admin/file/gamehome/vorn2/vorn2.exe")
                self.assertEqual(srv.request("GET", "/gamehome/vorn2/vorn2.exe")[0], 404)
                srv.request("POST", "/__admin/reset")
                self.assertEqual(srv.request("GET", "/gamehome/vorn2/update.txt")[2], files["update.txt"])
                self.assertEqual(srv.request("GET", "/gamehome/vorn2/vorn2.exe")[0], 200)
            finally:
                srv.stop()


class RouteTests(SharedServerCase):
    def test_version_file_default_get_and_head_and_missing_download(self):
        status, resp, body = self.get("/gamehome/vorn2/update.txt")
        self.assertEqual(body, b"[vorn2]\r\nversion=%s\r\nurl=http://127.0.0.1:%d"
                               b"/gamehome/vorn2/vorn2.exe\r\n" % (VERSION, self.server.port))
        self.assertEqual((status, resp.getheader("Content-Length"), resp.getheader("Content-Type"),
                          resp.getheader("Cache-Control")), (200, str(len(body)), "text/plain", "no-store"))
        status, resp, head_body = self.server.request("HEAD", "/gamehome/vorn2/update.txt")
        self.assertEqual((status, head_body, resp.getheader("Content-Length")), (200, b"", str(len(body))))
        status, resp, _ = self.get("/gamehome/vorn2/vorn2.exe")
        self.assertEqual((status, resp.getheader("Cache-Control")), (404, "no-store"))

    def test_login_page_links_size_and_variants(self):
        status, resp, body = self.get("/download/vorn2/index_vorn2.php",
                                      headers={"Host": "127.0.0.1:18080"})
        self.assertEqual((status, resp.getheader("Content-Type")), (200, HTML))
        text = body.decode("utf-8")
        self.assertGreaterEqual(len(root_inner_html(text)), 100)
        hrefs = re.findall(r'<a [^>]*href="([^"]*)"', text)
        for href in ("app://minimize", "app://exitgame",
                     "app://loadgame|http://127.0.0.1:18080/game/index.php?server=1",
                     "app://loadgame|http://127.0.0.1:18080/game/index.php?server=2",
                     "app://loadgame|http://127.0.0.1:18080/game/index.php?server=1&amp;account=2"):
            self.assertIn(href, hrefs)
        self.assertIn("<form", text)
        self.assertNotIn("setTimeout", text)
        status, _, body = self.get("/download/vorn2/index_vorn2.php?short=1")
        self.assertEqual(status, 200)
        self.assertLess(len(root_inner_html(body.decode())), 100)
        _, _, body = self.get("/download/vorn2/index_vorn2.php?frame=1")
        self.assertIn('<iframe src="/download/vorn2/frame.html"', body.decode())
        self.assertEqual(self.get("/download/vorn2/frame.html")[0], 200)

    def test_login_page_auto_navigation(self):
        base = "/download/vorn2/index_vorn2.php?auto="
        for query, expected in (
                ("loadgame&delay=250&server=3", '"app://loadgame|http://h/game/index.php?server=3"; }, 250);'),
                ("exitgame", '"app://exitgame"; }, 1000);'),
                ("app%3A%2F%2Fminimize%3Fx%3D1", '"app://minimize?x=1"; }, 1000);')):
            with self.subTest(query=query):
                _, _, body = self.get(base + query, headers={"Host": "h"})
                self.assertIn("window.location.href = " + expected, body.decode())
        self.assertEqual(self.get(base + "http://evil")[0], 400)

    def test_game_page_title_script_and_new_window_links(self):
        status, resp, body = self.get("/game/index.php?server=2")
        self.assertEqual((status, resp.getheader("Content-Type")), (200, HTML))
        text = body.decode()
        self.assertIn("<title>Vornhold 2 - 第2服</title>", text)
        self.assertIn('document.title = "Vornhold 2 - 第2服" + " #" + tick;', text)
        self.assertIn("setInterval(retitle, 1000)", text)
        blank = re.findall(r'<a [^>]*href="([^"]*)" target="_blank"', text)
        self.assertIn("/game/news.php?id=1", blank)
        self.assertEqual(self.get(blank[0])[0], 200)
        # More game pages in the same window, each linking back to the game.
        sections = re.findall(r'<a id="[a-z]+" href="(/game/[a-z]+\.php)">', text)
        self.assertEqual(sections, ["/game/city.php", "/game/battle.php", "/game/rank.php"])
        for path in sections:
            _, _, page = self.get(path)
            self.assertIn('<a href="/game/index.php?server=1">', page.decode())
            self.assertEqual(len(re.findall(r'<a href="/game/[a-z]+\.php">', page.decode())), 2)
        self.assertIn("if (0 > 0)", self.get("/game/index.php?interval=0")[2].decode())

    def test_portal_and_home_pages(self):
        for path, needle in (("/guanwang.php?gn=vorn2", "gn=vorn2"), ("/", "Vornhold 2 官方主页"),
                             ("/guanwang.php", 'href="/download/vorn2/index_vorn2.php"')):
            status, resp, body = self.get(path)
            self.assertEqual((status, resp.getheader("Content-Type")), (200, HTML))
            self.assertIn(needle, body.decode())

    def test_bytes_exact_and_large_streams(self):
        for n in (0, 1, 20000):
            status, resp, body = self.get("/bytes/%d" % n)
            self.assertEqual((status, resp.getheader("Content-Length"), body), (200, str(n), pattern(n)))
            self.assertEqual(resp.getheader("Content-Type"), "application/octet-stream")
        n = 5 * 1024 ** 3 + 3
        _, headers, body, error = self.server.raw("/bytes/%d" % n, limit=3 << 20)
        self.assertEqual((headers["content-length"], error), (str(n), None))
        self.assertEqual(body[:3 << 20], pattern(3 << 20))
        self.assertEqual(self.get("/bytes/10")[2], pattern(10))  # survived the early close

    def test_keep_alive_and_errors(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=10)
        try:
            for path, code in (("/gamehome/vorn2/update.txt", 200), ("/bytes/70000", 200),
                               ("/nothing-here", 404), ("/guanwang.php", 200)):
                conn.request("GET", path)
                resp = conn.getresponse()
                resp.read()
                self.assertEqual((resp.status, resp.will_close), (code, False), path)
        finally:
            conn.close()
        status, resp, _ = self.server.request("POST", "/gamehome/vorn2/update.txt", body=b"x")
        self.assertEqual((status, resp.getheader("Cache-Control")), (405, "no-store"))


class FaultTests(SharedServerCase):
    def test_replacement_bodies_by_query_and_by_path_prefix(self):
        for mode, code, body_check in (("404", 404, b"fault"), ("status=500", 500, b"fault"),
                                       ("503", 503, b"fault"), ("zero", 200, b"")):
            for path in ("/gamehome/vorn2/update.txt?fault=" + mode,
                         "/__fault/%s/gamehome/vorn2/update.txt" % mode):
                with self.subTest(path=path):
                    status, resp, body = self.get(path)
                    self.assertEqual((status, resp.getheader("Content-Length")), (code, str(len(body))))
                    self.assertEqual(resp.getheader("Cache-Control"), "no-store")
                    self.assertTrue(body_check in body if body_check else body == b"")
        status, _, body = self.get("/__fault/short/download/vorn2/index_vorn2.php")
        self.assertEqual(status, 200)
        self.assertLess(len(root_inner_html(body.decode())), 100)

    def test_nolength_chunked_on_http11_and_close_delimited_otherwise(self):
        for path in ("/bytes/20000?fault=nolength", "/__fault/nolength/bytes/20000"):
            status, resp, body = self.get(path)
            self.assertIsNone(resp.getheader("Content-Length"))
            self.assertEqual((resp.getheader("Transfer-Encoding"), body), ("chunked", pattern(20000)))
        for path, version in (("/bytes/20000?fault=nolength", "HTTP/1.0"),
                              ("/bytes/20000?fault=nolength&chunked=0", "HTTP/1.1")):
            with self.subTest(path=path, version=version):
                _, headers, body, _ = self.server.raw(path, version=version)
                self.assertNotIn("content-length", headers)
                self.assertNotIn("transfer-encoding", headers)
                self.assertEqual(body, pattern(20000))

    def test_truncate_and_reset_send_part_of_announced_length(self):
        for path, sent, reset in (("/bytes/20000?fault=truncate", 10000, False),
                                  ("/__fault/truncate/bytes/20000?keep=123", 123, False),
                                  ("/gamehome/vorn2/update.txt?fault=truncate", None, False),
                                  ("/bytes/20000?fault=reset", 10000, True),
                                  ("/__fault/reset/gamehome/vorn2/update.txt", None, True)):
            with self.subTest(path=path):
                line, headers, body, error = self.server.raw(path)
                self.assertIn(" 200 ", line)
                self.assertGreater(int(headers["content-length"]), len(body))
                self.assertEqual(len(body), sent or int(headers["content-length"]) // 2)
                if reset:
                    self.assertIsInstance(error, ConnectionResetError)
                else:
                    self.assertIsNone(error)
        with self.assertRaises((ConnectionResetError, http.client.IncompleteRead)):
            self.get("/bytes/20000?fault=reset")

    def test_slow_by_rate_and_by_delay(self):
        for path, minimum in (("/bytes/2000?fault=slow&rate=4000", 0.45),
                              ("/__fault/slow/bytes/2000?delay=60&piece=500", 0.22)):
            with self.subTest(path=path):
                started = time.monotonic()
                status, resp, body = self.get(path)
                elapsed = time.monotonic() - started
                self.assertEqual((body, resp.getheader("Content-Length")), (pattern(2000), "2000"))
                self.assertTrue(minimum <= elapsed < minimum + 2, elapsed)

    def test_stall_answers_nothing_until_the_hold_ends(self):
        for path in ("/bytes/10?fault=stall&hold=300", "/__fault/stall/gamehome/vorn2/update.txt?hold=300"):
            started = time.monotonic()
            line, _, body, error = self.server.raw(path)
            self.assertEqual((line, body, error), ("", b"", None), path)
            self.assertTrue(0.3 <= time.monotonic() - started < 2, path)

    def test_huge_announces_large_length_and_streams_pattern(self):
        _, headers, body, _ = self.server.raw("/bytes/10?fault=huge", limit=2 << 20)
        self.assertEqual(headers["content-length"], str(3 * 1024 ** 3))
        self.assertEqual(headers["content-type"], "application/octet-stream")
        self.assertEqual(body[:2 << 20], pattern(2 << 20))
        _, headers, body, _ = self.server.raw("/__fault/huge/gamehome/vorn2/update.txt", method="HEAD")
        self.assertEqual((headers["content-length"], body), (str(3 * 1024 ** 3), b""))
        self.assertEqual(self.get("/__fault/huge/x?size=70001")[2], pattern(70001))

    def test_redirect_to_a_target_or_to_itself(self):
        # Stored for a fixed path: what a client that builds its own address meets.
        self.server.request("PUT", "/__admin/fault/gamehome/vorn2/vorn2.exe?fault=redirect&code=301&to=/b")
        for path, code, location in (("/gamehome/vorn2/vorn2.exe", "301", "/b"),
                                     ("/gamehome/vorn2/vorn2.exe?to=/c", "301", "/c"),
                                     ("/gamehome/vorn2/update.txt?fault=redirect", "302",
                                      "/gamehome/vorn2/update.txt?fault=redirect"),
                                     ("/__fault/redirect/x?code=301&to=/gamehome/vorn2/update.txt", "301",
                                      "/gamehome/vorn2/update.txt"),
                                     ("/x?fault=redirect&to=https://127.0.0.1:1/y", "302", "https://127.0.0.1:1/y")):
            with self.subTest(path=path):
                line, headers, _, _ = self.server.raw(path)
                self.assertIn(" %s " % code, line)
                self.assertEqual(headers["location"], location)
        self.server.request("DELETE", "/__admin/fault/gamehome/vorn2/vorn2.exe")
        self.assertEqual(self.get("/gamehome/vorn2/vorn2.exe")[0], 404)
        for path in ("/x?fault=redirect&code=304", "/x?fault=redirect&to=a%20b"):
            self.assertEqual(self.get(path)[0], 400, path)

    def test_modes_combine_wait_delays_and_bad_modes_are_rejected(self):
        _, headers, body, _ = self.server.raw("/x?fault=huge,truncate&size=1000")
        self.assertEqual((headers["content-length"], body), ("1000", pattern(500)))
        started = time.monotonic()
        self.assertEqual(self.get("/guanwang.php?gn=vorn2&wait=300")[0], 200)
        self.assertGreaterEqual(time.monotonic() - started, 0.3)
        for path in ("/bytes/1?fault=bogus", "/__fault/600/bytes/1", "/bytes/1?fault=slow&rate=x"):
            self.assertEqual(self.get(path)[0], 400, path)


class TlsTests(unittest.TestCase):
    def test_https_with_its_own_addresses_and_no_plain_http(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        tlscerts.write(folder.name, ("localhost",))
        srv = Server("--tls-cert", os.path.join(folder.name, "server.pem"),
                     "--tls-key", os.path.join(folder.name, "server-key.pem"))
        self.addCleanup(srv.stop)
        self.assertEqual(srv.raw("/")[0], "")
        conn = http.client.HTTPSConnection("localhost", srv.port, timeout=10, context=ssl.create_default_context(
            cafile=os.path.join(folder.name, "ca.pem")))
        conn.request("PUT", "/__admin/release?version=1.2.0", body=b"MZ")
        self.assertIn(b"url=https://localhost:%d/gamehome/vorn2/vorn2.exe\r\n" % srv.port, conn.getresponse().read())


class AdminTests(SharedServerCase):
    def test_version_file_put_delete_reset(self):
        content = b"[vorn2]\r\nVersion = 1.2.0\r\nversion=9\r\n"
        self.assertEqual(self.server.request("PUT", "/__admin/update.txt", body=content)[0], 200)
        status, resp, body = self.get("/gamehome/vorn2/update.txt")
        self.assertEqual((status, body, resp.getheader("Content-Length")), (200, content, str(len(content))))
        self.assertEqual(self.server.request("DELETE", "/__admin/update.txt")[0], 200)
        self.assertEqual(self.get("/gamehome/vorn2/update.txt")[0], 404)
        self.server.request("POST", "/__admin/reset")
        self.assertIn(b"version=%s\r\n" % VERSION, self.get("/gamehome/vorn2/update.txt")[2])

    def test_stored_files_types_overrides_and_faults(self):
        exe = b"MZ" + os.urandom(30000)
        self.server.request("PUT", "/__admin/file/gamehome/vorn2/vorn2.exe", body=exe,
                            headers={"Content-Type": "application/x-www-form-urlencoded"})
        status, resp, body = self.get("/gamehome/vorn2/vorn2.exe")
        self.assertEqual((status, body, resp.getheader("Content-Type")), (200, exe, "application/octet-stream"))
        self.assertEqual(self.get("/gamehome/vorn2/other.exe")[0], 404)
        self.server.request("PUT", "/__admin/file/download/vorn2/index_vorn2.php", body=b"<p>x</p>")
        status, resp, body = self.get("/download/vorn2/index_vorn2.php?auto=loadgame")
        self.assertEqual((body, resp.getheader("Content-Type")), (b"<p>x</p>", HTML))
        self.server.request("PUT", "/__admin/file/data.bin?type=image/png", body=b"\x89PNG")
        self.assertEqual(self.get("/data.bin")[1].getheader("Content-Type"), "image/png")
        _, headers, body, _ = self.server.raw("/gamehome/vorn2/vorn2.exe?fault=truncate")
        self.assertEqual((headers["content-length"], body), (str(len(exe)), exe[:len(exe) // 2]))

    def test_release_publishes_file_and_matching_version_file(self):
        exe = b"MZ new client" * 1000
        status, _, text = self.server.request("PUT", "/__admin/release?version=1.2.0", body=exe)
        url = "http://127.0.0.1:%d/gamehome/vorn2/vorn2.exe" % self.server.port
        sha = hashlib.sha256(exe).hexdigest()
        expected = ("[vorn2]\r\nversion=1.2.0\r\nurl=%s\r\nlength=%d\r\nsha256=%s\r\nsig=" % (url, len(exe), sha)).encode()
        self.assertEqual(status, 200)
        self.assertTrue(text.startswith(expected), text)
        self.assertEqual(self.get("/gamehome/vorn2/update.txt")[2], text)
        # Signed with the demo key over what the updater checks.
        from cryptography.hazmat.primitives import hashes
        from cryptography.hazmat.primitives.asymmetric import ec, utils
        raw = base64.b64decode(text[len(expected):-2], validate=True)
        demo = publish.load_private_key(os.path.join(os.path.dirname(SERVER), "..", "..", "keys", "demo-update-key.pem")).public_key()
        demo.verify(utils.encode_dss_signature(int.from_bytes(raw[:32], "big"), int.from_bytes(raw[32:], "big")),
                    publish.signed_text("1.2.0", sha, len(exe), url), ec.ECDSA(hashes.SHA256()))
        _, _, bare = self.server.request("PUT", "/__admin/release?version=1.2.0&url=no", body=exe)
        self.assertNotIn(b"url=", bare)
        self.assertEqual(self.get("/gamehome/vorn2/vorn2.exe")[2], exe)
        self.assertEqual(self.server.request("PUT", "/__admin/release?version=a%20b", body=b"")[0], 400)

    def test_request_log_records_client_requests_only(self):
        self.get("/gamehome/vorn2/update.txt")
        self.server.request("HEAD", "/guanwang.php?gn=vorn2")
        self.get("/__fault/404/bytes/5?x=1")
        status, resp, body = self.get("/__admin/log")
        self.assertEqual(resp.getheader("Content-Type"), "text/plain; charset=utf-8")
        self.assertEqual(body.decode().splitlines(), ["GET\t/gamehome/vorn2/update.txt\t",
                                                      "HEAD\t/guanwang.php\tgn=vorn2",
                                                      "GET\t/__fault/404/bytes/5\tx=1"])
        self.server.request("DELETE", "/__admin/log")
        self.assertEqual(self.get("/__admin/log")[2], b"")

    def test_admin_errors(self):
        for method, path, code in (("PUT", "/__admin/file/../etc/passwd", 400),
                                   ("PUT", "/__admin/file/__admin/log", 400),
                                   ("PUT", "/__admin/fault/x?fault=bogus", 400), ("PUT", "/__admin/fault/x", 400),
                                   ("GET", "/__admin/update.txt", 405),
                                   ("GET", "/__admin/reset", 405),
                                   ("GET", "/__admin/whatever", 404)):
            status, resp, _ = self.server.request(method, path, body=b"x" if method == "PUT" else None)
            self.assertEqual((status, resp.getheader("Cache-Control")), (code, "no-store"), path)


if __name__ == "__main__":
    unittest.main()
