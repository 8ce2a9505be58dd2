#!/usr/bin/env python3
"""cpu_check.py [--floor i386|i586] [--poison OUT] BINARY...: every instruction of a binary's code
runs on its processor floor.

Floors: DuVad.dll runs on the 80386 (with its 80387 or the system's emulation of it), duvad.exe on
the Pentium (i586); any other file needs --floor. Each instruction objdump decodes, after its
prefixes, must be on the floor's list below (an allow-list: whatever a newer processor brought is
refused without being named here: CMOV, FCMOV, FCOMI, NOPL, POPCNT, the fences, PREFETCH, MMX, SSE
and the rest). Refused besides: LOCK on an instruction that cannot take it, a multi-byte NOP, MMX
or SSE registers in any operand, and bytes objdump cannot decode. Prints the refused instructions
per function; exit status 0 when there are none, 1 otherwise, 2 on bad use.

--poison OUT (one binary): writes a copy of it in which each refused instruction is replaced by an
invalid opcode of the same length (UD2, then INT3s), which is what a processor at the floor does
with it: run that copy to see whether any of them lies on a path that runs.
"""
import os
import re
import struct
import subprocess
import sys

OBJDUMP = os.environ.get("OBJDUMP", "i686-w64-mingw32-objdump")

# The 80386's instructions as objdump names them in Intel syntax (string instructions without
# their size letter), and the 80387's.
I386 = set("""
aaa aad aam aas adc add and arpl bound bsf bsr bt btc btr bts call cbw cdq clc cld cli clts cmc
cmp cmps cwd cwde daa das dec div enter hlt idiv imul in inc ins int int3 into iret iretd ja jae
jb jbe jcxz je jecxz jg jge jl jle jmp jne jno jnp jns jo jp js lahf lar lds lea leave les lfs
lgdt lgs lidt lldt lmsw lods loop loope loopne lsl lss ltr mov movs movsx movzx mul neg nop not
or out outs pop popa popad popf popfd push pusha pushad pushf pushfd rcl rcr ret retf rol ror
sahf sal sar sbb scas seta setae setb setbe sete setg setge setl setle setne setno setnp setns
seto setp sets sgdt shl shld shr shrd sidt sldt smsw stc std sti stos str sub test verr verw
xchg xlat xor
f2xm1 fabs fadd faddp fbld fbstp fchs fclex fcom fcomp fcompp fcos fdecstp fdiv fdivp fdivr
fdivrp ffree fiadd ficom ficomp fidiv fidivr fild fimul fincstp finit fist fistp fisub fisubr
fld fld1 fldcw fldenv fldl2e fldl2t fldlg2 fldln2 fldpi fldz fmul fmulp fnclex fninit fnop
fnsave fnstcw fnstenv fnstsw fpatan fprem fprem1 fptan frndint frstor fsave fscale fsin fsincos
fsqrt fst fstcw fstenv fstp fstsw fsub fsubp fsubr fsubrp ftst fucom fucomp fucompp fwait fxam
fxch fxtract fyl2x fyl2xp1
ud2
""".split())
# UD2 raises the invalid-opcode fault on every processor (the compiler's trap): allowed as such.
I486 = I386 | {"bswap", "cmpxchg", "xadd", "invd", "wbinvd", "invlpg"}
I586 = I486 | {"cpuid", "rdtsc", "cmpxchg8b", "rdmsr", "wrmsr", "rsm"}
FLOORS = {"i386": I386, "i586": I586}
FLOOR_NAMES = {"i386": "the 80386", "i586": "the Pentium (i586)"}
FLOOR_OF = {"duvad.dll": "i386", "duvad.exe": "i586"}

# Prefixes objdump prints as words before the mnemonic; PAUSE (REP NOP) runs as NOP before the
# Pentium 4.
PREFIXES = {"lock", "rep", "repz", "repnz", "repe", "repne", "data16", "addr16", "cs", "ds", "es", "fs",
            "gs", "ss"}
ALWAYS = {"pause"}
LOCKABLE = {"add", "adc", "and", "btc", "btr", "bts", "cmpxchg", "cmpxchg8b", "dec", "inc", "neg", "not",
            "or", "sbb", "sub", "xadd", "xchg", "xor"}
NEW_REGISTERS = re.compile(r"\b(mm[0-7]|[xyz]mm[0-9]+|k[0-7]|cr8|bnd[0-3])\b")
# Data the linker puts in the code section: the constructor and destructor lists (by their
# symbols; in a stripped image, where pe_check.py finds them).
DATA_SYMBOLS = {"__CTOR_LIST__", "__DTOR_LIST__", "___CTOR_LIST__", "___DTOR_LIST__"}

LINE = re.compile(r"^\s*([0-9a-f]+):\t([0-9a-f ]+?)\s*\t(.*)$")
SYMBOL = re.compile(r"^[0-9a-f]+ <(.*)>:$")


