#pragma once

// A file opened once for reading, whose byte ranges are kept in a few blocks
// so that the analyser and the tag readers it calls share one open and need
// few reads. ReadAt answers as a read at that offset would: from a block when
// one holds the whole range (or holds it up to the file's end), otherwise
// from the file. Nothing is ever served beyond the bytes that a read gave.
// Blocks end at the size the file had when it was opened, so a file that
// grows meanwhile is seen as it was then.

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "tags/PosixFile.h"

class CachedFile {
  public:
    // Opens read-only and non-blocking (see PosixFile.h) and takes the file's
    // status once; IsOpen is false when either fails.
    explicit CachedFile(const std::string& fileName);

    bool IsOpen() const { return file_.IsOpen(); }
    bool IsRegular() const { return regular_; }
    // The size and the modification time (ns since the epoch) when the file
    // was opened.
    int64_t Size() const { return size_; }
    int64_t ModifiedNs() const { return modifiedNs_; }
    void Close() { file_.Close(); }

    // Bytes copied to out until count or the end of the file; -1 on error.
    // A range that no block holds is read from the file: with chunk > count,
    // chunk bytes from offset on, kept as a block for later calls.
    ssize_t ReadAt(void* out, size_t count, int64_t offset, size_t chunk = 0);
    // Reads count bytes from offset into a block unless one holds them. A
    // failed read keeps nothing: the later ReadAt meets the failure itself.
    void Prefetch(int64_t offset, size_t count);

  private:
    struct Block {
        int64_t offset = 0;
        size_t size = 0;
        bool reachesEnd = false;  // the read stopped at the end of the file
        std::unique_ptr<uint8_t[]> bytes;
    };
    const Block* Find(int64_t offset, size_t count) const;
    const Block* Load(int64_t offset, size_t count);

    PosixFile file_;
    bool regular_ = false;
    int64_t size_ = 0;
    int64_t modifiedNs_ = 0;
    // The first blocks loaded stay (the analyser's head and tail); later
    // ones take turns in the last slot.
    std::array<Block, 3> blocks_;
    size_t used_ = 0;
};
