// The drive catalogue walk over arbitrary bytes: raw (random or mutated catalogue files) and, when
// the first byte is odd, a catalogue assembled from the input (stride, records) so that the walk
// reaches deep records often. The data sit in a block of exactly their size (ASan sees any read
// past it). Checks: the listing matches a plainly written reference walk, every line keeps the
// "brand,model,number (K)" CR LF shape within 63 characters (no line break inside), and the
// sorted order holds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "drives/core/catalogue.h"

namespace {

namespace cat = duvad::drives;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "catalogue_fuzz: %s\n", what);
        std::abort();
    }
}

// Catalogue from a recipe: byte 1 the stride (16..271), then per record: number byte, kind byte,
// brand length (0..15), model length (0..127), and that many text bytes.
std::vector<uint8_t> assemble(const uint8_t* in, size_t n) {
    std::vector<uint8_t> out;
    if (n < 2) return out;
    const size_t stride = 16 + in[1];
    const size_t first = 8;
    size_t pos = 2;
    auto at = [&](size_t b) -> uint8_t& {
        if (out.size() <= b) out.resize(b + 1, 0);
        return out[b];
    };
    for (size_t k = 0; k < 2; ++k)
        for (size_t i = 0; i < 7; ++i) at(first + k * stride + i) = uint8_t("KORVEL"[i]);
    for (size_t k = 2; pos + 4 <= n; ++k) {
        const size_t b = first + k * stride;
        at(b - 4) = in[pos];
        at(b - 1) = uint8_t(in[pos] & 0x80 ? 0xFF : 0);
        at(b + 130) = in[pos + 1];
        const size_t brand = in[pos + 2] % 16, model = in[pos + 3] % 128;
        pos += 4;
        for (size_t i = 0; i < brand && pos < n; ++i) at(b + i) = in[pos++];
        for (size_t i = 0; i < model && pos < n; ++i) at(b + 9 + i) = in[pos++];
    }
    return out;
}

// The walk written out plainly, with snprintf for the line; the model is cut to what fits.
std::vector<std::string> reference(const std::vector<uint8_t>& d) {
    auto at = [&](uint64_t i) -> uint8_t { return i < d.size() ? d[i] : 0; };
    auto marker = [&](uint64_t i) {
        for (int j = 0; j < 7; ++j)
            if (at(i + uint64_t(j)) != uint8_t("KORVEL"[j])) return false;
        return true;
    };
    std::vector<std::string> lines;
    uint64_t first = 0;
    while (first < d.size() && !marker(first)) ++first;
    if (first >= d.size()) return lines;
    uint64_t second = first + 1;
    while (second < d.size() && !marker(second)) ++second;
    if (second >= d.size()) return lines;
    const uint64_t stride = second - first;
    for (uint64_t b = first + 2 * stride; at(b) && at(b + 9) && lines.size() < 1000; b += stride) {
        if (marker(b)) continue;
        std::string brand;
        if (at(b) == ' ')
            brand = "[no brand]";
        else
            while (brand.size() < 9 && at(b + brand.size())) brand += char(at(b + brand.size()));
        std::string model;
        while (at(b + 9 + model.size())) model += char(at(b + 9 + model.size()));
        const int32_t number = int32_t(uint32_t(at(b - 4)) | uint32_t(at(b - 3)) << 8 | uint32_t(at(b - 2)) << 16 |
                                       uint32_t(at(b - 1)) << 24);
        char tail[32];
        std::snprintf(tail, sizeof tail, ",%d (%c)\r\n", number, at(b + 130) == 0x1A ? 'S' : 'A');
        const size_t room = 63 - brand.size() - 1 - std::strlen(tail);
        std::string line = brand + "," + model.substr(0, room);
        for (char& c : line)
            if (c == '\r' || c == '\n') c = ' ';
        lines.push_back(line + tail);
    }
    return lines;
}

bool wellFormed(const char* line) {
    const size_t n = std::strlen(line);
    if (n < 9 || n > 63) return false;
    if (std::memcmp(line + n - 6, " (S)\r\n", 6) != 0 && std::memcmp(line + n - 6, " (A)\r\n", 6) != 0) return false;
    // One line break, at the end; a brand, a comma, a model, a comma (texts may hold commas).
    if (std::strpbrk(line, "\r\n") != line + n - 2) return false;
    const char* comma = std::strchr(line + 1, ',');
    return comma && std::strchr(comma + 1, ',');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes = size && (data[0] & 1) ? assemble(data, size) : std::vector<uint8_t>(data, data + size);
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() ? bytes.size() : 1]);
    if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());

    auto table = std::make_unique<cat::LineTable>();
    const bool found = cat::walk(exact.get(), bytes.size(), *table);
    check(found == cat::findMarkers(exact.get(), bytes.size()).found, "walk and marker search disagree");
    check(table->count >= 0 && table->count <= cat::kMaxLines, "line count out of range");

    const std::vector<std::string> want = reference(bytes);
    check(size_t(table->count) == want.size(), "line count differs from the reference walk");
    size_t total = 0;
    for (int i = 0; i < table->count; ++i) {
        check(want[size_t(i)] == table->line(i), "line differs from the reference walk");
        check(wellFormed(table->line(i)), "line is not well formed");
        total += std::strlen(table->line(i));
    }

    cat::sortLines(*table);
    for (int i = 1; i < table->count; ++i)
        check(cat::compareFolded(table->line(i - 1), table->line(i)) <= 0, "lines out of order");
    std::vector<char> out(total + 1, '#');
    check(cat::joinLines(*table, out.data()) == total && out[total] == '\0', "joined length");
    return 0;
}
