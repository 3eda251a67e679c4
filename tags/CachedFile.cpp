#include "tags/CachedFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

CachedFile::CachedFile(const std::string& fileName) : file_(fileName, O_RDONLY | O_NONBLOCK) {
    struct stat st {};
    if (!file_.IsOpen()) return;
    if (::fstat(file_.Fd(), &st) != 0) {
        file_.Close();
        return;
    }
    regular_ = S_ISREG(st.st_mode);
    size_ = st.st_size;
    modifiedNs_ = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
}

const CachedFile::Block* CachedFile::Find(int64_t offset, size_t count) const {
    for (size_t i = 0; i < used_; ++i) {
        const Block& block = blocks_[i];
        if (offset < block.offset) continue;
        const uint64_t from = static_cast<uint64_t>(offset - block.offset);
        if (block.reachesEnd || (from <= block.size && count <= block.size - from)) return &block;
    }
    return nullptr;
}

const CachedFile::Block* CachedFile::Load(int64_t offset, size_t count) {
    // Reading stops at the size the file had when it was opened: a file that
    // ends there needs no further read to find its end.
    const size_t want =
        static_cast<size_t>(std::clamp<int64_t>(size_ - offset, 0, static_cast<int64_t>(count)));
    auto bytes = std::make_unique_for_overwrite<uint8_t[]>(want);
    const ssize_t got = file_.ReadAt(bytes.get(), want, static_cast<off_t>(offset));
    if (got < 0) return nullptr;
    Block& block = blocks_[used_ < blocks_.size() ? used_++ : blocks_.size() - 1];
    block.offset = offset;
    block.size = static_cast<size_t>(got);
    block.reachesEnd = static_cast<size_t>(got) < count;
    block.bytes = std::move(bytes);
    return &block;
}

ssize_t CachedFile::ReadAt(void* out, size_t count, int64_t offset, size_t chunk) {
    if (offset < 0) return -1;
    const Block* block = Find(offset, count);
    if (block == nullptr && chunk > count && IsOpen()) block = Load(offset, chunk);
    if (block == nullptr) return file_.ReadAt(out, count, static_cast<off_t>(offset));
    const uint64_t from = static_cast<uint64_t>(offset - block->offset);
    const size_t n = from >= block->size ? 0 : std::min<size_t>(count, block->size - from);
    if (n > 0) std::memcpy(out, block->bytes.get() + from, n);
    return static_cast<ssize_t>(n);
}

void CachedFile::Prefetch(int64_t offset, size_t count) {
    if (!IsOpen() || offset < 0 || count == 0 || Find(offset, count) != nullptr) return;
    Load(offset, count);
}
