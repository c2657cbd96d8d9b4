"""The per-user installer, an update published with tools/publish, and the
uninstaller, under Wine: silent install, the client started from its
shortcut, the update replacing it in place, silent uninstall."""
import os
import pwd
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

VERSION = publish.project_version()
SETUP = os.path.join(BUILD, "installer", "vorn2-setup-%s.exe" % VERSION)
PREFIX = os.environ.get("WINEPREFIX", "")
USER = pwd.getpwuid(os.getuid()).pw_name
HOME = os.path.join(PREFIX, "drive_c", "users", USER)
WIN_HOME = "C:\\users\\" + USER
INSTALL = os.path.join(HOME, "AppData", "Local", "Programs", "Vornhold 2")
WIN_INSTALL = WIN_HOME + "\\AppData\\Local\\Programs\\Vornhold 2"
SHORTCUT = "Vornhold 2客户端.lnk"
START_MENU = os.path.join(HOME, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs")
DESKTOP = os.path.join(HOME, "Desktop")
TEMP = os.path.join(HOME, "Temp")
TEMP_FILES = ("update.txt", "Update.exe", "vorn2.ico")
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vornhold 2"


def run(args, timeout=120, env=None):
    return subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout,
                          env=env).returncode


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def batch(folder, command):
    """A batch file that runs command exactly as written (no argument
    quoting on the way) and ends with its exit code; cmd /c runs it."""
    path = os.path.join(folder, "run%d.bat" % len(os.listdir(folder)))
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("@%s\r\n@exit /b %%errorlevel%%\r\n" % command)
    return [wine(), "cmd", "/c", windows_path(path)]


def unescape(value):
    out, chars = [], iter(value)
    for c in chars:
        out.append(next(chars, "") if c == "\\" else c)
    return "".join(out)


def registry(root_key):
    """The uninstall entry's values under HKCU or HKLM, or None without one."""
    with tempfile.TemporaryDirectory(dir=BUILD) as folder:
        out = os.path.join(folder, "key.reg")
        if run([wine(), "reg", "export", root_key + "\\" + UNINSTALL_KEY, windows_path(out), "/y"]) != 0:
            return None
        with open(out, "rb") as f:
            text = f.read().decode("utf-16")
    values = {}
    for line in text.splitlines():
        if line.startswith('"') and '"=' in line:
            name, value = line.split("=", 1)
            quoted = len(value) >= 2 and value[0] == value[-1] == '"'
            values[unescape(name[1:-1])] = unescape(value[1:-1]) if quoted else value
    return values


def window_named(name, timeout=45.0):
    """A mapped X window whose title is exactly name (xdotool's search does
    not match Chinese titles), or None."""
    end = time.time() + timeout
    while time.time() < end:
        ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                             capture_output=True, text=True).stdout.split()
        for w in ids:
            title = subprocess.run(["xdotool", "getwindowname", w], capture_output=True, text=True).stdout
            if title.strip() == name:
                return w
        time.sleep(0.2)
    return None


def press(window, key):
    run(["xdotool", "windowfocus", "--sync", window, "key", key], timeout=10)


