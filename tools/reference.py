#!/usr/bin/env python3
"""DuVad.html, the reference of DuVad.dll for Visual Basic 6 and C programmers, made from the one
home of each fact:

    include/DuVad.h          what each function does and returns (the comment above it), its C
                             prototype, its named result codes, traps of the system (`Trap:`)
    bindings/vb6/DuVad.bas   its Declare, how to size and cut its buffers in VB, an `Example:`
                             (lines indented by four spaces), traps of VB (`Trap:`); the module's
                             head: what holds for every function
    frame/DuVad.def          the exports (read through tools/exports.py, which holds the three
                             together)

    reference.py html [ROOT] VERSION OUT.html   writes the page
    reference.py check [ROOT]                   every export has its part of the page and an
                                                example that calls it, and every example's call of
                                                an export passes what its Declare takes (exit 1 and
                                                a line per fault)

The page is one HTML 4.01 file, ASCII, without scripts or frames, with a linked table of contents:
it opens in the browsers of Windows 95 and in today's. A part of the page is a group of functions
that DuVad.h comments together, joined with the groups whose functions DuVad.bas comments together.

DuVad.bas's comments above a Declare belong to it and to the Declares that follow without comments
of their own (up to a blank line or a `' ---- Area ----` banner). In them, and in DuVad.h's
comments, a paragraph that begins with `Trap:` is a trap: it shows in its function's part and in
the page's list of traps.
"""
import html
import os
import re
import sys
from collections import namedtuple

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import exports  # noqa: E402

Doc = namedtuple("Doc", "paragraphs traps examples")  # lists of str
Block = namedtuple("Block", "doc names")  # DuVad.bas comments and the Declares they belong to
HeaderGroup = namedtuple("HeaderGroup", "area lines names")  # DuVad.h comment lines and prototypes
Section = namedtuple("Section", "area groups blocks names")
Call = namedtuple("Call", "name args text")

TRAP = "Trap:"
EXAMPLE = "Example:"

# ---- Reading the comments ------------------------------------------------------------------------


def parse_doc(lines):
    """Comment lines (without the comment mark) into paragraphs, traps and examples."""
    paragraphs, traps, examples = [], [], []
    mode, current = None, None  # mode: "p", "trap", "example"
    for raw in lines:
        text = raw[1:] if raw.startswith(" ") else raw
        if not text.strip():
            mode = None
            continue
        if text.startswith(EXAMPLE):
            mode = "example"
            examples.append([])
            continue
        if mode == "example" and text.startswith("    "):
            examples[-1].append(text[4:].rstrip())
            continue
        if text.startswith(TRAP):
            mode = "trap"
            traps.append(text[len(TRAP):].strip())
        elif mode == "trap":
            traps[-1] += " " + text.strip()
        elif mode == "p":
            paragraphs[-1] += " " + text.strip()
        else:
            mode = "p"
            paragraphs.append(text.strip())
    return Doc(paragraphs, traps, ["\n".join(e) for e in examples if e])


def parse_bas_docs(text):
    """DuVad.bas's head (the comments before Option Explicit) and its blocks in order:
    [(area, Block)]."""
    lines = text.splitlines()
    head, body_at = [], len(lines)
    for number, line in enumerate(lines):
        if line.startswith("'"):
            head.append(line[1:])
        elif line.strip().lower() == "option explicit":
            body_at = number + 1
            break
    blocks, pending, current, area = [], [], None, ""
    number = body_at
    while number < len(lines):
        line = lines[number]
        banner = re.fullmatch(r"'\s*-{3,}\s*(.*?)\s*-{3,}\s*", line)
        if banner:
            area, pending, current = banner.group(1), [], None
        elif line.startswith("'"):
            pending.append(line[1:])
        elif not line.strip():
            pending, current = [], None
        else:
            statement = line
            while statement.endswith(" _") and number + 1 < len(lines):
                number += 1
                statement = statement[:-2] + " " + lines[number].strip()
            m = re.match(r"(?:Public |Private )?Declare (?:Function|Sub) (\w+)", statement)
            if m:
                if pending or current is None:
                    current = Block(parse_doc(pending), [])
                    blocks.append((area, current))
                current.names.append(m.group(1))
                pending = []
        number += 1
    return parse_doc(head), blocks