def data_in_code(path):
    """(first, end) addresses of the constructor and destructor lists the linker puts in a PE
    image's code section (found by their shape once the symbols are stripped), or None."""
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import pe_check
    try:
        pe = pe_check.Pe(open(path, "rb").read())
    except (ValueError, struct.error):
        return None  # an object file, not an image
    found = pe.constructor_lists_where()
    return found and (pe.image_base + found[1][0], pe.image_base + found[1][1])


def instructions(path):
    """[(function, address, length, text)] of every instruction objdump decodes in `path`."""
    done = subprocess.run([OBJDUMP, "-d", "-w", "-M", "intel", path], capture_output=True, text=True)
    if done.returncode:
        raise RuntimeError(f"{OBJDUMP} failed on {path}: {done.stderr.strip()}")
    found, function = [], "?"
    first, end = data_in_code(path) or (0, 0)
    for line in done.stdout.splitlines():
        symbol = SYMBOL.match(line)
        if symbol:
            function = symbol.group(1)
            continue
        m = LINE.match(line)
        if m and function not in DATA_SYMBOLS and not first <= int(m.group(1), 16) < end:
            found.append((function, int(m.group(1), 16), len(m.group(2).split()), m.group(3).strip()))
    return found


def refusal(text, allowed):
    """Why an instruction is refused on the floor whose mnemonics are `allowed`; None if it is not."""
    text = text.split("#", 1)[0].split("<", 1)[0].strip()
    words = text.split()
    prefixes = []
    while words and words[0] in PREFIXES:
        prefixes.append(words.pop(0))
    if not words:
        return None if prefixes else "no instruction"
    mnemonic, operands = words[0], " ".join(words[1:])
    if mnemonic == "(bad)":
        return "(bad): bytes no processor decodes"
    if NEW_REGISTERS.search(operands):
        return f"{mnemonic} on MMX/SSE registers"
    if mnemonic in ALWAYS:
        return None
    if mnemonic not in allowed:
        return mnemonic
    if mnemonic == "nop" and operands:
        return "nop with an operand (multi-byte NOP)"
    if "lock" in prefixes and mnemonic not in LOCKABLE:
        return f"lock {mnemonic}"
    return None


def floor_of(path, given):
    floor = given or FLOOR_OF.get(os.path.basename(path).lower())
    if floor not in FLOORS:
        raise ValueError(f"{path}: no floor known for it: give --floor i386 or --floor i586")
    return floor


def refused(path, floor):
    """[(function, address, length, reason)] of the instructions above the floor."""
    allowed = FLOORS[floor]
    out = []
    for function, address, length, text in instructions(path):
        why = refusal(text, allowed)
        if why:
            out.append((function, address, length, why))
    return out


def sections(data):
    """Image base and [(virtual address, size, file offset)] of a PE file's sections."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    base = struct.unpack_from("<I", data, pe + 24 + 28)[0]
    table = pe + 24 + optional_size
    out = []
    for i in range(count):
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        out.append((va, min(vsize, rawsize) if vsize else rawsize, rawptr))
    return base, out


def poison(path, floor, out_path):
    """Writes the copy with every refused instruction made invalid; returns how many there were."""
    data = bytearray(open(path, "rb").read())
    base, table = sections(data)
    found = refused(path, floor)
    for _, address, length, _ in found:
        rva = address - base
        at = next((rva - va + raw for va, size, raw in table if va <= rva and rva + length <= va + size), None)
        if at is None:
            raise ValueError(f"{path}: instruction at {address:#x} lies in no section's file bytes")
        data[at:at + length] = (b"\x0f\x0b" + b"\xcc" * (length - 2)) if length >= 2 else b"\xcc"
    with open(out_path, "wb") as f:
        f.write(data)
    return len(found)


def main(argv):
    args, floor, poison_to = argv[1:], None, None
    while args and args[0] in ("--floor", "--poison"):
        if len(args) < 2:
            break
        if args[0] == "--floor":
            floor = args[1]
        else:
            poison_to = args[1]
        args = args[2:]
    if not args or (poison_to and len(args) != 1) or (floor and floor not in FLOORS):
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
    try:
        if poison_to:
            n = poison(args[0], floor_of(args[0], floor), poison_to)
            print(f"{poison_to}: {n} instructions above {FLOOR_NAMES[floor_of(args[0], floor)]} made invalid")
            return 0
        status = 0
        for path in args:
            level = floor_of(path, floor)
            found = refused(path, level)
            if found:
                status = 1
                print(f"{path}: instructions newer than {FLOOR_NAMES[level]}:")
                counts = {}
                for function, _, _, why in found:
                    counts[(function, why)] = counts.get((function, why), 0) + 1
                for (function, why), n in sorted(counts.items()):
                    print(f"  {n:5}  {function}: {why}")
            else:
                print(f"{path}: instructions of {FLOOR_NAMES[level]} only")
        return status
    except (ValueError, RuntimeError, OSError) as e:
        print(e, file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
