#!/usr/bin/env python3
"""pe_check.py [--allowed FILE] BINARY...: holds DuVad.dll and duvad.exe to what Windows 95 loads.

For each binary (its kind from its file name: DuVad.dll or duvad.exe):
  - a 32-bit x86 image whose operating system and subsystem versions are 4.0 (a higher one is refused
    by the Windows 95 and NT 4 loaders);
  - DuVad.dll: no TLS directory (Windows 95's LoadLibrary refuses a DLL with static thread-local
    storage) and no delay-load table;
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
        count = struct.unpack_from("<I", data, opt + 92)[0]
        self.directories = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(count)]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("ascii", "replace"), va, max(vsize, rawsize), rawptr))

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
    if kind == "duvad.dll":
        if pe.directory(9) != (0, 0):
            faults.append("a TLS directory (Windows 95 does not load such a DLL with LoadLibrary)")
        if pe.directory(13) != (0, 0):
            faults.append("a delay-load import table")
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
