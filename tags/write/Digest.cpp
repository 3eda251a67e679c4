#include "tags/write/Digest.h"

#include <bit>
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

// One quarter-round on the words a, b, c, d of the work vector.
#define TZ_B2B_G(a, b, c, d, x, y) \
    do {                           \
        a += b + (x);              \
        d = Rotr(d ^ a, 32);       \
        c += d;                    \
        b = Rotr(b ^ c, 24);       \
        a += b + (y);              \
        d = Rotr(d ^ a, 16);       \
        c += d;                    \
        b = Rotr(b ^ c, 63);       \
    } while (false)

void Blake2b::Compress(bool last) {
    uint64_t m[16];
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(m, block_.data(), sizeof m);
    } else {
        for (int i = 0; i < 16; ++i) {
            uint64_t w = 0;
            for (int b = 7; b >= 0; --b) w = (w << 8) | block_[static_cast<size_t>(i * 8 + b)];
            m[i] = w;
        }
    }
    // The work vector in locals, so that it stays in registers.
    uint64_t v0 = h_[0], v1 = h_[1], v2 = h_[2], v3 = h_[3], v4 = h_[4], v5 = h_[5], v6 = h_[6],
             v7 = h_[7];
    uint64_t v8 = kIv[0], v9 = kIv[1], v10 = kIv[2], v11 = kIv[3], v12 = kIv[4] ^ count_,
             v13 = kIv[5], v14 = last ? ~kIv[6] : kIv[6], v15 = kIv[7];
    // The byte count's high word stays 0 below 2^64 bytes.
    // Twelve rounds, unrolled so that every message index is a constant.
#define TZ_B2B_ROUND(r)                                                 \
    do {                                                                \
        TZ_B2B_G(v0, v4, v8, v12, m[kSigma[r][0]], m[kSigma[r][1]]);    \
        TZ_B2B_G(v1, v5, v9, v13, m[kSigma[r][2]], m[kSigma[r][3]]);    \
        TZ_B2B_G(v2, v6, v10, v14, m[kSigma[r][4]], m[kSigma[r][5]]);   \
        TZ_B2B_G(v3, v7, v11, v15, m[kSigma[r][6]], m[kSigma[r][7]]);   \
        TZ_B2B_G(v0, v5, v10, v15, m[kSigma[r][8]], m[kSigma[r][9]]);   \
        TZ_B2B_G(v1, v6, v11, v12, m[kSigma[r][10]], m[kSigma[r][11]]); \
        TZ_B2B_G(v2, v7, v8, v13, m[kSigma[r][12]], m[kSigma[r][13]]);  \
        TZ_B2B_G(v3, v4, v9, v14, m[kSigma[r][14]], m[kSigma[r][15]]);  \
    } while (false)
    TZ_B2B_ROUND(0);
    TZ_B2B_ROUND(1);
    TZ_B2B_ROUND(2);
    TZ_B2B_ROUND(3);
    TZ_B2B_ROUND(4);
    TZ_B2B_ROUND(5);
    TZ_B2B_ROUND(6);
    TZ_B2B_ROUND(7);
    TZ_B2B_ROUND(8);
    TZ_B2B_ROUND(9);
    TZ_B2B_ROUND(0);
    TZ_B2B_ROUND(1);
#undef TZ_B2B_ROUND
    h_[0] ^= v0 ^ v8;
    h_[1] ^= v1 ^ v9;
    h_[2] ^= v2 ^ v10;
    h_[3] ^= v3 ^ v11;
    h_[4] ^= v4 ^ v12;
    h_[5] ^= v5 ^ v13;
    h_[6] ^= v6 ^ v14;
    h_[7] ^= v7 ^ v15;
}

#undef TZ_B2B_G

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

void QuickPrint::Word(uint64_t w) {
    // Odd constants with well spread bits; the lanes see each word
    // differently, so a difference that cancels in one shows in the other.
    a_ = (a_ ^ w) * 0x9E3779B97F4A7C15ull;
    a_ ^= a_ >> 31;
    b_ = (b_ + w) * 0xC2B2AE3D27D4EB4Full;
    b_ ^= b_ >> 29;
}

void QuickPrint::Add(std::string_view bytes) {
    count_ += bytes.size();
    size_t i = 0;
    while (filled_ != 0 && i < bytes.size()) {
        pending_ |= uint64_t{static_cast<uint8_t>(bytes[i++])} << (8 * filled_);
        if (++filled_ == 8) {
            Word(pending_);
            pending_ = 0;
            filled_ = 0;
        }
    }
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t w = 0;
        std::memcpy(&w, bytes.data() + i, 8);
        if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
        Word(w);
    }
    for (; i < bytes.size(); ++i)
        pending_ |= uint64_t{static_cast<uint8_t>(bytes[i])} << (8 * filled_++);
}

Digest QuickPrint::Finish() {
    const auto avalanche = [](uint64_t h) {
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 33;
        h *= 0xC4CEB9FE1A85EC53ull;
        return h ^ (h >> 33);
    };
    Word(pending_ ^ (count_ << 8) ^ filled_);
    const uint64_t a = avalanche(a_ ^ count_), b = avalanche(b_ ^ (a_ >> 1));
    Digest out{};
    for (size_t i = 0; i < 8; ++i) {
        out[i] = static_cast<uint8_t>(a >> (8 * i));
        out[8 + i] = static_cast<uint8_t>(b >> (8 * i));
    }
    return out;
}

Digest DigestOf(std::string_view bytes) {
    Blake2b b;
    b.Add(bytes);
    return b.Finish();
}

Digest PrintOf(std::string_view bytes, bool strong) {
    if (strong) return DigestOf(bytes);
    QuickPrint print;
    print.Add(bytes);
    return print.Finish();
}

}  // namespace writepath
