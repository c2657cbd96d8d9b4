"""Reads Windows programs (PE images): the headers, the sections, the
resources and the standard PE checksum. The publishing tool takes a client
only when check_sound() finds it a whole x64 program, as it was linked.

GNU ld writes the checksum into every image it links, and osslsigncode
writes it again when it signs, so a checksum that does not match means the
file was changed (cut short, code zeroed, bytes patched) after both.
Standard library only.
"""

import struct

AMD64 = 0x8664
PE32_PLUS = 0x20B
EXECUTABLE_IMAGE, DLL = 0x0002, 0x2000
MEM_EXECUTE = 0x20000000
SECURITY_DIRECTORY = 4  # the only directory given as a file offset, not an address
SYMBOL_SIZE = 18


class PeError(Exception):
    pass


def _align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def _power_of_two(value):
    return value > 0 and value & (value - 1) == 0


class Section:
    def __init__(self, data, at):
        self.name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
        (self.virtual_size, self.address, self.raw_size, self.raw,
         self.flags) = struct.unpack_from("<IIII12xI", data, at + 8)

    @property
    def size(self):
        """What it takes in memory; some linkers leave the virtual size 0."""
        return self.virtual_size or self.raw_size


class Image:
    """The headers of a PE image; raises PeError for anything that is not one."""

    def __init__(self, data):
        self.data = data
        try:
            self._read_headers(data)
        except struct.error:
            raise PeError("truncated or malformed Windows program") from None

    def _read_headers(self, data):
        if data[:2] != b"MZ":
            raise PeError("not a Windows program (no MZ header)")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("not a Windows program (no PE header)")
        (self.machine, count, self.symbols_at, self.symbol_count, optional_size,
         self.characteristics) = struct.unpack_from("<HH4xIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic not in (0x10B, PE32_PLUS):
            raise PeError("unknown optional header 0x%x" % self.magic)
        wide = self.magic == PE32_PLUS
        self.entry = struct.unpack_from("<I", data, optional + 16)[0]
        (self.section_alignment, self.file_alignment, self.size_of_image, self.size_of_headers,
         self.checksum) = struct.unpack_from("<II16xIII", data, optional + 32)
        self.checksum_at = optional + 64
        directories = optional + (112 if wide else 96)
        directory_count = min(struct.unpack_from("<I", data, directories - 4)[0], 16)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) if i < directory_count else (0, 0)
                            for i in range(16)]
        self.section_table = optional + optional_size
        self.sections = [Section(data, self.section_table + 40 * i) for i in range(count)]

    def offset(self, rva):
        """The file offset of an address inside a section."""
        for s in self.sections:
            if s.address <= rva < s.address + max(s.virtual_size, s.raw_size):
                return s.raw + rva - s.address
        raise PeError("address 0x%x lies in no section" % rva)

    def resource(self, kind, name=None):
        """File offset and size of the resource of type kind (a number or an
        upper-case name) and name (a number, or None for the first), in its
        first language; None when the program has no such resource."""
        try:
            return self._resource(kind, name)
        except (struct.error, IndexError):
            raise PeError("truncated or malformed Windows program") from None

    def _resource(self, kind, name):
        data = self.data
        u16 = lambda off: struct.unpack_from("<H", data, off)[0]
        u32 = lambda off: struct.unpack_from("<I", data, off)[0]
        rva = self.directories[2][0]
        if not rva:
            raise PeError("the program has no resources")
        base = self.offset(rva)

        def matches(entry_name, want):
            if want is None:
                return True
            if isinstance(want, int):
                return entry_name == want
            if not entry_name & 0x80000000:
                return False
            at = base + (entry_name & 0x7FFFFFFF)
            return data[at + 2:at + 2 + 2 * u16(at)].decode("utf-16-le", "replace").upper() == want

        def entry(directory, want=None):
            for i in range(u16(directory + 12) + u16(directory + 14)):
                entry_name, target = u32(directory + 16 + 8 * i), u32(directory + 20 + 8 * i)
                if matches(entry_name, want):
                    return target
            return None

        # Type -> name -> its first language -> the data.
        node = base
        for want in (kind, name):
            target = entry(node, want)
            if target is None:
                return None
            if not target & 0x80000000:
                raise PeError("malformed resource directory")
            node = base + (target & 0x7FFFFFFF)
        target = entry(node)
        if target is None or target & 0x80000000:
            raise PeError("malformed resource directory")
        node = base + target
        at, size = self.offset(u32(node)), u32(node + 4)
        if at + size > len(data):
            raise PeError("truncated or malformed Windows program")
        return at, size


