#!/usr/bin/env python3
"""cpu_check_test.py [BINARY...]: tools/cpu_check.py refuses each kind of instruction above each
floor (one small object assembled per instruction) and passes the 80386 and Pentium code the
compiler makes; --poison makes exactly the refused instructions invalid. The binaries given (the
built DuVad.dll and duvad.exe) must pass against their own floors."""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import cpu_check  # noqa: E402

AS = "i686-w64-mingw32-as"
LD = "i686-w64-mingw32-ld"

# Above both floors: (AT&T source, a word of the expected reason).
ABOVE_PENTIUM = [
    ("cmove %ecx,%eax", "cmove"), ("cmovl (%edx),%eax", "cmovl"),
    ("fcmove %st(1),%st", "fcmove"), ("fcmovnbe %st(1),%st", "fcmovnbe"),
    ("fcomi %st(1),%st", "fcomi"), ("fucomi %st(1),%st", "fucomi"),
    ("fcomip %st(1),%st", "fcomip"), ("fucomip %st(1),%st", "fucomip"),
    ("popcnt %ecx,%eax", "popcnt"),
    ("lfence", "lfence"), ("sfence", "sfence"), ("mfence", "mfence"),
    ("prefetchnta (%eax)", "prefetchnta"), ("prefetcht0 (%eax)", "prefetcht0"), ("prefetchw (%eax)", "prefetchw"),
    ("ldmxcsr (%eax)", "ldmxcsr"),
    ("nopl 0(%eax)", "multi-byte NOP"), ("nopw %cs:0(%eax,%eax,1)", "multi-byte NOP"),
    ("emms", "emms"), ("movq (%eax),%mm0", "MMX/SSE"), ("paddd %mm1,%mm0", "MMX/SSE"),
    ("movaps %xmm1,%xmm0", "MMX/SSE"), ("movd %eax,%xmm0", "MMX/SSE"), ("cvtsi2sd %eax,%xmm0", "MMX/SSE"),
    ("sysenter", "sysenter"), ("rdpmc", "rdpmc"), ("endbr32", "endbr32"), ("fisttpl (%eax)", "fisttp"),
    ("fxsave (%eax)", "fxsave"), ("ud1 %eax,%eax", "ud1"),
    (".byte 0xf0, 0x89, 0xc8", "lock mov"),  # LOCK where the processor faults on it
    (".byte 0x0f, 0x04", "(bad)"),           # bytes no processor decodes
]
# The 486's and the Pentium's own: refused for the 80386, allowed for the Pentium.
ABOVE_386 = [
    ("bswap %eax", "bswap"), ("cmpxchg %ecx,(%eax)", "cmpxchg"), ("lock cmpxchg %ecx,(%eax)", "cmpxchg"),
    ("xadd %ecx,(%eax)", "xadd"), ("lock xadd %ecx,(%eax)", "xadd"), ("invlpg (%eax)", "invlpg"),
    ("wbinvd", "wbinvd"), ("invd", "invd"),
    ("cpuid", "cpuid"), ("rdtsc", "rdtsc"), ("cmpxchg8b (%eax)", "cmpxchg8b"),
    ("lock cmpxchg8b (%eax)", "cmpxchg8b"), ("rdmsr", "rdmsr"),
]
# What the compiler makes for the 80386: passes both floors.
CLEAN = """
    movl 4(%esp),%eax
    rep movsb
    rep stosl
    repnz scasb
    lock incl (%eax)
    lock btsl $3,(%eax)
    xchgl %eax,(%ecx)
    fldl (%eax)
    fstpl (%eax)
    fnstsw %ax
    sahf
    fucompp
    fsin
    fprem1
    imull $10,%ecx,%eax
    shldl $4,%edx,%eax
    movzbl (%eax),%ecx
    btl %ecx,%eax
    sete %al
    nop
    xchg %ax,%ax
    .byte 0x8d, 0xb4, 0x26, 0, 0, 0, 0  # lea esi,[esi+eiz*1+0x0]: the assembler's padding
    pause
    cld
    enter $8,$0
    leave
    ud2
    ret
"""


