// The small file interface the Video CD core works over: reads at an offset and a size, so the
// same analysis and conversion run over Win32 files and over bytes in memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace duvad::vcd {

// A readable file. Sizes and offsets are 64-bit: files of 2 GiB and more are measured exactly.
class RandomAccessSource {
public:
    // The file's size in bytes, or -1 when it cannot be taken.
    virtual int64_t size() = 0;
    // Reads up to `count` bytes from `offset` into `to`; returns how many arrived (0 at or past the
    // end, and on failure). Bytes of `to` past the count returned are left as they were.
    virtual uint32_t readAt(int64_t offset, uint8_t* to, uint32_t count) = 0;

protected:
    // Not deleted through the interface: no virtual destructor (DuVad.dll has no operator delete).
    ~RandomAccessSource() = default;
};

// Where a track's sectors go: one whole sector per write, and one pass of the host's message
// pump after every sector written.
class SectorSink {
public:
    virtual bool write(const uint8_t* sector, uint32_t bytes) = 0;  // false: failed or short
    virtual void pump() = 0;

protected:
    // Not deleted through the interface: no virtual destructor (DuVad.dll has no operator delete).
    ~SectorSink() = default;
};

// Bytes in memory as a file. `size` may exceed the bytes held: the rest reads as zeros, which
// stands in for a sparse file of any length.
class MemorySource : public RandomAccessSource {
public:
    MemorySource(const uint8_t* data, size_t held, int64_t size = -2)
        : data_(data), held_(held), size_(size == -2 ? int64_t(held) : size) {}
    int64_t size() override { return size_; }
    uint32_t readAt(int64_t offset, uint8_t* to, uint32_t count) override {
        ++reads_;
        if (offset < 0 || size_ < 0 || offset >= size_) return 0;
        const int64_t avail = size_ - offset;
        const uint32_t n = avail < int64_t(count) ? uint32_t(avail) : count;
        const int64_t held = int64_t(held_);
        const uint32_t copied = offset >= held ? 0 : uint32_t(held - offset < n ? held - offset : n);
        if (copied) std::memcpy(to, data_ + offset, copied);
        std::memset(to + copied, 0, n - copied);
        bytesRead_ += n;
        return n;
    }
    int reads() const { return reads_; }
    int64_t bytesRead() const { return bytesRead_; }

private:
    const uint8_t* data_;
    size_t held_;
    int64_t size_;
    int reads_ = 0;
    int64_t bytesRead_ = 0;
};

}  // namespace duvad::vcd
