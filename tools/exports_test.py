#!/usr/bin/env python3
"""Tests of tools/exports.py (the agreement check of DuVad.def, DuVad.h and DuVad.bas) and of
tools/msft_entries.py (the type library's entry names). Each fault is made in a copy of the
tree's own files and must be reported; the type library is read back under Wine by the release
test (tests/package), these tests cover the file surgery itself."""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..")
sys.path.insert(0, HERE)
import exports  # noqa: E402
import msft_entries  # noqa: E402


def tree_texts():
    return {p: exports.read_text(ROOT, p) for p in (exports.DEF_PATH, exports.HEADER_PATH, exports.BAS_PATH)}


def faults_of(texts):
    header, bas = texts[exports.HEADER_PATH], texts[exports.BAS_PATH]
    return exports.check(exports.parse_def(texts[exports.DEF_PATH]), exports.parse_header(header),
                         exports.parse_bas(bas), None,
                         (exports.parse_header_constants(header), exports.parse_bas_constants(bas)))


def def_rows(texts):
    return [line for line in texts[exports.DEF_PATH].splitlines() if re.match(r"\s+\w+@\d+\s+@\d+$", line)]


def changed(path, old, new, count=1):
    texts = tree_texts()
    assert texts[path].count(old) >= 1, f"{old!r} is not in {path}"
    texts[path] = texts[path].replace(old, new, count)
    return texts


