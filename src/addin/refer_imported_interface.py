#!/usr/bin/env python3
"""Makes a widl type library refer to an interface of an imported type library.

widl copies an interface that a coclass lists into the library even when an importlib holds it
(it looks importlibs up only for parameter types and base interfaces). For the add-in's library
that copy would be IDTExtensibility2: registering the library would then take over the add-in
designer library's registration of that interface. This rewrites the MSFT file (the layout
oleaut32 reads) so that the coclasses refer to the interface in the imported library instead:

- an import entry for the interface (its index and kind in the imported library, the imported
  library's file entry, the interface's GUID entry, which now names the import);
- every coclass reference to the copy replaced by the import;
- the copy's type information record dropped (the last record takes its place) and the
  segments and type data moved up accordingly. The copy's member data stay unreferenced.

Usage: refer_imported_interface.py <in.tlb> <imported.tlb> <interface name> <out.tlb>
"""
import struct
import sys

HEADER_SIZE = 0x54
RECORD_SIZE = 0x64
SEGMENTS = 15
TYPEINFO, IMPINFO, IMPFILES, REFS, GUIDS, NAMES, TYPEDESCS = 0, 1, 2, 3, 5, 7, 9
VT_USERDEFINED = 29
IMPINFO_OFFSET_IS_GUID = 0x10000


class Library:
    def __init__(self, data):
        if data[:4] != b"MSFT":
            sys.exit("not an MSFT type library")
        self.header = bytearray(data[:HEADER_SIZE])
        pos = HEADER_SIZE
        self.help_dll = b""
        if self.field(5) & 0x100:
            self.help_dll = data[pos:pos + 4]
            pos += 4
        count = self.field(8)
        self.offsets = list(struct.unpack_from("<%di" % count, data, pos))
        pos += 4 * count
        self.segdir = [list(struct.unpack_from("<4i", data, pos + 16 * i)) for i in range(SEGMENTS)]
        self.segments = []
        end = pos + 16 * SEGMENTS
        for offset, length, _, _ in self.segdir:
            self.segments.append(bytearray(data[offset:offset + length]) if length else bytearray())
            if length:
                end = max(end, offset + length)
        self.typedata_start = end
        self.typedata = data[end:]

    def field(self, index):
        return struct.unpack_from("<i", self.header, 4 * index)[0]

    def set_field(self, index, value):
        struct.pack_into("<i", self.header, 4 * index, value)

    def record(self, index):
        return struct.unpack_from("<25i", self.segments[TYPEINFO], index * RECORD_SIZE)

    def int_at(self, segment, offset):
        return struct.unpack_from("<i", self.segments[segment], offset)[0]

    def set_int(self, segment, offset, value):
        struct.pack_into("<i", self.segments[segment], offset, value)

    def name(self, offset):
        length = self.int_at(NAMES, offset + 8) & 0xFF
        return self.segments[NAMES][offset + 12:offset + 12 + length].decode("latin-1")

    def guid(self, offset):
        return bytes(self.segments[GUIDS][offset:offset + 16])

    def find_type(self, predicate):
        for index in range(self.field(8)):
            if predicate(self.record(index)):
                return index
        return None

    def serialize(self):
        # Segments keep their order in the file; the type data follow the last one.
        order = sorted((i for i in range(SEGMENTS) if self.segdir[i][1]),
                       key=lambda i: self.segdir[i][0])
        pos = HEADER_SIZE + len(self.help_dll) + 4 * len(self.offsets) + 16 * SEGMENTS
        for i in range(SEGMENTS):
            self.segdir[i][1] = len(self.segments[i])
            if not self.segments[i]:
                self.segdir[i][0] = -1
        for i in order:
            self.segdir[i][0] = pos
            pos += len(self.segments[i])
        shift = pos - self.typedata_start
        for index in range(len(self.offsets)):
            memoffset = self.record(index)[1]
            struct.pack_into("<i", self.segments[TYPEINFO], index * RECORD_SIZE + 4, memoffset + shift)
        out = bytearray(self.header) + self.help_dll
        out += struct.pack("<%di" % len(self.offsets), *self.offsets)
        for entry in self.segdir:
            out += struct.pack("<4i", *entry)
        for i in order:
            out += self.segments[i]
        return bytes(out + self.typedata)


