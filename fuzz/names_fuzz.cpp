// Random bytes through the name rules, the path searches and the volume root, in both code page
// models: no read past the text, results within their ranges and consistent with each other.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/core/names.h"
#include "files/core/volume.h"
#include "tests/native/codepage_models.h"

namespace {

const duvad::files::test::Cp1252Model western;
const duvad::files::test::Cp932Model japanese;

void check(bool ok) {
    if (!ok) std::abort();
}

void exercise(const char* text, size_t length, uint32_t mode, uint32_t flags, int32_t start,
              const duvad::files::CodePage& cp) {
    using namespace duvad::files;
    const int32_t rule = checkFileName(mode, flags, text, cp);
    check(rule <= 0 && rule >= -4);
    if (mode > 5) check(rule == 0);
    if (mode >= 1 && mode <= 5) check(rule == 0 || rule == -1);

    const int32_t back = inStrBackS(start, text, cp);
    check(back >= 0 && size_t(back) <= length);
    if (back) check(text[back - 1] == '\\');
    const int32_t fromFirst = inStrBackS(1, text, cp);
    if (back) check(fromFirst && fromFirst <= back);

    const int32_t last = isLastBackS(text, cp);
    check(last == 0 || last == 1);
    if (last) check(length > 0 && text[length - 1] == '\\' && fromFirst);

    const int32_t dot = inStrDot(text, cp);
    check(dot >= 0 && size_t(dot) <= length);
    if (dot) check(text[dot - 1] == '.');

    const size_t chars = countChars(text, cp);
    check(chars <= length && chars * 2 + 1 >= length);
    const VolumeRoot root = volumeRoot(text, cp);
    if (root.kind == RootKind::Unc) {
        const size_t rootLength = std::strlen(root.text);
        check(rootLength >= 2 && rootLength <= length && rootLength < kRootBytes && text[rootLength - 1] == '\\' &&
              std::memcmp(root.text, text, rootLength) == 0);
    }
    if (root.kind == RootKind::Drive) check(root.text[0] == text[0] && std::strcmp(root.text + 1, ":\\") == 0);
    if (root.kind == RootKind::None || root.kind == RootKind::TooLong) check(root.query() == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    const uint32_t mode = data[0] % 9 == 8 ? 0xFFFFFFFFu : data[0] % 9;
    const uint32_t flags = data[1];
    int32_t start;
    std::memcpy(&start, data + 2, 4);
    if (data[2] & 1) start = int32_t(data[3] % 40) - 4;
    // The text as a zero-terminated copy of its own size, so reading past it is caught.
    const std::string text(reinterpret_cast<const char*>(data + 6), size - 6);
    const char* z = text.c_str();
    const size_t length = std::strlen(z);
    exercise(z, length, mode, flags, start, western);
    exercise(z, length, mode, flags, start, japanese);
    return 0;
}
