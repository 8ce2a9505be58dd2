// The host tool's 64-bit division (its own helpers on a Pentium) against the processor's own.
#include "host/core/divide64.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using duvad::host::divide64;

void expectSame(uint64_t n, uint64_t d) {
    uint64_t r = ~uint64_t(0);
    const uint64_t q = divide64(n, d, &r);
    EXPECT_EQ(q, n / d) << n << " / " << d;
    EXPECT_EQ(r, n % d) << n << " % " << d;
}

void expectSameSigned(int64_t n, int64_t d) {
    if (n == INT64_MIN && d == -1) return;  // overflows in C++ too
    int64_t r = 12345;
    const int64_t q = divide64(n, d, &r);
    EXPECT_EQ(q, n / d) << n << " / " << d;
    EXPECT_EQ(r, n % d) << n << " % " << d;
}

TEST(Divide64, EdgesOfEachHalf) {
    const std::vector<uint64_t> values = {1,
                                          2,
                                          3,
                                          7,
                                          2336,
                                          0xFFFF,
                                          0x10000,
                                          0x7FFFFFFF,
                                          0x80000000,
                                          0xFFFFFFFF,
                                          0x100000000,
                                          0x100000001,
                                          0x1FFFFFFFF,
                                          0x7FFFFFFFFFFFFFFF,
                                          0x8000000000000000,
                                          0xFFFFFFFFFFFFFFFE,
                                          0xFFFFFFFFFFFFFFFF};
    for (uint64_t n : values) {
        expectSame(0, n);
        for (uint64_t d : values) {
            expectSame(n, d);
            for (int64_t sn : {int64_t(n), int64_t(0 - n)})
                for (int64_t sd : {int64_t(d), int64_t(0 - d)}) expectSameSigned(sn, sd);
        }
    }
    expectSameSigned(INT64_MIN, 1);
    expectSameSigned(INT64_MIN, 7);
    expectSameSigned(-7, INT64_MIN);
}

TEST(Divide64, SpreadOfSizesAndDivisors) {
    // Values of every bit length, from a fixed generator: dividends and divisors of 1 to 64 bits.
    uint64_t x = 0x9E3779B97F4A7C15;
    for (int i = 0; i < 20000; ++i) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        const uint64_t n = x >> (i % 64);
        const uint64_t d = (x * 0x2545F4914F6CDD1D) >> (i / 64 % 64) | 1;
        expectSame(n, d);
        expectSame(n, d & 0xFFFFFFFF ? d & 0xFFFFFFFF : 1);
        expectSameSigned(int64_t(x), int64_t(d) >> (i % 3) | 1);
    }
}

TEST(Divide64, WhatTheToolDivides) {
    // A 4.7 GB file in 2336-byte sectors; percentages of a 74-minute disc.
    expectSame(4700000000ULL, 2336);
    expectSame(uint64_t(333000) * 100 + 332999, 333000);
}

}  // namespace