def _comment_lines(comment):
    """The lines of a /* */ comment without its marks, indentation after ` * ` kept."""
    body = comment[2:-2]
    out = []
    for number, line in enumerate(body.split("\n")):
        if number == 0:
            out.append(line[1:] if line.startswith(" ") else line)
        else:
            m = re.match(r"\s*\* ?(.*)$", line)
            out.append(m.group(1) if m else line.strip())
    while out and not out[-1].strip():
        out.pop()
    return out


def parse_header_groups(text):
    """DuVad.h's comments with the prototypes below each, and the area banner above them."""
    groups, comment, names, area = [], None, [], ""
    pattern = re.compile(r"(/\*.*?\*/)|(\w+)\s+WINAPI\s+(\w+)\s*\(([^)]*)\)\s*;", re.S)

    def close():
        if names:
            groups.append(HeaderGroup(area, _comment_lines(comment) if comment else [], list(names)))
        names.clear()

    for m in pattern.finditer(text):
        if m.group(1):
            close()
            banner = re.match(r"/\*\s*-{3,}\s*(.*?)\s*-{3,}", m.group(1))
            if banner:
                area, comment = re.sub(r"\s*\([^)]*/\)$", "", banner.group(1)), None
            else:
                comment = m.group(1)
            continue
        names.append(m.group(3))
    close()
    return groups


_ROW = re.compile(r"^\s{1,3}(-?\d+(?: - i)?)\s{2,}(\S.*)$")


def header_items(group):
    """A DuVad.h comment as ("p", text), ("rows", [[code, text]]) and ("trap", text) items."""
    items = []
    for line in group.lines:
        row = _ROW.match(line)
        last = items[-1] if items else None
        if row:
            if last and last[0] == "rows":
                last[1].append([row.group(1), row.group(2).strip()])
            else:
                items.append(("rows", [[row.group(1), row.group(2).strip()]]))
        elif line.startswith("    ") and last and last[0] == "rows":
            last[1][-1][1] += " " + line.strip()
        elif line.startswith(TRAP):
            items.append(("trap", line[len(TRAP):].strip()))
        elif last and last[0] in ("p", "trap") and not any(
                re.match(re.escape(n) + r"\b", line) for n in group.names):
            items[-1] = (last[0], last[1] + " " + line.strip())
        else:
            items.append(("p", line.strip()))
    return items


# ---- The tree's parts of the page ----------------------------------------------------------------


def load(root):
    header_text = exports.read_text(root, exports.HEADER_PATH)
    bas_text = exports.read_text(root, exports.BAS_PATH)
    defs, functions, declares = exports.load(root)
    head, blocks = parse_bas_docs(bas_text)
    return {
        "defs": defs,
        "functions": {f.name: f for f in functions},
        "declares": {d.name: d for d in declares},
        "constants": exports.parse_header_constants(header_text),
        "groups": parse_header_groups(header_text),
        "head": head,
        "blocks": blocks,
    }


def sections(tree):
    """DuVad.h's groups in order, each joined with the groups whose functions share a DuVad.bas
    block; every block goes to the section of its first function."""
    groups = tree["groups"]
    block_of = {}
    for _, block in tree["blocks"]:
        for name in block.names:
            block_of[name] = block
    owner = list(range(len(groups)))  # group index -> the group that leads its section

    def lead(i):
        while owner[i] != i:
            i = owner[i]
        return i

    group_of = {n: i for i, g in enumerate(groups) for n in g.names}
    for _, block in tree["blocks"]:
        places = sorted({lead(group_of[n]) for n in block.names if n in group_of})
        for i in places[1:]:
            owner[i] = places[0]
    out = []
    for i, group in enumerate(groups):
        if lead(i) != i:
            continue
        members = [g for j, g in enumerate(groups) if lead(j) == i]
        names = [n for g in members for n in g.names]
        blocks = []
        for name in names:
            block = block_of.get(name)
            if block is not None and all(block is not b for b in blocks):
                blocks.append(block)
        out.append(Section(group.area, members, blocks, names))
    return out


