#!/usr/bin/env python3
"""The exports of DuVad.dll as their three homes declare them, read by one parser.

    frame/DuVad.def          name, argument bytes (Name@N), ordinal
    include/DuVad.h          C prototype, parameter types and names, the comment above it
    bindings/vb6/DuVad.bas   Declare statement, ByVal/ByRef and the VB type of each parameter

    exports.py check [ROOT]                 the three agree, and the DLL's definitions name their
                                            parameters as DuVad.h does (exit 1 and a line per fault)
    exports.py idl [ROOT] VERSION OUT.idl   the type library's source: one module of every export

The compiler checks the DLL's definitions against DuVad.h and the linker checks DuVad.def's byte
counts against the definitions; nothing else reads DuVad.bas, so this check is what keeps the
VB6 declarations and the type library from drifting.
"""
import os
import re
import sys
from collections import namedtuple

DefExport = namedtuple("DefExport", "name arg_bytes ordinal")
CParam = namedtuple("CParam", "type name")
CFunction = namedtuple("CFunction", "name result params help")
BasParam = namedtuple("BasParam", "passing name type")
BasDeclare = namedtuple("BasDeclare", "name lib alias params result")

DEF_PATH = "frame/DuVad.def"
HEADER_PATH = "include/DuVad.h"
BAS_PATH = "bindings/vb6/DuVad.bas"
DLL_NAME = "DuVad.dll"
DLL_AREAS = ("frame", "vcd", "drives", "files", "shell")  # <area>/*.cpp define the exports

# What VB6 hands over for each kind of parameter, and the C types that may receive it. Every
# argument is 32 bits wide.
VB_KINDS = {
    ("ByVal", "Long"): "Long",       # a 32-bit integer or a window handle
    ("ByRef", "Long"): "Long*",      # an out-parameter
    ("ByVal", "String"): "String",   # an ANSI copy of the string, or the caller's sized buffer
    ("ByRef", "Byte"): "Byte*",      # the first byte of a Byte array
    ("ByRef", "Any"): "Any",         # the address of any variable
}
C_KINDS = {
    "int32_t": {"Long"},
    "HWND": {"Long"},
    "int32_t*": {"Long*"},
    "HDC*": {"Long*"},
    "const char*": {"String"},
    "char*": {"String", "Byte*"},
    "void*": {"Any"},
    "const void*": {"Any"},
}
# The same kinds in the type library (VB6 shows them as the Declare's parameters would read).
IDL_TYPES = {
    "Long": "[in] long",
    "Long*": "[in, out] long*",
    "String": "[in] LPSTR",
    "Byte*": "[in, out] unsigned char*",
    "Any": "[in] void*",
}
LIBRARY_UUID = "b347c89e-97e7-4238-839c-904821c63994"
MODULE_UUID = "2cd13b83-8b40-4b6e-a24b-b42f37005964"
MODULE_NAME = "DuVadFunctions"
HELP_LIMIT = 200  # characters of a help string; VB6's Object Browser shows one line


class DeclarationError(Exception):
    pass


def read_text(root, path):
    with open(os.path.join(root, path), encoding="ascii") as f:
        return f.read()


def parse_def(text):
    """EXPORTS lines: `Name@Bytes @Ordinal`."""
    exports, in_exports = [], False
    for number, line in enumerate(text.splitlines(), 1):
        line = line.split(";", 1)[0].strip()
        if not line:
            continue
        if line.upper() == "EXPORTS":
            in_exports = True
            continue
        if not in_exports:
            continue
        m = re.fullmatch(r"(\w+)@(\d+)\s+@(\d+)", line)
        if not m:
            raise DeclarationError(f"{DEF_PATH}:{number}: not `Name@Bytes @Ordinal`: {line}")
        exports.append(DefExport(m.group(1), int(m.group(2)), int(m.group(3))))
    return exports


def _c_type(text):
    return re.sub(r"\s+", " ", re.sub(r"\s*\*", "*", text)).strip()


def _help_from(comment, name):
    """The sentence of `comment` that is about `name`: one that begins with the name (a comment
    over several prototypes), else one that names it, else the first sentence."""
    body = re.sub(r"^/\*+|\*+/$", "", comment)
    body = re.sub(r"\n\s*\*", " ", body)
    body = " ".join(body.replace("`", "").split())
    sentences = re.split(r"(?<!e\.g)(?<!i\.e)\.\s+(?=[A-Z*\"(])", body)
    chosen = next((s for s in sentences if re.match(re.escape(name) + r"\b", s)),
                  next((s for s in sentences if re.search(r"\b" + re.escape(name) + r"\b", s)), sentences[0]))
    chosen = chosen.rstrip(".").strip()
    if len(chosen) > HELP_LIMIT:
        chosen = chosen[:HELP_LIMIT - 3].rsplit(" ", 1)[0] + "..."
    return chosen


