#!/usr/bin/env python3
"""Tests of tools/reference.py: the page made from the tree has every export's part (declarations,
what it returns, an example calling it) and every trap; the check of the examples reports each
kind of fault made in a copy of DuVad.bas; the page is HTML 4.01 a browser of 1997 can show. How it
renders in a real browser: tests/reference/render_test.py."""
import html.parser
import os
import re
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..")
sys.path.insert(0, HERE)
import exports  # noqa: E402
import reference  # noqa: E402


def tree_with(bas_old=None, bas_new=None, header_old=None, header_new=None):
    """The tree's declarations with one change, read as reference.load reads them."""
    folder = tempfile.mkdtemp(prefix="duvad-reference.")
    try:
        for path, old, new in ((exports.DEF_PATH, None, None), (exports.HEADER_PATH, header_old, header_new),
                               (exports.BAS_PATH, bas_old, bas_new)):
            text = exports.read_text(ROOT, path)
            if old is not None:
                assert old in text, f"{old!r} is not in {path}"
                text = text.replace(old, new)
            os.makedirs(os.path.dirname(os.path.join(folder, path)), exist_ok=True)
            with open(os.path.join(folder, path), "w", encoding="ascii") as f:
                f.write(text)
        return reference.load(folder)
    finally:
        shutil.rmtree(folder)


class Page(html.parser.HTMLParser):
    """The page as elements: ids, links, the text of each part (a div) and of its examples."""
    VOID = {"meta", "br", "hr", "img", "link", "input"}

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.stack, self.faults, self.ids, self.hrefs, self.tags = [], [], {}, [], set()
        self.sections, self.examples, self.trap_items = [], [], []
        self._section = self._example = self._trap_item = None
        self.doctype = None
        self.feed(text)
        self.close()

    def handle_decl(self, decl):
        self.doctype = decl

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.add(tag)
        if tag not in self.VOID:
            self.stack.append(tag)
        for key in ("id", "name"):
            if key in attrs and (tag == "a" or key == "id"):
                self.ids.setdefault(attrs[key], 0)
                self.ids[attrs[key]] += key == "id"
        if tag == "a" and attrs.get("href", "").startswith("#"):
            self.hrefs.append(attrs["href"][1:])
        if tag == "a" and "name" in attrs and attrs.get("id") != attrs["name"]:
            self.faults.append(f"anchor name {attrs['name']} without the same id")
        if tag == "div" and attrs.get("class") == "section":
            self._section = {"text": "", "ids": [], "examples": []}
            self.sections.append(self._section)
        if self._section is not None and tag == "a" and "id" in attrs:
            self._section["ids"].append(attrs["id"])
        if tag == "pre" and attrs.get("class") == "example":
            self._example = ""
        if tag == "li" and attrs.get("class") == "trap":
            self._trap_item = {"text": "", "links": []}
            self.trap_items.append(self._trap_item)
        if self._trap_item is not None and tag == "a":
            self._trap_item["links"].append(attrs.get("href", "")[1:])

    def handle_endtag(self, tag):
        if not self.stack or self.stack[-1] != tag:
            self.faults.append(f"</{tag}> closes {self.stack[-1] if self.stack else 'nothing'}")
        else:
            self.stack.pop()
        if tag == "div":
            self._section = None
        if tag == "pre" and self._example is not None:
            self.examples.append(self._example)
            if self._section is not None:
                self._section["examples"].append(self._example)
            self._example = None
        if tag == "li":
            self._trap_item = None

    def handle_data(self, data):
        if self._section is not None:
            self._section["text"] += data
        if self._example is not None:
            self._example += data
        if self._trap_item is not None:
            self._trap_item["text"] += data


