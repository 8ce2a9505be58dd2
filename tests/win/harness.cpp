#include "tests/win/harness.h"

#include <shellapi.h>

// stdcall trampoline. It loads EBX, ESI, EDI and EBP with the caller's chosen values, pushes `count`
// words right to left and calls; right after the call it stores the four registers as the callee
// left them and how far the stack pointer ended up from where it was before the pushes (0 for a
// callee that removed them all), for the caller to compare. None of the four is trusted after the
// call: the frame record is found again through duv_stdcall_frame(), and 64 spare bytes below the
// saved registers keep a callee that removes too much from overwriting them.
asm(R"(
    .text
    .globl _duv_stdcall_raw
_duv_stdcall_raw:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl  $64, %esp
    movl  24(%ebp), %eax
    movl  %esp, (%eax)
    movl  16(%ebp), %ecx
    movl  12(%ebp), %esi
1:  testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%esi,%ecx,4)
    jmp   1b
2:  movl  8(%ebp), %eax
    movl  20(%ebp), %edx
    movl  (%edx), %ebx
    movl  4(%edx), %esi
    movl  8(%edx), %edi
    movl  12(%edx), %ebp
    call  *%eax
    pushl %eax
    pushl %ebp
    pushl %edi
    pushl %esi
    pushl %ebx
    movl  %esp, %ebx
    call  _duv_stdcall_frame
    movl  (%ebx), %ecx
    movl  %ecx, 8(%eax)
    movl  4(%ebx), %ecx
    movl  %ecx, 12(%eax)
    movl  8(%ebx), %ecx
    movl  %ecx, 16(%eax)
    movl  12(%ebx), %ecx
    movl  %ecx, 20(%eax)
    leal  20(%ebx), %ecx
    subl  (%eax), %ecx
    movl  %ecx, 4(%eax)
    movl  16(%ebx), %edx
    movl  (%eax), %esp
    movl  %edx, %eax
    addl  $64, %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
)");

extern "C" uint32_t __cdecl duv_stdcall_raw(const void* fn, const uint32_t* args, int32_t count, const uint32_t* before,
                                            duvad::test::StdcallFrame* frame);

namespace {
thread_local duvad::test::StdcallFrame* t_frame = nullptr;
}

extern "C" duvad::test::StdcallFrame* __cdecl duv_stdcall_frame() { return t_frame; }

namespace duvad::test {

uint32_t stdcallRaw(const void* fn, const uint32_t* args, int32_t count, const uint32_t (&before)[4],
                    StdcallFrame* frame) {
    // Nested calls (an export that calls back into a test that calls an export) each keep their own.
    StdcallFrame* outer = t_frame;
    t_frame = frame;
    const uint32_t r = duv_stdcall_raw(fn, args, count, before, frame);
    t_frame = outer;
    return r;
}

void nextSentinels(uint32_t (&regs)[4]) {
    // Values no callee would leave there by chance, different on every call.
    static volatile LONG counter;
    const uint32_t n = uint32_t(InterlockedIncrement(&counter));
    regs[0] = 0xEB000000u ^ (n * 0x9E3779B1u);
    regs[1] = 0x51000000u ^ (n * 0x85EBCA77u);
    regs[2] = 0xD1000000u ^ (n * 0xC2B2AE3Du);
    regs[3] = 0xBB000000u ^ (n * 0x27D4EB2Fu);
}

HWND makeWindow(const char* className, WNDPROC proc, const char* title, int x, int y, int width, int height) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);  // fails harmlessly when an earlier test registered it
    return CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

std::string testDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.rfind('\\') + 1);
}

std::string dllPath() { return testDir() + "DuVad.dll"; }

HMODULE dll() {
    static HMODULE module = LoadLibraryA(dllPath().c_str());
    return module;
}

FARPROC proc(const char* name) {
    if (!dll()) {
        ADD_FAILURE() << "DuVad.dll did not load from " << dllPath() << ": error " << GetLastError();
        return nullptr;
    }
    return GetProcAddress(dll(), name);
}

GuardedBuffer::GuardedBuffer(size_t size, uint8_t fill) : size_(size), fill_(fill) {
    const size_t page = 4096, span = (size + page - 1) / page * page;
    base_ = VirtualAlloc(nullptr, span + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    DWORD old;
    VirtualProtect(static_cast<char*>(base_) + span, page, PAGE_NOACCESS, &old);
    data_ = static_cast<char*>(base_) + span - size;
    std::memset(data_, fill, size);
}

GuardedBuffer::~GuardedBuffer() { VirtualFree(base_, 0, MEM_RELEASE); }

bool GuardedBuffer::untouchedFrom(size_t from) const {
    for (size_t i = from; i < size_; ++i)
        if (uint8_t(data_[i]) != fill_) return false;
    return true;
}

TempDir::TempDir(const char* tag) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    static unsigned counter;
    path_ = std::string(tmp) + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) +
            "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
    // SHFileOperation wants a double-terminated list and no trailing backslash.
    std::string from = path_.substr(0, path_.size() - 1);
    from.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
}

bool TempDir::writeFile(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    BOOL ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
    return ok && n == bytes.size();
}

std::string TempDir::readFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char block[65536];
    DWORD n;
    while (ReadFile(h, block, sizeof block, &n, nullptr) && n) out.append(block, n);
    CloseHandle(h);
    return out;
}

}  // namespace duvad::test
