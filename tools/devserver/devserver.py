#!/usr/bin/env python3
"""Local stand-in for the Vornhold 2 operator's servers.

Serves the version file and the updater's download, the login page with its
app:// links, a game page whose title keeps changing, the portal and home
pages, deterministic byte streams, and fault modes for download tests.
Python 3 standard library only.  The interface is described in README.md.
"""

import argparse
import collections
import hashlib
import html
import ipaddress
import json
import os
import re
import select
import signal
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

# The version file's format has one source: the publishing tool's writer.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "publish"))
import publish  # noqa: E402

DEFAULT_PORT = 18080
CLIENT_VERSION = publish.project_version()  # the demo client's own version: no update prompt
UPDATE_PATH = "/gamehome/vorn2/update.txt"
UPDATE_DIR = "/gamehome/vorn2/"
LOGIN_PATH = "/download/vorn2/index_vorn2.php"
GAME_PATH = "/game/index.php"
# More game pages, linked from the game page: path -> (Chinese, English) name.
GAME_SECTIONS = {
    "/game/city.php": ("主城", "City"),
    "/game/battle.php": ("战场", "Battlefield"),
    "/game/rank.php": ("排行榜", "Rankings"),
}
HUGE_DEFAULT = 3 * 1024 ** 3
BLOCK = 65536
# Byte i of every generated body is (i * 31 + 7) mod 256; the pattern repeats
# every 256 bytes, so one aligned block can be reused for any offset.
PATTERN = bytes((i * 31 + 7) & 0xFF for i in range(BLOCK))

HTML_TYPE = "text/html; charset=utf-8"
TEXT_TYPE = "text/plain; charset=utf-8"
BINARY_TYPE = "application/octet-stream"
TYPES = {
    ".txt": "text/plain",  # version file bytes are ANSI: no charset claimed
    ".html": HTML_TYPE, ".htm": HTML_TYPE, ".php": HTML_TYPE,
    ".css": "text/css; charset=utf-8", ".js": "text/javascript; charset=utf-8",
    ".json": "application/json", ".exe": BINARY_TYPE, ".zip": "application/zip",
    ".ico": "image/x-icon", ".png": "image/png", ".gif": "image/gif",
    ".jpg": "image/jpeg", ".jpeg": "image/jpeg", ".bmp": "image/bmp",
}

DELIVERY_MODES = ("nolength", "truncate", "slow", "reset", "stall")
REDIRECT_CODES = (301, 302, 303, 307, 308)
BODY_MODES = ("404", "huge", "zero", "short", "redirect")
TOMBSTONE = object()


def guess_type(path):
    return TYPES.get(os.path.splitext(path)[1].lower(), BINARY_TYPE)


class Body:
    """A response body of known length that can be streamed in pieces."""

    def __init__(self, length):
        self.length = length

    def blocks(self):
        raise NotImplementedError


class BytesBody(Body):
    def __init__(self, data):
        super().__init__(len(data))
        self.data = memoryview(data)

    def blocks(self):
        for off in range(0, self.length, BLOCK):
            yield self.data[off:off + BLOCK]


class PatternBody(Body):
    def blocks(self):
        view = memoryview(PATTERN)
        left = self.length
        while left > 0:
            take = min(BLOCK, left)
            yield view[:take]
            left -= take


class FileBody(Body):
    def __init__(self, path):
        super().__init__(os.path.getsize(path))
        self.path = path

    def blocks(self):
        with open(self.path, "rb") as f:
            while True:
                data = f.read(BLOCK)
                if not data:
                    return
                yield data


def pieces(body, limit, size):
    """Up to `limit` bytes of `body`, cut into pieces of at most `size` bytes."""
    left = limit
    for block in body.blocks():
        for off in range(0, len(block), size):
            if left <= 0:
                return
            piece = block[off:off + min(size, left)]
            left -= len(piece)
            yield piece


class Reply:
    def __init__(self, status=200, ctype=TEXT_TYPE, body=b"", headers=()):
        self.status = status
        self.ctype = ctype
        self.body = body if isinstance(body, Body) else BytesBody(body)
        self.headers = list(headers)


class BadRequest(Exception):
    pass


def text_reply(status, text):
    return Reply(status, TEXT_TYPE, (text + "\n").encode("utf-8"))


