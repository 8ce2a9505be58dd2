// A block in memory of exactly its size, so that ASan reports any read past its end.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace duvad::test {

struct Exact {
    explicit Exact(const std::string& bytes) : size(bytes.size()), data(new uint8_t[bytes.size() ? bytes.size() : 1]) {
        memcpy(data.get(), bytes.data(), bytes.size());
    }
    size_t size;
    std::unique_ptr<uint8_t[]> data;
};

}  // namespace duvad::test