class ThePage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tree = reference.load(ROOT)
        cls.text = reference.render(cls.tree, "1.2.3.4")
        cls.page = Page(cls.text)

    def section_of(self, name):
        found = [s for s in self.page.sections if name in s["ids"]]
        self.assertEqual(len(found), 1, name)
        return found[0]

    def test_plain_html_401_that_old_browsers_read(self):
        self.assertTrue(self.page.doctype.startswith('DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN"'))
        self.assertEqual(self.page.faults, [])
        self.assertEqual(self.page.stack, [])
        self.text.encode("ascii")
        # Nothing that needs a browser newer than the page's readers: no scripts, frames, objects
        # or elements that HTML 4.01 lacks.
        self.assertEqual(self.page.tags - {"html", "head", "meta", "title", "style", "body", "h1", "h2", "h3", "h4",
                                           "p", "ul", "li", "a", "pre", "code", "b", "table", "tr", "th", "td",
                                           "div"}, set())
        self.assertIn("DuVad 1.2.3.4", self.text)

    def test_every_link_has_its_target_once(self):
        self.assertEqual(sorted(set(self.page.hrefs) - set(self.page.ids)), [])
        self.assertEqual([i for i, n in self.page.ids.items() if n != 1], [])

    def test_every_export_has_its_part(self):
        declares = self.tree["declares"]
        exported = {n.lower(): n for n in declares}
        self.assertEqual(len(declares), len(self.tree["defs"]))
        contents = self.text[self.text.index('<ul class="contents">'):self.text.index("</ul>\n<h2>")]
        for name, declare in declares.items():
            with self.subTest(name):
                self.assertIn(f'href="#{name}"', contents)
                section = self.section_of(name)
                self.assertIn(reference.c_prototype(self.tree["functions"][name]), section["text"])
                self.assertIn(reference.vb_declare(declare), section["text"])
                self.assertIn("What it does and returns", section["text"])
                called = {c.name for e in section["examples"] for c in reference.calls(e, exported)}
                self.assertIn(name, called)
                for constant in self.tree["constants"]:
                    if exports.export_of_constant(constant.name, self.tree["defs"]) == name:
                        self.assertIn(constant.name, section["text"])

    def test_declarations_read_as_their_sources_write_them(self):
        # The page's C prototypes and Declares are DuVad.h's and DuVad.bas's, lines wrapped
        # within 100 columns (no room taken from the page).
        def flat(text):
            return re.sub(r"\s+", " ", re.sub(r" _\n", " ", text)).replace("( ", "(").strip()

        header = exports.read_text(ROOT, exports.HEADER_PATH)
        bas = exports.read_text(ROOT, exports.BAS_PATH)
        prototypes = {m.group(1): flat(m.group(0)) for m in re.finditer(r"int32_t WINAPI (\w+)\([^)]*\);", header)}
        declares = {m.group(1): flat(m.group(0)) for m in
                    re.finditer(r"Public Declare Function (\w+) Lib .*?\) As Long", re.sub(r" _\n\s*", " ", bas))}
        for name in self.tree["declares"]:
            with self.subTest(name):
                c = reference.c_prototype(self.tree["functions"][name])
                vb = reference.vb_declare(self.tree["declares"][name])
                self.assertEqual(flat(c), prototypes[name])
                self.assertEqual(flat(vb), declares[name])
                for line in c.splitlines() + vb.splitlines():
                    self.assertLessEqual(len(line), 100, line)
                self.assertEqual(len(c.splitlines()) == 1, len(flat(c)) <= 96)
                self.assertEqual(len(vb.splitlines()) == 1, len(flat(vb)) <= 96)

    def test_lines_are_wrapped_past_96_columns_only(self):
        param = exports.BasParam("ByVal", "nA", "Long")
        for name, lines in (("X" * 29, 1), ("X" * 30, 2)):
            text = reference.vb_declare(exports.BasDeclare(name, "DuVad.dll", None, [param], "Long"))
            self.assertEqual(len(text.splitlines()), lines, text)
            self.assertEqual(len(text.replace(" _\n    ", "")), 96 + len(name) - 29)

    def test_buffers_are_sized_where_they_are_filled(self):
        # Each output string of a Declare (a String the C side writes into) is sized in its part.
        for name, function in self.tree["functions"].items():
            for c, b in zip(function.params, self.tree["declares"][name].params):
                if c.type == "char*" and b.type == "String":
                    with self.subTest(f"{name}({b.name})"):
                        self.assertRegex(self.section_of(name)["text"], re.escape(b.name) + r" = .*String\$\(")

    def test_result_tables_keep_their_rows(self):
        section = self.section_of("PrepareVcdFiles")
        self.assertIn("<td><code>-100 - i</code></td><td>source i cannot be opened or read;", self.text)
        self.assertIn("<td><code>-300</code></td><td>the image file cannot be opened", self.text)
        self.assertNotIn("Trap:", section["text"].split("Traps")[0])

    def test_the_traps(self):
        items = self.page.trap_items
        every = " ".join(i["text"] for i in items if not i["links"])

        def trap_of(name, *words):
            texts = [i["text"] for i in items if name in i["links"]]
            self.assertTrue(any(all(w in t for w in words) for t in texts), f"{name}: {words} not in {texts}")

        for words in (("Not is bitwise", "Not 1 is -2"), ("Err.LastDllError",), ("64-bit Office", "PtrSafe"),
                      ("ThisWorkbook.Path",)):
            for w in words:
                self.assertIn(w, every)
        trap_of("ItsNT", "Vista", "does not mean NT 4")
        trap_of("FindThisVB6MDIWindow", "IDE", "ThunderMDIForm")
        trap_of("GetFilenameForOpenOrSave", "current folder", "cancelled")
        trap_of("InvokeShellProperties", "error box")
        trap_of("ReadRegBlock", "Windows 95 and 98", "backslash")
        trap_of("WriteRegBlock", "LenB", "String")
        trap_of("MySleep", "49 days")
        trap_of("PrepareVcdFiles", "counts from 1", "-101")
        trap_of("PrepareVcdFiles", "TRACK01.IMG")
        trap_of("GetAColor", "OleTranslateColor", "&H8000000F&")
        trap_of("GetWinTempPath", "1 to 127")
        # Each trap shows in its function's part too.
        for item in items:
            for name in item["links"]:
                self.assertIn(item["text"].split(":", 1)[1].strip()[:60], self.section_of(name)["text"])