def parse_faults(text):
    """'huge,truncate' or 'status=500' or '503' -> list of (mode, code)."""
    modes = []
    for token in text.split(","):
        token = token.strip().lower()
        if not token:
            continue
        code = None
        if token.startswith("status=") or token.startswith("status-"):
            code = token[7:]
        elif token.isdigit():
            code = token
        if code is not None:
            if not code.isdigit() or not 200 <= int(code) <= 599:
                raise BadRequest("bad fault status %r (200-599)" % token)
            modes.append(("status", int(code)))
        elif token in DELIVERY_MODES or token in BODY_MODES:
            modes.append((token, None))
        else:
            raise BadRequest("unknown fault mode %r" % token)
    return modes


def clean_path(path):
    """Percent-decoded absolute path without dot segments, or None."""
    path = urllib.parse.unquote(path)
    if not path.startswith("/") or "\\" in path or "\0" in path:
        return None
    if any(seg in (".", "..") for seg in path.split("/")):
        return None
    return path


# The demo key pair the demo and test builds carry, and a key of this run
# only, for signatures the updater must refuse.
DEMO_KEY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "keys", "demo-update-key.pem")
_keys = {}


def _signing_key(name):
    if name not in _keys:
        if name == "demo":
            _keys[name] = publish.load_private_key(DEMO_KEY)
        else:
            from cryptography.hazmat.primitives.asymmetric import ec
            _keys[name] = ec.generate_private_key(ec.SECP256R1())
    return _keys[name]


SIGNING_KEYS = {"demo": lambda: _signing_key("demo"), "other": lambda: _signing_key("other")}


def default_update_text(base):
    return publish.version_file_text(CLIENT_VERSION, url="%s%svorn2.exe" % (base, UPDATE_DIR))


def page(title, body, head_extra=""):
    return ("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">\n"
            "<title>%s</title>\n%s</head>\n<body>\n%s</body>\n</html>\n"
            % (html.escape(title), head_extra, body)).encode("utf-8")


def js(value):
    # A JSON string is a JS literal once "</" (would end the script) and
    # U+2028/U+2029 (line breaks to old JS engines) are escaped.
    text = json.dumps(value, ensure_ascii=False).replace("</", "<\\/")
    return text.replace("\u2028", "\\u2028").replace("\u2029", "\\u2029")


