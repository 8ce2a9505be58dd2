// Calling DuVad.dll the way its VB6 host does: LoadLibraryA, GetProcAddress by plain name, a
// stdcall call with exactly the declared arguments, and a check that the callee removed exactly
// those argument bytes (VB6 reports a mismatch as "Bad DLL calling convention").
//
//   EXPECT_EQ(VB(GoEvents, 0), 1);
//   GuardedBuffer out(260);  VB(GetWinTempPath, out.data());   // overruns fault at out.end()
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "include/DuVad.h"

namespace duvad::test {

// What the trampoline saw right after a call: where the stack pointer ended up against where it
// was before the pushes, and EBX, ESI, EDI, EBP as the callee left them.
struct StdcallFrame {
    uint32_t espBefore;  // for the trampoline's own use
    int32_t espDelta;
    uint32_t after[4];
};
constexpr const char* kCalleeSaved[4] = {"EBX", "ESI", "EDI", "EBP"};

// Calls `fn` with `count` words, EBX/ESI/EDI/EBP set to `before` (cdecl: the raw trampoline,
// for the harness's own tests; exports are called through VB()).
uint32_t stdcallRaw(const void* fn, const uint32_t* args, int32_t count, const uint32_t (&before)[4],
                    StdcallFrame* frame);
// Fresh register values for one call.
void nextSentinels(uint32_t (&regs)[4]);

HMODULE dll();                   // DuVad.dll from beside the test program, loaded once
std::string dllPath();           // its full path
std::string testDir();           // folder of the running test program, with a trailing backslash
FARPROC proc(const char* name);  // GetProcAddress(dll(), name); a test failure when missing

template <typename T>
uint32_t asWord(T v) {
    static_assert(sizeof(T) == 4, "every export argument is 32 bits wide");
    uint32_t w;
    std::memcpy(&w, &v, 4);
    return w;
}

// Calls fn with the given arguments pushed as the VB6 runtime pushes them and checks the stack
// pointer and the registers a stdcall callee must keep (EBX, ESI, EDI, EBP) afterwards. The call
// through `fn(a...)` in the unevaluated decltype makes the compiler hold the argument list against
// the declaration in DuVad.h.
template <typename F, typename... A>
auto vbcall(F fn, const char* name, A... a) -> decltype(fn(a...)) {
    using R = decltype(fn(a...));
    static_assert(sizeof(R) == 4, "every export returns a 32-bit result");
    if (!fn) {
        ADD_FAILURE() << name << " is not exported";
        return R(-999999);
    }
    uint32_t words[sizeof...(A) + 1] = {asWord(a)..., 0};
    uint32_t before[4];
    nextSentinels(before);
    StdcallFrame frame = {0, 0x7fffffff, {}};
    uint32_t r = stdcallRaw(reinterpret_cast<const void*>(fn), words, int32_t(sizeof...(A)), before, &frame);
    EXPECT_EQ(frame.espDelta, 0) << name << " left the stack pointer " << frame.espDelta << " bytes off";
    for (int i = 0; i < 4; ++i) EXPECT_EQ(frame.after[i], before[i]) << name << " did not keep " << kCalleeSaved[i];
    R out;
    std::memcpy(&out, &r, 4);
    return out;
}

#define DUV_PROC(fn) reinterpret_cast<decltype(&::fn)>(reinterpret_cast<void*>(::duvad::test::proc(#fn)))
#define VB(fn, ...)  ::duvad::test::vbcall(DUV_PROC(fn), #fn, ##__VA_ARGS__)

// A caller buffer whose last byte sits right before a no-access page: a write past the end
// faults at once. The bytes start filled with `fill` so untouched parts can be checked.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size, uint8_t fill = 0xBD);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    char* data() { return data_; }
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(data_); }
    size_t size() const { return size_; }
    char* end() { return data_ + size_; }
    std::string str() const { return std::string(data_, strnlen(data_, size_)); }
    // True when every byte from `from` to the end still holds the fill.
    bool untouchedFrom(size_t from) const;
    void set(const char* text) { std::strcpy(data_, text); }

private:
    void* base_;
    char* data_;
    size_t size_;
    uint8_t fill_;
};

// A top-level window of this process with its own class (registered on first use), hidden until
// shown; null when there is no display.
HWND makeWindow(const char* className, WNDPROC proc, const char* title, int x, int y, int width, int height);

// Milliseconds from the performance counter, for checking pauses and pacing.
inline double nowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return 1000.0 * double(c.QuadPart) / double(f.QuadPart);
}

// Output-parameter cell pre-set to a sentinel, so "not written" can be told from "written".
constexpr int32_t kSentinel = int32_t(0xDEADBEEF);

// A scratch folder under the Windows temp folder, emptied and removed on destruction.
class TempDir {
public:
    explicit TempDir(const char* tag = "duvad");
    ~TempDir();
    const std::string& path() const { return path_; }  // with a trailing backslash
    std::string file(const std::string& name) const { return path_ + name; }
    static bool writeFile(const std::string& path, const std::string& bytes);
    static std::string readFile(const std::string& path);

private:
    std::string path_;
};

}  // namespace duvad::test
