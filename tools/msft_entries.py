#!/usr/bin/env python3
"""msft_entries.py IN.tlb OUT.tlb: writes each module function's DLL entry name into a type library.

widl (Debian's, also Wine 8's) writes the string of every `[entry("Name")]` of a module as "#", so
a library made by widl alone names no export and VB6 could not bind a call. The functions here
are named as their exports, so each function's entry becomes its own name: the names are added to
the library's string table and the function records point at them. An entry that already names
its function is kept; any other entry (an ordinal, another name) is an error, not guessed at.

The file is Microsoft's MSFT type library layout (the one oleaut32 reads): a header, the offsets
of the type infos, a directory of 15 segments (absolute offset and length each), the segments,
then each type info's function records at the absolute offset its type info base names. The
string table grows, so what lies behind it moves: segment offsets and record offsets are shifted.
"""
import struct
import sys

MAGIC = 0x5446534D  # "MSFT"
HEADER_BYTES = 0x54
HELP_DLL_FLAG = 0x100
SEGMENTS = 15
STRING_SEGMENT = 8  # type infos, imports, import files, refs, GUID hash, GUIDs, name hash, names, strings, ...
NAME_SEGMENT = 7
TYPEINFO_SEGMENT = 0
TYPEINFO_BYTES = 0x64
TKIND_MODULE = 2
ENTRY_IS_ORDINAL = 0x2000  # FKCCIC bit: the entry field holds an ordinal, not a string offset
RECORD_FIXED_BYTES = 0x18  # Info, DataType, Flags, VtableOffset, funcdescsize, FKCCIC, nrargs, nroargs
ENTRY_FIELD = 0x20         # after HelpContext and oHelpString
PARAM_BYTES = 12


class LayoutError(Exception):
    pass


def u32(data, offset):
    return struct.unpack_from("<i", data, offset)[0]


def encode_string(text):
    """A string table entry as MIDL and widl write it: 16-bit length, the bytes, padding 'W' to a
    multiple of 4 (short strings take 8 bytes)."""
    raw = text.encode("ascii")
    entry = struct.pack("<H", len(raw)) + raw
    size = max(8, (len(entry) + 3) & ~3) if len(raw) < 3 else (len(entry) + 3) & ~3
    return entry + b"W" * (size - len(entry))


def read_string(data, strings_at, offset):
    length = struct.unpack_from("<H", data, strings_at + offset)[0]
    return data[strings_at + offset + 2:strings_at + offset + 2 + length].decode("ascii")


def read_name(data, names_at, offset):
    length = data[names_at + offset + 8]  # after hreftype and next-hash: length, flags, hash
    return data[names_at + offset + 12:names_at + offset + 12 + length].decode("ascii")


class Layout:
    def __init__(self, data):
        if len(data) < HEADER_BYTES or u32(data, 0) != MAGIC:
            raise LayoutError("not an MSFT type library")
        self.typeinfo_count = u32(data, 0x20)
        varflags = u32(data, 0x14)
        offsets_at = HEADER_BYTES + (4 if varflags & HELP_DLL_FLAG else 0)
        self.directory_at = offsets_at + 4 * self.typeinfo_count
        self.segments = [(u32(data, self.directory_at + 16 * i), u32(data, self.directory_at + 16 * i + 4))
                         for i in range(SEGMENTS)]

    def segment(self, index):
        return self.segments[index]


def module_functions(data, layout):
    """(name, absolute offset of its entry field, entry flag word offset) of every function of
    every module type info."""
    infos_at, _ = layout.segment(TYPEINFO_SEGMENT)
    names_at, _ = layout.segment(NAME_SEGMENT)
    found = []
    for t in range(layout.typeinfo_count):
        base = infos_at + TYPEINFO_BYTES * t
        if u32(data, base) & 0xF != TKIND_MODULE:
            continue
        records_at = u32(data, base + 4)
        elements = u32(data, base + 0x18)
        functions, variables = elements & 0xFFFF, (elements >> 16) & 0xFFFF
        records_bytes = u32(data, records_at)
        record = records_at + 4
        for i in range(functions):
            size = u32(data, record) & 0xFFFF
            fkccic = u32(data, record + 0x10)
            args = struct.unpack_from("<h", data, record + 0x14)[0]
            attributes = size - PARAM_BYTES * args - (4 * args if fkccic & 0x1000 else 0)
            name_offset = u32(data, records_at + records_bytes + 4 * (functions + variables + i + 1))
            name = read_name(data, names_at, name_offset)
            if attributes <= ENTRY_FIELD:
                raise LayoutError(f"{name} has no entry")
            if fkccic & ENTRY_IS_ORDINAL:
                raise LayoutError(f"{name} is bound by ordinal {u32(data, record + ENTRY_FIELD) & 0xFFFF}, not by name")
            found.append((name, record + ENTRY_FIELD))
            record += size
        if record - records_at - 4 != records_bytes:
            raise LayoutError("function records do not fill their block")
    return found


def name_entries(data):
    data = bytearray(data)
    layout = Layout(data)
    strings_at, strings_bytes = layout.segment(STRING_SEGMENT)
    if strings_at < 0:
        raise LayoutError("no string table")
    functions = module_functions(data, layout)

    added, wanted = bytearray(), {}
    for name, entry_at in functions:
        current = read_string(data, strings_at, u32(data, entry_at))
        if current == name:
            continue
        if current != "#":
            raise LayoutError(f"{name}'s entry is {current!r}")
        if name not in wanted:
            wanted[name] = strings_bytes + len(added)
            added += encode_string(name)
        struct.pack_into("<i", data, entry_at, wanted[name])
    if not added:
        return bytes(data)

    # Everything behind the string table moves by len(added); offsets into it are absolute only
    # in the segment directory and in the type info bases (their function records).
    end = strings_at + strings_bytes
    shift = len(added)
    for i, (offset, length) in enumerate(layout.segments):
        at = layout.directory_at + 16 * i
        if i == STRING_SEGMENT:
            struct.pack_into("<i", data, at + 4, length + shift)
        elif offset >= end:
            struct.pack_into("<i", data, at, offset + shift)
    infos_at, _ = layout.segment(TYPEINFO_SEGMENT)
    for t in range(layout.typeinfo_count):
        at = infos_at + TYPEINFO_BYTES * t + 4
        if u32(data, at) >= end:
            struct.pack_into("<i", data, at, u32(data, at) + shift)
    return bytes(data[:end] + added + data[end:])


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], "rb") as f:
        data = f.read()
    try:
        patched = name_entries(data)
    except LayoutError as e:
        print(f"{argv[1]}: {e}")
        return 1
    with open(argv[2], "wb") as f:
        f.write(patched)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
