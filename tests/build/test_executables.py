"""The built executables read as PE files: the libraries they name, and ASLR
(with relocations to use it), high-entropy ASLR and DEP on. Update.exe runs
from the temporary folder, so it may name only libraries the system always
maps from its own folder."""
import os
import re
import struct
import unittest

BUILD = os.environ.get("VORN2_WINDOWS_BUILD",
                       os.path.join(os.path.dirname(__file__), "..", "..", "build", "windows"))

# In KnownDLLs from Windows 7 to Windows 11.
KNOWN = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll",
    "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll",
    "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}
# The client, in its installation folder, may also take gdiplus (known from
# Windows 10 on, used all through the drawing code, the splash first). The
# common controls (the tab strip's tooltip) are not known: they are loaded
# from the system folder when first used.
CLIENT_EXTRA = {"gdiplus.dll"}

RELOCS_STRIPPED, HIGH_ENTROPY_VA, DYNAMIC_BASE, NX_COMPAT = 0x1, 0x20, 0x40, 0x100


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = data = f.read()
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", path
        sections, optional_size, self.file_flags = struct.unpack_from("<2xH12xHH", data, pe + 4)
        opt = pe + 24
        assert struct.unpack_from("<H", data, opt)[0] == 0x20B, path  # 64-bit
        self.dll_flags = struct.unpack_from("<H", data, opt + 70)[0]
        self.dirs = [struct.unpack_from("<II", data, opt + 112 + 8 * i) for i in range(16)]
        self.sections = [struct.unpack_from("<8xIIII", data, opt + optional_size + 40 * i) for i in range(sections)]

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("address %#x outside every section" % rva)

    def imports(self):
        names, rva = set(), self.dirs[1][0]
        while rva:
            descriptor = struct.unpack_from("<5I", self.data, self.offset(rva))
            if not any(descriptor):
                return names
            at = self.offset(descriptor[3])
            names.add(self.data[at:self.data.index(b"\0", at)].decode("ascii").lower())
            rva += 20
        return names

    def named_libraries(self):
        # Delay-loaded libraries are named only as strings: mingw's linker
        # leaves their directory empty.
        return {m.decode("ascii").lower() for m in re.findall(rb"([\w-]+\.dll)\0", self.data, re.IGNORECASE)}


class Executables(unittest.TestCase):
    def check(self, allowed, *path):
        name = path[-1]
        full = os.path.join(BUILD, *path)
        self.assertTrue(os.path.isfile(full), "%s not built" % full)
        image = PeImage(full)
        imports = image.imports()
        self.assertIn("kernel32.dll", imports, name)  # the table was read at all
        self.assertEqual(sorted((imports | image.named_libraries()) - allowed), [], name)
        for flag, what in ((DYNAMIC_BASE, "ASLR"), (HIGH_ENTROPY_VA, "high-entropy ASLR"), (NX_COMPAT, "DEP")):
            self.assertTrue(image.dll_flags & flag, "%s: %s off" % (name, what))
        # Without relocations the loader cannot move the image, whatever the flag says.
        self.assertFalse(image.file_flags & RELOCS_STRIPPED, name)
        self.assertGreater(image.dirs[5][1], 0, "%s: no relocations" % name)
        return image, imports

    def test_updaters(self):
        # The test build stands in for the shipped one in the Wine tests.
        for exe in ("Update.exe", "UpdateTestBuild.exe"):
            with self.subTest(exe=exe):
                self.check(KNOWN, "updater", exe)

    def test_client(self):
        self.check(KNOWN | CLIENT_EXTRA, "src", "app", "vorn2.exe")


if __name__ == "__main__":
    unittest.main()