class AgreementTest(unittest.TestCase):
    def assertReported(self, texts, *fragments):
        faults = faults_of(texts)
        for fragment in fragments:
            self.assertTrue(any(fragment in f for f in faults), f"{fragment!r} not in {faults}")

    def test_the_tree_agrees(self):
        self.assertEqual(faults_of(tree_texts()), [])
        declarations = exports.load(ROOT)
        rows = len(def_rows(tree_texts()))
        self.assertEqual([len(d) for d in declarations], [rows, rows, rows])
        header_constants, bas_constants = exports.load_constants(ROOT)
        self.assertGreater(len(header_constants), 0)
        self.assertEqual(sorted(header_constants), sorted(bas_constants))

    def test_a_missing_declaration_is_reported_in_its_file(self):
        texts = tree_texts()
        texts[exports.BAS_PATH] = re.sub(r"Public Declare Function MySleep .*\n", "", texts[exports.BAS_PATH])
        self.assertReported(texts, "DuVad.bas: MySleep is exported")
        texts = changed(exports.HEADER_PATH, "int32_t WINAPI ItsNT(void);", "")
        self.assertReported(texts, "DuVad.h: ItsNT is exported")

    def test_a_declaration_that_is_not_exported(self):
        texts = changed(exports.BAS_PATH, "Declare Function FEnd Lib", "Declare Function FClose Lib")
        self.assertReported(texts, "DuVad.bas: FClose is declared but not exported", "DuVad.bas: FEnd is exported")

    def test_argument_counts_against_the_def_bytes(self):
        texts = changed(exports.DEF_PATH, "GoEvents@4 ", "GoEvents@8 ")
        self.assertReported(texts, "DuVad.h: GoEvents takes 1 arguments", "DuVad.bas: GoEvents passes 1 arguments")
        texts = changed(exports.BAS_PATH, "(ByVal hSearch As Long) As Long",
                        "(ByVal hSearch As Long, ByVal nX As Long) As Long")
        self.assertReported(texts, "DuVad.bas: FEnd passes 2 arguments")

    def test_kinds_against_the_c_types(self):
        # An out-parameter passed by value, a value passed by reference (VB6's default), a string
        # where the DLL wants a pointer to an integer.
        self.assertReported(changed(exports.BAS_PATH, "ByRef lSectorsInFile As Long", "ByVal lSectorsInFile As Long"),
                            "OpenFileInSectors(lSectorsInFile): ByVal Long cannot pass int32_t*")
        self.assertReported(changed(exports.BAS_PATH, "(ByVal nDuration As Long)", "(nDuration As Long)"),
                            "GoEvents(nDuration): ByRef Long cannot pass int32_t")
        self.assertReported(changed(exports.BAS_PATH, "ByRef lSectorsRead As Long", "ByVal lSectorsRead As String"),
                            "ReadFileInSectors(lSectorsRead): ByVal String cannot pass int32_t*")
        self.assertReported(changed(exports.BAS_PATH, "ByVal sValueName As String, _\n    ByRef lpBlock As Any",
                                    "ByVal sValueName As String, _\n    ByVal lpBlock As Any"),
                            "ReadRegBlock(lpBlock): ByVal Any is not a 32-bit argument")
        self.assertReported(changed(exports.HEADER_PATH, "int32_t WINAPI InStrDot(const char* text)",
                                    "int32_t WINAPI InStrDot(double text)"),
                            "InStrDot(text): double is not a 32-bit argument")

    def test_binding_and_ordinals(self):
        self.assertReported(changed(exports.BAS_PATH, 'GoEvents Lib "DuVad.dll"',
                                   'GoEvents Lib "DuVad.dll" Alias "MySleep"'),
                            "GoEvents is bound to DuVad.dll MySleep")
        self.assertReported(changed(exports.BAS_PATH, 'ItsNT Lib "DuVad.dll"', 'ItsNT Lib "kernel32"'),
                            "ItsNT is bound to kernel32")

    def test_an_export_added_later_takes_the_next_free_ordinal(self):
        texts = tree_texts()
        rows = def_rows(texts)
        appended = f"    AddedLater@4 @{len(rows) + 1}\n"
        declared = "int32_t WINAPI AddedLater(int32_t value);\n"
        texts[exports.DEF_PATH] += appended
        texts[exports.HEADER_PATH] = texts[exports.HEADER_PATH].replace(
            "#ifdef __cplusplus\n}", "/* Returns 1. */\n" + declared + "#ifdef __cplusplus\n}")
        texts[exports.BAS_PATH] += 'Public Declare Function AddedLater Lib "DuVad.dll" (ByVal nValue As Long) As Long\n'
        self.assertEqual(faults_of(texts), [])

        # Put where byte-wise order would have it, with or without the rows after it renumbered:
        # a caller of the released table that binds by ordinal would reach another function.
        first, second = rows[0], rows[1]
        inserted = dict(texts)
        inserted[exports.DEF_PATH] = texts[exports.DEF_PATH].replace(appended, "").replace(
            first + "\n", first + "\n    AddedLater@4 @2\n")
        self.assertReported(inserted, "AnalyzeMpeg has ordinal 2 in row 3", "callers that bind by ordinal would break")
        renumbered = "\n".join(re.sub(r"@\d+$", f"@{n}", row) for n, row in
                               enumerate([first, "    AddedLater@4 @2"] + rows[1:], 1))
        inserted[exports.DEF_PATH] = texts[exports.DEF_PATH].replace(appended, "").replace(
            "\n".join(rows), renumbered)
        faults = faults_of(inserted)
        self.assertEqual(len(faults), 1, faults)
        self.assertIn("callers that bind by ordinal would break", faults[0])

        # A gap, and two rows that swap their ordinals.
        gap = dict(texts)
        gap[exports.DEF_PATH] = texts[exports.DEF_PATH].replace(appended, f"    AddedLater@4 @{len(rows) + 2}\n")
        self.assertReported(gap, f"AddedLater has ordinal {len(rows) + 2} in row {len(rows) + 1}")
        swapped = dict(texts)
        swapped[exports.DEF_PATH] = texts[exports.DEF_PATH].replace(first, re.sub(r"@1$", "@2", first)).replace(
            second, re.sub(r"@2$", "@1", second))
        self.assertReported(swapped, "has ordinal 2 in row 1", "has ordinal 1 in row 2")

    def test_parameter_names_are_one_style_and_the_same_everywhere(self):
        self.assertReported(changed(exports.BAS_PATH, "(ByVal sFirstName As String", "(ByVal sFirst As String"),
                            "DuVad.bas: MatchFiles names parameter sFirst, wanted sFirstName "
                            "(include/DuVad.h firstName")
        # The prefix follows what VB passes: a string is s, an out-parameter l, a handle h or n.
        self.assertReported(changed(exports.BAS_PATH, "ByRef lCompliant As Long", "ByRef nCompliant As Long"),
                            "AnalyzeMpeg names parameter nCompliant, wanted lCompliant")
        self.assertReported(changed(exports.BAS_PATH, "(ByVal hSearch As Long) As Long",
                                    "(ByVal sSearch As Long) As Long"),
                            "FEnd names parameter sSearch, wanted nSearch or hSearch")
        self.assertEqual(faults_of(changed(exports.BAS_PATH, "(ByVal hSearch As Long) As Long",
                                           "(ByVal nSearch As Long) As Long")), [])
        texts = changed(exports.HEADER_PATH, "int32_t WINAPI RemoveLVFocus(HWND listView)",
                        "int32_t WINAPI RemoveLVFocus(HWND list_view)")
        self.assertReported(texts, "RemoveLVFocus(list_view): parameter names are camelCase")

        declarations = exports.load(ROOT)
        definitions = exports.parse_definitions(ROOT)
        self.assertEqual(exports.check(*declarations, definitions), [])
        path, names = definitions["GetAColor"]
        definitions["GetAColor"] = (path, [names[0], "colour"])
        definitions.pop("ItsNT")
        faults = exports.check(*declarations, definitions)
        self.assertIn(f"{path}: GetAColor names parameter colour, include/DuVad.h initialColour", faults)
        self.assertTrue(any("ItsNT has no definition" in f for f in faults), faults)

    def test_no_declare_parameter_is_a_vb_member_name(self):
        # Adding the module must not recase the project's own Me.Name, Text1.Text, Font.Size ...
        for name in ("Name", "Text", "Width", "Height", "Value", "Item", "Count", "Path", "List", "Filter",
                     "Title", "Size", "Left", "Top", "Caption", "Index", "Tag", "Key", "Data", "Font", "Color",
                     "Style", "Visible", "Enabled", "hWnd", "hDC", "FileName", "Drive", "Flags", "Pattern",
                     "Mode", "Port", "Weight", "Italic", "Underline", "Major", "Minor", "Handle", "Length",
                     "Kind", "Description", "Type", "Source"):
            self.assertIn(name.lower(), exports.VB_MEMBER_NAMES, name)
        declares = exports.parse_bas(tree_texts()[exports.BAS_PATH])
        names = {p.name for d in declares for p in d.params}
        self.assertGreater(len(names), 60)
        self.assertEqual({n for n in names if n.lower() in exports.VB_MEMBER_NAMES}, set())
        # The same name in the header and the definitions is fine; in DuVad.bas it is reported, in any case.
        texts = changed(exports.BAS_PATH, "(ByVal sText As String) As Long", "(ByVal text As String) As Long")
        self.assertReported(texts, "IsLastBackS(text): a name VB programs give their own members")
        texts = changed(exports.BAS_PATH, "ByVal nPort As Long", "ByVal PORT As Long")
        self.assertReported(texts, "DumpFileToPrinter(PORT): a name VB programs give their own members")

    def test_reading_definitions(self):
        with tempfile.TemporaryDirectory() as root:
            os.makedirs(os.path.join(root, "files"))
            with open(os.path.join(root, "files", "a.cpp"), "w") as f:
                f.write('extern "C" int32_t WINAPI A(const char* name,\n    int32_t* /*unused*/, HWND) {\n}\n'
                        'extern "C" int32_t WINAPI B(void) { return 0; }\n'
                        'int32_t WINAPI NotExported(int32_t x) { return x; }\n')
            self.assertEqual(exports.parse_definitions(root),
                             {"A": ("files/a.cpp", ["name", None, None]), "B": ("files/a.cpp", [])})

    def test_reading_vb6_forms(self):
        declares = exports.parse_bas('Attribute VB_Name = "X"\n'
                                     "' Public Declare Function Commented Lib \"DuVad.dll\" () As Long\n"
                                     'Public Declare Function A Lib "DuVad.dll" (ByVal s As String, _\n'
                                     "    n As Long, ByRef b As Byte) As Long\n"
                                     'Declare Function B Lib "DuVad.dll" () As Long\n')
        self.assertEqual([d.name for d in declares], ["A", "B"])
        self.assertEqual([(p.passing, p.type) for p in declares[0].params],
                         [("ByVal", "String"), ("ByRef", "Long"), ("ByRef", "Byte")])

    def test_each_function_has_its_own_whole_help_with_its_result_codes(self):
        texts = tree_texts()
        header = texts[exports.HEADER_PATH]
        functions = {f.name: f for f in exports.parse_header(header)}
        # In a comment over several prototypes, each function's part begins with its name.
        self.assertEqual(functions["FEnd"].help,
                         "Directory enumeration. FEnd closes search (nothing for 0 or below) and returns 1 always.")
        self.assertTrue(functions["FNext"].help.startswith("Directory enumeration. FNext: 1 with the next entry"))
        self.assertNotIn("FFirst starts", functions["FNext"].help)
        self.assertTrue(functions["OpenFileInSectors"].help.startswith("Sector-wise reading (2048-byte sectors). "
                                                                       "OpenFileInSectors opens"))
        self.assertNotIn("ReadFileInSectors", functions["OpenFileInSectors"].help)
        self.assertTrue(functions["GoEvents"].help.startswith("Handles every message in the calling thread's queue"))
        # A comment of its own is the help whole, never cut.
        self.assertTrue(functions["MatchFiles"].help.endswith("-4 / -5 the first / second file cannot be opened."))
        self.assertTrue(functions["AnalyzeMpeg"].help.endswith("too large for its length in sectors to fit 32 bits: "
                                                               "*compliant = 0 only"))
        for f in functions.values():
            self.assertTrue(f.help, f.name)
            self.assertNotIn("---", f.help, f.name)
            self.assertNotIn("*/", f.help, f.name)
        # Every result code named for a function is in its help (the tree's constants, and the
        # checker for a comment that drops one).
        for constant in exports.parse_header_constants(header):
            export = exports.export_of_constant(constant.name, exports.parse_def(texts[exports.DEF_PATH]))
            self.assertTrue(exports.mentions(functions[export].help, constant.value), constant.name)
        self.assertReported(changed(exports.HEADER_PATH, "-3 the sizes differ", "the sizes differ"),
                            "the comment of MatchFiles does not mention its result -3 (DUVAD_MATCHFILES_SIZES_DIFFER)")
        # A function of a group whose name begins none of the group's sentences has no help.
        self.assertReported(changed(exports.HEADER_PATH, "open until FEnd. FEnd closes",
                                    "open until FEnd, which closes"),
                            "FEnd has no comment above it")

    def test_numbers_are_mentioned_as_numbers_of_their_own(self):
        self.assertTrue(exports.mentions("Returns 1, or -1 when", -1))
        self.assertTrue(exports.mentions("Returns 1, or -1 when", 1))
        self.assertFalse(exports.mentions("Returns -1 when", 1))
        self.assertFalse(exports.mentions("Returns 10 or 0.5", 1))
        self.assertTrue(exports.mentions("(87), with nothing written", 87))
        self.assertTrue(exports.mentions("-100 - i    source i", -100))

    def test_result_codes_are_named_alike_in_both_files(self):
        self.assertReported(changed(exports.BAS_PATH, "Public Const DUVAD_MATCHFILES_SIZES_DIFFER As Long = -3\n", ""),
                            "DuVad.bas: DUVAD_MATCHFILES_SIZES_DIFFER is missing (include/DuVad.h gives it -3)")
        self.assertReported(changed(exports.HEADER_PATH, "#define DUVAD_GETACOLOR_CANCELLED (-1)\n", ""),
                            "DuVad.h: DUVAD_GETACOLOR_CANCELLED is missing (bindings/vb6/DuVad.bas gives it -1)")
        self.assertReported(changed(exports.BAS_PATH, "DUVAD_PRINTERSETUP_NO_CONTEXT As Long = -3",
                                    "DUVAD_PRINTERSETUP_NO_CONTEXT As Long = -4"),
                            "DuVad.bas: DUVAD_PRINTERSETUP_NO_CONTEXT is -4, include/DuVad.h says -3")
        texts = changed(exports.BAS_PATH, "DUVAD_GETACOLOR_CANCELLED As", "DUVAD_GETCOLOR_CANCELLED As")
        texts[exports.HEADER_PATH] = texts[exports.HEADER_PATH].replace("DUVAD_GETACOLOR_CANCELLED",
                                                                          "DUVAD_GETCOLOR_CANCELLED")
        self.assertReported(texts, "DUVAD_GETCOLOR_CANCELLED: names no export")
        # An export whose comment gives a negative result, with no constant at all.
        texts = changed(exports.BAS_PATH, "Public Const DUVAD_GETACOLOR_CANCELLED As Long = -1\n", "")
        texts[exports.HEADER_PATH] = texts[exports.HEADER_PATH].replace("#define DUVAD_GETACOLOR_CANCELLED (-1)\n", "")
        self.assertEqual(faults_of(texts), ["include/DuVad.h: GetAColor returns -1 (its comment says) but no "
                                            "DUVAD_GETACOLOR_... constant names it"])
        # The longest export name that fits decides (FFirst, not a shorter name it begins with).
        self.assertEqual(exports.export_of_constant("DUVAD_DRIVESETTINGNT_DONE", exports.load(ROOT)[0]),
                         "DriveSettingNT")

    def test_idl_declares_every_export_once_by_its_entry(self):
        text = exports.idl(*exports.load(ROOT), "1.2.3.4", exports.load_constants(ROOT)[0])
        self.assertIn("version(1.2)", text)
        entries = re.findall(r'\[entry\("(\w+)"\)', text)
        self.assertEqual(entries, [re.match(r"\s+(\w+)@", row).group(1) for row in def_rows(tree_texts())])
        # The parameters as the Declares name them (VB6 shows them while the call is typed).
        self.assertIn("long __stdcall ReadRegBlock([in] LPSTR sSubKey, [in] LPSTR sValueName, [in] void* lpBlock, "
                      "[in] long nLength);", text)
        self.assertIn("        DUVAD_MATCHFILES_SIZES_DIFFER = -3,\n", text)
        self.assertEqual(len(re.findall(r"\n        DUVAD_\w+ = -?\d+", text)), len(exports.load_constants(ROOT)[0]))


