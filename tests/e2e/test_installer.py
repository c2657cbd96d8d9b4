"""The per-user installer, an update published with tools/publish, and the
uninstaller, under Wine in the test prefix."""
import os
import pwd
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

from e2e_support import BUILD, CLIENT, DEMO_PORT, ROOT, port_free, screenshot, visible_window_names, wine

sys.path.insert(0, os.path.join(ROOT, "tools", "publish"))
import publish  # noqa: E402

SETUP = os.path.join(BUILD, "installer", "vorn2-setup-%s.exe" % publish.project_version())
PREFIX = os.environ.get("WINEPREFIX", "")
USER = pwd.getpwuid(os.getuid()).pw_name
HOME = os.path.join(PREFIX, "drive_c", "users", USER)
INSTALL = os.path.join(HOME, "AppData", "Local", "Programs", "Vornhold 2")
WIN_INSTALL = "C:\\users\\%s\\AppData\\Local\\Programs\\Vornhold 2" % USER
SHORTCUTS = [os.path.join(HOME, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                          "Vornhold 2客户端.lnk"), os.path.join(HOME, "Desktop", "Vornhold 2客户端.lnk")]
TEMP_FILES = [os.path.join(HOME, "Temp", name) for name in ("update.txt", "Update.exe", "vorn2.ico")]
KEY = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vornhold 2"


def run(args, env=None):
    return subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120,
                          env=env).returncode


def read(path):
    with open(path, "rb") as f:
        return f.read()


def batch(folder, command):
    """cmd /c on a batch file: the command line reaches the program exactly
    as written (NSIS wants "_?=folder" unquoted), and its exit code comes back."""
    path = os.path.join(folder, "run%d.bat" % len(os.listdir(folder)))
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("@%s\r\n@exit /b %%errorlevel%%\r\n" % command)
    return [wine(), "cmd", "/c", "Z:" + path.replace("/", "\\")]


def registry(root):
    """The uninstall entry's string values, or None without one."""
    with tempfile.TemporaryDirectory(dir=BUILD) as folder:
        out = os.path.join(folder, "key.reg")
        if run([wine(), "reg", "export", root + KEY, "Z:" + out.replace("/", "\\"), "/y"]) != 0:
            return None
        text = read(out).decode("utf-16")
    return {name: re.sub(r"\\(.)", r"\1", value) for name, value in re.findall(r'^"(.+?)"="(.*)"\r?$', text, re.M)}


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


def installed_clients():
    """Processes of this prefix running the installed client."""
    pids = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            mine = ("WINEPREFIX=" + PREFIX).encode() in read("/proc/%s/environ" % pid).split(b"\0")
            if mine and (WIN_INSTALL + "\\vorn2.exe").encode() in read("/proc/%s/cmdline" % pid):
                pids.append(int(pid))
        except OSError:
            pass
    return pids


def end_installed_clients():
    for pid in installed_clients():
        os.kill(pid, signal.SIGKILL)
    return wait_for(lambda: not installed_clients(), 10)


def wait_for(predicate, timeout):
    end = time.time() + timeout
    while not predicate() and time.time() < end:
        time.sleep(0.2)
    return predicate()


def leftovers():
    left = [p for p in [INSTALL] + SHORTCUTS + TEMP_FILES if os.path.lexists(p)]
    return left + (["HKCU" + KEY] if registry("HKCU") is not None else [])


@unittest.skipUnless(os.path.exists(CLIENT) and os.environ.get("DISPLAY") and PREFIX,
                     "needs the windows build, a display and the Wine prefix")
