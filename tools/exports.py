#!/usr/bin/env python3
"""The exports of DuVad.dll as their three homes declare them, read by one parser.

    frame/DuVad.def          name, argument bytes (Name@N), ordinal
    include/DuVad.h          C prototype, parameter types and names, the comment above it
    bindings/vb6/DuVad.bas   Declare statement, ByVal/ByRef and the VB type of each parameter

    exports.py check [ROOT]                 the three agree, the ordinals follow the rule below, the
                                            result-code constants of DuVad.h and DuVad.bas agree, the
                                            DLL's definitions name their parameters as DuVad.h does,
                                            and DuVad.bas names them as "Parameter names" says (exit 1
                                            and a line per fault)
    exports.py idl [ROOT] VERSION OUT.idl   the type library's source: one module of every export,
                                            and the result codes as an enum

The compiler checks the DLL's definitions against DuVad.h and the linker checks DuVad.def's byte
counts against the definitions; nothing else reads DuVad.bas, so this check is what keeps the
VB6 declarations and the type library from drifting.

Ordinals: a caller may bind by ordinal, so an export keeps its number for ever. DuVad.def lists
the exports in ordinal order, each row's ordinal being its row number; the first release's exports
(ordinals 1-48, in byte-wise order of their names) are the table's first rows, and an export added
later goes at the end with the next free ordinal (as zlib's .def appends).

Parameter names: DuVad.h and the DLL's definitions name parameters in camelCase; DuVad.bas gives
each the same name behind a prefix of its kind (PREFIXES: sFileName for a string, lWidth for an
out-parameter), so no Declare parameter is a name VB programs use for their own members. The VB6
IDE keeps one spelling per identifier across a project: a parameter called `text` would turn every
Text1.Text into Text1.text. VB_MEMBER_NAMES lists the names no parameter may have.

Result codes: each coded result an export returns has a name, DUVAD_<EXPORT>_<MEANING>, as a
#define in DuVad.h and a Public Const in DuVad.bas; both files name the same constants with the
same values, each export's comment (its type library help) mentions each of its codes, and an
export whose comment gives a negative result has its codes named.
"""
import hashlib
import os
import re
import sys
from collections import namedtuple

DefExport = namedtuple("DefExport", "name arg_bytes ordinal")
Constant = namedtuple("Constant", "name value")
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
# The prefix of a DuVad.bas parameter name, by what VB passes: s string, n number or h handle, l
# out-parameter, b byte block, lp any block.
PREFIXES = {
    "Long": ("n", "h"),
    "Long*": ("l",),
    "String": ("s",),
    "Byte*": ("b",),
    "Any": ("lp",),
}
# Names of properties, methods and events of VB6's objects and controls (forms, the intrinsic
# controls, App, Screen, Printer, Err, Font, Collection, the common dialog, list view, tree view and
# ADO objects) that VB programs also use for their own members. A Declare parameter with one of
# these names recases the whole project's uses of it.
VB_MEMBER_NAMES = frozenset(n.lower() for n in """
    Action Activate Add AddItem Alignment AllowCustomize Appearance Archive Arrange Attributes
    AutoRedraw AutoSize BackColor BackStyle Bold BOF Bookmark BorderStyle BorderWidth Cancel
    CancelError Caption Charset Checked Clear Click Close Cls Col Color ColorMode Cols Columns
    ColumnHeaders CommandType CommPort Connection ConnectionString Container Copies Count CurrentX
    CurrentY Data DataField DataMember DataSource Default DefaultExt Delete Description DeviceName
    DialogTitle Dir Drive DriverName DrawMode DrawStyle DrawWidth Duplex Enabled EndDoc EOF Err
    Error Execute Exists Expanded FieldCount Fields File FileName FileNumber FileTitle FillColor
    FillStyle Filter FilterIndex Flags Font FontBold FontItalic FontName FontSize FontStrikethru
    FontTransparent FontUnderline ForeColor Format FromPage Handle HasDC hDC Height HelpCommand
    HelpContext HelpContextID HelpFile Hidden Hide hInstance hWnd Icon Image Index InitDir
    Interval Italic Item ItemData Items Key KeyPreview Kind LargeChange LastDllError Left Length
    List ListCount ListIndex ListItems Load Locked Major Max MaxFileSize MaxLength MDIChild Min
    Minor Mode Move MultiLine MultiSelect Name NewIndex NewPage Nodes Normal Number Open
    Orientation PaperBin PaperSize Parent PasswordChar Path Pattern Picture Port Print
    PrintQuality Prompt Properties ReadOnly Recordset Refresh Remove Revision Row Rows ScaleHeight
    ScaleLeft ScaleMode ScaleTop ScaleWidth ScrollBars Selected SelectedItem SelLength SelStart
    SelText SetFocus Shape Show Size SmallChange Sorted Source State Status Stretch Strikethrough
    Style SubItems System TabIndex TabStop Tag Text Title ToolTipText Top ToPage TrackDefault Type
    Underline Unload Update Value Visible Weight WhatsThisHelpID Width WindowState WordWrap Zoom
    """.split())
