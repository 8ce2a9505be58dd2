// The first-track image as PrepareVcdFiles completes and writes it: every field it enters, checked
// against the track files, the source files' times, the clock and the time zone; nothing else
// changed; and the volume read back by an independent ISO 9660 reader (libcdio's iso-info).
#include "tests/win/vcd_test_util.h"

#include <cstdio>
#include <vector>

namespace duvad::test::vcd {
namespace {

constexpr size_t kPvd = 16 * kSector + 8, kSlots = 49160, kEntries = 352756;

uint32_t le32(const std::string& s, size_t at) {
    return uint8_t(s[at]) | uint8_t(s[at + 1]) << 8 | uint8_t(s[at + 2]) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}
uint32_t be32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint8_t(s[at + 1]) << 16 | uint8_t(s[at + 2]) << 8 | uint8_t(s[at + 3]);
}
uint8_t bcd(int v) { return uint8_t(v / 10 << 4 | v % 10); }
uint8_t byteAt(const std::string& s, size_t at) { return uint8_t(s[at]); }

// Seconds since 1601 of a broken-down time.
int64_t secondsOf(const SYSTEMTIME& st) {
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return int64_t((uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) / 10000000);
}
int64_t secondsOf(const FILETIME& ft) {
    return int64_t((uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) / 10000000);
}

// What a reader of the volume makes of a date: its local digits less the offset (signed, in
// 15-minute units east of Greenwich) is the moment in UTC.
int64_t readerUtc(const SYSTEMTIME& local, uint8_t offset) {
    return secondsOf(local) - int64_t(int8_t(offset)) * 15 * 60;
}

int64_t utcNow() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    return secondsOf(st);
}

// The 17-byte volume date at `at`: its 16 digits as a local time, and the offset byte.
bool volumeDate(const std::string& img, size_t at, SYSTEMTIME* st, uint8_t* offset) {
    int y, mo, d, h, mi, s, cs;
    const std::string digits = img.substr(at, 16);
    if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
    std::sscanf(digits.c_str(), "%4d%2d%2d%2d%2d%2d%2d", &y, &mo, &d, &h, &mi, &s, &cs);
    *st = {WORD(y), WORD(mo), 0, WORD(d), WORD(h), WORD(mi), WORD(s), WORD(cs * 10)};
    *offset = byteAt(img, at + 16);
    return true;
}

// Runs a Unix command line through /bin/sh (Wine starts Unix programs, but its process handle
// does not follow them) and waits until `doneWin` appears: the line must make it last.
bool runUnix(const std::string& line, const std::string& doneWin) {
    std::string cmd = "/bin/sh -c \"" + line + "\"";
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int waited = 0; waited < 20000; waited += 20) {
        if (exists(doneWin)) return true;
        Sleep(20);
    }
    return false;
}

