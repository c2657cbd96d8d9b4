"""Helpers for driving vorn2.exe under Wine from outside."""
import hashlib
import os
import re
import socket
import ssl
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.path.join(ROOT, "build", "windows")
CLIENT = os.path.join(BUILD, "src", "app", "vorn2.exe")
DEMO_PORT = 18080


def wine():
    return os.environ.get("WINE", "/usr/lib/wine/wine64")


def start_client(*args):
    return subprocess.Popen([wine(), CLIENT, *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def stop(proc):
    if proc.poll() is None:
        proc.kill()
        proc.wait(timeout=10)


def find_windows(name_regex, timeout=45.0):
    """X window ids whose title matches, waiting until one is mapped."""
    end = time.time() + timeout
    while time.time() < end:
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name_regex],
                             capture_output=True, text=True).stdout.split()
        if out:
            return out
        time.sleep(0.2)
    return []


def window_named(name, timeout):
    """A mapped window titled exactly name (xdotool's own search misses Chinese titles)."""
    end = time.time() + timeout
    while time.time() < end:
        for w in subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                                capture_output=True, text=True).stdout.split():
            if subprocess.run(["xdotool", "getwindowname", w], capture_output=True, text=True).stdout.strip() == name:
                return w
        time.sleep(0.2)
    return None


def visible_window_names():
    """Titles of every mapped window, for failure messages."""
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                         capture_output=True, text=True).stdout.split()
    names = []
    for w in ids:
        names.append(subprocess.run(["xdotool", "getwindowname", w], capture_output=True, text=True).stdout.strip())
    return names


def geometry(window):
    """(x, y, width, height) of an X window; None when it has gone since it was found."""
    out = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
    if "Width:" not in out:
        return None
    def field(name):
        return int(re.search(rf"{name}:\s+(-?\d+)", out).group(1))
    return field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height")


def screen_size():
    out = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
    m = re.search(r"dimensions:\s+(\d+)x(\d+)", out)
    return int(m.group(1)), int(m.group(2))


def screenshot(path=None):
    path = path or tempfile.mktemp(suffix=".png")
    subprocess.run(["import", "-window", "root", path], check=True)
    return path


def pixel(png, x, y):
    """(r, g, b) of one pixel of a screenshot."""
    out = subprocess.run(["convert", png, "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-"],
                         capture_output=True, text=True).stdout
    m = re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1])
    return tuple(int(v) for v in m.groups())


def port_free(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) != 0


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_devserver(port=DEMO_PORT, certs=None):
    """The devserver on the demo build's port, or None when the port is taken;
    with certs (a folder tlscerts.py wrote) it speaks https."""
    if not port_free(port):
        return None
    tls = []
    if certs:
        tls = ["--tls-cert", os.path.join(certs, "server.pem"), "--tls-key", os.path.join(certs, "server-key.pem")]
    proc = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "devserver", "devserver.py"),
                             "--port", str(port), "--quiet", *tls])
    end = time.time() + 10
    while time.time() < end and port_free(port):
        time.sleep(0.1)
    return proc


def trust_in_prefix(ca_pem):
    """Trusts a certificate authority in the Wine prefix only, as a root of its
    registry store (Wine's certificate checks read that store, and the host's
    /etc/ssl, which is left alone); returns what takes it out again."""
    with open(ca_pem) as f:
        der = ssl.PEM_cert_to_DER_cert(f.read())
    # The store's serialised entry: the encoded certificate as property 32
    # (CERT_CERT_PROP_ID), under a key named by its SHA-1.
    key = "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" + hashlib.sha1(der).hexdigest().upper()
    blob = (struct.pack("<III", 32, 1, len(der)) + der).hex()
    subprocess.run([wine(), "reg", "add", key, "/v", "Blob", "/t", "REG_BINARY", "/d", blob, "/f"], check=True,
                   capture_output=True)
    return lambda: subprocess.run([wine(), "reg", "delete", key, "/f"], capture_output=True)