# ---- Examples: the calls of exports and what they pass -------------------------------------------

_TOKEN = re.compile(r'\s*(?:("(?:[^"]|"")*")|(&H[0-9A-Fa-f]+&?|\d+(?:\.\d+)?[&%!#]?)|'
                    r'([A-Za-z_]\w*[$&%!#]?)|(<>|<=|>=|\S))')
VB_STRING_FUNCTIONS = {"left$", "right$", "mid$", "string$", "space$", "chr$", "trim$", "ltrim$", "rtrim$",
                       "ucase$", "lcase$", "environ$", "curdir$", "strconv", "format$", "str$", "hex$",
                       "left", "right", "mid", "string", "space", "chr", "trim", "environ", "leftb$"}
VB_LONG_FUNCTIONS = {"len", "lenb", "instr", "instrrev", "ubound", "lbound", "val", "clng", "cint", "rgb", "asc",
                     "abs", "freefile", "lof", "loc"}
VB_CONSTANTS = {"vbnullstring": "String", "vbnullchar": "String", "vbcrlf": "String", "vbcr": "String",
                "vblf": "String", "vbtab": "String", "vbwhite": "Long", "vbblack": "Long", "vbbuttonface": "Long",
                "vbchecked": "Long", "vbunchecked": "Long", "vbfromunicode": "Long", "vbunicode": "Long",
                "true": "Boolean", "false": "Boolean"}
# What else an example may call or begin a statement with: VB's own statements and functions.
VB_STATEMENTS = {"dim", "redim", "private", "public", "static", "const", "type", "end", "if", "elseif", "else",
                 "select", "case", "do", "loop", "for", "next", "while", "wend", "with", "call", "exit", "open",
                 "close", "get", "put", "msgbox", "beep", "set", "let", "on", "goto", "resume", "chdir", "chdrive",
                 "kill", "mkdir", "doevents", "erase"}
VB_OTHER_FUNCTIONS = {"split", "join", "msgbox", "iif", "abs", "cstr", "format", "now", "timer", "dir", "dir$",
                      "doevents", "array"}
MEMBER_KINDS = {"hwnd": "Long", "hdc": "Long", "path": "String", "title": "String", "exename": "String"}
NUMBER_KINDS = {"Long", "Integer", "Byte", "Boolean"}
# What each Declare kind takes from an example (see kind_fits).
WANTED = {"Long": "a number", "Long*": "a Long variable", "String": "a string",
          "Byte*": "an element of a Byte array, e.g. b(0)", "Any": "a variable or an array element"}


def tokens_of(line):
    out, at = [], 0
    while at < len(line):
        m = _TOKEN.match(line, at)
        if not m or m.end() == at:
            break
        at = m.end()
        if m.group(1) is not None:
            out.append(("str", m.group(1)))
        elif m.group(2) is not None:
            out.append(("num", m.group(2)))
        elif m.group(3) is not None:
            out.append(("id", m.group(3)))
        elif m.group(4) == "'":
            break  # a comment
        else:
            out.append(("op", m.group(4)))
    return out


def statements(code):
    """Logical lines (` _` joined) split at `:` and after a one-line If's Then or Else, as token
    lists."""
    joined = re.sub(r" _\n\s*", " ", code)
    out = []
    for line in joined.split("\n"):
        current = []
        tokens = tokens_of(line)
        for index, token in enumerate(tokens):
            if token == ("op", ":"):
                out.append(current)
                current = []
            elif token[0] == "id" and token[1].lower() == "then" and index + 1 < len(tokens):
                current.append(token)
                out.append(current)
                current = []
            elif token[0] == "id" and token[1].lower() == "else" and index + 1 < len(tokens):
                out += [current, [token]]
                current = []
            else:
                current.append(token)
        out.append(current)
    return [s for s in out if s]


