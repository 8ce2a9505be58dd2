// Win32 files behind the Video CD core's file interface: reads at an offset with the file pointer
// moved only when the offset is not where the last read ended (so sequential reads cost one
// ReadFile each), and sector writes with one pass of the message pump after each.
#pragma once
#include <windows.h>

#include "frame/file_size.h"
#include "include/DuVad.h"
#include "vcd/core/byte_source.h"

namespace duvad::vcd {

class Win32Source : public RandomAccessSource {
public:
    explicit Win32Source(HANDLE file) : file_(file) {}

    int64_t size() override { return fileSize(file_); }

    uint32_t readAt(int64_t offset, uint8_t* to, uint32_t count) override {
        if (offset != position_ && !seek(offset)) return 0;
        DWORD got = 0;
        if (!ReadFile(file_, to, count, &got, nullptr)) {
            position_ = -1;  // unknown after a failed read
            return 0;
        }
        position_ += got;
        return got;
    }

private:
    bool seek(int64_t offset) {
        if (offset < 0) return false;
        LONG high = LONG(offset >> 32);
        SetLastError(NO_ERROR);
        const DWORD low = SetFilePointer(file_, LONG(uint32_t(offset)), &high, FILE_BEGIN);
        if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
            position_ = -1;
            return false;
        }
        position_ = offset;
        return true;
    }

    HANDLE file_;
    int64_t position_ = 0;  // a file opened by CreateFileA starts at byte 0
};

// A track file being written from its first byte; the message pump runs after every sector.
class Win32TrackSink : public SectorSink {
public:
    explicit Win32TrackSink(HANDLE file) : file_(file) {}
    bool write(const uint8_t* sector, uint32_t bytes) override {
        DWORD put = 0;
        return WriteFile(file_, sector, bytes, &put, nullptr) && put == bytes;
    }
    void pump() override { GoEvents(0); }

private:
    HANDLE file_;
};

}  // namespace duvad::vcd
