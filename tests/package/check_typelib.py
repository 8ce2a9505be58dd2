#!/usr/bin/env python3
"""check_typelib.py DUMP DEF HEADER BAS VERSION: what oleaut32 read back from DuVad.tlb
(typelib_dump.exe's lines) against the exports of DEF and the prototypes of HEADER and BAS.

Each export must be one function of one module: bound by its own name in DuVad.dll (not by "#"
or an ordinal), stdcall, a static function returning a 32-bit integer, with one parameter per
32-bit argument of DEF, typed as VB6 passes the C type of HEADER with the Declare kind of BAS and
named as BAS names it, and as help string its own comment of HEADER, whole; and HEADER's
result-code constants, each with its value. Prints each fault; exit 1 when there is one."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import exports  # noqa: E402  (the parser the type library is made with; the expectations are below)

CC_STDCALL, FUNC_STATIC = 4, 3
# (C type, what the Declare passes) -> the parameter as oleaut32 describes it. A string is VT_LPSTR
# (VB6 converts it to ANSI and back); a pointer to VT_I1 would make VB6 refuse the call.
EXPECTED = {
    ("int32_t", "ByVal Long"): "I4:in",
    ("HWND", "ByVal Long"): "I4:in",
    ("int32_t*", "ByRef Long"): "PTR(I4):inout",
    ("HDC*", "ByRef Long"): "PTR(I4):inout",
    ("const char*", "ByVal String"): "LPSTR:in",
    ("char*", "ByVal String"): "LPSTR:in",
    ("char*", "ByRef Byte"): "PTR(UI1):inout",
    ("void*", "ByRef Any"): "PTR(VOID):in",
    ("const void*", "ByRef Any"): "PTR(VOID):in",
}


def main(dump_path, def_path, header_path, bas_path, version):
    read = lambda p: open(p, encoding="ascii").read()
    defs = exports.parse_def(read(def_path))
    header = {f.name: f for f in exports.parse_header(read(header_path))}
    bas = {d.name: d for d in exports.parse_bas(read(bas_path))}
    lines = open(dump_path, encoding="ascii", errors="replace").read().splitlines()
    faults = []

    libraries = [line.split(" ", 3) for line in lines if line.startswith("library ")]
    major_minor = ".".join(str(int(p)) for p in version.split(".")[:2])
    if len(libraries) != 1 or libraries[0][1] != "DuVad" or libraries[0][2] != major_minor:
        faults.append(f"library line is {libraries}, wanted DuVad {major_minor}")
    modules = [line for line in lines if line.startswith("module ")]
    if modules != [f"module {exports.MODULE_NAME} {len(defs)}"]:
        faults.append(f"modules: {modules}, wanted one with {len(defs)} functions")

    functions = {}
    for line in lines:
        if line.startswith("function "):
            fields = line[len("function "):].split("|", 10)
            if len(fields) != 11:
                faults.append(f"cannot read: {line}")
                continue
            functions[fields[0]] = fields
    for name in sorted(set(functions) - {e.name for e in defs}):
        faults.append(f"{name}: in the type library but not exported")

    for export in defs:
        fields = functions.get(export.name)
        if not fields:
            faults.append(f"{export.name}: missing from the type library")
            continue
        _, dll, entry, _, callconv, funckind, result, params, names, bound, help_text = fields
        if (dll, entry) != ("DuVad.dll", export.name):
            faults.append(f"{export.name}: entry {dll}!{entry}, wanted DuVad.dll!{export.name}")
        if bound != "bound":
            faults.append(f"{export.name}: the entry does not bind in the release's DuVad.dll")
        if (int(callconv), int(funckind), result) != (CC_STDCALL, FUNC_STATIC, "I4"):
            faults.append(f"{export.name}: callconv {callconv}, funckind {funckind}, result {result}")
        got = params.split(";") if params else []
        if len(got) * 4 != export.arg_bytes:
            faults.append(f"{export.name}: {len(got)} parameters, {export.arg_bytes} argument bytes in the .def")
        c, b = header.get(export.name), bas.get(export.name)
        if c and b and len(c.params) == len(b.params) == len(got):
            for cp, bp, g in zip(c.params, b.params, got):
                wanted = EXPECTED.get((cp.type, f"{bp.passing} {bp.type}"))
                if g != wanted:
                    faults.append(f"{export.name}({cp.name}): {g}, wanted {wanted} "
                                  f"for {cp.type} / {bp.passing} {bp.type}")
        if b and names != ",".join(p.name for p in b.params):
            faults.append(f"{export.name}: parameters named {names}, DuVad.bas names them "
                          f"{','.join(p.name for p in b.params)}")
        if c and help_text != c.help:
            faults.append(f"{export.name}: help string {help_text!r}, wanted its own comment of DuVad.h {c.help!r}")

    # The result codes, as constants of the same module with DuVad.h's names and values.
    consts = {}
    for line in lines:
        if line.startswith("const "):
            name, _, value = line[len("const "):].partition("|")
            consts[name] = value
    wanted = {c.name: str(c.value) for c in exports.parse_header_constants(read(header_path))}
    for name in sorted(set(wanted) | set(consts)):
        if consts.get(name) != wanted.get(name):
            faults.append(f"constant {name}: {consts.get(name)} in the type library, {wanted.get(name)} in DuVad.h")

    for fault in faults:
        print("FAIL ", fault)
    print(f"{len(functions)} functions and {len(consts)} constants read back, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.stderr.write(__doc__)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