def split_arguments(tokens):
    """Top-level comma-separated pieces of a token list."""
    pieces, depth, current = [], 0, []
    for token in tokens:
        if token == ("op", "(") or token == ("op", ")"):
            depth += 1 if token[1] == "(" else -1
        if token == ("op", ",") and depth == 0:
            pieces.append(current)
            current = []
        else:
            current.append(token)
    if current or pieces:
        pieces.append(current)
    return pieces


def _closing(tokens, at):
    depth = 0
    for index in range(at, len(tokens)):
        if tokens[index] == ("op", "("):
            depth += 1
        elif tokens[index] == ("op", ")"):
            depth -= 1
            if depth == 0:
                return index
    return len(tokens)


def declarations(code):
    """What an example declares: variables and their types (an array as "Type()"), and functions it
    declares itself with their result types."""
    variables, functions = {}, {}
    for tokens in statements(code):
        words = [t[1] for t in tokens]
        lowered = [w.lower() for w in words]
        if "declare" in lowered[:2] and "function" in lowered:
            name = words[lowered.index("function") + 1]
            functions[name.lower()] = words[-1] if lowered[-2:-1] == ["as"] else "Variant"
            continue
        if not lowered or lowered[0] not in ("dim", "private", "public", "static", "redim"):
            continue
        if lowered[:2] in (["private", "type"], ["public", "type"]) or lowered[0] == "type":
            continue
        start = 1 + (len(lowered) > 1 and lowered[1] == "preserve")
        for piece in split_arguments(tokens[start:]):
            if not piece or piece[0][0] != "id":
                continue
            name = piece[0][1].lower()
            rest = piece[1:]
            array = bool(rest) and rest[0] == ("op", "(")
            if array:
                rest = rest[_closing(rest, 0) + 1:]
            if len(rest) >= 2 and rest[0][1].lower() == "as":
                kind = rest[1][1]
                variables[name] = kind + "()" if array else kind
    return variables, functions


def kind_of(tokens, variables, functions, exported):
    """The VB type an argument expression has, as far as the example tells (None: unknown)."""
    if not tokens:
        return None
    if tokens[0] == ("op", "(") and _closing(tokens, 0) == len(tokens) - 1:
        return kind_of(tokens[1:-1], variables, functions, exported)
    depth, operators = 0, []
    for token in tokens:
        if token[0] == "op" and token[1] in "()":
            depth += 1 if token[1] == "(" else -1
        elif depth == 0 and token[0] == "op":
            operators.append(token[1])
        elif depth == 0 and token[0] == "id" and token[1].lower() == "mod":
            operators.append("mod")
    if "&" in operators:
        return "String"
    if operators and tokens[0] == ("op", "-") and operators == ["-"]:
        return kind_of(tokens[1:], variables, functions, exported)
    if operators and all(o in ("+", "-", "*", "\\", "/", "mod", ".") for o in operators) and "." not in operators:
        parts, current, depth = [], [], 0
        for token in tokens:
            if token[0] == "op" and token[1] in "()":
                depth += 1 if token[1] == "(" else -1
            if depth == 0 and (token[0] == "op" and token[1] in "+-*\\/" or token == ("id", "Mod")):
                parts.append(current)
                current = []
            else:
                current.append(token)
        parts.append(current)
        kinds = {kind_of(p, variables, functions, exported) for p in parts if p}
        return "Long" if kinds and kinds <= NUMBER_KINDS else None
    first = tokens[0]
    if len(tokens) == 1:
        if first[0] == "str":
            return "String"
        if first[0] == "num":
            return "Long"
        name = first[1].lower()
        if name in variables:
            return variables[name]
        if name.startswith("duvad_"):
            return "Long"
        return VB_CONSTANTS.get(name)
    if first[0] == "id" and tokens[1] == ("op", "(") and _closing(tokens, 1) == len(tokens) - 1:
        name = first[1].lower()
        if name in variables and variables[name].endswith("()"):
            return variables[name][:-2]
        if name in VB_STRING_FUNCTIONS:
            return "String"
        if name in VB_LONG_FUNCTIONS or name in exported:
            return "Long"
        return functions.get(name)
    if len(tokens) >= 3 and tokens[-2] == ("op", ".") and tokens[-1][0] == "id":
        return MEMBER_KINDS.get(tokens[-1][1].lower())
    return None


