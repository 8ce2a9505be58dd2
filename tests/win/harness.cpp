#include "tests/win/harness.h"

#include <shellapi.h>

// stdcall trampoline: pushes `count` words right to left, calls, and reports how far the stack
// pointer ended up from where it was before the pushes (0 for a callee that removed them all).
asm(R"(
    .text
    .globl _duv_stdcall_raw
_duv_stdcall_raw:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl  16(%ebp), %ecx
    movl  12(%ebp), %esi
    movl  %esp, %edi
1:  testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%esi,%ecx,4)
    jmp   1b
2:  call  *8(%ebp)
    movl  %esp, %ecx
    subl  %edi, %ecx
    movl  20(%ebp), %edx
    movl  %ecx, (%edx)
    leal  -12(%ebp), %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
)");

namespace duvad::test {

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
    path_ = std::string(tmp) + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter) + "\\";
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
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char block[65536];
    DWORD n;
    while (ReadFile(h, block, sizeof block, &n, nullptr) && n) out.append(block, n);
    CloseHandle(h);
    return out;
}

}  // namespace duvad::test