class Installer(unittest.TestCase):
    def setUp(self):
        self.assertTrue(os.path.exists(SETUP), "no %s (nsis missing? scripts/setup.sh)" % SETUP)
        self.clean()
        self.addCleanup(self.clean)
        self.work = tempfile.mkdtemp(dir=BUILD)
        self.addCleanup(shutil.rmtree, self.work, True)
        self.assertEqual(run([wine(), SETUP, "/S"]), 0, "silent install failed")

    def clean(self):
        """Whatever a failed run left, gone: not through the uninstaller under test."""
        end_installed_clients()
        shutil.rmtree(INSTALL, ignore_errors=True)
        for path in SHORTCUTS + TEMP_FILES:
            if os.path.lexists(path):
                os.remove(path)
        run([wine(), "reg", "delete", "HKCU" + KEY, "/f"])

    def start(self, *args):
        proc = subprocess.Popen([wine(), *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: proc.poll() is None and (proc.kill(), proc.wait()))
        return proc

    def expect_splash_of_installed_client(self):
        window = window_named("Form1", 45)
        if window is None:
            screenshot(os.path.join(BUILD, "e2e-installer-failure.png"))
            self.fail("no splash; windows shown: %s" % visible_window_names())
        pid = subprocess.run(["xdotool", "getwindowpid", window], capture_output=True, text=True).stdout
        self.assertIn(int(pid), installed_clients(), "the splash is not the installed client's")

    def test_silent_install_then_client_from_its_shortcuts_then_silent_uninstall_leaves_nothing(self):
        self.assertIn(b'requestedExecutionLevel level="asInvoker"', read(SETUP), "must not ask for rights")
        self.assertEqual(sorted(os.listdir(INSTALL)), ["uninstall.exe", "vorn2.exe"])
        self.assertEqual(read(os.path.join(INSTALL, "vorn2.exe")), read(CLIENT))
        entry = registry("HKCU")
        self.assertEqual({k: entry.get(k) for k in ("DisplayName", "DisplayVersion", "InstallLocation")},
                         {"DisplayName": "Vornhold 2客户端", "DisplayVersion": publish.project_version(),
                          "InstallLocation": WIN_INSTALL})
        self.assertEqual(entry["QuietUninstallString"], '"%s\\uninstall.exe" /S' % WIN_INSTALL)
        self.assertIsNone(registry("HKLM"), "nothing in the machine's registry")
        for link in SHORTCUTS:
            self.assertIn((WIN_INSTALL + "\\vorn2.exe\0").encode(), read(link), link)
            # Output to a file: the client inherits it and would hold a pipe open.
            with open(os.path.join(self.work, "start.log"), "w+") as log:
                code = subprocess.run([wine(), "start", "/unix", link], stdout=log, stderr=log, timeout=60).returncode
                log.seek(0)
                self.assertEqual(code, 0, log.read())
            self.expect_splash_of_installed_client()
            self.assertTrue(end_installed_clients())

        # The client's files in the temporary folder go too (the version file hidden, as the client keeps it).
        for path in TEMP_FILES:
            with open(path, "wb") as f:
                f.write(b"x")
        self.assertEqual(run([wine(), "attrib", "+h", "C:\\users\\%s\\Temp\\update.txt" % USER]), 0)
        # As Windows removes it silently: the registered command. The
        # uninstaller hands over to a copy of itself and returns at once.
        self.assertEqual(run(batch(self.work, entry["QuietUninstallString"])), 0)
        self.assertTrue(wait_for(lambda: not leftovers(), 30), "left: %s" % leftovers())

    def test_running_client_is_asked_to_close_and_nothing_changes_until_it_is(self):
        client = self.start(WIN_INSTALL + "\\vorn2.exe")
        self.expect_splash_of_installed_client()
        before = {name: os.stat(os.path.join(INSTALL, name)).st_mtime_ns for name in os.listdir(INSTALL)}
        # A copy run in place of the folder, as the uninstaller runs itself,
        # so that its exit code is seen.
        shutil.copy(os.path.join(INSTALL, "uninstall.exe"), self.work)
        uninstall = '"Z:%s\\uninstall.exe" /S _?=%s' % (self.work.replace("/", "\\"), WIN_INSTALL)
        # Silent: nobody to ask, so nothing changes, exit code 2.
        self.assertEqual(run([wine(), SETUP, "/S"]), 2)
        self.assertEqual(run(batch(self.work, uninstall)), 2)
        # Interactive, in Chinese: asked; Cancel keeps everything.
        asking = subprocess.Popen(batch(self.work, uninstall.replace(" /S", "")), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, env=dict(os.environ, LC_ALL="zh_CN.UTF-8"))
        self.addCleanup(lambda: asking.poll() is None and (asking.kill(), asking.wait()))
        box = window_named("Vornhold 2客户端 卸载", 30)
        self.assertIsNotNone(box, "not asked; windows shown: %s" % visible_window_names())
        run(["xdotool", "windowfocus", "--sync", box, "key", "Escape"])
        self.assertEqual(asking.wait(timeout=30), 2)
        self.assertEqual({n: os.stat(os.path.join(INSTALL, n)).st_mtime_ns for n in os.listdir(INSTALL)}, before)
        self.assertIsNotNone(registry("HKCU"))

        client.kill()
        client.wait()
        self.assertTrue(end_installed_clients())
        self.assertEqual(run(batch(self.work, uninstall)), 0)
        self.assertEqual(leftovers(), [])

    def test_update_published_with_the_tool_replaces_the_installed_client_in_place(self):
        if not port_free(DEMO_PORT):
            self.skipTest("port %d is taken (another worktree?); the demo client asks there" % DEMO_PORT)
        # The next version: this client with the last number of its file
        # version raised, as the next build would carry it.
        new = bytearray(read(CLIENT))
        fixed = publish.fixed_info_offset(new)
        struct.pack_into("<I", new, fixed + 12, struct.unpack_from("<I", new, fixed + 12)[0] + 1)
        new_client = os.path.join(self.work, "vorn2.exe")
        with open(new_client, "wb") as f:
            f.write(new)
        served = os.path.join(self.work, "www")
        self.assertEqual(run([sys.executable, publish.__file__, new_client, served, "--variant", "demo"]), 0)
        server = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "devserver", "devserver.py"),
                                   "--port", str(DEMO_PORT), "--state-dir", served, "--quiet"])
        self.addCleanup(lambda: (server.terminate(), server.wait(timeout=10)))
        self.assertTrue(wait_for(lambda: not port_free(DEMO_PORT), 10), "devserver did not start")

        self.start(WIN_INSTALL + "\\vorn2.exe")
        prompt = window_named("提示", 45)
        self.assertIsNotNone(prompt, "no update prompt; windows shown: %s" % visible_window_names())
        run(["xdotool", "windowfocus", "--sync", prompt, "key", "Return"])  # Yes
        installed = os.path.join(INSTALL, "vorn2.exe")
        self.assertTrue(wait_for(lambda: read(installed) == new, 60), "the installed client was not replaced")
        # The updater started the new client, which finds itself current.
        self.expect_splash_of_installed_client()
        self.assertIsNone(window_named("提示", 3))
        self.assertEqual(sorted(os.listdir(INSTALL)), ["uninstall.exe", "vorn2.exe"])
        with urllib.request.urlopen("http://127.0.0.1:%d/__admin/log" % DEMO_PORT) as answer:
            log = answer.read().decode()
        self.assertEqual((log.count("\t/gamehome/vorn2/update.txt\t"), log.count("\t/gamehome/vorn2/vorn2.exe\t")),
                         (2, 1), log)


if __name__ == "__main__":
    unittest.main()