def kind_fits(passing_kind, tokens, variables, functions, exported):
    """Whether an argument is what the Declare's parameter takes: a number ByVal As Long, a string
    ByVal As String, a Long variable ByRef As Long (an expression would pass a copy, and the value
    written would be lost), an element of a Byte array ByRef As Byte, a variable ByRef As Any."""
    kind = kind_of(tokens, variables, functions, exported)
    if passing_kind == "Long":
        return kind in NUMBER_KINDS
    if passing_kind == "String":
        return kind == "String"
    single = len(tokens) == 1 and tokens[0][0] == "id" and tokens[0][1].lower() in variables
    element = (len(tokens) >= 3 and tokens[0][0] == "id" and tokens[1] == ("op", "(")
               and _closing(tokens, 1) == len(tokens) - 1 and variables.get(tokens[0][1].lower(), "").endswith("()"))
    if passing_kind == "Long*":
        return (single or element) and kind == "Long"
    if passing_kind == "Byte*":
        return (single or element) and kind == "Byte"
    if passing_kind == "Any":
        return single or element
    return False


def calls(code, exported):
    """Every call of an export in an example: Call(name, [argument tokens], statement text)."""
    found = []
    for tokens in statements(code):
        text = " ".join(t[1] for t in tokens)
        for index, token in enumerate(tokens):
            if token[0] != "id" or token[1].lower() not in exported:
                continue
            if index > 0 and tokens[index - 1] == ("op", "."):
                continue
            name = exported[token[1].lower()]
            if index + 1 < len(tokens) and tokens[index + 1] == ("op", "("):
                end = _closing(tokens, index + 1)
                args = split_arguments(tokens[index + 2:end])
            elif index == 0 or (index == 1 and tokens[0][1].lower() == "call"):
                args = split_arguments(tokens[index + 1:])
            else:
                args = []
            found.append(Call(name, args, text))
    return found


def negated_calls(code, exported):
    """Exports whose result an example gives to Not (bitwise: Not 1 is -2, still True)."""
    out = []
    for tokens in statements(code):
        for index, token in enumerate(tokens[:-1]):
            if token[0] == "id" and token[1].lower() == "not":
                following = [t for t in tokens[index + 1:index + 3] if t != ("op", "(")]
                if following and following[0][0] == "id" and following[0][1].lower() in exported:
                    out.append(exported[following[0][1].lower()])
    return out


# Statements that open a block (by their first words) and the words that close it.
BLOCKS = {("if",): ("end", "if"), ("select",): ("end", "select"), ("do",): ("loop",), ("for",): ("next",),
          ("with",): ("end", "with"), ("private", "type"): ("end", "type"), ("type",): ("end", "type")}


def unclosed_blocks(code):
    """Blocks an example opens and does not close, or closes without opening (a one-line If is
    no block; `If x Then ' note` is one, and wants its End If)."""
    faults, open_blocks = [], []
    pieces = []
    for line in re.sub(r" _\n\s*", " ", code).split("\n"):
        tokens, first = tokens_of(line), 0
        if tokens and tokens[0][1].lower() == "if" and tokens[-1][1].lower() != "then":
            pieces.append((line, tokens))  # a one-line If, its colons included
            continue
        for index, token in enumerate(tokens + [("op", ":")]):
            if token == ("op", ":"):
                pieces.append((line, tokens[first:index]))
                first = index + 1
    for line, tokens in pieces:
        words = [t[1].lower() for t in tokens if t[0] == "id"]
        if not words or tokens[0][0] != "id":
            continue
        for opening, closing in BLOCKS.items():
            if tuple(words[:len(opening)]) == opening:
                if opening == ("if",) and tokens[-1][1].lower() != "then":
                    break  # a one-line If
                open_blocks.append(closing)
                break
            if tuple(words[:len(closing)]) == closing and closing != ("loop",) or \
                    closing == ("loop",) and words[0] == "loop":
                if not open_blocks or open_blocks[-1] != closing:
                    faults.append(f"an example closes a block it did not open: {line.strip()}")
                else:
                    open_blocks.pop()
                break
    faults += [f"an example leaves a block open (no {' '.join(c).title()})" for c in open_blocks]
    return faults