LIBRARY_UUID = "b347c89e-97e7-4238-839c-904821c63994"
MODULE_UUID = "2cd13b83-8b40-4b6e-a24b-b42f37005964"
MODULE_NAME = "DuVadFunctions"
CODES_UUID = "c2790a7d-011f-42c9-9c7d-25368e8070f8"
CODES_NAME = "DuVadResultCodes"  # an enum: VB6 shows its members as constants (widl drops a module's)
# SHA-256 of the first release's export names in ordinal order, one a line: that table must stay the
# beginning of DuVad.def (see "Ordinals" above).
RELEASED_TABLE = "b59cda09653a3dd0f6e7a3265dca7ff3f48732fe156677bc654096ffe3261fd4"
CONSTANT_PREFIX = "DUVAD_"


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


def _comment_text(comment):
    body = re.sub(r"^/\*+|\*+/$", "", comment)
    body = re.sub(r"\n\s*\*", " ", body)
    return " ".join(body.replace("`", "").split())


def _helps(comment, names):
    """Each function's help from the comment above its group of prototypes: the whole comment for
    a prototype of its own; in a group, the comment's lead (what comes before the first sentence
    that begins with a name of the group) and the function's own sentences (from the one that
    begins with its name to the next that begins with another's). A function of a group whose
    name begins no sentence gets no help (a fault)."""
    body = _comment_text(comment)
    if len(names) == 1:
        return {names[0]: body}
    starts = {}
    for name in names:
        m = re.search(r"(?:^|(?<=\.\s))" + re.escape(name) + r"\b", body)
        if m:
            starts[name] = m.start()
    cuts = sorted(starts.values()) + [len(body)]
    lead = body[:cuts[0]].strip()
    helps = {}
    for name in names:
        if name in starts:
            own = body[starts[name]:cuts[cuts.index(starts[name]) + 1]].strip()
            helps[name] = f"{lead} {own}".strip()
        else:
            helps[name] = ""
    return helps


def parse_header(text):
    """Prototypes `int32_t WINAPI Name(type name, ...);` with the comment above each (a comment
    above a group of prototypes is shared as _helps says; section banners do not count)."""
    functions, comment, group = [], "", []
    pattern = re.compile(r"(/\*.*?\*/)|(\w+)\s+WINAPI\s+(\w+)\s*\(([^)]*)\)\s*;", re.S)

    def close_group():
        helps = _helps(comment, [f.name for f in group]) if comment else {}
        functions.extend(f._replace(help=helps.get(f.name, "")) for f in group)
        group.clear()

    for m in pattern.finditer(text):
        if m.group(1):
            if not m.group(1).lstrip("/* ").startswith("---"):
                close_group()
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
        group.append(CFunction(name, result, params, ""))
    close_group()
    return functions


def parse_header_constants(text):
    """`#define DUVAD_NAME (value)` lines of DuVad.h."""
    return [Constant(m.group(1), int(m.group(2)))
            for m in re.finditer(r"^#define\s+(" + CONSTANT_PREFIX + r"\w+)\s+\(?(-?\d+)\)?\s*$", text, re.M)]


def parse_bas_constants(text):
    """`Public Const DUVAD_NAME As Long = value` lines of DuVad.bas."""
    return [Constant(m.group(1), int(m.group(2)))
            for m in re.finditer(r"^Public Const (" + CONSTANT_PREFIX + r"\w+) As Long = (-?\d+)\s*$", text, re.M)]


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


def load_constants(root):
    return parse_header_constants(read_text(root, HEADER_PATH)), parse_bas_constants(read_text(root, BAS_PATH))


def table_digest(names):
    return hashlib.sha256("".join(n + "\n" for n in names).encode("ascii")).hexdigest()


def check_ordinals(exports):
    """Each row's ordinal is its row number, and the first release's table begins the list."""
    faults = []
    for row, export in enumerate(exports, 1):
        if export.ordinal != row:
            faults.append(f"{DEF_PATH}: {export.name} has ordinal {export.ordinal} in row {row}: ordinals are the "
                          "rows' numbers, and an export added later goes at the end with the next free ordinal")
    names = [e.name for e in exports]
    if not any(table_digest(names[:rows]) == RELEASED_TABLE for rows in range(len(names) + 1)):
        faults.append(f"{DEF_PATH}: the first release's exports no longer begin the table with their ordinals "
                      "(an export was renamed, moved or put between them): callers that bind by ordinal would break")
    return faults


def export_of_constant(name, exports):
    """The export a constant DUVAD_<EXPORT>_<MEANING> belongs to (the longest name that fits)."""
    fitting = [e.name for e in exports if name.startswith(CONSTANT_PREFIX + e.name.upper() + "_")]
    return max(fitting, key=len) if fitting else None


def mentions(text, value):
    """Whether `text` names the result code `value` as a number of its own (1 is not in -1 or 10)."""
    return re.search(r"(?<![\w.\-])" + re.escape(str(value)) + r"(?![\w.]\w)(?!\d)", text) is not None