def parse_header(text):
    """Prototypes `int32_t WINAPI Name(type name, ...);` with the comment above each (a comment
    above a group of prototypes belongs to each of them; section banners do not count)."""
    functions, comment = [], ""
    pattern = re.compile(r"(/\*.*?\*/)|(\w+)\s+WINAPI\s+(\w+)\s*\(([^)]*)\)\s*;", re.S)
    for m in pattern.finditer(text):
        if m.group(1):
            if not m.group(1).lstrip("/* ").startswith("---"):
                comment = m.group(1)
            continue
        result, name, params_text = m.group(2), m.group(3), m.group(4).strip()
        params = []
        if params_text not in ("", "void"):
            for piece in params_text.split(","):
                pm = re.fullmatch(r"(.*?[\s*])(\w+)", _c_type(piece))
                if not pm:
                    raise DeclarationError(f"{HEADER_PATH}: {name}: parameter without a name: {piece.strip()}")
                params.append(CParam(_c_type(pm.group(1)), pm.group(2)))
        functions.append(CFunction(name, result, params, _help_from(comment, name) if comment else ""))
    return functions


def parse_bas(text):
    """`Public Declare Function Name Lib "x.dll" [Alias "y"] (params) As Long`, lines joined at
    ` _`; a parameter without ByVal or ByRef is ByRef, as in VB6."""
    declares = []
    joined = re.sub(r" _\r?\n\s*", " ", text)
    for number, line in enumerate(joined.splitlines(), 1):
        line = line.strip()
        if not re.match(r"(Public |Private )?Declare ", line):
            continue
        m = re.fullmatch(r'(?:Public |Private )?Declare (?:Function|Sub) (\w+) Lib "([^"]+)"'
                         r'(?: Alias "([^"]+)")? \((.*)\)(?: As (\w+))?', line)
        if not m:
            raise DeclarationError(f"{BAS_PATH}: cannot read: {line}")
        params = []
        if m.group(4).strip():
            for piece in m.group(4).split(","):
                pm = re.fullmatch(r"(?:(ByVal|ByRef) )?(\w+) As (\w+)", piece.strip())
                if not pm:
                    raise DeclarationError(f"{BAS_PATH}: {m.group(1)}: cannot read parameter: {piece.strip()}")
                params.append(BasParam(pm.group(1) or "ByRef", pm.group(2), pm.group(3)))
        declares.append(BasDeclare(m.group(1), m.group(2), m.group(3), params, m.group(5)))
    return declares


def parse_definitions(root):
    """The exports' definitions in the DLL's sources (`extern "C" int32_t WINAPI Name(...) {` in
    <area>/*.cpp): name -> (file, parameter names; None for an unnamed parameter)."""
    definitions = {}
    for area in DLL_AREAS:
        folder = os.path.join(root, area)
        for file in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
            if not file.endswith(".cpp"):
                continue
            path = f"{area}/{file}"
            text = read_text(root, path)
            for m in re.finditer(r'extern\s+"C"\s+\w+\s+WINAPI\s+(\w+)\s*\(([^)]*)\)\s*\{', text):
                names = []
                for piece in m.group(2).split(","):
                    piece = _c_type(piece)
                    if piece in ("", "void"):
                        continue
                    named = re.fullmatch(r"(.*?[\s*])(\w+)", piece)
                    names.append(named.group(2) if named and named.group(1).strip() not in ("", "const") else None)
                definitions[m.group(1)] = (path, names)
    return definitions


def load(root):
    return (parse_def(read_text(root, DEF_PATH)), parse_header(read_text(root, HEADER_PATH)),
            parse_bas(read_text(root, BAS_PATH)))


def vb_kind(param):
    return VB_KINDS.get((param.passing, param.type))