def check_code(code, declares, home):
    """The faults of one piece of VB code: each call of an export with its Declare's number and
    kinds of arguments, no Not on an export's result. Returns (faults, names called)."""
    faults, called = [], set()
    exported = {n.lower(): n for n in declares}
    variables, functions = declarations(code)
    for call in calls(code, exported):
        called.add(call.name)
        params = declares[call.name].params
        if len(call.args) != len(params):
            faults.append(f"{home}: an example calls {call.name} with {len(call.args)} arguments, "
                          f"its Declare takes {len(params)}: {call.text}")
            continue
        for arg, param in zip(call.args, params):
            wanted = exports.vb_kind(param)
            if not kind_fits(wanted, arg, variables, functions, exported):
                given = " ".join(t[1] for t in arg)
                faults.append(f"{home}: an example passes {given} to {call.name}'s {param.name} "
                              f"({param.passing} As {param.type} wants {WANTED[wanted]}): {call.text}")
    known = (set(exported) | set(functions) | VB_STRING_FUNCTIONS | VB_LONG_FUNCTIONS | VB_OTHER_FUNCTIONS |
             {n for n, k in variables.items() if k.endswith("()")})
    in_type = False  # the members of a Type ... End Type block are no calls
    for tokens in statements(code):
        words = [t[1].lower() for t in tokens[:2]]
        if words[:1] == ["type"] or words in (["private", "type"], ["public", "type"], ["end", "type"]):
            in_type = words[0] != "end"
            continue
        if in_type:
            continue
        for index, token in enumerate(tokens):
            follows = tokens[index + 1] if index + 1 < len(tokens) else ("op", "")
            after_dot = index > 0 and tokens[index - 1] == ("op", ".")
            if token[0] != "id" or after_dot or follows == ("op", "."):
                continue
            name = token[1].lower()
            is_call = follows == ("op", "(") or (index == 0 and follows not in (("op", "="), ("op", "(")))
            if is_call and name not in known and name not in VB_STATEMENTS and name not in variables:
                faults.append(f"{home}: an example calls {token[1]}, which neither DuVad.bas nor VB declares: "
                              + " ".join(t[1] for t in tokens))
    for name in negated_calls(code, exported):
        faults.append(f"{home}: an example gives {name}'s result to Not, which is bitwise "
                      "(Not 1 is -2, True): compare with 1 or 0")
    faults += [f"{home}: {fault}" for fault in unclosed_blocks(code)]
    return faults, called


def check_examples(tree):
    """Every fault of the examples: each export called in an example of its own part of the page,
    and each example as check_code wants it."""
    faults = []
    declares = tree["declares"]
    for section in sections(tree):
        called = set()
        for example in (e for b in section.blocks for e in b.doc.examples):
            found, names = check_code(example, declares, exports.BAS_PATH)
            faults += found
            called |= names
        for name in section.names:
            if name in declares and name not in called:
                faults.append(f"{exports.BAS_PATH}: no example beside {', '.join(section.names)} calls {name}")
    for _, block in tree["blocks"]:
        if not (block.doc.paragraphs or block.doc.traps or block.doc.examples):
            faults.append(f"{exports.BAS_PATH}: {', '.join(block.names)} has no comments above it")
    for name in declares:
        if not any(name in s.names for s in sections(tree)):
            faults.append(f"{exports.HEADER_PATH}: {name} is not declared (no part of the page)")
    return faults


# ---- The page -------------------------------------------------------------------------------------


def inline(text):
    """Plain text to HTML: escaped, ASCII only, `code` marked."""
    out = html.escape(text, quote=False)
    out = re.sub(r"`([^`]+)`", r"<code>\1</code>", out)
    return "".join(c if ord(c) < 128 else f"&#{ord(c)};" for c in out)


def anchor(name, text=None):
    return f'<a name="{name}" id="{name}">{inline(text or name)}</a>'


def link(name, text=None):
    return f'<a href="#{name}">{inline(text or name)}</a>'


