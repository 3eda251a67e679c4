#pragma once

// A strong 128-bit digest (BLAKE2b with a 16-byte result) for telling a
// file's old bytes from its new ones at recovery, and the 512-byte sectors
// those checks are made in: a power cut may leave any sector written since
// the last flush old or new, so no check spans two of them.

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace writepath {

using Digest = std::array<uint8_t, 16>;

class Blake2b {
  public:
    Blake2b();
    void Add(std::string_view bytes);
    Digest Finish();

  private:
    void Compress(bool last);
    std::array<uint64_t, 8> h_{};
    std::array<uint8_t, 128> block_{};
    size_t filled_ = 0;
    uint64_t count_ = 0;
};

Digest DigestOf(std::string_view bytes);

// A fast 128-bit fingerprint for bytes that only tell one file from another
// by chance, never against forgery: the unchanged tag area of an in-place
// save (mostly a picture) and the old bytes it overwrites, which are too
// large to put through BLAKE2b at every save. Two multiply-xorshift lanes
// over 8-byte words, then a full avalanche of each.
class QuickPrint {
  public:
    void Add(std::string_view bytes);
    Digest Finish();

  private:
    void Word(uint64_t w);
    uint64_t a_ = 0x243F6A8885A308D3ull, b_ = 0x13198A2E03707344ull;
    uint64_t pending_ = 0;  // bytes of a word not complete yet
    unsigned filled_ = 0;
    uint64_t count_ = 0;
};

// The print of the growing path's sectors and buffer: a QuickPrint, or
// BLAKE2b in a journal of the form before ("TZJ2").
Digest PrintOf(std::string_view bytes, bool strong);

constexpr int64_t kSector = 512;

// Calls piece(offset, length) for each part of [offset, offset + length)
// that lies within one sector, in order.
inline void ForEachPiece(int64_t offset, int64_t length,
                         const std::function<void(int64_t, int64_t)>& piece) {
    for (int64_t at = offset, end = offset + length; at < end;) {
        const int64_t next = std::min(end, (at / kSector + 1) * kSector);
        piece(at, next - at);
        at = next;
    }
}

inline int64_t PieceCount(int64_t offset, int64_t length) {
    if (length <= 0) return 0;
    return (offset + length - 1) / kSector - offset / kSector + 1;
}

}  // namespace writepath