def check(exports, functions, declares, definitions=None):
    """Every fault found, one line each; empty when the three homes agree (and the definitions,
    when given, name their parameters as DuVad.h does)."""
    faults = []

    def names_of(items, home):
        seen = {}
        for item in items:
            if item.name in seen:
                faults.append(f"{home}: {item.name} appears twice")
            seen[item.name] = item
        return seen

    by_def = names_of(exports, DEF_PATH)
    by_header = names_of(functions, HEADER_PATH)
    by_bas = names_of(declares, BAS_PATH)
    for home, names in ((HEADER_PATH, by_header), (BAS_PATH, by_bas)):
        for name in sorted(set(by_def) - set(names)):
            faults.append(f"{home}: {name} is exported ({DEF_PATH}) but not declared")
        for name in sorted(set(names) - set(by_def)):
            faults.append(f"{home}: {name} is declared but not exported ({DEF_PATH})")

    # Ordinals are 1..N in byte-wise order of the names; each export keeps its number.
    for ordinal, export in enumerate(sorted(exports, key=lambda e: e.name.encode()), 1):
        if export.ordinal != ordinal:
            faults.append(f"{DEF_PATH}: {export.name} has ordinal {export.ordinal}, byte-wise order gives {ordinal}")

    for export in exports:
        function, declare = by_header.get(export.name), by_bas.get(export.name)
        if function:
            if function.result != "int32_t":
                faults.append(f"{HEADER_PATH}: {export.name} returns {function.result}, not int32_t")
            if 4 * len(function.params) != export.arg_bytes:
                faults.append(f"{HEADER_PATH}: {export.name} takes {len(function.params)} arguments, "
                              f"{DEF_PATH} says {export.arg_bytes} bytes")
            for p in function.params:
                if p.type not in C_KINDS:
                    faults.append(f"{HEADER_PATH}: {export.name}({p.name}): {p.type} "
                                  "is not a 32-bit argument VB6 can pass")
            if not function.help:
                faults.append(f"{HEADER_PATH}: {export.name} has no comment above it")
        if declare:
            if declare.lib != DLL_NAME or (declare.alias and declare.alias != export.name):
                faults.append(f"{BAS_PATH}: {export.name} is bound to {declare.lib} {declare.alias or ''}".strip())
            if declare.result != "Long":
                faults.append(f"{BAS_PATH}: {export.name} returns {declare.result}, not Long")
            if 4 * len(declare.params) != export.arg_bytes:
                faults.append(f"{BAS_PATH}: {export.name} passes {len(declare.params)} arguments, "
                              f"{DEF_PATH} says {export.arg_bytes} bytes")
            for p in declare.params:
                if not vb_kind(p):
                    faults.append(f"{BAS_PATH}: {export.name}({p.name}): {p.passing} {p.type} is not a 32-bit argument")
        if function:
            for p in function.params:
                if not re.fullmatch(r"[a-z][A-Za-z0-9]*", p.name):
                    faults.append(f"{HEADER_PATH}: {export.name}({p.name}): parameter names are camelCase")
        if function and definitions is not None:
            path, names = definitions.get(export.name, (None, None))
            if names is None:
                faults.append(f"{export.name} has no definition in {', '.join(DLL_AREAS)}")
            elif len(names) == len(function.params):
                for name, c in zip(names, function.params):
                    if name is not None and name != c.name:
                        faults.append(f"{path}: {export.name} names parameter {name}, {HEADER_PATH} {c.name}")
        if function and declare and len(function.params) == len(declare.params):
            for c, b in zip(function.params, declare.params):
                if b.name != c.name:
                    faults.append(f"{BAS_PATH}: {export.name} names parameter {b.name}, {HEADER_PATH} {c.name}")
                kind = vb_kind(b)
                if kind and c.type in C_KINDS and kind not in C_KINDS[c.type]:
                    faults.append(f"{BAS_PATH}: {export.name}({b.name}): {b.passing} {b.type} "
                                  f"cannot pass {c.type} {c.name} ({HEADER_PATH})")
    return faults


def _idl_string(text):
    return text.replace("\\", "\\\\").replace('"', '\\"')


def idl(exports, functions, declares, version):
    """The type library's source. Every entry names its export; VB6 passes what the Declare
    statements pass. (widl writes entry names as "#": tools/msft_entries.py writes them.)"""
    major, minor = version.split(".")[:2]
    by_header = {f.name: f for f in functions}
    by_bas = {d.name: d for d in declares}
    lines = [
        "/* DuVad.tlb: made by tools/exports.py from include/DuVad.h and bindings/vb6/DuVad.bas. */",
        f'[uuid({LIBRARY_UUID}), version({int(major)}.{int(minor)}), '
        f'helpstring("DuVad {version}: Video CD, drive, file and shell services (DuVad.dll)")]',
        "library DuVad",
        "{",
        "    typedef [string] char* LPSTR;",  # VT_LPSTR; a plain [string] char* would be a pointer to VT_I1
        "",
        f'    [dllname("{DLL_NAME}"), uuid({MODULE_UUID}), helpstring("The exports of {DLL_NAME}")]',
        f"    module {MODULE_NAME}",
        "    {",
    ]
    for export in sorted(exports, key=lambda e: e.ordinal):
        function, declare = by_header[export.name], by_bas[export.name]
        params = ", ".join(f"{IDL_TYPES[vb_kind(b)]} {c.name}" for c, b in zip(function.params, declare.params))
        lines.append(f'        [entry("{export.name}"), helpstring("{_idl_string(function.help)}")]')
        lines.append(f"        long __stdcall {export.name}({params});")
    lines += ["    };", "};", ""]
    return "\n".join(lines)


def main(argv):
    if len(argv) < 2 or argv[1] not in ("check", "idl"):
        sys.stderr.write(__doc__)
        return 2
    root = argv[2] if len(argv) > 2 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    try:
        declarations = load(root)
    except DeclarationError as e:
        print(e)
        return 1
    faults = check(*declarations, parse_definitions(root) if argv[1] == "check" else None)
    for fault in faults:
        print(fault)
    if faults:
        return 1
    if argv[1] == "check":
        print(f"{len(declarations[0])} exports: {DEF_PATH}, {HEADER_PATH} and {BAS_PATH} agree")
        return 0
    if len(argv) != 5:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[4], "w", encoding="ascii") as f:
        f.write(idl(*declarations, argv[3]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