def c_prototype(function):
    """The prototype as DuVad.h writes it, its parameters wrapped under the first past 96 columns."""
    head = f"{function.result} WINAPI {function.name}("
    params = [f"{p.type} {p.name}" for p in function.params] or ["void"]
    lines, line = [], head
    for number, param in enumerate(params):
        piece = param + (", " if number + 1 < len(params) else ");")
        if len(line) + len(piece.rstrip()) > 96 and line.strip() != head.strip():
            lines.append(line.rstrip())
            line = " " * len(head)
        line += piece
    lines.append(line)
    return "\n".join(lines)


def vb_declare(declare):
    """The Declare as DuVad.bas writes it, continued with ` _` before a parameter that would pass
    96 columns."""
    params = [f"{p.passing} {p.name} As {p.type}" for p in declare.params]
    tail = f") As {declare.result}"
    lines, line = [], f'Public Declare Function {declare.name} Lib "{declare.lib}" ('
    for number, param in enumerate(params):
        last = number + 1 == len(params)
        piece = param + (tail if last else ", ")
        if len(line) + len(piece.rstrip()) > 96 and line.strip():
            lines.append(line.rstrip() + " _")
            line = "    "
        line += piece
    if not params:
        line += tail
    lines.append(line)
    return "\n".join(lines)


STYLE = """body { font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 90%; margin: 1em 2em;
  color: #000000; background: #ffffff; }
h1 { font-size: 160%; } h2 { font-size: 135%; border-bottom: 1px solid #999999; margin-top: 2em; }
h3 { font-size: 115%; background: #e8eef4; padding: 0.2em; margin-top: 2em; } h4 { font-size: 100%; }
pre { background: #f4f4f4; border: 1px solid #cccccc; padding: 0.4em; overflow: auto; }
table { border-collapse: collapse; } td, th { border: 1px solid #cccccc; padding: 0.2em 0.5em;
  vertical-align: top; text-align: left; }
.trap { background: #fff4d8; border: 1px solid #e0b040; padding: 0.3em; }
ul.contents li { margin-top: 0.2em; }"""


