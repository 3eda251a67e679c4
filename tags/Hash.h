#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

// A 64-bit hash for telling byte strings apart (not against forgery). Eight
// bytes a round keeps it far below the cost of reading them.
inline uint64_t HashBytes(std::string_view bytes, uint64_t h = 0) {
    constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        h = (h ^ w) * kMul;
        h ^= h >> 32;
    }
    uint64_t w = 0;
    std::memcpy(&w, bytes.data() + i, bytes.size() - i);
    h = (h ^ w ^ (uint64_t{bytes.size()} << 40)) * kMul;
    return h ^ (h >> 29);
}