class VcdImage : public ::testing::Test {
protected:
    // Sources with fixed last-write times (UTC), converted into track files and the image.
    int32_t make(const std::vector<const char*>& names, std::string* image) {
        std::string sources, targets = dir_.file("image.bin") + "\r\n";
        for (size_t k = 0; k < names.size(); ++k) {
            const std::string src = copyStream(dir_, names[k], ("s" + std::to_string(k + 1) + ".mpg").c_str());
            SYSTEMTIME st = {WORD(2000 + k), 6, 0, 22, 12, WORD(5 + k), 9, 237};
            FILETIME ft;
            SystemTimeToFileTime(&st, &ft);
            ScopedFile f(
                CreateFileA(src.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            SetFileTime(f.get(), nullptr, nullptr, &ft);
            written_.push_back(ft);
            sources += src + "\r\n";
            targets += dir_.file("t" + std::to_string(k + 1) + ".bin") + "\r\n";
            sectors_.push_back(uint32_t(fileSizeAt(src) / 2324 + 85));
        }
        prepared_ = bytesOf("image300.bin");
        GuardedBuffer buffer(prepared_.size());
        std::memcpy(buffer.data(), prepared_.data(), prepared_.size());
        GetLocalTime(&before_);
        utcBefore_ = utcNow();
        const int32_t r = VB(PrepareVcdFiles, buffer.data(), int32_t(buffer.size()), sources.c_str(), targets.c_str());
        utcAfter_ = utcNow();
        GetLocalTime(&after_);
        image->assign(buffer.data(), buffer.size());
        return r;
    }

    TempDir dir_{"vcdimg"};
    std::vector<FILETIME> written_;
    std::vector<uint32_t> sectors_;
    std::string prepared_;
    SYSTEMTIME before_, after_;
    int64_t utcBefore_ = 0, utcAfter_ = 0;
};

TEST_F(VcdImage, FieldsForTwoTracksAndNothingElse) {
    // Run again by ctest in other time zones (VcdImageIndia, VcdImageNewYork, VcdImageSydney), which
    // say the zone's standard bias; New York or Sydney keeps daylight time at any time of year.
    char want[16];
    if (GetEnvironmentVariableA("DUVAD_EXPECT_BIAS", want, sizeof want)) {
        TIME_ZONE_INFORMATION tz;
        GetTimeZoneInformation(&tz);
        ASSERT_EQ(tz.Bias, atol(want)) << "the time zone did not take effect";
    }
    std::string img;
    ASSERT_EQ(make({"ntsc.mpg", "pal.mpg"}, &img), 1);
    ASSERT_EQ(img.size(), prepared_.size());
    EXPECT_TRUE(sameBytes(TempDir::readFile(dir_.file("image.bin")), img)) << "the file holds the patched image";
    std::vector<bool> patched(img.size());
    auto mark = [&](size_t from, size_t n) {
        for (size_t i = 0; i < n; ++i) patched[from + i] = true;
    };

    uint32_t start = 300 + 150;
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k + 1);
        const size_t r = kSlots + 60 * k;
        EXPECT_EQ(le32(img, r + 2), start);
        EXPECT_EQ(be32(img, r + 6), start);
        EXPECT_EQ(le32(img, r + 10), (sectors_[k] - 10) * 2048);
        EXPECT_EQ(be32(img, r + 14), (sectors_[k] - 10) * 2048);
        FILETIME local;
        SYSTEMTIME st;
        FileTimeToLocalFileTime(&written_[k], &local);
        FileTimeToSystemTime(&local, &st);
        const uint8_t date[6] = {uint8_t(st.wYear - 1900), uint8_t(st.wMonth),  uint8_t(st.wDay),
                                 uint8_t(st.wHour),        uint8_t(st.wMinute), uint8_t(st.wSecond)};
        EXPECT_EQ(img.substr(r + 18, 6), std::string(reinterpret_cast<const char*>(date), 6));
        // A reader that applies the offset gets the source's last write back, in any zone and
        // whether or not the zone keeps daylight time now.
        const SYSTEMTIME recorded = {WORD(1900 + byteAt(img, r + 18)),
                                     byteAt(img, r + 19),
                                     0,
                                     byteAt(img, r + 20),
                                     byteAt(img, r + 21),
                                     byteAt(img, r + 22),
                                     byteAt(img, r + 23),
                                     0};
        EXPECT_EQ(readerUtc(recorded, byteAt(img, r + 24)), secondsOf(written_[k]))
            << "offset byte " << int(int8_t(byteAt(img, r + 24)));
        EXPECT_EQ(byteAt(img, r + 50), 0x31);
        EXPECT_EQ(byteAt(img, r + 51), 0x11);
        EXPECT_EQ(byteAt(img, r + 54), k + 1);
        mark(r + 2, 23);
        mark(r + 50, 2);
        mark(r + 54, 1);

        const size_t e = kEntries + 4 * k;
        const uint32_t a = start + 150;
        EXPECT_EQ(byteAt(img, e), bcd(int(k) + 2));
        EXPECT_EQ(byteAt(img, e + 1), bcd(a / 4500));
        EXPECT_EQ(byteAt(img, e + 2), bcd(a % 4500 / 75));
        EXPECT_EQ(byteAt(img, e + 3), bcd(a % 75));
        mark(e, 4);
        start += sectors_[k] + 150;
    }
    EXPECT_EQ(img.substr(kEntries, 4), std::string("\x02\x00\x08\x00", 4)) << "a = 600: 00:08:00";
    EXPECT_EQ(img.substr(kSlots + 60 * 2, 60 * 30), std::string(60 * 30, '\0')) << "slots 3 to 32 cleared";
    EXPECT_EQ(img.substr(kEntries + 8, 4 * 30), std::string(4 * 30, '\0')) << "entries 3 to 32 cleared";
    mark(kSlots + 120, 60 * 30);
    mark(kEntries + 8, 4 * 30);
    EXPECT_EQ(img.substr(kEntries - 2, 2), std::string("\x00\x02", 2)) << "entry count";
    mark(kEntries - 2, 2);

    EXPECT_EQ(img.substr(kPvd + 8, 32), "CD-RTOS CD-BRIDGE" + prepared_.substr(kPvd + 25, 15));
    EXPECT_EQ(img.substr(kPvd + 40, 32), "VideoCD" + std::string(25, ' '));
    EXPECT_EQ(le32(img, kPvd + 80), start) << "the end sector counts the gap after the last track";
    EXPECT_EQ(be32(img, kPvd + 84), start);
    EXPECT_EQ(start, 300u + 150 * 3 + sectors_[0] + sectors_[1]);
    mark(kPvd + 8, 17);
    mark(kPvd + 40, 32);
    mark(kPvd + 80, 8);

