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

from e2e_support import BUILD, CLIENT, DEMO_PORT, ROOT, port_free, screenshot, visible_window_names, window_named, wine

sys.path.insert(0, os.path.join(ROOT, "tools", "publish"))
import pe  # noqa: E402
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
DUMMY_CLIENT = os.path.join(BUILD, "tests", "win", "updater", "DummyClient.exe")
# The demo build carries the demo update key; what the tests publish is signed with it.
DEMO_KEY = os.path.join(ROOT, "keys", "demo-update-key.pem")
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


def installed_clients(folder=WIN_INSTALL):
    """Processes of this prefix running the client installed in folder."""
    pids = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            mine = ("WINEPREFIX=" + PREFIX).encode() in read("/proc/%s/environ" % pid).split(b"\0")
            if mine and (folder + "\\vorn2.exe").encode() in read("/proc/%s/cmdline" % pid):
                pids.append(int(pid))
        except OSError:
            pass
    return pids


def end_installed_clients(folder=WIN_INSTALL):
    for pid in installed_clients(folder):
        os.kill(pid, signal.SIGKILL)
    return wait_for(lambda: not installed_clients(folder), 10)


def with_version_raised(data):
    """The client's bytes with the last number of its version raised, as the
    next build would carry it: throughout its version resource, its PE
    checksum matching."""
    text = publish.version_strings(data)["FileVersion"]
    head, last = text.rsplit(".", 1)
    raised = "%s.%d" % (head, int(last) + 1)
    assert len(raised) == len(text), "a version the strings cannot be raised in place from: %s" % text
    new = bytearray(data.replace(text.encode("utf-16-le") + b"\0\0", raised.encode("utf-16-le") + b"\0\0"))
    fixed = publish.fixed_info_offset(new)
    for at in (fixed + 12, fixed + 20):  # the file and the product version
        struct.pack_into("<I", new, at, struct.unpack_from("<I", new, at)[0] + 1)
    at = pe.Image(new).checksum_at
    struct.pack_into("<I", new, at, pe.checksum(new, at))
    return bytes(new)


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
        # Run in place, so that its exit code is the real result.
        self.assertEqual(entry["QuietUninstallString"], '"%s\\uninstall.exe" /S _?=%s' % (WIN_INSTALL, WIN_INSTALL))
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

        # The client's files in the temporary folder go too (the version file hidden, as the client keeps it),
        # and what killed runs left beside the client.
        self.write_client_temp_files()
        for name in ("vorn2.exe.setup", "uninstall.exe.setup", "vorn2.exe.unconfirmed"):
            open(os.path.join(INSTALL, name), "wb").close()
        # As Windows removes it silently: the registered command, whose exit
        # code is the result. The uninstaller's own file goes once it ended.
        self.assertEqual(run(batch(self.work, entry["QuietUninstallString"])), 0)
        self.assertTrue(wait_for(lambda: not leftovers(), 30), "left: %s" % leftovers())

    def write_client_temp_files(self):
        shutil.copy(os.path.join(BUILD, "updater", "Update.exe"), TEMP_FILES[1])
        with open(TEMP_FILES[0], "wb") as f:
            f.write(publish.version_file_text(publish.project_version()))
        with open(TEMP_FILES[2], "wb") as f:
            f.write(b"x")
        self.assertEqual(run([wine(), "attrib", "+h", "C:\\users\\%s\\Temp\\update.txt" % USER]), 0)

    def test_running_client_is_asked_to_close_and_nothing_changes_until_it_is(self):
        client = self.start(WIN_INSTALL + "\\vorn2.exe")
        self.expect_splash_of_installed_client()
        before = {name: os.stat(os.path.join(INSTALL, name)).st_mtime_ns for name in os.listdir(INSTALL)}
        uninstall = registry("HKCU")["QuietUninstallString"]
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
        # Held after the uninstaller's check, as a client started then holds
        # its file: it says so with its own code, and the entry stays.
        holder = self.start(DUMMY_CLIENT, "/hold", WIN_INSTALL + "\\vorn2.exe")
        time.sleep(3)
        self.assertEqual(run(batch(self.work, uninstall)), 5)
        self.assertTrue(os.path.exists(os.path.join(INSTALL, "vorn2.exe")))
        self.assertIsNotNone(registry("HKCU"))
        holder.kill()
        holder.wait()
        self.assertEqual(run(batch(self.work, uninstall)), 0)
        self.assertTrue(wait_for(lambda: not leftovers(), 30), "left: %s" % leftovers())

    def drive(self, letter, size, read_only=False, folders=()):
        """A small tmpfs mounted and mapped as a Wine drive, with folders made
        before it turns read-only; its Linux path."""
        folder = tempfile.mkdtemp(dir=BUILD)
        self.addCleanup(os.rmdir, folder)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d,mode=0777" % size, "tmpfs", folder],
                          capture_output=True).returncode != 0:
            self.skipTest("cannot mount a tmpfs here (not root?)")
        self.addCleanup(subprocess.run, ["umount", "-l", folder])
        for name in folders:
            os.mkdir(os.path.join(folder, name))
        if read_only:
            subprocess.run(["mount", "-o", "remount,ro", folder], check=True)
        link = os.path.join(PREFIX, "dosdevices", letter + ":")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(folder, link)
        self.addCleanup(os.remove, link)
        return folder

    def test_full_and_read_only_disks_keep_the_installed_client_and_its_entry(self):
        client, setup_size = read(CLIENT), os.path.getsize(SETUP)
        # Room for one client and its uninstaller, not for a second client beside them.
        small = self.drive("r", len(client) * 3 // 2 + setup_size)
        target, win_target = os.path.join(small, "Vornhold 2"), "R:\\Vornhold 2"
        self.addCleanup(end_installed_clients, win_target)
        # /D= unquoted and last, as the installer wants it: through a batch file.
        install_to = '"Z:%s" /S /D=%s' % (SETUP.replace("/", "\\"), win_target)
        self.assertEqual(run(batch(self.work, install_to)), 0)
        # Moved: the copy in the former folder is gone, the entry names the new one.
        self.assertFalse(os.path.exists(INSTALL))
        self.assertEqual(registry("HKCU")["InstallLocation"], win_target)
        # The folder is the user's own (Wine keeps its access list as the mode: nothing for others).
        self.assertEqual(os.stat(target).st_mode & 0o007, 0, oct(os.stat(target).st_mode))
        old = client[:-8] + b"OLDCLNT!"
        with open(os.path.join(target, "vorn2.exe"), "wb") as f:
            f.write(old)

        # An upgrade that does not fit: the old client whole, nothing left beside it.
        self.assertEqual(run(batch(self.work, install_to)), 3)
        self.assertEqual(read(os.path.join(target, "vorn2.exe")), old)
        self.assertEqual(sorted(os.listdir(target)), ["uninstall.exe", "vorn2.exe"])

        # The updater on the same disk says that the disk is full, and keeps the client.
        served, updater = os.path.join(self.work, "www"), os.path.join(self.work, "updater")
        newer = os.path.join(self.work, "vorn2.exe")  # the updater takes only a higher version
        with open(newer, "wb") as f:
            f.write(with_version_raised(client))
        self.assertEqual(run([sys.executable, publish.__file__, newer, served, "--variant", "demo",
                              "--key", DEMO_KEY]), 0)
        port_file = os.path.join(self.work, "port")
        server = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "devserver", "devserver.py"),
                                   "--port", "0", "--port-file", port_file, "--state-dir", served, "--quiet"])
        self.addCleanup(lambda: (server.terminate(), server.wait(timeout=10)))
        self.assertTrue(wait_for(lambda: os.path.exists(port_file) and read(port_file).strip(), 10))
        os.mkdir(updater)
        shutil.copy(os.path.join(BUILD, "tests", "win", "updater", "UpdateTestBuild.exe"), updater)
        shutil.copy(os.path.join(served, "gamehome", "vorn2", "update.txt"), updater)
        log = os.path.join(updater, "messages.txt")
        env = dict(os.environ, VORN2_DEVSERVER_URL="http://127.0.0.1:%s" % read(port_file).decode().strip(),
                   VORN2_UPDATER_MESSAGE_LOG="Z:" + log.replace("/", "\\"))
        code = run([wine(), os.path.join(updater, "UpdateTestBuild.exe"),
                    "%s|%s\\vorn2.exe" % (win_target, win_target)], env=env)
        self.assertEqual(code, 8)
        self.assertIn("磁盘空间不足", read(log).decode("utf-8"))
        self.assertEqual(read(os.path.join(target, "vorn2.exe")), old)
        self.assertEqual(sorted(os.listdir(target)), ["uninstall.exe", "vorn2.exe"])
        end_installed_clients(win_target)  # started again after the failure

        # A read-only disk: nothing installed, and the entry and shortcuts
        # still name the client that is there. A folder there already, which
        # cannot be made the user's own, is refused as such.
        self.drive("s", 1 << 20, read_only=True, folders=["Vornhold"])
        self.assertEqual(run(batch(self.work, install_to.replace("R:", "S:"))), 3)
        self.assertEqual(run(batch(self.work, install_to.replace("R:\\Vornhold 2", "S:\\Vornhold"))), 6)
        self.assertEqual(registry("HKCU")["InstallLocation"], win_target)
        for link in SHORTCUTS:
            self.assertIn((win_target + "\\vorn2.exe\0").encode(), read(link), link)

    def test_older_installer_and_a_stale_copy_leave_the_newer_install_alone(self):
        installed = os.path.join(INSTALL, "vorn2.exe")
        newer = with_version_raised(read(CLIENT))
        with open(installed, "wb") as f:
            f.write(newer)
        # Silent: refused unless allowed.
        self.assertEqual(run([wine(), SETUP, "/S"]), 4)
        self.assertEqual(read(installed), newer)
        self.assertEqual(run([wine(), SETUP, "/S", "/ALLOWDOWNGRADE"]), 0)
        self.assertEqual(read(installed), read(CLIENT))

        # A stale copy elsewhere (its uninstaller run in place) removes itself,
        # but not the live install's entry and shortcuts, nor files in the
        # temporary folder that are not the client's.
        stale = os.path.join(self.work, "stale")
        os.mkdir(stale)
        shutil.copy(CLIENT, stale)
        shutil.copy(os.path.join(INSTALL, "uninstall.exe"), self.work)
        foreign = {TEMP_FILES[0]: b"[other]\r\nversion=9\r\n",
                   TEMP_FILES[1]: read(DUMMY_CLIENT)}
        for path, data in foreign.items():
            with open(path, "wb") as f:
                f.write(data)
        stale_win = "Z:" + stale.replace("/", "\\")
        command = '"Z:%s\\uninstall.exe" /S _?=%s' % (self.work.replace("/", "\\"), stale_win)
        self.assertEqual(run(batch(self.work, command)), 0)
        self.assertFalse(os.path.exists(stale))
        self.assertEqual(registry("HKCU")["InstallLocation"], WIN_INSTALL)
        self.assertTrue(all(os.path.exists(link) for link in SHORTCUTS))
        self.assertEqual({path: read(path) for path in foreign}, foreign)

    def test_what_a_killed_run_left_is_put_right_at_the_next_start(self):
        # Even by an installer that then changes nothing: silent, over a newer client.
        client, newer = read(CLIENT), with_version_raised(read(CLIENT))
        # A killed upgrade: the new client in place, the entry naming the
        # version before, half-written files and a stale backup beside it. An
        # update killed before its new client (one that cannot start) showed
        # a window: the updater's marker, the backup.
        for left in ({"vorn2.exe": newer, "vorn2.exe.setup": b"", "uninstall.exe.setup": b"", "vorn2.exe.old": client},
                     {"vorn2.exe": client[:4096], "vorn2.exe.unconfirmed": b"", "vorn2.exe.old": newer}):
            with self.subTest(left=sorted(left)):
                run([wine(), "reg", "add", "HKCU" + KEY, "/v", "DisplayVersion", "/d", publish.project_version(), "/f"])
                for name, data in left.items():
                    with open(os.path.join(INSTALL, name), "wb") as f:
                        f.write(data)
                self.assertEqual(run([wine(), SETUP, "/S"]), 4)
                self.assertEqual(sorted(os.listdir(INSTALL)), ["uninstall.exe", "vorn2.exe"])
                self.assertEqual(read(os.path.join(INSTALL, "vorn2.exe")), newer)
                self.assertEqual(registry("HKCU")["DisplayVersion"], publish.client_version(newer))

    def test_update_published_with_the_tool_replaces_the_installed_client_in_place(self):
        if not port_free(DEMO_PORT):
            self.skipTest("port %d is taken (another worktree?); the demo client asks there" % DEMO_PORT)
        new = with_version_raised(read(CLIENT))
        new_client = os.path.join(self.work, "vorn2.exe")
        with open(new_client, "wb") as f:
            f.write(new)
        served = os.path.join(self.work, "www")
        # Signed with the demo key, which the demo build carries.
        self.assertEqual(run([sys.executable, publish.__file__, new_client, served, "--variant", "demo",
                              "--key", DEMO_KEY]), 0)
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