class CheckoutLineEndsTest(unittest.TestCase):
    """The files Windows programs read straight from the checkout end their lines in CR LF: VB6
    misreads a module with bare LF (README.md tells VB6 users to add bindings/vb6/DuVad.bas)."""
    WINDOWS_FILES = ["bindings/vb6/DuVad.bas", "release/README.txt", "tests/wine.reg", "tests/wine-versions.reg"]

    def test_the_checkouts_bytes(self):
        for path in self.WINDOWS_FILES:
            with open(os.path.join(ROOT, path), "rb") as f:
                data = f.read()
            with self.subTest(path):
                self.assertGreater(data.count(b"\r\n"), 10)
                self.assertEqual(data.count(b"\n"), data.count(b"\r\n"), "a line ends in LF alone")
                self.assertEqual(data.count(b"\r"), data.count(b"\r\n"), "a CR without its LF")
                self.assertTrue(data.endswith(b"\r\n"))

    @unittest.skipUnless(shutil.which("git") and os.path.exists(os.path.join(ROOT, ".git")), "not a git checkout")
    def test_every_checkout_gets_them(self):
        # .gitattributes asks for CR LF whatever the checkout's core.autocrlf, and the build's own
        # inputs keep LF.
        out = subprocess.run(["git", "-C", ROOT, "check-attr", "eol", "--"] + self.WINDOWS_FILES +
                             ["include/DuVad.h", "frame/DuVad.def", "tools/exports.py"],
                             check=True, capture_output=True, text=True).stdout.splitlines()
        self.assertEqual(out, [f"{p}: eol: crlf" for p in self.WINDOWS_FILES] +
                         ["include/DuVad.h: eol: unspecified", "frame/DuVad.def: eol: unspecified",
                          "tools/exports.py: eol: unspecified"])