class State:
    """Everything the admin API can change; shared by all request threads."""

    def __init__(self, update_file=None, state_dir=None):
        self.update_file = update_file
        self.state_dir = os.path.abspath(state_dir) if state_dir else None
        self.lock = threading.Lock()
        self.store = {}
        self.faults = {}
        self.log = collections.deque(maxlen=100000)

    def reset(self):
        with self.lock:
            self.store.clear()
            self.faults.clear()
            self.log.clear()

    def set_fault(self, path, modes, params):
        with self.lock:
            if modes:
                self.faults[path] = (modes, params)
            else:
                self.faults.pop(path, None)

    def fault_for(self, path):
        """(modes, parameters) stored for requests of path, or None."""
        with self.lock:
            return self.faults.get(path)

    def record(self, method, path, query):
        with self.lock:
            self.log.append("%s\t%s\t%s" % (method, path, query))

    def log_text(self):
        with self.lock:
            return "".join(line + "\n" for line in self.log)

    def clear_log(self):
        with self.lock:
            self.log.clear()

    def put(self, path, data, ctype):
        with self.lock:
            self.store[path] = (bytes(data), ctype)

    def remove(self, path):
        with self.lock:
            self.store[path] = TOMBSTONE

    def lookup(self, path):
        """A Reply for preset or stored content at path, TOMBSTONE, or None."""
        with self.lock:
            entry = self.store.get(path)
        if entry is TOMBSTONE:
            return TOMBSTONE
        if entry is not None:
            return Reply(200, entry[1], entry[0])
        if path == UPDATE_PATH and self.update_file:
            if os.path.isfile(self.update_file):
                return Reply(200, TYPES[".txt"], FileBody(self.update_file))
            return TOMBSTONE
        if self.state_dir:
            # normpath, not realpath: symlinks to build outputs are meant to work.
            full = os.path.normpath(os.path.join(self.state_dir, path.lstrip("/")))
            inside = full.startswith(self.state_dir + os.sep)
            if inside and os.path.isfile(full):
                return Reply(200, guess_type(full), FileBody(full))
        return None


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "vorn2-devserver/1"
    timeout = 120  # idle keep-alive connections don't pin threads forever
    started = 0.0
    sent = 0
    note = ""

    # ---- plumbing -------------------------------------------------------

    def do_GET(self):
        self.dispatch("GET")

    def do_HEAD(self):
        self.dispatch("HEAD")

    def do_PUT(self):
        self.dispatch("PUT")

    def do_POST(self):
        self.dispatch("POST")

    def do_DELETE(self):
        self.dispatch("DELETE")

    def log_request(self, code="-", size="-"):
        pass  # one line per request is written by finish_log instead

    def log_message(self, fmt, *args):
        if not self.server.quiet:
            sys.stderr.write("devserver: %s\n" % (fmt % args))

    def send_error(self, code, message=None, explain=None):
        # Used by the base class for malformed requests; keep our headers.
        self.close_connection = True
        self.send_plain(text_reply(code, message or self.responses.get(code, ("error",))[0]),
                        head=getattr(self, "command", "") == "HEAD")

    def host(self):
        host = self.headers.get("Host", "") if self.headers else ""
        if re.fullmatch(r"[A-Za-z0-9.\-]+(:[0-9]{1,5})?|\[[0-9A-Fa-f:.]+\](:[0-9]{1,5})?", host):
            return host
        return "127.0.0.1:%d" % self.server.server_address[1]

    def base(self):
        """This server's address as the client used it: scheme and host."""
        return "%s://%s" % (self.server.scheme, self.host())

    def read_request_body(self):
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            data = bytearray()
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return bytes(data)
                data += self.rfile.read(size)
                self.rfile.readline()
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def dispatch(self, method):
        self.started = time.monotonic()
        self.sent = 0
        self.note = ""
        split = urllib.parse.urlsplit(self.path)
        params = urllib.parse.parse_qs(split.query, keep_blank_values=True)
        try:
            if split.path == "/__admin" or split.path.startswith("/__admin/"):
                reply = self.admin(method, split.path, params)
                self.send_plain(reply, head=(method == "HEAD"))
            else:
                self.server.state.record(method, split.path, split.query)
                self.serve(method, split.path, params)
        except BadRequest as exc:
            self.close_connection = True
            self.send_plain(text_reply(400, str(exc)), head=(method == "HEAD"))
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            self.close_connection = True
            self.note = " (client gone)"
        self.finish_log()

    def finish_log(self):
        ms = (time.monotonic() - self.started) * 1000
        self.log_message("%s %s -> %s %dB %dms%s", self.command, self.path,
                         getattr(self, "status_sent", "-"), self.sent, ms, self.note)

    def param(self, params, name, default=None):
        values = params.get(name)
        return values[-1] if values else default

    def int_param(self, params, name, default, low=0, high=1 << 62):
        raw = self.param(params, name)
        if raw is None:
            return default
        if not raw.isdigit() or not low <= int(raw) <= high:
            raise BadRequest("%s=%r: expected an integer %d..%d" % (name, raw, low, high))
        return int(raw)

    # ---- ordinary routes -------------------------------------------------

    def serve(self, method, raw_path, params):
        modes = []
        m = re.match(r"/__fault/([^/]*)(/.*)?$", raw_path)
        if m:
            modes += parse_faults(urllib.parse.unquote(m.group(1)))
            raw_path = m.group(2) or "/"
        for value in params.get("fault", []):
            modes += parse_faults(value)
        # A fault stored for this path: the way to test what a client asks
        # for at a fixed address. The request's own parameters win.
        stored = self.server.state.fault_for(clean_path(raw_path))
        if stored:
            modes += parse_faults(stored[0])
            params = dict(stored[1], **params)
        if any(name == "stall" for name, _ in modes):
            self.stall(params)
            return
        wait = self.int_param(params, "wait", 0, high=600000)
        if wait:
            time.sleep(wait / 1000)
        if method not in ("GET", "HEAD"):
            reply = text_reply(405, "method not allowed")
            reply.headers.append(("Allow", "GET, HEAD"))
            self.close_connection = True
            self.send_plain(reply, head=False)
            return
        path = clean_path(raw_path)
        reply = self.route(path, params) if path else text_reply(400, "bad path")
        names = [name for name, _ in modes]
        for name, code in modes:  # body modes, later ones win
            if name == "status":
                reply = text_reply(code, "HTTP %d (fault)" % code)
            elif name == "404":
                reply = text_reply(404, "not found (fault)")
            elif name == "zero":
                reply = Reply(reply.status, reply.ctype, b"")
            elif name == "short":
                reply = Reply(200, HTML_TYPE, b"<html><body>\xe9\x94\x99\xe8\xaf\xaf</body></html>")
            elif name == "huge":
                size = self.int_param(params, "size", HUGE_DEFAULT)
                reply = Reply(200, BINARY_TYPE, PatternBody(size))
            elif name == "redirect":
                reply = self.redirect_reply(params)
        if modes:
            self.note = " [%s]" % ",".join(names)
        self.send_reply(reply, names, params, head=(method == "HEAD"))

    def redirect_reply(self, params):
        """A redirect to `to=` (an address or a path), by default to the very
        request that was made: a loop with no end."""
        code = self.int_param(params, "code", 302, low=300, high=399)
        if code not in REDIRECT_CODES:
            raise BadRequest("code=%d: expected one of %s" % (code, ", ".join(map(str, REDIRECT_CODES))))
        target = self.param(params, "to") or self.path
        if re.search(r"[\x00-\x20\x7f]", target):
            raise BadRequest("to=%r: no blanks or control characters" % target)
        reply = text_reply(code, "redirect to %s" % target)
        reply.headers.append(("Location", target))
        return reply

    def route(self, path, params):
        preset = self.server.state.lookup(path)
        if preset is TOMBSTONE:
            return text_reply(404, "not found")
        if preset is not None:
            return preset
        if path == UPDATE_PATH:
            return Reply(200, TYPES[".txt"], default_update_text(self.base()))
        if path.startswith(UPDATE_DIR):
            return text_reply(404, "no such file (store one with PUT /__admin/file/...)")
        if path == LOGIN_PATH:
            return self.login_page(params)
        if path == "/download/vorn2/frame.html":
            return Reply(200, HTML_TYPE, page("公告框架", "<p>服务器公告：今日维护已完成，祝您游戏愉快！"
                                                      "这是登录页中的内嵌框架页面。</p>\n"))
        if path == GAME_PATH:
            return self.game_page(params)
        if path == "/game/news.php":
            return self.news_page(params)
        if path in GAME_SECTIONS:
            return self.section_page(path)
        if path == "/guanwang.php":
            return self.portal_page(params)
        if path in ("/", "/index.html"):
            return Reply(200, HTML_TYPE, page(
                "Vornhold 2 官方主页",
                "<h1>Vornhold 2 官方主页</h1>\n<p>欢迎来到 Vornhold 2 的世界。</p>\n"
                "<p><a href=\"/guanwang.php?gn=vorn2\">游戏官网</a></p>\n"))
        m = re.fullmatch(r"/bytes/([0-9]{1,19})", path)
        if m:
            return Reply(200, BINARY_TYPE, PatternBody(int(m.group(1))))
        return text_reply(404, "not found")

    def game_url(self, server):
        return "%s%s?server=%d" % (self.base(), GAME_PATH, server)

    def login_page(self, params):
        if self.param(params, "short") not in (None, "", "0"):
            return Reply(200, HTML_TYPE, b"<html><body>\xe9\x94\x99\xe8\xaf\xaf</body></html>")
        server = self.int_param(params, "server", 1, low=1, high=9999)
        commands = {
            "loadgame": "app://loadgame|" + self.game_url(server),
            "account2": "app://loadgame|" + self.game_url(server) + "&account=2",
            "minimize": "app://minimize",
            "exitgame": "app://exitgame",
        }
        auto = self.param(params, "auto")
        script = ""
        if auto:
            target = commands.get(auto, auto)
            if not target.startswith("app://"):
                raise BadRequest("auto=%r: expected loadgame, minimize, exitgame or app://..." % auto)
            delay = self.int_param(params, "delay", 1000, high=3600000)
            script = ("<script type=\"text/javascript\">\n"
                      "setTimeout(function () { window.location.href = %s; }, %d);\n"
                      "</script>\n" % (js(target), delay))
        frame = ""
        if self.param(params, "frame") not in (None, "", "0"):
            frame = "<iframe src=\"/download/vorn2/frame.html\" width=\"300\" height=\"60\"></iframe>\n"
        a = lambda key, text: "<a id=\"%s\" href=\"%s\">%s</a>" % (key, html.escape(commands[key]), text)
        style = ("<style type=\"text/css\">\nbody { margin: 0; background: #fefefe; "
                 "font: 12px \"Microsoft YaHei\", SimSun, sans-serif; overflow: hidden; }\n"
                 ".box { margin: 40px auto; width: 320px; padding: 16px; border: 1px solid #c8a060; "
                 "background: #fff8e8; }\n</style>\n")
        other = ("<a id=\"loadgame2\" href=\"%s\">第%d服</a>"
                 % (html.escape("app://loadgame|" + self.game_url(server + 1)), server + 1))
        body = ("<div class=\"box\">\n<h1>Vornhold 2 用户登录</h1>\n"
                "<form action=\"#\" method=\"post\" onsubmit=\"return false;\">\n"
                "<p><label>帐号：<input type=\"text\" name=\"user\" value=\"\"></label></p>\n"
                "<p><label>密码：<input type=\"password\" name=\"pass\" value=\"\"></label></p>\n"
                "<p>任意帐号均可登录。Any account will do.</p>\n"
                "<p>%s（第%d服 Server %d） %s</p>\n<p>%s</p>\n</form>\n"
                "<p>%s | %s</p>\n%s<p>忘记密码？请联系客服。Forgot your password? Ask our support.</p>\n</div>\n%s"
                % (a("loadgame", "进入游戏 Enter the game"), server, server, other,
                   a("account2", "以其他帐号进入 Enter with another account"),
                   a("minimize", "最小化 Minimise"), a("exitgame", "退出游戏 Exit"), frame, script))
        return Reply(200, HTML_TYPE, page("Vornhold 2 登录", body, style))

    def game_page(self, params):
        server = self.int_param(params, "server", 1, low=1, high=9999)
        interval = self.int_param(params, "interval", 1000, high=3600000)
        base = "Vornhold 2 - 第%d服" % server
        script = ("<script type=\"text/javascript\">\nvar tick = 0;\n"
                  "function retitle() { tick += 1; document.title = %s + \" #\" + tick; }\n"
                  "if (%d > 0) { setInterval(retitle, %d); }\n</script>\n"
                  % (js(base), interval, interval))
        rows = "".join("<p>第%d行：战场动态。Row %d: news from the battlefield.</p>\n" % (i, i)
                       for i in range(1, 61))
        sections = " ".join("<a id=\"%s\" href=\"%s\">%s %s</a>" % (path[6:-4], path, zh, en)
                            for path, (zh, en) in GAME_SECTIONS.items())
        body = ("<h1>%s</h1>\n<p><a id=\"news1\" href=\"/game/news.php?id=1\" target=\"_blank\">公告一</a> "
                "<a id=\"news2\" href=\"/game/news.php?id=2\" target=\"_blank\">公告二</a> "
                "<a id=\"portal\" href=\"/guanwang.php?gn=vorn2\" target=\"_blank\">游戏官网</a></p>\n"
                "<p>%s</p>\n%s%s" % (html.escape(base), sections, rows, script))
        # Own scroll bars, so hiding the root's overflow is visible.
        style = "<style type=\"text/css\">html { overflow: scroll; }</style>\n"
        return Reply(200, HTML_TYPE, page(base, body, style))

    def news_page(self, params):
        nid = self.int_param(params, "id", 1, high=1 << 30)
        title = "Vornhold 2 - 公告%d" % nid
        return Reply(200, HTML_TYPE, page(title, "<h1>%s</h1>\n<p>新版本活动即将开启。"
                                                 "The new version's events start soon.</p>\n"
                                                 % html.escape(title)))

    def section_page(self, path):
        zh, en = GAME_SECTIONS[path]
        title = "Vornhold 2 - %s %s" % (zh, en)
        others = " ".join("<a href=\"%s\">%s %s</a>" % (other, z, e)
                          for other, (z, e) in GAME_SECTIONS.items() if other != path)
        return Reply(200, HTML_TYPE, page(title, (
            "<h1>%s</h1>\n<p>这里是%s。This is the %s.</p>\n<p>%s</p>\n"
            "<p><a href=\"%s?server=1\">返回游戏 Back to the game</a></p>\n")
            % (html.escape(title), zh, en.lower(), others, GAME_PATH)))

    def portal_page(self, params):
        gn = self.param(params, "gn", "")
        return Reply(200, HTML_TYPE, page(
            "Vornhold 2 游戏官网",
            "<h1>Vornhold 2 游戏官网</h1>\n<p id=\"gn\">gn=%s</p>\n<p>下载客户端、查看公告与活动。"
            "Download the client, read the news and events.</p>\n"
            "<p><a id=\"login\" href=\"%s\">登录其他帐号 Log in with another account</a></p>\n"
            % (html.escape(gn), LOGIN_PATH)))

    # ---- sending ----------------------------------------------------------

    def start_reply(self, status, headers):
        self.send_response(status)
        self.status_sent = status
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Cache-Control", "no-store")
        if self.close_connection:
            self.send_header("Connection", "close")
        self.end_headers()

    def send_plain(self, reply, head):
        headers = [("Content-Type", reply.ctype), ("Content-Length", str(reply.body.length))]
        self.start_reply(reply.status, headers + reply.headers)
        if not head:
            for block in reply.body.blocks():
                self.wfile.write(block)
                self.sent += len(block)

    def send_reply(self, reply, modes, params, head):
        body = reply.body
        length = body.length
        if reply.status in (204, 304):
            body, length = BytesBody(b""), 0
        chunked = close_delimited = False
        if "nolength" in modes:
            if self.request_version == "HTTP/1.1" and self.param(params, "chunked") != "0":
                chunked = True
            else:
                close_delimited = True
        limit = length
        cut = "truncate" in modes or "reset" in modes
        if cut:
            limit = min(length, self.int_param(params, "keep", length // 2))
        piece, pause = BLOCK, 0.0
        if "slow" in modes:
            rate = self.int_param(params, "rate", 0, high=1 << 40)
            if rate:
                piece = max(1, min(rate // 10, BLOCK))
                pause = piece / rate
            else:
                piece = self.int_param(params, "piece", 1024, low=1, high=BLOCK)
                pause = self.int_param(params, "delay", 100, high=600000) / 1000
        if close_delimited or cut:
            self.close_connection = True

        headers = [("Content-Type", reply.ctype)]
        if chunked:
            headers.append(("Transfer-Encoding", "chunked"))
        elif not close_delimited and reply.status != 204:
            headers.append(("Content-Length", str(length)))
        self.start_reply(reply.status, headers + reply.headers)
        if not head:
            for chunk in pieces(body, limit, piece):
                if pause:
                    time.sleep(pause)
                if chunked:
                    self.wfile.write(b"%x\r\n" % len(chunk))
                    self.wfile.write(chunk)
                    self.wfile.write(b"\r\n")
                else:
                    self.wfile.write(chunk)
                self.sent += len(chunk)
            if chunked and not cut:
                self.wfile.write(b"0\r\n\r\n")
        if "reset" in modes:
            self.abort_connection()

    def stall(self, params):
        """Takes the request and answers nothing, holding the connection open
        until the client gives up or `hold=` ms have passed."""
        self.close_connection = True
        self.note = " [stall]"
        deadline = time.monotonic() + self.int_param(params, "hold", 600000, high=3600000) / 1000
        sock = self.connection
        while time.monotonic() < deadline:
            readable, _, _ = select.select([sock], [], [], 0.1)
            if readable and not sock.recv(4096):
                break
        self.note += " (client gone)" if time.monotonic() < deadline else " (held)"

    def abort_connection(self):
        """Close with SO_LINGER 0 so the peer sees a reset, not an orderly end."""
        time.sleep(0.05)  # let the bytes already written reach the peer first
        sock = self.connection
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        # detach + os.close: closing the socket object would be deferred while
        # rfile/wfile hold it, and the server's later shutdown() would send FIN.
        os.close(sock.detach())
        self.close_connection = True
        self.note += " (reset)"

    # ---- admin API ------------------------------------------------------

    def admin(self, method, raw_path, params):
        try:
            loopback = ipaddress.ip_address(self.client_address[0]).is_loopback
        except ValueError:
            loopback = False
        if not loopback:
            return text_reply(403, "admin API is for 127.0.0.1 only")
        data = self.read_request_body() if method in ("PUT", "POST") else b""
        state = self.server.state
        sub = raw_path[len("/__admin"):]
        if sub == "/update.txt":
            if method == "PUT":
                state.put(UPDATE_PATH, data, TYPES[".txt"])
                return text_reply(200, "stored %d bytes at %s" % (len(data), UPDATE_PATH))
            if method == "DELETE":
                state.remove(UPDATE_PATH)
                return text_reply(200, "removed " + UPDATE_PATH)
            return self.not_allowed("PUT, DELETE")
        if sub.startswith("/file/"):
            target = clean_path(sub[len("/file"):])
            if not target or target == "/" or target.startswith(("/__admin", "/__fault")):
                return text_reply(400, "bad file path")
            if method == "PUT":
                state.put(target, data, self.param(params, "type") or guess_type(target))
                return text_reply(200, "stored %d bytes at %s" % (len(data), target))
            if method == "DELETE":
                state.remove(target)
                return text_reply(200, "removed " + target)
            return self.not_allowed("PUT, DELETE")
        if sub.startswith("/fault/"):
            target = clean_path(sub[len("/fault"):])
            if not target or target == "/" or target.startswith(("/__admin", "/__fault")):
                return text_reply(400, "bad fault path")
            if method == "PUT":
                modes = self.param(params, "fault", "")
                if not parse_faults(modes):
                    raise BadRequest("fault=%r: name the fault modes" % modes)
                state.set_fault(target, modes, {k: v for k, v in params.items() if k != "fault"})
                return text_reply(200, "requests of %s are answered with %s" % (target, modes))
            if method == "DELETE":
                state.set_fault(target, None, None)
                return text_reply(200, "no fault for " + target)
            return self.not_allowed("PUT, DELETE")
        if sub == "/release":
            if method not in ("PUT", "POST"):
                return self.not_allowed("PUT, POST")
            return self.release(data, params)
        if sub == "/reset":
            if method != "POST":
                return self.not_allowed("POST")
            state.reset()
            return text_reply(200, "reset")
        if sub == "/log":
            if method in ("GET", "HEAD"):
                return Reply(200, TEXT_TYPE, state.log_text().encode("utf-8"))
            if method == "DELETE":
                state.clear_log()
                return text_reply(200, "log cleared")
            return self.not_allowed("GET, HEAD, DELETE")
        return text_reply(404, "unknown admin route")

    def not_allowed(self, allow):
        reply = text_reply(405, "method not allowed; use " + allow)
        reply.headers.append(("Allow", allow))
        return reply

    def release(self, data, params):
        version = self.param(params, "version", "")
        name = self.param(params, "name", "vorn2.exe")
        signer = self.param(params, "key", "demo")
        if signer not in SIGNING_KEYS:
            raise BadRequest("key=%r: expected demo or other" % signer)
        # url=/__fault/...: the signed address serves the client through a
        # fault mode, so a signed version file can lead to a broken download.
        with_url = self.param(params, "url", "yes")
        if with_url not in ("yes", "no") and not with_url.startswith("/__fault/"):
            raise BadRequest("url=%r: expected yes, no or /__fault/..." % with_url)
        if not re.fullmatch(r"[0-9A-Za-z._-]+", version):
            raise BadRequest("version=%r: expected [0-9A-Za-z._-]+" % version)
        if not re.fullmatch(r"[0-9A-Za-z._-]+", name) or name in (".", "..", "update.txt"):
            raise BadRequest("name=%r: expected a plain file name" % name)
        state = self.server.state
        state.put(UPDATE_DIR + name, data, guess_type(name))
        url = {"yes": "%s%s%s" % (self.base(), UPDATE_DIR, name), "no": None}.get(
            with_url, self.base() + with_url)
        text = publish.version_file_text(version, hashlib.sha256(data).hexdigest(), url, len(data),
                                         SIGNING_KEYS[signer]())
        state.put(UPDATE_PATH, text, TYPES[".txt"])
        return Reply(200, TYPES[".txt"], text)


class DevServer(ThreadingHTTPServer):
    daemon_threads = True  # streams in progress must not delay shutdown
    request_queue_size = 64

    def __init__(self, address, state, quiet, tls=None):
        self.state = state
        self.quiet = quiet
        self.tls = tls  # an ssl.SSLContext: every connection speaks TLS
        self.scheme = "https" if tls else "http"
        super().__init__(address, Handler)

    def finish_request(self, request, client_address):
        if not self.tls:
            super().finish_request(request, client_address)
            return
        # The handshake runs on the connection's own thread, so a client
        # that never completes it holds up no one else.
        request.settimeout(10)
        try:
            secure = self.tls.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as exc:
            if not self.quiet:
                sys.stderr.write("devserver: TLS handshake with %s failed: %s\n" % (client_address[0], exc))
            return
        try:
            secure.settimeout(None)
            super().finish_request(secure, client_address)
        finally:
            secure.close()

    def server_bind(self):
        # HTTPServer.server_bind does a reverse DNS lookup; not needed here.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = self.server_address[:2]

    def handle_error(self, request, client_address):
        exc = sys.exc_info()[1]
        if not self.quiet:
            sys.stderr.write("devserver: error with %s: %r\n" % (client_address, exc))


def write_port_file(path, port):
    tmp = "%s.%d.tmp" % (path, os.getpid())
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)


def parse_args(argv):
    ap = argparse.ArgumentParser(description="Local stand-in for the Vornhold 2 servers.")
    ap.add_argument("--host", default="127.0.0.1", help="IPv4 loopback address (default 127.0.0.1)")
    ap.add_argument("--port", type=int, default=DEFAULT_PORT, help="port, 0 = any free (default 18080)")
    ap.add_argument("--port-file", help="write the bound port here once listening")
    ap.add_argument("--state-dir", help="serve files under this folder at their relative paths")
    ap.add_argument("--update-file", help="serve this file as %s" % UPDATE_PATH)
    ap.add_argument("--quiet", action="store_true", help="no request log on stderr")
    ap.add_argument("--tls-cert", help="serve https with this certificate (PEM, with its chain)")
    ap.add_argument("--tls-key", help="the certificate's private key (PEM), when not in --tls-cert")
    args = ap.parse_args(argv)
    host = "127.0.0.1" if args.host == "localhost" else args.host
    try:
        if not (ipaddress.ip_address(host).version == 4 and ipaddress.ip_address(host).is_loopback):
            raise ValueError
    except ValueError:
        ap.error("--host must be an IPv4 loopback address, got %r" % args.host)
    args.host = host
    if not 0 <= args.port <= 65535:
        ap.error("--port must be 0..65535")
    if args.state_dir and not os.path.isdir(args.state_dir):
        ap.error("--state-dir %r is not a folder" % args.state_dir)
    if args.update_file and not os.path.isfile(args.update_file):
        ap.error("--update-file %r is not a file" % args.update_file)
    if args.tls_key and not args.tls_cert:
        ap.error("--tls-key needs --tls-cert")
    args.tls = None
    if args.tls_cert:
        args.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        try:
            args.tls.load_cert_chain(args.tls_cert, args.tls_key)
        except (OSError, ssl.SSLError) as exc:
            ap.error("--tls-cert %r: %s" % (args.tls_cert, exc))
    return args


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    state = State(args.update_file, args.state_dir)
    try:
        server = DevServer((args.host, args.port), state, args.quiet, args.tls)
    except OSError as exc:
        sys.stderr.write("devserver: cannot listen on %s:%d: %s\n" % (args.host, args.port, exc))
        return 1
    port = server.server_address[1]

    def request_stop(*_):
        # shutdown() blocks until serve_forever returns, so not from this thread.
        threading.Thread(target=server.shutdown, daemon=True).start()

    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, request_stop)
    if args.port_file:
        write_port_file(args.port_file, port)
    if not args.quiet:
        sys.stderr.write("devserver: listening on %s://%s:%d/\n" % (server.scheme, args.host, port))
        sys.stderr.flush()
    server.serve_forever(poll_interval=0.1)
    server.server_close()
    if args.port_file:
        try:
            os.remove(args.port_file)
        except OSError:
            pass
    if not args.quiet:
        sys.stderr.write("devserver: stopped\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
