// Track files made from real streams and RIFF CDXA files, over in-memory files: sector counts,
// lead-in and lead-out, made subheaders, payloads, and where a failed read or write stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/native/core_printers.h"
#include "tests/native/vcd_streams.h"
#include "vcd/core/mpeg.h"
#include "vcd/core/track.h"

namespace duvad::vcd {
namespace {

// Keeps what is written; can be told to fail at a given write.
class MemorySink : public SectorSink {
public:
    bool write(const uint8_t* sector, uint32_t bytes) override {
        if (writes_++ == failAt) return false;
        EXPECT_EQ(bytes, uint32_t(kBlockBytes));
        data.insert(data.end(), sector, sector + bytes);
        return true;
    }
    void pump() override {
        ++pumps;
        EXPECT_EQ(int64_t(pumps) * kBlockBytes, int64_t(data.size())) << "one pass per sector written";
    }
    const uint8_t* sector(size_t s) const { return &data[s * kBlockBytes]; }
    size_t sectors() const { return data.size() / kBlockBytes; }
    std::vector<uint8_t> data;
    int pumps = 0;
    int failAt = -1;

private:
    int writes_ = 0;
};

// A file that shrank to `failFrom` bytes after it was measured: a read across that point delivers
// the bytes before it, one past it nothing.
class FailingSource : public MemorySource {
public:
    FailingSource(const std::vector<uint8_t>& b, int64_t failFrom)
        : MemorySource(b.data(), b.size()), failFrom_(failFrom) {}
    uint32_t readAt(int64_t offset, uint8_t* to, uint32_t count) override {
        if (offset >= failFrom_) return 0;
        return MemorySource::readAt(offset, to, uint32_t(std::min<int64_t>(count, failFrom_ - offset)));
    }

private:
    int64_t failFrom_;
};

bool allZero(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

TrackOutcome convert(const std::vector<uint8_t>& src, MemorySink& out, int32_t track) {
    MemorySource file(src.data(), src.size());
    const SourceKind kind = classifySource(src.data(), uint32_t(std::min<size_t>(src.size(), kBlockBytes)));
    return writeTrack(file, out, kind, int64_t(src.size()), track);
}

TEST(VcdTrack, PlainStreamIsWrappedPackByPack) {
    for (const char* name : {"ntsc.mpg", "pal.mpg", "film.mpg"}) {
        SCOPED_TRACE(name);
        const auto src = test::stream(name);
        MemorySink out;
        const TrackOutcome r = convert(src, out, 3);
        const size_t packs = src.size() / kPackBytes;
        ASSERT_EQ(r.status, TrackOutcome::Done);
        EXPECT_EQ(int64_t(r.sectors), trackSectors(false, int64_t(src.size())));
        ASSERT_EQ(out.sectors(), packs + 85);
        EXPECT_EQ(out.pumps, int(packs + 85));
        EXPECT_TRUE(allZero(out.sector(0), 30 * size_t(kBlockBytes)));
        EXPECT_TRUE(allZero(out.sector(30 + packs), 55 * size_t(kBlockBytes)));
        size_t audio = 0;
        for (size_t s = 0; s < packs; ++s) {
            const uint8_t* sec = out.sector(30 + s);
            const uint8_t* pack = &src[s * kPackBytes];
            ASSERT_EQ(std::memcmp(sec + 8, pack, kPackBytes), 0) << "pack " << s;
            const bool isAudio = std::memcmp(pack + 12, "\x00\x00\x01\xC0", 4) == 0;
            audio += isAudio;
            const uint8_t want[8] = {3, 1, uint8_t(isAudio ? 0x64 : 0x62), uint8_t(isAudio ? 0x7F : 0x0F),
                                     3, 1, uint8_t(isAudio ? 0x64 : 0x62), uint8_t(isAudio ? 0x7F : 0x0F)};
            ASSERT_EQ(std::memcmp(sec, want, 8), 0) << "subheader of pack " << s;
            ASSERT_TRUE(allZero(sec + 2332, 4));
        }
        EXPECT_GT(audio, 10u);
        EXPECT_LT(audio, packs / 2);
    }
}

TEST(VcdTrack, RiffCdxaSectorsAreCopiedWithoutTheirHead) {
    const auto cdxa = test::stream("ntsc.cdxa");
    const auto ragged = test::stream("ragged.cdxa");
    const size_t n = (cdxa.size() - 44) / 2352;
    for (const auto* src : {&cdxa, &ragged}) {
        MemorySink out;
        const TrackOutcome r = convert(*src, out, 1);
        ASSERT_EQ(r.status, TrackOutcome::Done);
        ASSERT_EQ(out.sectors(), n + 85);
        for (size_t s = 0; s < n; ++s)
            ASSERT_EQ(std::memcmp(out.sector(30 + s), &(*src)[44 + s * 2352 + 16], kBlockBytes), 0);
        EXPECT_TRUE(allZero(out.sector(30 + n), 55 * size_t(kBlockBytes)));
    }
    // Built from ntsc.mpg with file number 1: the same track as the plain stream's for track 1.
    MemorySink plain;
    convert(test::stream("ntsc.mpg"), plain, 1);
    MemorySink fromCdxa;
    convert(cdxa, fromCdxa, 1);
    EXPECT_EQ(plain.data, fromCdxa.data);
}

TEST(VcdTrack, ShortSourcesAndTheFileNumber) {
    std::vector<uint8_t> src(2324 * 2 + 100, 0x11);
    std::memcpy(&src[0], "\x00\x00\x01\xBA", 4);
    std::memcpy(&src[2324 + 12], "\x00\x00\x01\xC0", 4);  // second pack: audio
    MemorySink out;
    EXPECT_EQ(convert(src, out, 0x1FF).sectors, 2u + 85);  // file number is the low 8 bits
    EXPECT_EQ(std::memcmp(out.sector(30), "\xFF\x01\x62\x0F\xFF\x01\x62\x0F", 8), 0);
    EXPECT_EQ(std::memcmp(out.sector(31), "\xFF\x01\x64\x7F\xFF\x01\x64\x7F", 8), 0);

    src.resize(2323);
    MemorySink empty;
    EXPECT_EQ(convert(src, empty, 1).sectors, 85u);
    EXPECT_TRUE(allZero(empty.data.data(), empty.data.size()));

    std::vector<uint8_t> head(12);
    std::memcpy(head.data(), "RIFF\0\0\0\0CDXA", 12);
    MemorySink bare;
    EXPECT_EQ(convert(head, bare, 1).sectors, 85u) << "a CDXA file without sectors";
}

TEST(VcdTrack, WhatTheFirstBytesSay) {
    EXPECT_EQ(classifySource(reinterpret_cast<const uint8_t*>("\x00\x00\x01\xBA"), 4), SourceKind::PackStream);
    EXPECT_EQ(classifySource(reinterpret_cast<const uint8_t*>("\x00\x00\x01\xBA"), 3), SourceKind::Neither);
    EXPECT_EQ(classifySource(reinterpret_cast<const uint8_t*>("\x00\x00\x01\xB3"), 4), SourceKind::Neither);
    EXPECT_EQ(classifySource(reinterpret_cast<const uint8_t*>("RIFF1234CDXA"), 12), SourceKind::RiffCdxa);
    EXPECT_EQ(classifySource(reinterpret_cast<const uint8_t*>("RIFF1234CDXA"), 11), SourceKind::Neither);
    EXPECT_EQ(classifySource(reinterpret_cast<const uint8_t*>("RIFF1234WAVE"), 12), SourceKind::Neither);
    const auto m2 = test::stream("mpeg2.mpg");
    EXPECT_EQ(classifySource(m2.data(), 2336), SourceKind::PackStream)
        << "the first bytes are a pack start code, whatever the version";
    const auto es = test::stream("sequence.m1v");
    EXPECT_EQ(classifySource(es.data(), 2336), SourceKind::Neither);
}

// The length AnalyzeMpeg reports is the track PrepareVcdFiles writes, for files that end on a
// whole sector or pack and for those 1 to 44 bytes short of one or past one.
TEST(VcdTrack, AnalyzedLengthIsTheTrackWritten) {
    for (const char* name : {"ntsc.cdxa", "ntsc.mpg"}) {
        const auto bytes = test::stream(name);
        const bool cdxa = name[5] == 'c';
        const int64_t whole = cdxa ? 44 + 3 * 2352 : 3 * 2324;
        ASSERT_GT(int64_t(bytes.size()), whole + 44) << name;
        for (int64_t size = whole - 44; size <= whole + 44; ++size) {
            MemorySource measured(bytes.data(), size_t(size));
            const Analysis a = analyzeStream(measured);
            MemorySource source(bytes.data(), size_t(size));
            MemorySink out;
            const TrackOutcome r = writeTrack(source, out, cdxa ? SourceKind::RiffCdxa : SourceKind::PackStream, size,
                                              1);
            ASSERT_EQ(r.status, TrackOutcome::Done);
            EXPECT_EQ(a.sectors, int64_t(out.sectors())) << name << " cut to " << size << " bytes";
            EXPECT_EQ(out.sectors(), size < whole ? 30u + 2 + 55 : 30u + 3 + 55) << name << " cut to " << size;
        }
    }
}

TEST(VcdTrack, FailuresStopWhereTheyHappen) {
    const auto src = test::stream("ntsc.mpg");
    // A write failing in the lead-in, among the data, in the lead-out.
    for (int at : {0, 29, 30, 100, int(src.size() / kPackBytes) + 30 + 54}) {
        MemorySink out;
        out.failAt = at;
        const TrackOutcome r = convert(src, out, 1);
        EXPECT_EQ(r.status, TrackOutcome::WriteFailed) << at;
        EXPECT_EQ(r.sectors, uint32_t(at));
        EXPECT_EQ(out.pumps, at);
    }
    // A read coming up short in the middle of pack 10 (the file shrank).
    for (const char* name : {"ntsc.mpg", "ntsc.cdxa"}) {
        const auto bytes = test::stream(name);
        const bool cdxa = name[5] == 'c';
        FailingSource file(bytes, cdxa ? 44 + 10 * 2352 + 100 : 10 * 2324 + 100);
        MemorySink out;
        const TrackOutcome r = writeTrack(file, out, cdxa ? SourceKind::RiffCdxa : SourceKind::PackStream,
                                          int64_t(bytes.size()), 1);
        EXPECT_EQ(r.status, TrackOutcome::ReadFailed) << name;
        EXPECT_EQ(r.sectors, 30u + 10) << name;
    }
}

// A stream of more than 4 GiB whose every pack carries its own 64-bit offset: each sector's
// payload must come from the right place, past the 2 GiB and 4 GiB marks too.
constexpr int64_t kHugeSize = 0x100000000ll + 2324ll * 3 + 1000;
constexpr int64_t kHugePacks = kHugeSize / 2324;

TEST(VcdTrack, SourcesBeyond4GiBAreReadAtTheirTrueOffsets) {
    class OffsetSource : public RandomAccessSource {
    public:
        int64_t size() override { return kHugeSize; }
        uint32_t readAt(int64_t offset, uint8_t* to, uint32_t count) override {
            if (offset < 0 || offset >= kHugeSize) return 0;
            const uint32_t n = uint32_t(std::min<int64_t>(count, kHugeSize - offset));
            std::memset(to, 0, n);
            if (n >= 16) {
                std::memcpy(to, "\x00\x00\x01\xBA", 4);
                std::memcpy(to + 4, &offset, 8);
            }
            return n;
        }
    };
    class CheckingSink : public SectorSink {
    public:
        bool write(const uint8_t* sector, uint32_t) override {
            if (index_ >= 30 && index_ < 30 + kHugePacks) {
                int64_t offset;
                std::memcpy(&offset, sector + 8 + 4, 8);
                if (offset != (index_ - 30) * 2324ll) ++wrong;
            }
            ++index_;
            return true;
        }
        void pump() override {}
        int64_t wrong = 0;

    private:
        int64_t index_ = 0;
    };
    OffsetSource source;
    CheckingSink sink;
    const TrackOutcome r = writeTrack(source, sink, SourceKind::PackStream, kHugeSize, 1);
    EXPECT_EQ(r.status, TrackOutcome::Done);
    EXPECT_EQ(int64_t(r.sectors), kHugePacks + 85);
    EXPECT_EQ(int64_t(r.sectors), trackSectors(false, kHugeSize));
    EXPECT_EQ(sink.wrong, 0);
}

TEST(VcdTrack, LargestTrackTheImageCanDescribe) {
    EXPECT_EQ(kMaxTrackSectors, 2097161);
    EXPECT_LE(uint64_t(kMaxTrackSectors - 10) * 2048, 0xFFFFFFFFull);
    // A plain stream of 4.87 GB is the largest one; its length is exact in 64 bits.
    EXPECT_EQ(trackSectors(false, int64_t(kMaxTrackSectors - 85) * 2324 + 2323), kMaxTrackSectors);
    EXPECT_EQ(trackSectors(false, int64_t(kMaxTrackSectors - 84) * 2324), kMaxTrackSectors + 1);
    EXPECT_EQ(trackSectors(true, 44 + 2352ll * 1000000 + 1), 1000085);
}

}  // namespace
}  // namespace duvad::vcd