    SYSTEMTIME dates[4];
    uint8_t offsets[4];
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(volumeDate(img, kPvd + 813 + 17 * i, &dates[i], &offsets[i])) << i;
        EXPECT_EQ(offsets[i], offsets[0]);
    }
    // The volume dates less their offset: the moment of the call in UTC.
    EXPECT_GE(readerUtc(dates[0], offsets[0]), utcBefore_ - 1) << "offset byte " << int(int8_t(offsets[0]));
    EXPECT_LE(readerUtc(dates[0], offsets[0]), utcAfter_ + 1) << "offset byte " << int(int8_t(offsets[0]));
    mark(kPvd + 813, 68);
    EXPECT_EQ(img.substr(kPvd + 813, 16), img.substr(kPvd + 830, 16));
    EXPECT_EQ(img.substr(kPvd + 813, 16), img.substr(kPvd + 847, 16));
    EXPECT_EQ(dates[3].wYear, dates[0].wYear + 100) << "the effective date, not the expiration date";
    EXPECT_EQ(img.substr(kPvd + 868, 12), img.substr(kPvd + 817, 12));
    const int64_t now = secondsOf(dates[0]);
    EXPECT_GE(now, secondsOf(before_) - 1);
    EXPECT_LE(now, secondsOf(after_) + 1);

    size_t changed = 0, firstChanged = 0;
    for (size_t i = 0; i < img.size(); ++i)
        if (!patched[i] && img[i] != prepared_[i] && !changed++) firstChanged = i;
    EXPECT_EQ(changed, 0u) << "first unexpected change at image byte " << firstChanged;
}

TEST_F(VcdImage, ReadBackByAnIndependentIso9660Reader) {
    std::string img;
    ASSERT_EQ(make({"ntsc.mpg"}, &img), 1);
    // The 2048-byte user data of every sector is the ISO 9660 volume.
    std::string iso;
    for (size_t s = 0; s < img.size() / kSector; ++s) iso += img.substr(s * kSector + 8, 2048);
    const std::string tag = std::to_string(GetCurrentProcessId());
    const std::string isoUnix = "/tmp/duvad_vcd_" + tag + ".iso", outUnix = "/tmp/duvad_vcd_" + tag + ".txt";
    const std::string isoWin = "Z:\\tmp\\duvad_vcd_" + tag + ".iso", outWin = "Z:\\tmp\\duvad_vcd_" + tag + ".txt";
    ASSERT_TRUE(TempDir::writeFile(isoWin, iso));
    DeleteFileA(outWin.c_str());
    // The reader shows each record's date in its own zone, after applying the record's offset: in
    // UTC it must show the source's last write (2000-06-22 12:05:09 UTC), whatever zone made the image.
    ASSERT_TRUE(runUnix("TZ=UTC iso-info --no-header -i " + isoUnix + " -l > " + outUnix + ".part 2>&1; mv " + outUnix +
                            ".part " + outUnix,
                        outWin));
    const std::string listing = TempDir::readFile(outWin);
    DeleteFileA(isoWin.c_str());
    DeleteFileA(outWin.c_str());
    ASSERT_FALSE(listing.empty()) << "iso-info did not run";
    EXPECT_NE(listing.find("Volume      : VideoCD"), std::string::npos) << listing;
    EXPECT_NE(listing.find("System      : CD-RTOS CD-BRIDGE"), std::string::npos) << listing;
    // The track file's record: where it lies on the disc and its length; no other track listed.
    const size_t line = listing.find("avseq01.dat");
    ASSERT_NE(line, std::string::npos) << listing;
    const std::string rec = listing.substr(listing.rfind('\n', line) + 1, line - listing.rfind('\n', line));
    EXPECT_NE(rec.find("[LSN    450]"), std::string::npos) << rec;
    EXPECT_NE(rec.find(" " + std::to_string((sectors_[0] - 10) * 2048) + ")"), std::string::npos) << rec;
    EXPECT_NE(rec.find("[fn 01]"), std::string::npos) << "XA file number: " << rec;
    EXPECT_EQ(rec.find("--i2--r-r-r"), 2u) << "XA attributes, interleaved Form 2, readable: " << rec;
    EXPECT_NE(rec.find("Jun 22 2000 12:05:09"), std::string::npos) << "the record's date in UTC: " << rec;
    EXPECT_EQ(listing.find("avseq02.dat"), std::string::npos) << "cleared slots list nothing";
}

}  // namespace
}  // namespace duvad::test::vcd