def prefix_processes(fragment):
    """Wine processes of this prefix whose command line holds fragment."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmdline = f.read()
            with open("/proc/%s/environ" % pid, "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if fragment.encode() in cmdline and ("WINEPREFIX=" + PREFIX).encode() in environ:
            found.append(int(pid))
    return found


def end_installed_clients():
    for pid in prefix_processes(WIN_INSTALL + "\\"):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    end = time.time() + 10
    while prefix_processes(WIN_INSTALL + "\\") and time.time() < end:
        time.sleep(0.1)


def wait_for(predicate, timeout):
    end = time.time() + timeout
    while time.time() < end:
        if predicate():
            return True
        time.sleep(0.2)
    return predicate()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def leftovers():
    """What of ours is still there."""
    left = [p for p in (INSTALL, os.path.join(START_MENU, SHORTCUT), os.path.join(DESKTOP, SHORTCUT))
            if os.path.lexists(p)]
    left += [os.path.join(TEMP, name) for name in TEMP_FILES if os.path.lexists(os.path.join(TEMP, name))]
    if registry("HKCU") is not None:
        left.append("HKCU\\" + UNINSTALL_KEY)
    return left


@unittest.skipUnless(os.path.exists(CLIENT) and os.environ.get("DISPLAY") and PREFIX,
                     "needs the windows build, a display and the Wine prefix")
class Installer(unittest.TestCase):
    def setUp(self):
        self.assertTrue(os.path.exists(SETUP), "no installer at %s (is nsis installed? scripts/setup.sh)" % SETUP)
        self.assertFalse(os.path.islink(DESKTOP), "the prefix's Desktop points outside it")
        self.clean()
        self.addCleanup(self.clean)
        self.work = tempfile.mkdtemp(dir=BUILD)
        self.addCleanup(shutil.rmtree, self.work, True)

    def clean(self):
        """Leaves no installation behind, whatever a failed run left."""
        end_installed_clients()
        shutil.rmtree(INSTALL, ignore_errors=True)
        for path in [os.path.join(START_MENU, SHORTCUT), os.path.join(DESKTOP, SHORTCUT)] + \
                [os.path.join(TEMP, name) for name in TEMP_FILES]:
            if os.path.lexists(path):
                os.remove(path)
        run([wine(), "reg", "delete", "HKCU\\" + UNINSTALL_KEY, "/f"])

    def install(self):
        self.assertEqual(run([wine(), SETUP, "/S"]), 0, "silent install failed")
        self.assertTrue(os.path.isfile(os.path.join(INSTALL, "vorn2.exe")))

    def uninstall_silently(self):
        """The uninstall Windows runs for a silent removal: the registered
        command line. The uninstaller hands over to a copy of itself in the
        temporary folder and returns, so wait for the result."""
        command = registry("HKCU")["QuietUninstallString"]
        self.assertEqual(run(batch(self.work, command)), 0)
        done = wait_for(lambda: not leftovers(), 30)
        self.assertTrue(done, "left after the silent uninstall: %s" % leftovers())

    def start_through_shortcut(self, folder):
        self.assertEqual(run([wine(), "start", "/unix", os.path.join(folder, SHORTCUT)]), 0)
        return self.splash_of_installed_client()

    def splash_of_installed_client(self, timeout=45):
        """The pid of the installed client once its splash ("Form1") shows."""
        window = window_named("Form1", timeout)
        if window is None:
            screenshot(os.path.join(BUILD, "e2e-installer-failure.png"))
            self.fail("no splash; windows shown: %s" % visible_window_names())
        pid = int(subprocess.run(["xdotool", "getwindowpid", window], capture_output=True, text=True).stdout)
        self.assertIn(pid, prefix_processes(WIN_INSTALL + "\\vorn2.exe"), "the splash is not the installed client's")
        return pid

    def test_silent_install_puts_client_shortcuts_and_entry_in_place_and_silent_uninstall_removes_them(self):
        manifest = read(SETUP)
        self.assertIn(b'requestedExecutionLevel level="asInvoker"', manifest, "the installer must not ask for rights")
        self.install()
        self.assertEqual(sorted(os.listdir(INSTALL)), ["uninstall.exe", "vorn2.exe"])
        self.assertEqual(read(os.path.join(INSTALL, "vorn2.exe")), read(CLIENT))
        target = (WIN_INSTALL + "\\vorn2.exe").encode("ascii") + b"\0"
        workdir = WIN_INSTALL.encode("utf-16-le") + b"\0\0"
        for folder in (START_MENU, DESKTOP):
            link = read(os.path.join(folder, SHORTCUT))
            self.assertTrue(link.startswith(b"L\0\0\0"), folder)
            self.assertIn(target, link, folder)
            self.assertIn(workdir, link, folder)

        entry = registry("HKCU")
        self.assertIsNotNone(entry, "no uninstall entry under HKCU")
        self.assertEqual(entry["DisplayName"], "Vornhold 2客户端")
        self.assertEqual(entry["DisplayVersion"], VERSION)
        self.assertEqual(entry["InstallLocation"], WIN_INSTALL)
        self.assertEqual(entry["UninstallString"], '"%s\\uninstall.exe"' % WIN_INSTALL)
        self.assertEqual(entry["QuietUninstallString"], '"%s\\uninstall.exe" /S' % WIN_INSTALL)
        self.assertIsNone(registry("HKLM"), "nothing goes to the machine's registry")

        # Both shortcuts start the installed client.
        for folder in (START_MENU, DESKTOP):
            os.kill(self.start_through_shortcut(folder), signal.SIGKILL)
            end_installed_clients()

        # What the client leaves in the temporary folder goes too; the
        # version file is hidden, as the client writes it.
        for name in TEMP_FILES:
            with open(os.path.join(TEMP, name), "wb") as f:
                f.write(b"x")
        self.assertEqual(run([wine(), "attrib", "+h", WIN_HOME + "\\Temp\\update.txt"]), 0)
        self.uninstall_silently()

    def test_running_client_is_asked_to_close_and_nothing_is_removed_until_it_is(self):
        self.install()
        client = subprocess.Popen([wine(), WIN_INSTALL + "\\vorn2.exe"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: client.poll() is None and (client.kill(), client.wait()))
        self.splash_of_installed_client()
        before = {name: os.stat(os.path.join(INSTALL, name)).st_mtime_ns for name in os.listdir(INSTALL)}
        # A copy outside the folder, run in place of it, as the uninstaller
        # does itself; so its exit code can be seen.
        copy = os.path.join(self.work, "uninstall.exe")
        shutil.copy(os.path.join(INSTALL, "uninstall.exe"), copy)
        uninstall = '"%s" /S _?=%s' % (windows_path(copy), WIN_INSTALL)

        # Silent: nobody to ask, so nothing changes, exit code 2.
        self.assertEqual(run([wine(), SETUP, "/S"]), 2)
        self.assertEqual(run(batch(self.work, uninstall)), 2)
        # Interactive (Chinese texts): asked, and Cancel leaves everything.
        asking = subprocess.Popen(batch(self.work, uninstall.replace(" /S", "")), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, env=dict(os.environ, LC_ALL="zh_CN.UTF-8"))
        self.addCleanup(lambda: asking.poll() is None and (asking.kill(), asking.wait()))
        box = window_named("Vornhold 2客户端 卸载", 30)
        if box is None:
            self.fail("no question while the client runs; windows shown: %s" % visible_window_names())
        press(box, "Escape")
        self.assertEqual(asking.wait(timeout=30), 2)
        after = {name: os.stat(os.path.join(INSTALL, name)).st_mtime_ns for name in os.listdir(INSTALL)}
        self.assertEqual(after, before)
        self.assertIsNotNone(registry("HKCU"))

        client.kill()
        client.wait()
        end_installed_clients()
        self.assertEqual(run(batch(self.work, uninstall)), 0)
        self.assertEqual(leftovers(), [])

    def test_update_published_with_the_tool_replaces_the_installed_client_in_place(self):
        if not port_free(DEMO_PORT):
            self.skipTest("port %d is taken (another worktree's devserver?); the demo client asks there" % DEMO_PORT)
        self.install()
        # The next version: this client with the last number of its file
        # version raised, as the next build would carry it.
        data = bytearray(read(CLIENT))
        fixed = publish.fixed_info_offset(data)
        ms, ls = struct.unpack_from("<II", data, fixed + 8)
        struct.pack_into("<I", data, fixed + 12, ls + 1)
        newer = "%d.%d.%d" % (ms >> 16, ms & 0xFFFF, (ls & 0xFFFF) + 1)
        new_client = os.path.join(self.work, "vorn2.exe")
        with open(new_client, "wb") as f:
            f.write(data)
        served = os.path.join(self.work, "www")
        self.assertEqual(run([sys.executable, os.path.join(ROOT, "tools", "publish", "publish.py"), new_client, served,
                              "--expect-version", newer]), 0)

        devserver = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "devserver", "devserver.py"),
                                      "--port", str(DEMO_PORT), "--state-dir", served, "--quiet"])
        self.addCleanup(lambda: (devserver.terminate(), devserver.wait(timeout=10)))
        self.assertTrue(wait_for(lambda: not port_free(DEMO_PORT), 10), "devserver did not start")
        base = "http://127.0.0.1:%d" % DEMO_PORT

        client = subprocess.Popen([wine(), WIN_INSTALL + "\\vorn2.exe"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: client.poll() is None and (client.kill(), client.wait()))
        prompt = window_named("提示", 45)
        if prompt is None:
            screenshot(os.path.join(BUILD, "e2e-installer-failure.png"))
            self.fail("no update prompt; windows shown: %s" % visible_window_names())
        press(prompt, "Return")  # Yes

        installed = os.path.join(INSTALL, "vorn2.exe")
        self.assertTrue(wait_for(lambda: read(installed) == bytes(data), 60), "the installed client was not replaced")
        # The updater started the new client, which finds itself current:
        # its splash, and no second prompt.
        self.splash_of_installed_client()
        self.assertIsNone(window_named("提示", 3))
        self.assertEqual(sorted(os.listdir(INSTALL)), ["uninstall.exe", "vorn2.exe"])
        with urllib.request.urlopen(base + "/__admin/log") as answer:
            log = answer.read().decode()
        self.assertEqual(log.count("GET\t/gamehome/vorn2/vorn2.exe\t"), 1, log)
        self.assertEqual(log.count("GET\t/gamehome/vorn2/update.txt\t"), 2, log)

        end_installed_clients()
        self.uninstall_silently()


if __name__ == "__main__":
    unittest.main()
