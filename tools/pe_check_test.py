#!/usr/bin/env python3
"""pe_check_test.py DuVad.dll duvad.exe: the built binaries pass tools/pe_check.py, and copies of them
changed in one way each (what a careless build or call would do) are refused."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CHECK = os.path.join(HERE, "pe_check.py")
sys.path.insert(0, HERE)
import pe_check  # noqa: E402

failures = 0


def run(*paths, allowed=None):
    args = [sys.executable, CHECK] + (["--allowed", allowed] if allowed else []) + list(paths)
    done = subprocess.run(args, capture_output=True, text=True)
    return done.returncode, done.stdout


def expect(what, ok):
    global failures
    print(("ok    " if ok else "FAIL  ") + what)
    failures += 0 if ok else 1


def changed_copy(source, folder, change):
    """A copy of `source` under its own name in `folder`, with change(bytearray, Pe) applied."""
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, os.path.basename(source))
    data = bytearray(open(source, "rb").read())
    change(data, pe_check.Pe(bytes(data)))
    open(path, "wb").write(data)
    return path


def optional_header(data):
    return struct.unpack_from("<I", data, 0x3C)[0] + 24


def set_versions(major, minor, at):
    def change(data, _):
        struct.pack_into("<HH", data, optional_header(data) + at, major, minor)
    return change


def set_directory(index, rva, size):
    def change(data, _):
        struct.pack_into("<II", data, optional_header(data) + 96 + 8 * index, rva, size)
    return change


def set_header(offset, value):
    """A 32-bit field of the optional header."""
    def change(data, _):
        struct.pack_into("<I", data, optional_header(data) + offset, value)
    return change


def first_relocation_block(edit):
    """edit(data, pe, file offset of the first relocation block)."""
    def change(data, pe):
        rva, _ = pe.directory(5)
        edit(data, pe, pe.offset(rva))
    return change


def move_first_relocation_block(data, pe, at):
    struct.pack_into("<I", data, at, pe.image_size)  # its page beyond the image's end


def zero_first_relocated_address(data, pe, at):
    page, _, entry = struct.unpack_from("<IIH", data, at)
    struct.pack_into("<I", data, pe.offset(page + (entry & 0xFFF)), 0x10)


def set_first_relocated_address(offset_from_base):
    def change(data, pe):
        rva, _ = pe.directory(5)
        page, _, entry = struct.unpack_from("<IIH", data, pe.offset(rva))
        struct.pack_into("<I", data, pe.offset(page + (entry & 0xFFF)), pe.image_base + offset_from_base)
    return change


def symbol_record(data, pe, wanted):
    """File offset of a symbol's record in the COFF symbol table."""
    strings = pe.symbol_table + 18 * pe.symbol_count
    i = 0
    while i < pe.symbol_count:
        at = pe.symbol_table + 18 * i
        raw = data[at:at + 8]
        if raw[:4] == b"\0\0\0\0":
            start = strings + struct.unpack_from("<I", raw, 4)[0]
            raw = data[start:data.index(b"\0", start)]
        if raw.rstrip(b"\0") == wanted.encode():
            return at
        i += 1 + data[at + 17]
    raise ValueError(f"no symbol {wanted}")


def constructor_in_list(data, pe):
    """The built DLL's (empty) constructor list given one entry, its terminator overwritten."""
    rva = pe.symbols()["__CTOR_LIST__"]
    struct.pack_into("<I", data, pe.offset(rva + 4), pe.image_base + 0x1000)


def pseudo_relocation_listed(data, pe):
    """The symbol that ends the pseudo-relocation list moved past a header and one entry."""
    at = symbol_record(data, pe, "__RUNTIME_PSEUDO_RELOC_LIST_END__")
    struct.pack_into("<I", data, at + 8, struct.unpack_from("<I", data, at + 8)[0] + 24)


# Small DLLs linked as DuVad.dll is (no start files, no C runtime), each with one thing the DLL
# must not have: a global object with a constructor; data imported without dllimport, which the
# linker reaches through a runtime pseudo-relocation.
TINY = {
    "constructor": """#include <windows.h>
struct Made { Made(); int v; };
Made::Made() : v(GetTickCount()) {}
Made made;
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return made.v != 0; }
""",
    "pseudo-relocation": """#include <windows.h>
extern "C" int shared_value;
extern "C" void _pei386_runtime_relocator() {}
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return shared_value != 0; }
""",
}


def tiny_dll(folder, name, strip):
    """DuVad.dll of TINY[name] in its own folder; None when the cross compiler is not installed."""
    cxx = shutil.which("i686-w64-mingw32-g++-win32") or shutil.which("i686-w64-mingw32-g++")
    if not cxx:
        return None
    out = os.path.join(folder, name.replace(" ", "-") + ("-stripped" if strip else ""))
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(folder, "other.def"), "w") as f:
        f.write("LIBRARY other.dll\nEXPORTS\nshared_value DATA\n")
    subprocess.run(["i686-w64-mingw32-dlltool", "-d", os.path.join(folder, "other.def"),
                    "-l", os.path.join(folder, "libother.a")], check=True)
    source = os.path.join(out, "tiny.cpp")
    with open(source, "w") as f:
        f.write(TINY[name])
    dll = os.path.join(out, "DuVad.dll")
    subprocess.run([cxx, "-O2", "-shared", "-nostdlib", "-nostartfiles", "-Wl,--entry,_DllMain@12", source, "-o", dll,
                    "-L" + folder, "-lother", "-lkernel32"], check=True)
    if strip:
        subprocess.run(["i686-w64-mingw32-strip", dll], check=True)
    return dll


