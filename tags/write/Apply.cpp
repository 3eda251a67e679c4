#include "tags/write/Apply.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "tags/write/Disk.h"

namespace writepath {

Failure WriteRanges(const PosixFile& file, const std::string& path,
                    const std::vector<Range>& ranges, int64_t oldSize, bool& started) {
    for (const bool beyond : {true, false}) {
        for (const Range& r : ranges) {
            if ((r.Offset >= oldSize) != beyond) continue;
            const Failure f = WriteAt(file, path, r.New, r.Offset);
            if (f == Failure::None) continue;
            // Cut back, the file is as it was; else the journal finishes it.
            if (beyond && !started && Truncate(file, path, oldSize) == Failure::None) return f;
            started = true;
            return f;
        }
        started = true;
    }
    return Failure::None;
}

Failure WriteRanges(const PosixFile& file, const std::string& path,
                    const std::vector<Range>& ranges, int64_t oldSize) {
    bool started = true;
    return WriteRanges(file, path, ranges, oldSize, started);
}

Failure CopyBack(const PosixFile& buffer, const PosixFile& file, const std::string& path,
                 int64_t oldSize, int64_t newSize, bool& started) {
    if (newSize > oldSize) {
        Failure f = CopyData(buffer, oldSize, newSize, file, path, 0, false);
        struct stat st {};
        if (f == Failure::None && (::fstat(file.Fd(), &st) != 0 || st.st_size < newSize))
            f = Truncate(file, path, newSize);
        if (f != Failure::None) {
            (void)Truncate(file, path, oldSize);
            return f;
        }
    }
    started = true;
    if (const Failure f = CopyData(buffer, 0, std::min(oldSize, newSize), file, path, 0, true);
        f != Failure::None) {
        return f;
    }
    if (newSize < oldSize) return Truncate(file, path, newSize);
    return Failure::None;
}

bool DigestFile(const PosixFile& file, int64_t size, Digest* whole, std::vector<Digest>* sectors,
                bool strong) {
    constexpr int64_t kChunk = 1 << 20;  // whole sectors
    std::string chunk;
    Blake2b all;
    QuickPrint quick;
    if (sectors) sectors->clear();
    for (int64_t at = 0; at < size; at += kChunk) {
        chunk.resize(static_cast<size_t>(std::min(kChunk, size - at)));
        const ssize_t got = file.ReadAt(chunk.data(), chunk.size(), at);
        if (got != static_cast<ssize_t>(chunk.size())) {
            if (got >= 0) errno = EIO;
            return false;
        }
        if (whole && strong) all.Add(chunk);
        if (whole && !strong) quick.Add(chunk);
        for (size_t s = 0; sectors && s < chunk.size(); s += kSector)
            sectors->push_back(PrintOf(std::string_view(chunk).substr(s, kSector), strong));
    }
    if (whole) *whole = strong ? all.Finish() : quick.Finish();
    return true;
}

}  // namespace writepath