def render(tree, version):
    parts = sections(tree)
    head = tree["head"]
    functions, declares = tree["functions"], tree["declares"]
    constants = tree["constants"]
    out = [
        '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN" "http://www.w3.org/TR/html4/strict.dtd">',
        '<html lang="en">', "<head>",
        '<meta http-equiv="Content-Type" content="text/html; charset=us-ascii">',
        f"<title>DuVad {inline(version)}: reference of DuVad.dll</title>",
        '<style type="text/css">', STYLE, "</style>", "</head>", "<body>",
        f"<h1>{anchor('top', f'DuVad {version}: reference of DuVad.dll')}</h1>",
        "<p>Every function of DuVad.dll: its declarations for C (<code>DuVad.h</code>) and Visual Basic "
        "(<code>DuVad.bas</code>), what it does, what it returns, how to size and cut its buffers, "
        "the traps met on the way, and an example in Visual Basic 6. This page is made from "
        "<code>DuVad.h</code>, <code>DuVad.bas</code> and the export table of this release.</p>",
        f"<h2>{anchor('contents', 'Contents')}</h2>",
        '<ul class="contents">',
        f"<li>{link('using', 'Using DuVad.dll from Visual Basic')}</li>",
        f"<li>{link('traps', 'Traps')}</li>",
    ]
    areas = []
    for section in parts:
        if not areas or areas[-1][0] != section.area:
            areas.append((section.area, []))
        areas[-1][1].append(section)
    for number, (area, members) in enumerate(areas, 1):
        out.append(f"<li>{link(f'area{number}', area)}<ul>")
        for section in members:
            out.append("<li>" + ", ".join(link(n) for n in section.names) + "</li>")
        out.append("</ul></li>")
    out.append(f"<li>{link('index', 'Functions from A to Z')}</li>")
    out.append("</ul>")

    out.append(f"<h2>{anchor('using', 'Using DuVad.dll from Visual Basic')}</h2>")
    out += [f"<p>{inline(p)}</p>" for p in head.paragraphs]

    out.append(f"<h2>{anchor('traps', 'Traps')}</h2>")
    out.append("<p>What a program meets when it calls these functions as their names suggest. "
               "Each trap is also shown beside its function.</p>")
    out.append("<ul>")
    out += [f'<li class="trap"><b>Every function:</b> {inline(t)}</li>' for t in head.traps]
    for section in parts:
        for group in section.groups:
            for kind, text in header_items(group):
                if kind == "trap":
                    out.append('<li class="trap"><b>' + ", ".join(link(n) for n in group.names) +
                               f":</b> {inline(text)}</li>")
        for block in section.blocks:
            for trap in block.doc.traps:
                out.append('<li class="trap"><b>' + ", ".join(link(n) for n in block.names) +
                           f":</b> {inline(trap)}</li>")
    out.append("</ul>")

    for number, (area, members) in enumerate(areas, 1):
        out.append(f"<h2>{anchor(f'area{number}', area)}</h2>")
        for section in members:
            out.append(f'<div class="section">')
            out.append("<h3>" + ", ".join(anchor(n) for n in section.names) + "</h3>")
            out.append("<h4>Declarations</h4>")
            out.append('<pre class="c">' + "\n".join(inline(c_prototype(functions[n])) for n in section.names
                                                      if n in functions) + "</pre>")
            out.append('<pre class="vb">' + "\n".join(inline(vb_declare(declares[n])) for n in section.names
                                                       if n in declares) + "</pre>")
            out.append("<h4>What it does and returns</h4>")
            traps = []
            for group in section.groups:
                for kind, value in header_items(group):
                    if kind == "p":
                        out.append(f"<p>{inline(value)}</p>")
                    elif kind == "rows":
                        out.append("<table>" + "".join(f"<tr><td><code>{inline(code)}</code></td>"
                                                       f"<td>{inline(text)}</td></tr>" for code, text in value)
                                   + "</table>")
                    else:
                        traps.append(value)
            named = [c for c in constants if exports.export_of_constant(c.name, tree["defs"]) in section.names]
            if named:
                out.append("<h4>Named results</h4>")
                out.append("<table><tr><th>constant (DuVad.h, DuVad.bas, DuVad.tlb)</th><th>value</th></tr>" +
                           "".join(f"<tr><td><code>{inline(c.name)}</code></td><td>{c.value}</td></tr>"
                                   for c in named) + "</table>")
            for block in section.blocks:
                traps += block.doc.traps
            if any(b.doc.paragraphs for b in section.blocks):
                out.append("<h4>In Visual Basic</h4>")
                out += [f"<p>{inline(p)}</p>" for b in section.blocks for p in b.doc.paragraphs]
            if traps:
                out.append("<h4>Traps</h4>")
                out += [f'<p class="trap"><b>Trap:</b> {inline(t)}</p>' for t in traps]
            examples = [e for b in section.blocks for e in b.doc.examples]
            if examples:
                out.append("<h4>Example</h4>")
                out += [f'<pre class="example">{inline(e)}</pre>' for e in examples]
            out.append(f'<p>{link("contents", "Contents")}</p>')
            out.append("</div>")

    out.append(f"<h2>{anchor('index', 'Functions from A to Z')}</h2>")
    out.append("<p>" + " | ".join(link(n) for n in sorted(declares, key=str.lower)) + "</p>")
    out += ["</body>", "</html>", ""]
    return "\n".join(out)


def main(argv):
    if len(argv) < 2 or argv[1] not in ("html", "check"):
        sys.stderr.write(__doc__)
        return 2
    args = argv[2:]
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    if args and os.path.isdir(args[0]):
        root, args = args[0], args[1:]
    tree = load(root)
    faults = check_examples(tree)
    for fault in faults:
        print(fault)
    if faults:
        return 1
    if argv[1] == "check":
        print(f"{len(tree['declares'])} exports, each with its part of the page and an example whose calls "
              f"pass what {exports.BAS_PATH} declares")
        return 0
    if len(args) != 2:
        sys.stderr.write(__doc__)
        return 2
    version, path = args
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(render(tree, version))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
