#include "tags/write/Diff.h"

#include <bit>
#include <cstring>

namespace writepath {
namespace {

// Differing runs of the tag closer than this are written as one.
constexpr size_t kRunGap = 64;
// The first place from at on where two strings of one length differ (their
// length where they do not): whole blocks compared at once, since a tag is
// mostly a picture that stays.
size_t NextDifference(const std::string& a, const std::string& b, size_t at) {
    constexpr size_t kBlock = 64;
    const size_t n = a.size();
    while (at + kBlock <= n && std::memcmp(a.data() + at, b.data() + at, kBlock) == 0) at += kBlock;
    while (at < n && a[at] == b[at]) ++at;
    return at;
}

// The end of the differing run that starts at start: the place behind its
// last differing byte that is followed by more than gap equal bytes (or the
// end). A moved frame differs nearly all through, so the bytes are taken
// eight at a time, a word's last differing byte found from their XOR (the
// equal bytes between two differing ones of a word are fewer than the gap).
size_t RunEnd(const std::string& a, const std::string& b, size_t start, size_t gap) {
    const size_t n = a.size();
    size_t end = start + 1;  // behind the last differing byte seen
    size_t at = end;
    while (at < n && at - end <= gap) {
        if (at + 8 <= n) {
            uint64_t x = 0, y = 0;
            std::memcpy(&x, a.data() + at, 8);
            std::memcpy(&y, b.data() + at, 8);
            if (const uint64_t d = x ^ y; d != 0) {
                const bool little = std::endian::native == std::endian::little;
                const int first = little ? std::countr_zero(d) / 8 : std::countl_zero(d) / 8;
                const int last =
                    little ? (63 - std::countl_zero(d)) / 8 : 7 - std::countr_zero(d) / 8;
                if (at + static_cast<size_t>(first) - end > gap) break;
                end = at + static_cast<size_t>(last) + 1;
            }
            at += 8;
        } else {
            if (a[at] != b[at]) end = at + 1;
            ++at;
        }
    }
    return end;
}

}  // namespace

std::vector<Range> DifferingRuns(const std::string& before, const std::string& after,
                                 int64_t offset) {
    std::vector<Range> runs;
    const size_t n = before.size();
    for (size_t start = NextDifference(before, after, 0); start < n;) {
        static_assert(kRunGap >= 8);
        const size_t end = RunEnd(before, after, start, kRunGap);
        Range r;
        r.Offset = offset + static_cast<int64_t>(start);
        r.New = after.substr(start, end - start);
        r.OldLength = static_cast<int64_t>(end - start);
        ForEachPiece(r.Offset, r.OldLength, [&](int64_t at, int64_t length) {
            r.OldPieces.push_back(
                PrintOf(std::string_view(before).substr(static_cast<size_t>(at - offset),
                                                        static_cast<size_t>(length)),
                        false));
        });
        runs.push_back(std::move(r));
        start = NextDifference(before, after, end);
    }
    return runs;
}

}  // namespace writepath