def check_constants(exports, functions, header_constants, bas_constants):
    """DuVad.h and DuVad.bas name the same result codes with the same values, each belongs to an
    export, the export's comment mentions it, and an export whose comment gives a negative result
    has named codes."""
    faults = []
    by_header = {c.name: c.value for c in header_constants}
    by_bas = {c.name: c.value for c in bas_constants}
    help_of = {f.name: f.help for f in functions}
    for home, mine, other, other_home in ((HEADER_PATH, by_header, by_bas, BAS_PATH),
                                          (BAS_PATH, by_bas, by_header, HEADER_PATH)):
        for name in sorted(set(mine) - set(other)):
            faults.append(f"{other_home}: {name} is missing ({home} gives it {mine[name]})")
    for name in sorted(set(by_header) & set(by_bas)):
        if by_header[name] != by_bas[name]:
            faults.append(f"{BAS_PATH}: {name} is {by_bas[name]}, {HEADER_PATH} says {by_header[name]}")
    for name, value in sorted({**by_bas, **by_header}.items()):
        export = export_of_constant(name, exports)
        if export is None:
            faults.append(f"{name}: names no export (DUVAD_<EXPORT>_<MEANING>)")
        elif export in help_of and not mentions(help_of[export], value):
            faults.append(f"{HEADER_PATH}: the comment of {export} does not mention its result {value} ({name})")
    # A negative number in a comment is an error code (no export counts below zero): it has a name.
    named = {export_of_constant(name, exports) for name in by_header}
    for function in functions:
        negative = re.search(r"(?<![\w.\-])-\d+", function.help)
        if negative and function.name not in named:
            faults.append(f"{HEADER_PATH}: {function.name} returns {negative.group(0)} (its comment says) "
                          f"but no {CONSTANT_PREFIX}{function.name.upper()}_... constant names it")
    return faults


def vb_kind(param):
    return VB_KINDS.get((param.passing, param.type))


def check(exports, functions, declares, definitions=None, constants=None):
    """Every fault found, one line each; empty when the three homes agree (and the definitions,
    when given, name their parameters as DuVad.h does; the constants, when given as DuVad.h's and
    DuVad.bas's lists, agree)."""
    faults = []
    if constants is not None:
        faults += check_constants(exports, functions, *constants)

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

    faults += check_ordinals(exports)

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
        if declare:
            for b in declare.params:
                if b.name.lower() in VB_MEMBER_NAMES:
                    faults.append(f"{BAS_PATH}: {export.name}({b.name}): a name VB programs give their own "
                                  "members; the IDE would recase them all to this spelling")
        if function and declare and len(function.params) == len(declare.params):
            for c, b in zip(function.params, declare.params):
                kind = vb_kind(b)
                wanted = [p + c.name[:1].upper() + c.name[1:] for p in PREFIXES.get(kind, ())]
                if wanted and b.name not in wanted:
                    faults.append(f"{BAS_PATH}: {export.name} names parameter {b.name}, wanted "
                                  f"{' or '.join(wanted)} ({HEADER_PATH} {c.name}, {b.passing} {b.type})")
                kind = vb_kind(b)
                if kind and c.type in C_KINDS and kind not in C_KINDS[c.type]:
                    faults.append(f"{BAS_PATH}: {export.name}({b.name}): {b.passing} {b.type} "
                                  f"cannot pass {c.type} {c.name} ({HEADER_PATH})")
    return faults


def _idl_string(text):
    return text.replace("\\", "\\\\").replace('"', '\\"')


def idl(exports, functions, declares, version, constants=()):
    """The type library's source. Every entry names its export; VB6 passes what the Declare
    statements pass, and the parameters have their names; the result-code `constants` (DuVad.h's)
    are the members of an enum. (widl writes entry names as "#": tools/msft_entries.py writes
    them.)"""
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
        params = ", ".join(f"{IDL_TYPES[vb_kind(b)]} {b.name}" for b in declare.params)
        lines.append(f'        [entry("{export.name}"), helpstring("{_idl_string(function.help)}")]')
        lines.append(f"        long __stdcall {export.name}({params});")
    lines += ["    };"]
    if constants:
        lines += ["", f'    typedef [uuid({CODES_UUID}), helpstring("Result codes of the exports of {DLL_NAME}")]',
                  f"    enum {CODES_NAME} {{"]
        lines += [f"        {c.name} = {c.value}," for c in constants]
        lines[-1] = lines[-1].rstrip(",")
        lines += [f"    }} {CODES_NAME};"]
    lines += ["};", ""]
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
    checking = argv[1] == "check"
    faults = check(*declarations, parse_definitions(root) if checking else None,
                   load_constants(root) if checking else None)
    for fault in faults:
        print(fault)
    if faults:
        return 1
    if argv[1] == "check":
        print(f"{len(declarations[0])} exports and {len(load_constants(root)[0])} result codes: "
              f"{DEF_PATH}, {HEADER_PATH} and {BAS_PATH} agree")
        return 0
    if len(argv) != 5:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[4], "w", encoding="ascii") as f:
        f.write(idl(*declarations, argv[3], load_constants(root)[0]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