def rename_import(old, new):
    """Overwrites an imported name in place (the new name no longer than the old)."""
    def change(data, _):
        at = data.index(old.encode() + b"\0")
        data[at:at + len(old) + 1] = new.encode().ljust(len(old), b"\0") + b"\0"
    return change


def main(dll, exe):
    code, out = run(dll, exe)
    expect("the built DuVad.dll and duvad.exe pass", code == 0)
    if code:
        print(out)
    with tempfile.TemporaryDirectory() as tmp:
        cases = [
            ("OS version 5.0", dll, set_versions(5, 0, 40), "operating system version 5.0"),
            ("subsystem version 4.10", dll, set_versions(4, 10, 48), "subsystem version 4.10"),
            ("a TLS directory", dll, set_directory(9, 0x1000, 24), "TLS directory"),
            ("a delay-load table", dll, set_directory(13, 0x1000, 32), "delay-load"),
            ("a wide import", dll, rename_import("CreateFileA", "CreateFileW"), "KERNEL32.dll!CreateFileW"),
            ("an import Windows 98 brought", dll, rename_import("GetFileInformationByHandle", "GetFileAttributesExA"),
             "KERNEL32.dll!GetFileAttributesExA, which must not be imported"),
            ("an import outside the list", dll, rename_import("WriteFile", "LockFile"),
             "KERNEL32.dll!LockFile, not in the allowed set"),
            ("a runtime DLL", dll, rename_import("VERSION.dll", "MSVCRT.dll"), "from MSVCRT.dll"),
            ("section alignment 512", dll, set_header(32, 0x200), "section alignment 0x200"),
            ("file alignment 4096", dll, set_header(36, 0x1000), "file alignment 0x1000"),
            ("the tool's section alignment 8192", exe, set_header(32, 0x2000), "section alignment 0x2000"),
            ("a load-configuration directory", dll, set_directory(10, 0x1000, 64), "load-configuration"),
            ("the tool with a bound-import directory", exe, set_directory(11, 0x1000, 32), "bound-import"),
            ("no base relocations", dll, set_directory(5, 0, 0), "no base relocations"),
            ("a relocation outside the image", dll, first_relocation_block(move_first_relocation_block),
             "outside the image's sections"),
            ("a relocated address outside the image", dll, first_relocation_block(zero_first_relocated_address),
             "whose address 0x10 lies outside the image"),
            ("a relocated address just below the image", dll, set_first_relocated_address(-1),
             "lies outside the image"),
            ("a constructor in the built DLL's list (found by its symbol)", dll, constructor_in_list,
             "2 static constructors"),  # the entry, then the destructor list's -1 where the end was
            ("a pseudo-relocation in the built DLL's list (found by its symbols)", dll, pseudo_relocation_listed,
             "1 runtime pseudo-relocations"),
        ]
        for n, (what, source, change, message) in enumerate(cases):
            copy = changed_copy(source, os.path.join(tmp, str(n)), change)
            code, out = run(copy)
            expect(f"refused: {what}", code == 1 and message in out)

        # The image's first byte is in it (a pointer to the module's own header).
        copy = changed_copy(dll, os.path.join(tmp, "base"), set_first_relocated_address(0))
        code, out = run(copy)
        expect("a relocated address at the image's base passes", code == 0)

        for name, message in (("constructor", "1 static constructors"),
                              ("pseudo-relocation", "1 runtime pseudo-relocations")):
            for strip in (False, True):
                tiny = tiny_dll(tmp, name, strip)
                if tiny is None:
                    print(f"skip  a DLL with a {name}: no i686-w64-mingw32-g++")
                    continue
                code, out = run(tiny)
                expect(f"refused: a DLL with a {name}{' (stripped)' if strip else ''}", code == 1 and message in out)

        # The host tool may use its C runtime; the DLL may not, even a function the tool may use.
        copy = changed_copy(dll, os.path.join(tmp, "tool-only"), rename_import("CreateEventA", "CreateThread"))
        code, out = run(copy)
        expect("refused: DuVad.dll importing what only duvad.exe may (CreateThread)",
               code == 1 and "KERNEL32.dll!CreateThread" in out)

        # A function on both lists, or a wide one allowed to the DLL, is a fault of the list itself.
        listing = os.path.join(tmp, "allowed.txt")
        with open(listing, "w") as f:
            f.write("[KERNEL32.DLL]\nCreateFileA\nGetDiskFreeSpaceExA\n[never]\nGetDiskFreeSpaceExA\n")
        code, out = run(dll, allowed=listing)
        expect("a list that allows a [never] function is refused", code == 2)
        with open(listing, "w") as f:
            f.write("[KERNEL32.DLL]\nCreateFileW\n")
        code, out = run(dll, allowed=listing)
        expect("a list that allows the DLL a wide function is refused", code == 2)
    print("pe_check: all checks pass" if not failures else f"pe_check: {failures} checks failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
