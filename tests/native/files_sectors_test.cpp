// The comparison loop over byte sources made in memory: positions across blocks, read failures,
// short reads, and differences beyond what a 32-bit position holds.
#include "files/core/sectors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace duvad::files {
namespace {

// Delivers its bytes in order; read number `failAt` fails, read number `shortAt` delivers one byte less.
class Memory final : public ByteSource {
public:
    explicit Memory(std::vector<uint8_t> bytes, int failAt = -1, int shortAt = -1)
        : bytes_(std::move(bytes)), failAt_(failAt), shortAt_(shortAt) {}
    bool read(uint8_t* into, uint32_t length, uint32_t* got) override {
        const int call = calls++;
        *got = 0;
        if (call == failAt_) return false;
        size_t n = std::min<size_t>(length, bytes_.size() - at_);
        if (call == shortAt_ && n > 0) --n;
        std::memcpy(into, bytes_.data() + at_, n);
        at_ += n;
        *got = uint32_t(n);
        return true;
    }
    int calls = 0;

private:
    std::vector<uint8_t> bytes_;
    size_t at_ = 0;
    int failAt_, shortAt_;
};

// Zero bytes without storage, one byte set at `diffAt`.
class Generated final : public ByteSource {
public:
    explicit Generated(uint64_t diffAt) : diffAt_(diffAt) {}
    bool read(uint8_t* into, uint32_t length, uint32_t* got) override {
        std::memset(into, 0, length);
        if (diffAt_ >= at_ && diffAt_ < at_ + length) into[diffAt_ - at_] = 1;
        at_ += length;
        *got = length;
        return true;
    }

private:
    uint64_t diffAt_, at_ = 0;
};

class Compare : public ::testing::Test {
protected:
    int32_t run(ByteSource& a, ByteSource& b, uint64_t size) {
        return compareContents(a, b, size, blockA.get(), blockB.get());
    }
    static std::vector<uint8_t> pattern(size_t n) {
        std::vector<uint8_t> v(n);
        for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + (i >> 8));
        return v;
    }
    std::unique_ptr<uint8_t[]> blockA{new uint8_t[kMatchBlock]}, blockB{new uint8_t[kMatchBlock]};
};

TEST_F(Compare, PositionsAreOneBasedAcrossBlocks) {
    struct Case {
        size_t size;
        size_t diff;
        int32_t want;
    };  // diff == size: no difference
    for (Case c :
         {Case{0, 0, 0}, Case{1, 1, 0}, Case{1, 0, 1}, Case{100000, 0, 1}, Case{100000, 99999, 100000},
          Case{250000, 200000, 200001}, Case{250000, 199999, 200000}, Case{250000, 249999, 250000},
          Case{250000, 250000, 0}, Case{100001, 100000, 100001}, Case{4096 * 3 + 5, 4096 * 2 + 17, 4096 * 2 + 18}}) {
        auto a = pattern(c.size), b = a;
        if (c.diff < c.size) b[c.diff] ^= 0x40;
        Memory first(a), second(b);
        EXPECT_EQ(run(first, second, c.size), c.want) << c.size << " " << c.diff;
    }
}

TEST_F(Compare, StopsReadingAtTheFirstDifference) {
    auto a = pattern(350000), b = a;
    b[150000] = uint8_t(~b[150000]);
    Memory first(a), second(b);
    EXPECT_EQ(run(first, second, a.size()), 150001);
    EXPECT_EQ(first.calls, 2);
    EXPECT_EQ(second.calls, 2);
}

TEST_F(Compare, ReadFailuresAndShortReadsNameTheirFile) {
    const auto bytes = pattern(300000);
    struct Case {
        int failA, shortA, failB, shortB;
        int32_t want;
    };
    for (Case c : {Case{0, -1, -1, -1, -1}, Case{-1, -1, 0, -1, -2}, Case{2, -1, 2, -1, -1}, Case{-1, -1, 1, -1, -2},
                   Case{-1, 1, -1, -1, -1}, Case{-1, -1, -1, 2, -2}, Case{-1, 0, -1, 0, -1}}) {
        Memory first(bytes, c.failA, c.shortA), second(bytes, c.failB, c.shortB);
        EXPECT_EQ(run(first, second, bytes.size()), c.want) << c.failA << c.shortA << c.failB << c.shortB;
    }
    // A file that shrank: its size said more than it now holds.
    Memory shrunk(pattern(1000)), whole(pattern(2000));
    EXPECT_EQ(run(shrunk, whole, 2000), -1);
}

TEST_F(Compare, DifferencesPastTheLargestPositionAreStillDifferences) {
    const uint64_t past = uint64_t(INT32_MAX);  // 0-based: the byte numbered 2^31
    Generated first(UINT64_MAX), second(past);
    EXPECT_EQ(run(first, second, past + 1000), kFarDifference);
}

TEST(FirstDifference, FindsTheByteInsideLongEqualRuns) {
    std::vector<uint8_t> a(20000, 0x11), b = a;
    EXPECT_EQ(firstDifference(a.data(), b.data(), a.size()), a.size());
    for (size_t at : {0u, 1u, 4095u, 4096u, 4097u, 12345u, 19999u}) {
        b = a;
        b[at] = 0x12;
        EXPECT_EQ(firstDifference(a.data(), b.data(), a.size()), at);
    }
}

}  // namespace
}  // namespace duvad::files
