#!/usr/bin/env python3
"""pe_check.py [--allowed FILE] BINARY...: holds DuVad.dll and duvad.exe to what Windows 95 loads.

For each binary (its kind from its file name: DuVad.dll or duvad.exe):
  - a 32-bit x86 image whose operating system and subsystem versions are 4.0 (a higher one is refused
    by the Windows 95 and NT 4 loaders);
  - section alignment 4096 and file alignment 512 (what Windows 95 and 98 map without copying);
    no load-configuration or bound-import directory; no runtime pseudo-relocation (data imported
    without its import pointer, which only MinGW's start-up code patches, and neither binary
    links it);
  - DuVad.dll: no TLS directory (Windows 95's LoadLibrary refuses a DLL with static thread-local
    storage) and no delay-load table; an empty constructor list (it has no C runtime to run one:
    the object would stay unconstructed); base relocations, each inside the image and pointing
    into it (the DLL is loaded elsewhere than its base when another DLL holds that place);
  - every import by name, from a DLL and a function that tools/allowed_imports.txt allows for that
    binary, and none that it lists under [never].
Prints one line per fault; exit status 0 when there is none, 1 otherwise, 2 on bad use.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_ALLOWED = os.path.join(HERE, "allowed_imports.txt")


def read_allowed(path):
    """{binary or '*': {DLL: set(functions)}} and the set of [never] names."""
    allowed, never = {}, set()
    target = None
    with open(path, encoding="ascii") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            if line.startswith("["):
                words = line.strip("[]").split()
                if words == ["never"]:
                    target = never
                elif len(words) == 1:
                    target = allowed.setdefault("*", {}).setdefault(words[0].upper(), set())
                elif len(words) == 2:
                    target = allowed.setdefault(words[0].lower(), {}).setdefault(words[1].upper(), set())
                else:
                    raise ValueError(f"{path}:{number}: bad section {line}")
                continue
            if target is None or " " in line:
                raise ValueError(f"{path}:{number}: bad line {line}")
            target.add(line)
    return allowed, never


def allowed_for(allowed, binary):
    """{DLL: functions} that one binary may import."""
    merged = {}
    for key in ("*", binary.lower()):
        for dll, names in allowed.get(key, {}).items():
            merged.setdefault(dll, set()).update(names)
    return merged


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, self.characteristics = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        if self.magic != 0x10B:
            raise ValueError("not a 32-bit image")
        (self.os_major, self.os_minor, _, _, self.subsystem_major,
         self.subsystem_minor) = struct.unpack_from("<HHHHHH", data, opt + 40)
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        self.image_base, self.section_alignment, self.file_alignment = struct.unpack_from("<III", data, opt + 28)
        self.image_size = struct.unpack_from("<I", data, opt + 56)[0]
        self.symbol_table, self.symbol_count = struct.unpack_from("<II", data, pe + 12)
        count = struct.unpack_from("<I", data, opt + 92)[0]
        self.directories = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(count)]
        self.sections, self.raw_sizes, self.characteristics_of = [], [], []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("ascii", "replace"), va, max(vsize, rawsize), rawptr))
            self.raw_sizes.append(min(vsize, rawsize) if vsize else rawsize)
            self.characteristics_of.append(struct.unpack_from("<I", data, table + 40 * i + 36)[0])

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def offset(self, rva):
        for _, va, size, raw in self.sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError(f"RVA {rva:#x} in no section")

    def cstring(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def dword(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def symbols(self):
        """{name: RVA} of the COFF symbol table a build leaves (none once stripped)."""
        found = {}
        if not self.symbol_table:
            return found
        strings = self.symbol_table + 18 * self.symbol_count
        i = 0
        while i < self.symbol_count:
            at = self.symbol_table + 18 * i
            raw, value, section, _, _, aux = struct.unpack_from("<8sIhHBB", self.data, at)
            if raw[:4] == b"\0\0\0\0":
                start = strings + struct.unpack_from("<I", raw, 4)[0]
                raw = self.data[start:self.data.index(b"\0", start)]
            if 0 < section <= len(self.sections):
                found[raw.rstrip(b"\0").decode("ascii", "replace")] = self.sections[section - 1][1] + value
            i += 1 + aux
        return found

    def in_image(self, va):
        return self.image_base <= va <= self.image_base + self.image_size

    def section_bytes(self, index):
        _, va, _, raw = self.sections[index]
        return va, self.data[raw:raw + self.raw_sizes[index]]

    def constructor_lists(self):
        """The constructor and destructor lists the linker puts in the code ([-1, functions..., 0]
        each, one after the other), as two lists of addresses; None when they are not found."""
        found = self.constructor_lists_where()
        return found and found[0]

    def constructor_lists_where(self):
        """(the two lists, (RVA of their first byte, RVA after their last)), or None."""
        symbols = self.symbols()
        if "__CTOR_LIST__" in symbols and "__DTOR_LIST__" in symbols:
            lists = []
            for name in ("__CTOR_LIST__", "__DTOR_LIST__"):
                rva, entries = symbols[name] + 4, []
                while self.dword(rva):
                    entries.append(self.dword(rva))
                    rva += 4
                lists.append(entries)
            return lists, (symbols["__CTOR_LIST__"], rva + 4)
        # Stripped: the last such pair in a code section.
        found = None
        for index, flags in enumerate(self.characteristics_of):
            if not flags & 0x20:
                continue
            va, code = self.section_bytes(index)
            for at in range(0, len(code) - 15, 4):
                if code[at:at + 4] != b"\xff\xff\xff\xff":
                    continue
                lists, k = [], at
                for _ in range(2):
                    if code[k:k + 4] != b"\xff\xff\xff\xff":
                        break
                    k, entries = k + 4, []
                    while k + 4 <= len(code) and code[k:k + 4] != b"\0\0\0\0":
                        entries.append(struct.unpack_from("<I", code, k)[0])
                        k += 4
                    if k + 4 > len(code) or not all(self.in_image(e) for e in entries):
                        break
                    lists.append(entries)
                    k += 4
                if len(lists) == 2:
                    found = lists, (va + at, va + k)
        return found

    def pseudo_relocations(self):
        """How many runtime pseudo-relocations the image holds."""
        symbols = self.symbols()
        start, end = symbols.get("__RUNTIME_PSEUDO_RELOC_LIST__"), symbols.get("__RUNTIME_PSEUDO_RELOC_LIST_END__")
        if start is not None and end is not None:
            return 0 if end == start else max(1, (end - start - 12) // 12)  # a header, 12 bytes an entry
        # Stripped: the list's header (0, 0, version 1) and entries (import pointer, place, bits)
        # in a data section.
        iat_rva, iat_size = self.directory(12)
        count = 0
        for index, flags in enumerate(self.characteristics_of):
            if flags & 0x20:
                continue
            _, data = self.section_bytes(index)
            at = data.find(b"\0" * 8 + b"\x01\0\0\0")
            while at >= 0:
                k, n = at + 12, 0
                while k + 12 <= len(data):
                    symbol, target, bits = struct.unpack_from("<III", data, k)
                    if not (iat_rva <= symbol < iat_rva + iat_size and bits in (8, 16, 32)
                            and target < self.image_size):
                        break
                    n, k = n + 1, k + 12
                count += n
                at = data.find(b"\0" * 8 + b"\x01\0\0\0", at + 4)
        return count

    def relocations(self):
        """[(RVA of the place, type)] of the base relocations."""
        rva, size = self.directory(5)
        found = []
        if not rva:
            return found
        at, end = self.offset(rva), self.offset(rva) + size
        while at + 8 <= end:
            page, block = struct.unpack_from("<II", self.data, at)
            if block < 8:
                break
            for k in range(at + 8, min(at + block, end) - 1, 2):
                entry = struct.unpack_from("<H", self.data, k)[0]
                found.append((page + (entry & 0xFFF), entry >> 12))
            at += block
        return found

    def imports(self):
        """[(dll, name or None for an ordinal import, ordinal)]."""
        rva, size = self.directory(1)
        found = []
        if not rva:
            return found
        at = self.offset(rva)
        while True:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name or first):
                break
            dll = self.cstring(name)
            thunk = self.offset(lookup or first)
            while True:
                entry = struct.unpack_from("<I", self.data, thunk)[0]
                if not entry:
                    break
                if entry & 0x80000000:
                    found.append((dll, None, entry & 0xFFFF))
                else:
                    found.append((dll, self.cstring(entry + 2), None))
                thunk += 4
            at += 20
        return found


def check(path, allowed, never):
    """The faults of one binary, as text lines."""
    binary = os.path.basename(path)
    kind = binary.lower()
    if kind not in ("duvad.dll", "duvad.exe"):
        return [f"{path}: neither DuVad.dll nor duvad.exe"]
    with open(path, "rb") as f:
        pe = Pe(f.read())
    faults = []
    if pe.machine != 0x14C:
        faults.append(f"machine {pe.machine:#x}, not i386")
    if (pe.os_major, pe.os_minor) != (4, 0):
        faults.append(f"operating system version {pe.os_major}.{pe.os_minor}, not 4.0")
    if (pe.subsystem_major, pe.subsystem_minor) != (4, 0):
        faults.append(f"subsystem version {pe.subsystem_major}.{pe.subsystem_minor}, not 4.0")
    if pe.section_alignment != 0x1000:
        faults.append(f"section alignment {pe.section_alignment:#x}, not 0x1000 (Windows 95 and 98)")
    if pe.file_alignment != 0x200:
        faults.append(f"file alignment {pe.file_alignment:#x}, not 0x200 (Windows 95 and 98)")
    if pe.directory(10) != (0, 0):
        faults.append("a load-configuration directory")
    if pe.directory(11) != (0, 0):
        faults.append("a bound-import directory")
    pseudo = pe.pseudo_relocations()
    if pseudo:
        faults.append(f"{pseudo} runtime pseudo-relocations (data imported without its import pointer: "
                      "nothing patches it)")
    if kind == "duvad.dll":
        if pe.directory(9) != (0, 0):
            faults.append("a TLS directory (Windows 95 does not load such a DLL with LoadLibrary)")
        if pe.directory(13) != (0, 0):
            faults.append("a delay-load import table")
        lists = pe.constructor_lists()
        if lists is None:
            faults.append("no constructor list found")
        elif lists[0] or lists[1]:
            faults.append(f"{len(lists[0])} static constructors and {len(lists[1])} destructors "
                          "(no C runtime runs them)")
        relocations = pe.relocations()
        if not relocations:
            faults.append("no base relocations (it could be loaded only at its base address)")
        for rva, kind_of in relocations:
            if kind_of == 0:
                continue
            if kind_of != 3:
                faults.append(f"a base relocation of type {kind_of} at {rva:#x} (only 32-bit ones are expected)")
            elif rva + 4 > pe.image_size or not any(va <= rva and rva + 4 <= va + size for _, va, size, _ in pe.sections):
                faults.append(f"a base relocation at {rva:#x}, outside the image's sections")
            elif not pe.in_image(pe.dword(rva)):
                faults.append(f"a base relocation at {rva:#x} whose address {pe.dword(rva):#x} lies outside the image")
    may = allowed_for(allowed, kind)
    for dll, name, ordinal in pe.imports():
        key = dll.upper()
        if name is None:
            faults.append(f"imports {dll} ordinal {ordinal} (only names are checked against Windows 95)")
        elif name in never:
            faults.append(f"imports {dll}!{name}, which must not be imported (tools/allowed_imports.txt [never])")
        elif key not in may:
            faults.append(f"imports from {dll}, not a DLL it may use")
        elif name not in may[key]:
            faults.append(f"imports {dll}!{name}, not in the allowed set of {key}")
    return [f"{path}: {fault}" for fault in faults]


def main(argv):
    args = argv[1:]
    allowed_path = DEFAULT_ALLOWED
    if len(args) >= 2 and args[0] == "--allowed":
        allowed_path, args = args[1], args[2:]
    if not args:
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
    allowed, never = read_allowed(allowed_path)
    # The list itself: nothing both allowed and forbidden, and no wide function for the DLL.
    for binary, section in allowed.items():
        for dll, names in section.items():
            both = names & never
            wide = sorted(n for n in names if n.endswith("W")) if binary == "*" else []
            if both or wide:
                print(f"{allowed_path}: [{dll}] allows {', '.join(sorted(both) + wide)}")
                return 2
    faults = []
    for path in args:
        faults += check(path, allowed, never)
    for fault in faults:
        print(fault)
    if not faults:
        print(f"{' '.join(os.path.basename(a) for a in args)}: loadable on Windows 95 (no faults)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