def assemble(folder, name, source):
    path = os.path.join(folder, name)
    with open(path + ".s", "w") as f:
        f.write(".text\n.globl _start\n_start:\n" + source + "\n")
    subprocess.run([AS, "--32", path + ".s", "-o", path + ".o"], check=True)
    return path + ".o"


failures = 0


def expect(what, ok, detail=""):
    global failures
    print(("ok    " if ok else "FAIL  ") + what + (f"\n      {detail}" if not ok and detail else ""))
    failures += 0 if ok else 1


def main(binaries):
    with tempfile.TemporaryDirectory() as tmp:
        for floor, cases, allowed in (("i386", ABOVE_PENTIUM + ABOVE_386, []),
                                      ("i586", ABOVE_PENTIUM, ABOVE_386)):
            for n, (source, word) in enumerate(cases):
                obj = assemble(tmp, f"{floor}_{n}", f"    nop\n    {source}\n    ret")
                found = cpu_check.refused(obj, floor)
                expect(f"{floor} refuses {source}", len(found) == 1 and word in found[0][3], repr(found))
            for n, (source, _) in enumerate(allowed):
                obj = assemble(tmp, f"{floor}_ok{n}", f"    {source}\n    ret")
                found = cpu_check.refused(obj, floor)
                expect(f"{floor} allows {source}", not found, repr(found))
            obj = assemble(tmp, f"{floor}_clean", CLEAN)
            found = cpu_check.refused(obj, floor)
            expect(f"{floor} passes compiled 80386 code", not found, repr(found))

        # --poison on a linked image: the two refused instructions become UD2 (+ INT3s), in place.
        obj = assemble(tmp, "image", "    movl $1,%eax\n    cmove %ecx,%eax\n    bswap %eax\n    ret")
        image = os.path.join(tmp, "image.exe")
        subprocess.run([LD, "-m", "i386pe", "--entry", "_start", "-o", image, obj], check=True)
        poisoned = os.path.join(tmp, "poisoned.exe")
        code = cpu_check.main(["cpu_check.py", "--floor", "i386", "--poison", poisoned, image])
        before, after = open(image, "rb").read(), open(poisoned, "rb").read()
        cmove, bswap = bytes.fromhex("0f44c1"), bytes.fromhex("0fc8")
        at = before.find(b"\xb8\x01\x00\x00\x00" + cmove + bswap + b"\xc3")
        expect("--poison replaces exactly the refused instructions, keeping their lengths",
               code == 0 and at > 0 and len(after) == len(before) and
               after[:at + 5] == before[:at + 5] and after[at + 5:at + 10] == bytes.fromhex("0f0bcc0f0b") and
               after[at + 10:] == before[at + 10:])
        found = cpu_check.refused(poisoned, "i386")
        expect("the poisoned copy passes the floor it was made for", not found, repr(found))
        code = cpu_check.main(["cpu_check.py", "--floor", "i586", "--poison", poisoned, image])
        after = open(poisoned, "rb").read()
        expect("for the Pentium, only the CMOV is replaced",
               code == 0 and after[at + 5:at + 10] == bytes.fromhex("0f0bcc") + bswap)

        expect("a file of unknown kind without --floor is bad use",
               cpu_check.main(["cpu_check.py", image]) == 2)

    for path in binaries:
        floor = cpu_check.floor_of(path, None)
        found = cpu_check.refused(path, floor)
        expect(f"{os.path.basename(path)} runs on {cpu_check.FLOOR_NAMES[floor]}", not found,
               "; ".join(f"{f}: {w}" for f, _, _, w in found[:20]))
        # Stripped, as it ships: the constructor lists in its code are still known as data.
        with tempfile.TemporaryDirectory() as tmp:
            stripped = os.path.join(tmp, os.path.basename(path))
            subprocess.run(["i686-w64-mingw32-strip", "-o", stripped, path], check=True)
            found = cpu_check.refused(stripped, floor)
            expect(f"{os.path.basename(path)} stripped runs on {cpu_check.FLOOR_NAMES[floor]}", not found,
                   "; ".join(f"{f}: {w}" for f, _, _, w in found[:20]))
    print("cpu_check: all checks pass" if not failures else f"cpu_check: {failures} checks failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