WIDL = shutil.which("i686-w64-mingw32-widl")
SAMPLE_IDL = """
[uuid(11111111-2222-3333-4444-555555555555), version(1.0)]
library Sample {
    typedef [string] char* LPSTR;
    [dllname("Sample.dll"), uuid(11111111-2222-3333-4444-555555555556), helpstring("first")]
    module First {
        [entry("Alpha"), helpstring("a")] long __stdcall Alpha([in] long x);
        [entry("LongerName"), helpstring("help of LongerName")]
        long __stdcall LongerName([in] LPSTR s, [in, out] long* n);
    };
    [dllname("Sample.dll"), uuid(11111111-2222-3333-4444-555555555557)]
    module Second {
        [entry("Gamma")] long __stdcall Gamma(void);
    };
};
"""


@unittest.skipUnless(WIDL, "widl (mingw-w64-tools) is not installed")
class EntryNamesTest(unittest.TestCase):
    def widl(self, idl_text):
        with tempfile.TemporaryDirectory() as d:
            with open(os.path.join(d, "s.idl"), "w") as f:
                f.write(idl_text)
            subprocess.run([WIDL, "--win32", "-t", "-o", os.path.join(d, "s.tlb"), os.path.join(d, "s.idl")],
                           check=True)
            with open(os.path.join(d, "s.tlb"), "rb") as f:
                return f.read()

    def entries(self, data):
        layout = msft_entries.Layout(data)
        strings_at, _ = layout.segment(msft_entries.STRING_SEGMENT)
        return {name: msft_entries.read_string(data, strings_at, msft_entries.u32(data, at))
                for name, at in msft_entries.module_functions(data, layout)}

    def segment_bytes(self, data, index):
        offset, length = msft_entries.Layout(data).segment(index)
        return data[offset:offset + length]

    def test_widl_leaves_entries_unnamed_and_the_step_names_them(self):
        raw = self.widl(SAMPLE_IDL)
        self.assertEqual(set(self.entries(raw).values()), {"#"})  # the fault this step exists for
        fixed = msft_entries.name_entries(raw)
        self.assertEqual(self.entries(fixed), {"Alpha": "Alpha", "LongerName": "LongerName", "Gamma": "Gamma"})
        # Every other segment keeps its bytes where the directory now says it is, and the old
        # strings (help, DLL name) keep their offsets.
        moved = {msft_entries.STRING_SEGMENT, msft_entries.TYPEINFO_SEGMENT}  # these change
        for index in range(msft_entries.SEGMENTS):
            if index not in moved and msft_entries.Layout(raw).segment(index)[1] > 0:
                self.assertEqual(self.segment_bytes(raw, index), self.segment_bytes(fixed, index), index)
        # The type infos' function records moved with the segments before them, unchanged in size.
        added = len(fixed) - len(raw)
        self.assertGreater(added, 0)
        for t in range(2):
            at = msft_entries.Layout(raw).segment(msft_entries.TYPEINFO_SEGMENT)[0] + msft_entries.TYPEINFO_BYTES * t
            old_records, new_records = msft_entries.u32(raw, at + 4), msft_entries.u32(fixed, at + 4)
            self.assertEqual(new_records, old_records + added)
            self.assertEqual(msft_entries.u32(raw, old_records), msft_entries.u32(fixed, new_records))
        old_strings = self.segment_bytes(raw, msft_entries.STRING_SEGMENT)
        self.assertTrue(self.segment_bytes(fixed, msft_entries.STRING_SEGMENT).startswith(old_strings))
        self.assertEqual(len(fixed) % 4, 0)
        self.assertEqual(msft_entries.name_entries(fixed), fixed)  # a named entry is left alone

    def test_an_ordinal_entry_is_refused(self):
        raw = self.widl(SAMPLE_IDL.replace('[entry("Gamma")]', "[entry(7)]"))
        with self.assertRaisesRegex(msft_entries.LayoutError, "Gamma is bound by ordinal 7"):
            msft_entries.name_entries(raw)

    def test_not_a_type_library(self):
        with self.assertRaises(msft_entries.LayoutError):
            msft_entries.name_entries(b"MZ" + bytes(200))

    def test_string_entries_are_encoded_as_widl_writes_them(self):
        self.assertEqual(msft_entries.encode_string("#"), b"\x01\x00#WWWWW")
        self.assertEqual(msft_entries.encode_string("Alpha"), b"\x05\x00AlphaW")
        self.assertEqual(msft_entries.encode_string("Ab"), struct.pack("<H", 2) + b"AbWWWW")


if __name__ == "__main__":
    unittest.main()
