#include "tags/write/Digest.h"

#include <cstring>

namespace writepath {
namespace {

constexpr std::array<uint64_t, 8> kIv = {
    0x6a09e667f3bcc908ull, 0xbb67ae8584caa73bull, 0x3c6ef372fe94f82bull, 0xa54ff53a5f1d36f1ull,
    0x510e527fade682d1ull, 0x9b05688c2b3e6c1full, 0x1f83d9abfb41bd6bull, 0x5be0cd19137e2179ull};

// The message word order of each round; rounds 10 and 11 repeat 0 and 1.
constexpr uint8_t kSigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4},
    {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13},
    {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11},
    {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5},
    {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
};

constexpr uint64_t Rotr(uint64_t x, int n) {
    return (x >> n) | (x << (64 - n));
}

}  // namespace

Blake2b::Blake2b() : h_(kIv) {
    h_[0] ^= 0x01010000ull ^ sizeof(Digest);  // no key, 16-byte result
}

void Blake2b::Compress(bool last) {
    uint64_t m[16];
    for (int i = 0; i < 16; ++i) {
        uint64_t w = 0;
        for (int b = 7; b >= 0; --b) w = (w << 8) | block_[static_cast<size_t>(i * 8 + b)];
        m[i] = w;
    }
    uint64_t v[16];
    for (int i = 0; i < 8; ++i) {
        v[i] = h_[static_cast<size_t>(i)];
        v[i + 8] = kIv[static_cast<size_t>(i)];
    }
    v[12] ^= count_;  // the byte count's high word stays 0 below 2^64 bytes
    if (last) v[14] = ~v[14];
    const auto g = [&v](int a, int b, int c, int d, uint64_t x, uint64_t y) {
        v[a] += v[b] + x;
        v[d] = Rotr(v[d] ^ v[a], 32);
        v[c] += v[d];
        v[b] = Rotr(v[b] ^ v[c], 24);
        v[a] += v[b] + y;
        v[d] = Rotr(v[d] ^ v[a], 16);
        v[c] += v[d];
        v[b] = Rotr(v[b] ^ v[c], 63);
    };
    for (int round = 0; round < 12; ++round) {
        const uint8_t* s = kSigma[round % 10];
        g(0, 4, 8, 12, m[s[0]], m[s[1]]);
        g(1, 5, 9, 13, m[s[2]], m[s[3]]);
        g(2, 6, 10, 14, m[s[4]], m[s[5]]);
        g(3, 7, 11, 15, m[s[6]], m[s[7]]);
        g(0, 5, 10, 15, m[s[8]], m[s[9]]);
        g(1, 6, 11, 12, m[s[10]], m[s[11]]);
        g(2, 7, 8, 13, m[s[12]], m[s[13]]);
        g(3, 4, 9, 14, m[s[14]], m[s[15]]);
    }
    for (size_t i = 0; i < 8; ++i) h_[i] ^= v[i] ^ v[i + 8];
}

void Blake2b::Add(std::string_view bytes) {
    while (!bytes.empty()) {
        // A full block is compressed only once more bytes follow: the last
        // block is compressed differently.
        if (filled_ == block_.size()) {
            Compress(false);
            filled_ = 0;
        }
        const size_t n = std::min(bytes.size(), block_.size() - filled_);
        std::memcpy(block_.data() + filled_, bytes.data(), n);
        filled_ += n;
        count_ += n;
        bytes.remove_prefix(n);
    }
}

Digest Blake2b::Finish() {
    std::memset(block_.data() + filled_, 0, block_.size() - filled_);
    Compress(true);
    Digest out{};
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint8_t>(h_[i / 8] >> (8 * (i % 8)));
    return out;
}

Digest DigestOf(std::string_view bytes) {
    Blake2b b;
    b.Add(bytes);
    return b.Finish();
}

}  // namespace writepath
