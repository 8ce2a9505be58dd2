// Drive catalogue files for tests: a header, the maker's two marker records, then one record per
// add(). Records lie `stride` bytes apart; each one's number sits in the 4 bytes before its brand.
// The data end where the next record's brand would begin, so the list ends there.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

namespace duvad::test {

class CatalogueBuilder {
public:
    explicit CatalogueBuilder(size_t stride = 140, size_t header = 24) : stride_(stride), first_(header) {
        data_.assign(header, 'h');
        add("KORVEL", "marker one", 0, 0);
        add("KORVEL", "marker two", 0, 0);
    }

    // Brand and model are written with their zero bytes; pass brand text of up to 9 characters
    // (a 9-character brand fills its field and runs straight into the model).
    CatalogueBuilder& add(const std::string& brand, const std::string& model, int32_t number, uint8_t kind) {
        const size_t b = first_ + records_ * stride_;
        data_.resize(b + stride_, '\0');
        put(b - 4, &number, 4);
        data_[b + 130] = char(kind);
        put(b, brand.c_str(), brand.size() + 1);
        put(b + 9, model.c_str(), model.size() + 1);
        ++records_;
        return *this;
    }

    size_t brandAt(size_t record) const { return first_ + record * stride_; }
    std::string& bytes() { return data_; }
    const std::string& bytes() const { return data_; }

private:
    void put(size_t at, const void* from, size_t n) {
        if (data_.size() < at + n) data_.resize(at + n, '\0');
        std::memcpy(&data_[at], from, n);
    }

    std::string data_;
    size_t stride_;
    size_t first_;
    size_t records_ = 0;
};

}  // namespace duvad::test
