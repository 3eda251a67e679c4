#include "tags/write/Match.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "tags/write/Apply.h"
#include "tags/write/StateFolder.h"

namespace writepath {
namespace {

constexpr int64_t kChunk = 1 << 20;  // whole sectors

}  // namespace

bool ReadExact(const PosixFile& file, std::string& out, int64_t offset, int64_t count) {
    out.resize(static_cast<size_t>(count));
    return file.ReadAt(out.data(), out.size(), offset) == static_cast<ssize_t>(count);
}

Match CheckInPlace(const JournalEntry& e, const PosixFile& file, int64_t size) {
    // An entry that names no old byte would match any file.
    if (e.Kept.empty() && std::none_of(e.Ranges.begin(), e.Ranges.end(),
                                       [](const Range& r) { return r.OldLength > 0; })) {
        return Match::Foreign;
    }
    std::string now;
    QuickPrint kept;
    for (const Span& s : e.Kept) {
        if (s.Offset + s.Length > size || !ReadExact(file, now, s.Offset, s.Length))
            return Match::Foreign;
        kept.Add(now);
    }
    if (kept.Finish() != e.KeptDigest) return Match::Foreign;
    bool done = size == e.NewSize;
    for (const Range& r : e.Ranges) {
        const int64_t want = static_cast<int64_t>(r.New.size());
        const int64_t have = std::clamp<int64_t>(size - r.Offset, 0, want);
        if (have < r.OldLength || !ReadExact(file, now, r.Offset, have)) return Match::Foreign;
        const std::string_view fresh(r.New);
        bool explained = true;
        size_t k = 0;
        ForEachPiece(r.Offset, r.OldLength, [&](int64_t at, int64_t n) {
            const auto rel = static_cast<size_t>(at - r.Offset);
            const std::string_view piece =
                std::string_view(now).substr(rel, static_cast<size_t>(n));
            const bool isNew = piece == fresh.substr(rel, piece.size());
            if (!isNew) done = false;
            if (!isNew && PrintOf(piece, e.StrongPieces) != r.OldPieces[k]) explained = false;
            ++k;
        });
        if (!explained) return Match::Foreign;
        // Beyond the old end anything may stand: the write had not got there.
        if (have < want || std::string_view(now).substr(static_cast<size_t>(r.OldLength)) !=
                               fresh.substr(static_cast<size_t>(r.OldLength),
                                            static_cast<size_t>(have - r.OldLength))) {
            done = false;
        }
    }
    return done ? Match::Done : Match::Explained;
}

Match CheckShifted(const JournalEntry& e, const PosixFile& file, int64_t size) {
    if (size != e.OldSize && size != e.NewSize) return Match::Foreign;
    const int64_t shift = size == e.NewSize ? e.Shift : 0;
    std::string now;
    QuickPrint kept;
    for (const Span& s : e.Kept) {
        if (s.Offset + shift > size - s.Length || !ReadExact(file, now, s.Offset + shift, s.Length))
            return Match::Foreign;
        kept.Add(now);
    }
    if (kept.Finish() != e.KeptDigest) return Match::Foreign;
    const std::string_view fresh = e.Ranges[0].New;
    const auto room = static_cast<int64_t>(fresh.size()) - e.Shift;  // the old area's
    // Before the room is in, nothing of the area has been written.
    const int64_t area = shift ? static_cast<int64_t>(fresh.size()) : room;
    if (!ReadExact(file, now, 0, area)) return Match::Foreign;
    bool done = shift != 0;
    for (int64_t at = 0; at < area; at += kSector) {
        const auto piece = std::string_view(now).substr(static_cast<size_t>(at), kSector);
        if (shift && piece == fresh.substr(static_cast<size_t>(at), piece.size())) continue;
        done = false;
        if (at < shift) {
            if (piece.find_first_not_of('\0') != std::string_view::npos) return Match::Foreign;
            continue;
        }
        const auto sector = static_cast<size_t>((at - shift) / kSector);
        if (sector >= e.OldSectors.size() || PrintOf(piece, false) != e.OldSectors[sector])
            return Match::Foreign;
    }
    return done ? Match::Done : Match::Explained;
}

// Every old sector of the file holds the old bytes or the buffer's.
Match CheckAgainstBuffer(const JournalEntry& e, const PosixFile& file, const PosixFile& buffer,
                         int64_t size) {
    bool done = size == e.NewSize;
    const int64_t old = std::min(size, e.OldSize);
    std::string now, fresh;
    for (int64_t at = 0; at < old; at += kChunk) {
        const int64_t n = std::min(kChunk, old - at);
        const int64_t inBuffer = std::clamp<int64_t>(e.NewSize - at, 0, n);
        if (!ReadExact(file, now, at, n) || !ReadExact(buffer, fresh, at, inBuffer))
            return Match::Foreign;
        for (int64_t s = 0; s < n; s += kSector) {
            const auto piece = std::string_view(now).substr(static_cast<size_t>(s), kSector);
            const auto sector = static_cast<size_t>((at + s) / kSector);
            // A sector the shrunk file ends in is new when its part that stays is.
            const bool isNew = s < inBuffer && piece.substr(0, static_cast<size_t>(inBuffer - s)) ==
                                                   std::string_view(fresh).substr(
                                                       static_cast<size_t>(s), piece.size());
            if (!isNew) done = false;
            if (!isNew && (sector >= e.OldSectors.size() ||
                           PrintOf(piece, e.StrongPrints) != e.OldSectors[sector]))
                return Match::Foreign;
        }
    }
    if (done && size > e.OldSize) {
        if (!ReadExact(file, now, e.OldSize, size - e.OldSize) ||
            !ReadExact(buffer, fresh, e.OldSize, size - e.OldSize) || now != fresh) {
            done = false;
        }
    }
    return done ? Match::Done : Match::Explained;
}

// The buffer a journal names, when it is one of this user's, of the size
// and content the entry records.
std::optional<PosixFile> OpenBuffer(const JournalEntry& e, const std::string& folder,
                                    const std::string& journalName) {
    if (!e.Buffer.starts_with(journalName + std::string(kBufferInfix)) ||
        e.Buffer.find('/') != std::string::npos) {
        return std::nullopt;
    }
    PosixFile buffer(folder + "/" + e.Buffer, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    struct stat st {};
    Digest digest{};
    if (!buffer.IsOpen() || ::fstat(buffer.Fd(), &st) != 0 || !OwnFile(st) ||
        st.st_size != e.NewSize ||
        !DigestFile(buffer, e.NewSize, &digest, nullptr, e.StrongPrints) ||
        digest != e.BufferDigest) {
        return std::nullopt;
    }
    return buffer;
}

}  // namespace writepath