def replace_references(lib, old, new):
    """Points every coclass reference and user-defined type description at new."""
    refs = lib.segments[REFS]
    for offset in range(0, len(refs), 16):
        if lib.int_at(REFS, offset) == old:
            lib.set_int(REFS, offset, new)
    descs = lib.segments[TYPEDESCS]
    for offset in range(0, len(descs), 8):
        if lib.int_at(TYPEDESCS, offset) & 0xFFFF == VT_USERDEFINED and \
                lib.int_at(TYPEDESCS, offset + 4) == old:
            lib.set_int(TYPEDESCS, offset + 4, new)
    for index in range(lib.field(8)):
        record = lib.record(index)
        if record[0] & 0xF in (3, 4) and record[21] == old:  # an interface's base
            struct.pack_into("<i", lib.segments[TYPEINFO], index * RECORD_SIZE + 0x54, new)


def main():
    source, imported_path, type_name, target = sys.argv[1:]
    lib = Library(open(source, "rb").read())
    imported = Library(open(imported_path, "rb").read())

    copy = lib.find_type(lambda r: lib.name(r[13]) == type_name)
    if copy is None:
        sys.exit("%s: no type %s" % (source, type_name))
    guid_offset = lib.record(copy)[11]
    guid = lib.guid(guid_offset)
    position = imported.find_type(lambda r: imported.guid(r[11]) == guid)
    if position is None:
        sys.exit("%s: no type with the GUID of %s" % (imported_path, type_name))
    kind = imported.record(position)[0] & 0xF

    # The imported library's file entry: its GUID entry holds the imported library's LIBID.
    libid = imported.guid(imported.field(2))
    files, file_offset = lib.segments[IMPFILES], 0
    while file_offset < len(files):
        if lib.guid(lib.int_at(IMPFILES, file_offset)) == libid:
            break
        name_length = struct.unpack_from("<H", files, file_offset + 12)[0] >> 2
        file_offset += (14 + name_length + 3) & ~3
    else:
        sys.exit("%s does not import %s" % (source, imported_path))

    import_offset = len(lib.segments[IMPINFO])
    lib.segments[IMPINFO] += struct.pack(
        "<3i", kind << 24 | IMPINFO_OFFSET_IS_GUID | position, file_offset, guid_offset)
    lib.set_field(20, lib.field(20) + 1)  # number of import entries
    lib.set_int(GUIDS, guid_offset + 16, import_offset | 1)
    lib.set_int(NAMES, lib.record(copy)[13], -1)
    replace_references(lib, copy * RECORD_SIZE, import_offset | 1)

    last = lib.field(8) - 1
    if copy != last:
        moved = bytearray(lib.segments[TYPEINFO][last * RECORD_SIZE:(last + 1) * RECORD_SIZE])
        struct.pack_into("<i", moved, 0, (struct.unpack_from("<i", moved, 0)[0] & 0xFFFF) | copy << 16)
        lib.segments[TYPEINFO][copy * RECORD_SIZE:(copy + 1) * RECORD_SIZE] = moved
        record = lib.record(copy)
        lib.set_int(GUIDS, record[11] + 16, copy * RECORD_SIZE)
        lib.set_int(NAMES, record[13], copy * RECORD_SIZE)
        replace_references(lib, last * RECORD_SIZE, copy * RECORD_SIZE)
    del lib.segments[TYPEINFO][last * RECORD_SIZE:]
    lib.offsets.pop()
    lib.set_field(8, last)

    open(target, "wb").write(lib.serialize())


if __name__ == "__main__":
    main()
