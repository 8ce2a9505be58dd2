// Sector-wise reading of 2048-byte-sector files and the comparison of two files, over a small
// byte-source interface so the loops run (and are tested) without a file system.
#pragma once
#include <cstddef>
#include <cstdint>

namespace duvad::files {

constexpr uint32_t kSectorBytes = 2048;
constexpr uint32_t kSizeGranule = 1024;   // files are accepted when their size is a multiple of this
constexpr uint32_t kMatchBlock = 100000;  // bytes per file and pass of the comparison

// A file is accepted for sector-wise reading when the low 32 bits of its size are a multiple of
// 1024 (the failure value of a size query, all bits set, is not).
constexpr bool acceptsSize(uint32_t sizeLow) { return (sizeLow & (kSizeGranule - 1)) == 0; }
// Whole sectors in a file of `size` bytes (low 32 bits of the quotient).
constexpr uint32_t sectorsIn(uint64_t size) { return uint32_t(size >> 11); }
// Bytes of a request of `count` sectors, when the request fits the 32-bit byte count of one read.
constexpr bool requestFits(int32_t count) { return count >= 0 && uint64_t(count) * kSectorBytes <= 0xFFFFFFFFu; }
constexpr uint32_t requestBytes(int32_t count) { return uint32_t(count) * kSectorBytes; }
static_assert(sectorsIn(3072) == 1 && acceptsSize(3072) && !acceptsSize(2000) && !acceptsSize(0xFFFFFFFFu));
static_assert(requestFits(2097151) && !requestFits(2097152) && !requestFits(-1));

// Results of the comparison.
constexpr int32_t kIdentical = 0;  // n > 0: same size, first difference at byte n
constexpr int32_t kFirstReadFailed = -1;
constexpr int32_t kSecondReadFailed = -2;
constexpr int32_t kSizesDiffer = -3;
constexpr int32_t kFirstOpenFailed = -4;
constexpr int32_t kSecondOpenFailed = -5;
// A difference past byte 2^31 - 1 cannot be told by position; it is reported at that byte, so the
// files are never taken for identical nor the answer for a failure code.
constexpr int32_t kFarDifference = 0x7FFFFFFF;

class ByteSource {
public:
    // Reads up to `length` bytes into `into`; false on failure. `got` receives the bytes delivered.
    virtual bool read(uint8_t* into, uint32_t length, uint32_t* got) = 0;

protected:
    // Not deleted through the interface: no virtual destructor (DuVad.dll has no operator delete).
    ~ByteSource() = default;
};

// Compares two sources of `size` bytes each, alternately in blocks of up to 100000 bytes into the
// two blocks given (each at least kMatchBlock bytes), and stops at the first difference.
// A read that fails or delivers less than the block is a read failure of its source.
int32_t compareContents(ByteSource& first, ByteSource& second, uint64_t size, uint8_t* firstBlock,
                        uint8_t* secondBlock);

// Offset of the first differing byte of a and b (n bytes each), or n when they are equal.
size_t firstDifference(const uint8_t* a, const uint8_t* b, size_t n);

}  // namespace duvad::files
