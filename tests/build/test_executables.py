"""Checks of the built executables read from their PE headers: which libraries
they name in their import tables, and that ASLR (with relocations to use it),
high-entropy ASLR and DEP stay on.

Update.exe runs from the temporary folder, where a file named like a library
in its import table would be loaded instead of the system's. So it may name
only libraries the system always maps from its own folder (the known DLLs of
every supported Windows); the others come through framework/win/SystemLibrary.
"""
import os
import re
import struct
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.environ.get("VORN2_WINDOWS_BUILD", os.path.join(ROOT, "build", "windows"))

# In KnownDLLs from Windows 7 to Windows 11.
KNOWN = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll",
    "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll",
    "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}
# The client lives in its installation folder and may also take: gdiplus
# (known from Windows 10 on; used throughout the drawing code) and comctl32,
# which its manifest binds to the common-controls 6 assembly.
CLIENT_EXTRA = {"gdiplus.dll", "comctl32.dll"}

IMAGE_FILE_RELOCS_STRIPPED = 0x0001
HIGH_ENTROPY_VA = 0x0020
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s: not a PE image" % path)
        sections, optional_size, self.file_characteristics = struct.unpack_from("<2xH12xHH", self.data, pe + 4)
        opt = pe + 24
        if self.u16(opt) != 0x20B:
            raise ValueError("%s: not a 64-bit image" % path)
        self.dll_characteristics = self.u16(opt + 70)
        self.directories = [struct.unpack_from("<II", self.data, opt + 112 + 8 * i) for i in range(self.u32(opt + 108))]
        self.sections = [struct.unpack_from("<8xIIII", self.data, opt + optional_size + 40 * i) for i in range(sections)]

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        raise ValueError("address %#x outside every section" % rva)

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def imports(self):
        """Library names of the import table."""
        names = []
        rva, _ = self.directory(1)
        while rva:
            descriptor = struct.unpack_from("<5I", self.data, self.offset(rva))
            if not any(descriptor):
                break
            names.append(self.string(descriptor[3]))
            rva += 20
        return names

    def library_names(self):
        """Every narrow library name in the file. Delay-loaded libraries are
        named only there: mingw's linker leaves their directory empty."""
        return {m.decode("ascii") for m in re.findall(rb"([A-Za-z0-9_\-]+\.dll)\0", self.data, re.IGNORECASE)}


class Executables(unittest.TestCase):
    def image(self, *parts):
        path = os.path.join(BUILD, *parts)
        self.assertTrue(os.path.isfile(path), "%s not built" % path)
        return PeImage(path)

    def check(self, image, allowed, name):
        imports = {n.lower() for n in image.imports()}
        self.assertIn("kernel32.dll", imports, name)  # the table was found at all
        self.assertEqual(sorted(imports - allowed), [], "%s imports libraries outside the allowed list" % name)
        named = {n.lower() for n in image.library_names()}
        self.assertEqual(sorted(named - allowed), [], "%s names libraries outside the allowed list" % name)
        flags = image.dll_characteristics
        self.assertTrue(flags & DYNAMIC_BASE, "%s: ASLR off" % name)
        self.assertTrue(flags & HIGH_ENTROPY_VA, "%s: high-entropy ASLR off" % name)
        self.assertTrue(flags & NX_COMPAT, "%s: DEP off" % name)
        # Without relocations the loader cannot move the image, whatever the flag says.
        self.assertFalse(image.file_characteristics & IMAGE_FILE_RELOCS_STRIPPED, "%s: relocations stripped" % name)
        self.assertGreater(image.directory(5)[1], 0, "%s: no relocations" % name)
        return imports

    def test_updaters_name_only_known_libraries(self):
        # The test build runs the same loading code and stands in for the
        # shipped one in the planted-library test under Wine.
        for exe in ("Update.exe", "UpdateTestBuild.exe"):
            with self.subTest(exe=exe):
                self.check(self.image("updater", exe), KNOWN, exe)

    def test_client_names_only_known_libraries(self):
        image = self.image("src", "app", "vorn2.exe")
        imports = self.check(image, KNOWN | CLIENT_EXTRA, "vorn2.exe")
        if "comctl32.dll" in imports:
            self.assertIn(b"Microsoft.Windows.Common-Controls", image.data,
                          "vorn2.exe imports comctl32 without the manifest that binds it")


if __name__ == "__main__":
    unittest.main()