class TheExamples(unittest.TestCase):
    def assertFaults(self, tree, *fragments):
        faults = reference.check_examples(tree)
        for fragment in fragments:
            self.assertTrue(any(fragment in f for f in faults), f"{fragment!r} not in {faults}")
        return faults

    def test_the_tree_has_none(self):
        tree = reference.load(ROOT)
        self.assertEqual(reference.check_examples(tree), [])
        calls = [c for _, b in tree["blocks"] for e in b.doc.examples
                 for c in reference.calls(e, {n.lower(): n for n in tree["declares"]})]
        self.assertGreaterEqual(len(calls), len(tree["declares"]))

    def test_argument_counts(self):
        self.assertFaults(tree_with("n = GetWinTempPath(sTemp)", "n = GetWinTempPath(sTemp, 128)"),
                          "calls GetWinTempPath with 2 arguments, its Declare takes 1")
        self.assertFaults(tree_with("'         FEnd hSearch", "'         FEnd"),
                          "calls FEnd with 0 arguments, its Declare takes 1")

    def test_argument_kinds(self):
        # A Long where a string goes, an expression or a string where a Long variable goes, a
        # variable the example never declares, an array without its element, Any given a literal.
        self.assertFaults(tree_with("n = GetWinTempPath(sTemp)", "n = GetWinTempPath(n)"),
                          "passes n to GetWinTempPath's sPath (ByVal As String wants a string)")
        self.assertFaults(tree_with("lOk, lW, lH, lAspect", "lOk + 0, lW, lH, lAspect"),
                          "passes lOk + 0 to AnalyzeMpeg's lCompliant (ByRef As Long wants a Long variable)")
        self.assertFaults(tree_with("DriveSettingNT(0, lAutorun)", 'DriveSettingNT(0, "1")'),
                          "passes \"1\" to DriveSettingNT's lAutorun")
        self.assertFaults(tree_with("n = GetHDrop(Me.hWnd, sList)", "n = GetHDrop(hOwner, sList)"),
                          "passes hOwner to GetHDrop's hOwnerWindow (ByVal As Long wants a number)")
        self.assertFaults(tree_with("ReadFileInSectors(hFile, bBuf(0), 16", "ReadFileInSectors(hFile, bBuf, 16"),
                          "passes bBuf to ReadFileInSectors's bBuffer (ByRef As Byte wants an element of a Byte array")
        self.assertFaults(tree_with("ReadFileInSectors(hFile, bBuf(0), 16", "ReadFileInSectors(hFile, lRead, 16"),
                          "passes lRead to ReadFileInSectors's bBuffer")
        self.assertFaults(tree_with('"Place", wp, LenB(wp)) <> DUVAD_READREGBLOCK_COPIED',
                                    '"Place", 0, LenB(wp)) <> DUVAD_READREGBLOCK_COPIED'),
                          "passes 0 to ReadRegBlock's lpBlock")
        # Declared by ReDim Preserve or in a list with arrays, a variable keeps its kind.
        tree = tree_with("Dim lDC As Long, r As Long", "Dim lDC As Integer, r As Long")
        self.assertFaults(tree, "passes lDC to PrinterSetup's lContext")

    def test_names_called(self):
        # A misspelt export (VB would stop at it: "Sub or Function not defined"), called either way.
        self.assertFaults(tree_with("n = GetWinTempPath(sTemp)", "n = GetWinTmpPath(sTemp)"),
                          "an example calls GetWinTmpPath, which neither DuVad.bas nor VB declares",
                          "no example beside GetWinTempPath calls GetWinTempPath")
        self.assertFaults(tree_with("'         FEnd hSearch", "'         FEndSearch hSearch"),
                          "an example calls FEndSearch, which neither DuVad.bas nor VB declares")
        # Type members, assignments, arrays and VB's own statements are no such calls.
        tree = reference.load(ROOT)
        code = ("Type T\n    nA As Long\nEnd Type\nDim b() As Byte, n As Long\nReDim b(0 To 1)\n"
                "n = UBound(b) + b(0)\nIf n Then Beep Else MsgBox \"x\"\n")
        self.assertEqual(reference.check_code(code, tree["declares"], "x")[0], [])

    def test_not_on_a_result(self):
        self.assertFaults(tree_with('If IsFileExisting("C:\\clips\\a.mpg") = 0 Then',
                                    'If Not IsFileExisting("C:\\clips\\a.mpg") Then'),
                          "gives IsFileExisting's result to Not")
        self.assertFaults(tree_with("If FindDirectCD() = 1 Then", "If Not (FindDirectCD()) Then"),
                          "gives FindDirectCD's result to Not")

    def test_blocks_are_closed(self):
        # `If x Then ' note` opens a block If, which VB6 refuses without its End If.
        self.assertFaults(tree_with("'     If EnablepkWR(1) = DUVAD_ENABLEPKWR_NO_ANSWER Then\n"
                                    "'         MsgBox \"The packet-writing program is not running (or does not answer)\"\n"
                                    "'     End If\n",
                                    "'     If EnablepkWR(1) = DUVAD_ENABLEPKWR_NO_ANSWER Then ' not running\n"),
                          "an example leaves a block open (no End If)")
        self.assertFaults(tree_with("'         Loop While FNext(", "'         Loop\n'         Loop While FNext("),
                          "an example closes a block it did not open: Loop While FNext(hSearch")
        self.assertEqual(reference.unclosed_blocks("For i = 0 To 1: Beep: Next\nIf a Then b: c\n"
                                                   "Select Case x\nCase 1: If y Then\nEnd If\nEnd Select"), [])
        self.assertEqual(reference.unclosed_blocks("Do\nIf a Then\nLoop\nEnd If"),
                         ["an example closes a block it did not open: Loop",
                          "an example leaves a block open (no Loop)"])

    def test_every_export_is_called_beside_it(self):
        self.assertFaults(tree_with("'     RemoveLVFocus ListView1.hWnd\n", ""),
                          "no example beside GetLVItemText, SetLVItemText, RemoveLVFocus calls RemoveLVFocus")
        # Comments that go missing leave a Declare to the block above it, whose example lacks it.
        tree = tree_with("' FindDirectCD: 1 while a DirectCD window is open, which holds the recorder.\n"
                         "' Example:\n"
                         "'     If FindDirectCD() = 1 Then MsgBox \"Please close DirectCD before recording.\"\n", "\n")
        self.assertFaults(tree, "FindDirectCD has no comments above it")
        # A prototype without a comment of its own belongs to the group above it in DuVad.h; the
        # DuVad.bas blocks of a section stay with it.
        tree = tree_with(header_old=("/* Returns 1 when a top-level window (hidden ones too) has a title whose first "
                                     "255 characters\n * contain \"DIRECTCD\" in any case; 0 otherwise. */\n"),
                         header_new="")
        self.assertIn(["ReadRegBlock", "WriteRegBlock", "FindDirectCD"], [s.names for s in reference.sections(tree)])
        self.assertEqual(reference.check_examples(tree), [])
        # Sections join the DuVad.h groups that one DuVad.bas block covers.
        names = [s.names for s in reference.sections(reference.load(ROOT))]
        self.assertIn(["ReadRegBlock", "WriteRegBlock"], names)
        self.assertIn(["FFirst", "FNext", "FEnd", "IsFileExisting"], names)
        self.assertEqual(sorted(n for s in names for n in s), sorted(reference.load(ROOT)["declares"]))

    def test_the_users_readme(self):
        # release/README.txt's VB6 code (its indented blocks) calls the exports as DuVad.bas declares them.
        text = exports.read_text(ROOT, "release/README.txt")
        vb = text[text.index("Visual Basic 6\n"):text.index("C and C++\n")]
        blocks = re.findall(r"(?:^    .*\n)+", vb, re.M)
        tree = reference.load(ROOT)
        called = set()
        for block in blocks:
            code = "\n".join(line[4:] for line in block.splitlines())
            faults, names = reference.check_code(code, tree["declares"], "release/README.txt")
            self.assertEqual(faults, [])
            called |= names
        self.assertEqual(called, {"GetWinTempPath", "AnalyzeMpeg"})
        faults, _ = reference.check_code("Dim s As String\nIf Not IsFileExisting(s) Then GetWinTempPath s, 1",
                                         tree["declares"], "x")
        self.assertEqual(len(faults), 2, faults)

    def test_reading_examples(self):
        exported = {"fend": "FEnd", "ffirst": "FFirst", "itsnt": "ItsNT"}
        code = ('Dim h As Long, s As String, b() As Byte, c(0 To 3) As Byte\n'
                'MsgBox "FEnd h": Call FEnd(h)  \' FEnd in a comment\n'
                'If h <> 0 Then FEnd h Else FEnd 0\n'
                'x.FEnd = 1: n = ItsNT + ItsNT()\n'
                'h = FFirst("a" & s, _\n    s, s, h, h)\n')
        found = [(c.name, [" ".join(t[1] for t in a) for a in c.args]) for c in reference.calls(code, exported)]
        self.assertEqual(found, [("FEnd", ["h"]), ("FEnd", ["h"]), ("FEnd", ["0"]), ("ItsNT", []), ("ItsNT", []),
                                 ("FFirst", ['"a" & s', "s", "s", "h", "h"])])
        variables, functions = reference.declarations(code + "Private Declare Function Gdi Lib \"gdi32\" () As Long\n")
        self.assertEqual(variables, {"h": "Long", "s": "String", "b": "Byte()", "c": "Byte()"})
        self.assertEqual(functions, {"gdi": "Long"})
        kind = lambda text: reference.kind_of(reference.tokens_of(text), variables, functions, exported)
        self.assertEqual([kind(t) for t in ('"x" & h', "h * 2 + 1", "-1", "&H10", "b(0)", "Me.hWnd", "App.Path",
                                            "Left$(s, 2)", "Len(s) - 1", "FEnd(h)", "(h)", "Gdi()", "vbNullString",
                                            "h & s", "s + 1", "Me.Caption", "q", "h Mod 2")],
                         ["String", "Long", "Long", "Long", "Byte", "Long", "String", "String", "Long", "Long", "Long",
                          "Long", "String", "String", None, None, None, "Long"])


if __name__ == "__main__":
    unittest.main()
