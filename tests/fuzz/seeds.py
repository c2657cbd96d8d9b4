#!/usr/bin/env python3
"""Writes the seed corpora in corpus/<target>/ from the cases of the core
tests, encoded the way each target reads its input. Run it again after a
target changes its input layout: python3 tests/fuzz/seeds.py"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- Plain texts ---------------------------------------------------------

VERSION_FILES = {
    "devserver": "[vorn2]\r\nversion=1.2.0\r\nurl=http://127.0.0.1:1/gamehome/vorn2/vorn2.exe\r\nsha256="
                 "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08\r\n",
    "blanks": "version = 1.1.0\r\n",
    "any-case": "VeRsIoN:2.0.1",
    "inside-a-word": "newversion=1.1.0\r\n# current version 1.1.0\r\n",
    "tab-kept": "version=1.1.0\t\r\n",
    "first-wins": "a=b\r\nversion=0.9.0\r\nversion=1.1.0\r\n",
    "line-ends": "x=1\nversion=1.3.0\rurl=u\r\n\r\nb\rc\nd",
    "short": "version\r\n",
    "manifest-any-case": " URL = http://a/b.exe \nurl=http://other\nSha256=abc\nversion=2\n",
    "hash-not-hex": "sha256=" + "a" * 63 + "g\r\n",
    "gbk-colon": b"version\xa3\xba1.1.0\r\n",  # full-width colon in code page 936
    "signed": "[vorn2]\r\nversion=1.2.0\r\nurl=http://127.0.0.1:1/gamehome/vorn2/vorn2.exe\r\nlength=5000\r\n"
              "sha256=9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08\r\nsig="
              "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==\r\n",
    "sig-padding": "version=1\r\nlength=0\r\nsha256=" + "0" * 64 + "\r\nsig=TR==\r\n",
}

UPDATER_ARGUMENTS = {
    "folder": "C:\\Games\\Vornhold 2|C:\\Games\\Vornhold 2\\vorn2.exe",
    "drive-root": "C:\\|C:\\\\vorn2.exe",
    "drive-root-single": "C:\\|C:\\vorn2.exe",
    "unc": "\\\\server\\share|\\\\server\\share\\vorn2.exe",
    "quoted": "  \"C:\\A B|C:\\A B\\vorn2.exe\"  ",
    "two-bars": "C:\\x|C:\\x\\a.exe|C:\\x\\b.exe",
    "other-folder": "C:\\x|C:\\y\\a.exe",
    "sub-folder": "C:\\x|C:\\x\\sub\\a.exe",
    "not-exe": "C:\\x|C:\\x\\a.bat",
    "upper-ext": "D:\\x|D:\\x\\my.client.EXE",
    "web": "/web",
}

FONTS = {
    "default": "9;400;0;0;0;134;宋体",
    "separator-in-name": "10.5;700;0;1;0;0;Tahoma;Bold",
    "no-name": "9;400;0;0;0;134;",
    "bad-size": "x;400;0;0;0;134;Arial",
    "bad-flag": "9;400;2;0;0;134;Arial",
    "zero-size": "0;400;0;0;0;134;Arial",
    "bad-charset": "9;400;0;0;0;300;Arial",
    "five-fields": "9;400;0;0;0;Arial",
    "exponent": "1e+03;1000;1;1;1;255;x",
}


# --- FuzzedDataProvider layouts (integers are taken from the end) ----------

def provider_int(value, bits=64):
    """Bytes that ConsumeIntegral<intN> reads back as value (appended last)."""
    raw = (value + (1 << (bits - 1))) % (1 << bits)
    return bytes(reversed(raw.to_bytes(bits // 8, "big")))


def provider_string(text):
    """ConsumeRandomLengthString: backslashes doubled, ended by backslash + other."""
    return text.encode("utf-8").replace(b"\\", b"\\\\") + b"\\|"


APP_URLS = [
    ("exit", "app://exitgame", "", 0),
    ("minimize", "app://minimize", "", 0),
    ("loadgame", "app://loadgame|http://h/game/index.php?server=2|junk", "", 0),
    ("exit-in-query", "http://portal/page.php?next=app://exitgame&x=1", "", 0),
    ("minimize-in-game-url", "app://loadgame|http://h/?a=app://minimize", "", 0),
    ("loadgame-empty", "app://loadgame||http://h/g", "", 0),
    ("case", "app://ExitGame", "", 0),
    ("login-page", "http://h/download/vorn2/index_vorn2.php", "http://h/download/vorn2/index_vorn2.php", 150),
    ("frame", "http://h/download/vorn2/index_vorn2.php", "http://h/download/vorn2/frame.html", 120),
    ("portal", "http://h/prefix//", "", 10),
]

PROPERTY_TEXTS = ["14346732", "abc", "12abc", "2.5", "-42", "True", "false", "-1", "99999999999999999999",
                  "1e300", "1e-400", ".5", "5.", "nan", "inf", "", " 12", "+3", "0x10", "2.000000"]


def property_seed(text, int_default):
    # Read order: int default, double default, double value, int number; all from the end.
    doubles = bytes(9) + bytes(9)
    return text.encode("utf-8") + provider_int(12345) + doubles + provider_int(int_default)


# --- Tab model: the target's own reader, from the front --------------------

class Tabs:
    """Assembles operations as TabModelFuzz.cpp decodes them."""

    OP = {"add": 0, "remove": 2, "clear": 3, "select": 4, "move": 5, "down": 6, "up": 7, "leave": 8,
          "dblclick": 9, "redraw": 10, "change": 11, "geometry": 12, "query": 13, "host": 14, "release": 15}
    KEYS = ["a", "A", "b", "Game1", "GAME1", "2", "", "k"]

    def __init__(self, width=0, style=0, left=0, right=0, container=True):
        # Indexes into the target's choices: width 600 681 200 30 1280 0 100000,
        # style 0 1 2 -1, left 40 10 0 100, right 0 30 5.
        self.out = bytearray([width, style, left, right, 1 if container else 0])

    def op(self, name, *data):
        self.out.append(self.OP[name])
        self.out.extend(data)
        return self

    def key(self, key):
        return 0 if key is None else next(b for b in range(1, 256) if b % 3 and self.KEYS[b % 8] == key)

    def add(self, key=None, existing=None, position=None):
        form = [4, existing] if existing is not None else [2]
        index = [0] if position is None else [1, 2 * (position + 1) + 1]
        return self.op("add", *form, self.key(key), *index)

    def remove_at(self, position, unload=True):
        return self.op("remove", 1, 2 * (position + 1) + 1, 0 if unload else 1)

    def remove_key(self, key, unload=True):
        return self.op("remove", 0, self.key(key), 0 if unload else 1)

    def mouse(self, kind, button, tab, mark, y, delta=0):
        # Buttons: 1 left, 0 none; x at a mark of a tab: 0 left, 1 right, 2 and 3 the close box.
        buttons = {1: 0, 0: 1, 2: 2}
        return self.op(kind, buttons[button], 0, 0, 0, delta, tab, mark, y + 3)

    def bytes(self):
        return bytes(self.out)


def tab_seeds():
    def three():
        return Tabs().add("a").add("b").add("k").op("redraw", 0)

    yield "close-by-mouse", three().mouse("move", 0, 2, 2, 12).mouse("down", 1, 2, 2, 12).mouse("up", 1, 2, 2, 12)
    yield "select-by-mouse", three().mouse("move", 0, 1, 0, 10, 5).mouse("down", 1, 1, 0, 10, 5)
    yield "rounded-remove-kinds", (Tabs(width=1, style=1, left=1).op("redraw", 0).add().add().add().add()
                                   .op("select", 2).remove_at(0).remove_key(None).op("remove", 2, 1, 0)
                                   .op("remove", 3, 0, 1).op("select", 5))
    yield "same-window-twice", (Tabs().add("a").add("b", existing=0).remove_key("a").remove_key("b")
                                .add("k").add(None, existing=1).op("clear", 0))
    yield "cancel-and-nested", (Tabs().op("redraw", 0).add().add().add().op("host", 0, 0).remove_at(1)
                                .op("host", 1, 1, 0).remove_at(1).remove_at(0, unload=False))
    yield "absurd-bands", (Tabs().add().add().add().op("redraw", 0).op("geometry", 0, 5)
                           .op("geometry", 1, 4).mouse("move", 0, 1, 0, 10).op("geometry", 0, 6)
                           .op("geometry", 1, 5).op("geometry", 2, 1))
    yield "queries", Tabs().add("a").add("Game1").add("2").op("query", 8, 1).op("query", 10, 4).op("query", 20, 5)
    yield "hover-leave-dblclick", (Tabs().op("redraw", 0).add().add().mouse("move", 0, 0, 0, 10, 3)
                                   .mouse("move", 0, 0, 2, 12).op("leave").mouse("down", 1, 1, 1, 10)
                                   .op("dblclick").op("change", 0, 1).op("change", 1, 0).op("redraw", 0))
    yield "add-positions", (Tabs().add().add().add().add(position=0).add(position=4)
                            .op("add", 2, 0, 2, 14, 1).op("add", 2, 0, 3, 3, ord("a"), ord("b"), ord("c"))
                            .op("add", 2, 0, 1, 0xFF, 0x7F, 0xC0, 0, 0))


# DDE execute data as clients send it: ANSI or UTF-16, with buffer leftovers.
DDE_COMMANDS = {
    "ansi-url": b"http://game.test/g.php?s=1\0",
    "utf16-url": "https://h.test/\u6e38\u620f?s=2\0".encode("utf-16-le"),
    "utf16-no-terminator": "http://a.test/".encode("utf-16-le"),
    "ansi-leftovers": b"http://a.test/\0\xcc\xcc\xcc\xcc",
    "cp936": b"http://a.test/\xd3\xce\xcf\xb7\0",
    "javascript": b"javascript:alert(1)\0",
    "file": "file:///c:/windows/win.ini".encode("utf-16-le"),
    "padded": b"  \thttps://a.test/x \r\n\0",
    "control-inside": b"http://a.test/\x01x\0",
    "empty": b"",
}


# Pages for the stand-in view: a Content-Type and a base address (each as the
# data provider reads a random-length string), then the body.
PAGES = {
    "login": ("text/html; charset=utf-8", "http://127.0.0.1:18080/download/vorn2/index_vorn2.php",
              '<!DOCTYPE html><html><head><title>Vornhold 2 \u767b\u5f55</title></head><body>'
              '<a id="loadgame" href="app://loadgame|http://127.0.0.1:18080/game/index.php?server=1">go</a>'
              '<script>setTimeout(function () {}, 1);</script></body></html>'),
    "relative-links": ("text/html", "http://h/a/b.php?x=1#y",
                       '<p><a href="../c.php">c</a> <A HREF=\'?q\'>q</A> <a href=#f>f</a> <a href=//o/p></a>'),
    "entities": ("", "", "<html><body>&amp;&#x4E2D;&#25991;&nbsp;&bogus; &#xFFFFFFFF; &#0;</body></html>"),
    "gbk-meta": ("text/html", "", b'<meta charset="gbk"><title>\xb5\xc7\xc2\xbc</title>'),
    "unclosed": ("text/html", "about:blank", "<a href='x'>no end <title>t <script> <!-- c"),
    "plain": ("text/plain", "", "[vorn2]\r\nversion=1.1.0\r\n\r\nlast"),
}


def page_seed(content_type, base, body):
    body = body if isinstance(body, bytes) else body.encode("utf-8")
    return provider_string(content_type) + provider_string(base) + body


def main():
    for name, text in VERSION_FILES.items():
        write("version_file", name, text)
    for name, text in UPDATER_ARGUMENTS.items():
        write("updater_parameters", name, text)
    for name, text in FONTS.items():
        write("font_text", name, text)
    for name, url, completed, length in APP_URLS:
        write("app_commands", name, provider_string(completed) + url.encode("utf-8") + bytes([length]))
    for i, text in enumerate(PROPERTY_TEXTS):
        write("property_bag", f"text-{i:02d}", property_seed(text, 7))
    for name, seed in tab_seeds():
        write("tab_model", name, seed.bytes())
    for name, data in DDE_COMMANDS.items():
        write("dde_command", name, data)
    for name, (content_type, base, body) in PAGES.items():
        write("page_reading", name, page_seed(content_type, base, body))


if __name__ == "__main__":
    main()