def checksum(data, at):
    """The standard PE checksum of data whose checksum field is at offset at:
    the 16-bit one's complement sum of the file without that field, plus the
    file's length."""
    padded = bytes(data[:at]) + bytes(4) + bytes(data[at + 4:]) + bytes(len(data) % 2)
    total = sum(memoryview(padded).cast("H"))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def _cut_short(what, end, size):
    return PeError("the file is cut short: %s ends at byte %d, the file at %d" % (what, end, size))


def check_sound(data):
    """Refuses anything but a whole x64 Windows program as it was linked (and
    signed): its headers and sections consistent and inside the file, its
    entry point in code that is there, its PE checksum matching. Returns its
    Image."""
    image = Image(data)
    size = len(data)
    if image.machine != AMD64:
        raise PeError("not a program for x64 Windows (machine 0x%04x)" % image.machine)
    if image.magic != PE32_PLUS:
        raise PeError("not a 64-bit program (optional header 0x%x, not PE32+)" % image.magic)
    if not image.characteristics & EXECUTABLE_IMAGE or image.characteristics & DLL:
        raise PeError("not a program (characteristics 0x%04x)" % image.characteristics)
    file_alignment, section_alignment = image.file_alignment, image.section_alignment
    if not (_power_of_two(file_alignment) and 512 <= file_alignment <= 65536 and
            _power_of_two(section_alignment) and section_alignment >= file_alignment):
        raise PeError("malformed headers: file alignment %d, section alignment %d" % (file_alignment, section_alignment))
    if not 0 < len(image.sections) <= 96:
        raise PeError("malformed headers: %d sections" % len(image.sections))
    table_end = image.section_table + 40 * len(image.sections)
    if image.size_of_headers < table_end or image.size_of_headers % file_alignment:
        raise PeError("malformed headers: size of headers %d, the section table ends at %d"
                      % (image.size_of_headers, table_end))
    if image.size_of_headers > size:
        raise _cut_short("the headers", image.size_of_headers, size)

    end = _align(image.size_of_headers, section_alignment)
    for s in image.sections:
        if s.address % section_alignment or s.address < end:
            raise PeError("malformed section %s: address 0x%x overlaps what comes before it" % (s.name, s.address))
        end = _align(s.address + s.size, section_alignment)
        if s.raw_size and s.raw < image.size_of_headers:
            raise PeError("malformed section %s: its data lies inside the headers" % s.name)
        if s.raw_size and s.raw + s.raw_size > size:
            raise _cut_short("section " + s.name, s.raw + s.raw_size, size)
    if image.size_of_image != end:
        raise PeError("malformed headers: size of image 0x%x, its sections end at 0x%x" % (image.size_of_image, end))

    if image.symbols_at:
        strings_at = image.symbols_at + SYMBOL_SIZE * image.symbol_count
        if strings_at + 4 > size:
            raise _cut_short("the symbol table", strings_at + 4, size)
        strings_end = strings_at + struct.unpack_from("<I", data, strings_at)[0]
        if strings_end > size:
            raise _cut_short("the symbol table", strings_end, size)
    signature_at, signature_size = image.directories[SECURITY_DIRECTORY]
    if signature_size:
        if signature_at + signature_size > size:
            raise _cut_short("the code signature", signature_at + signature_size, size)
        if signature_at + signature_size != size:
            raise PeError("%d bytes follow the code signature" % (size - signature_at - signature_size))

    code = next((s for s in image.sections if s.address <= image.entry < s.address + s.size), None)
    if code is None or not code.flags & MEM_EXECUTE or image.entry + 16 > code.address + code.raw_size:
        raise PeError("the entry point 0x%x lies in no code section" % image.entry)
    at = code.raw + image.entry - code.address
    if not any(data[at:at + 16]):
        raise PeError("the code at the entry point 0x%x is all zeros: the code is damaged" % image.entry)

    if not image.checksum:
        raise PeError("the program carries no PE checksum (the linker writes one)")
    expected = checksum(data, image.checksum_at)
    if image.checksum != expected:
        raise PeError("the PE checksum 0x%08x does not match the contents (0x%08x): the file was changed after it "
                      "was linked and signed" % (image.checksum, expected))
    return image
