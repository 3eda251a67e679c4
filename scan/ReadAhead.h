#pragma once

// Read-ahead for the scan. On a cold cache every file costs a few small reads
// that wait for the disk one after the other; asking the kernel beforehand for
// the ranges the analyser will read lets the disk serve many files at once,
// without a second thread. Each hint opens its file without blocking, names
// the ranges and closes it again before it returns; nothing is read that
// could wait for the disk, and a file that is gone, is no regular file or
// cannot be opened is passed over.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How many files of a folder listing are hinted ahead of the one analysed.
inline constexpr int kReadAheadFiles = 24;

// How many bytes from the start the files of a walk needed: the ID3v2 tag
// and the first audio window behind it, as the last file whose header came
// told (0: none yet). The files of an album mostly carry one cover, so the
// next ones get their head in one read instead of two.
struct HeadNeed {
    int64_t Bytes = 0;
};

// Heads up to this size are read whole; a larger picture inside the tag is
// skipped, the range behind it read apart.
inline constexpr int64_t kWholeHeadLimit = 128 * 1024;

// Hints the files of one folder listing, in order, ahead of their turn.
class FolderReadAhead {
  public:
    // name(i) is the i-th of count file names of the folder open as dirFd;
    // need is kept by the walk from folder to folder.
    FolderReadAhead(int dirFd, size_t count, std::function<const std::string&(size_t)> name,
                    int window, HeadNeed& need);
    // Called before the file at index is visited.
    void Before(size_t index);

  private:
    int dirFd_;
    size_t count_;
    std::function<const std::string&(size_t)> name_;
    size_t window_;
    size_t hinted_ = 0;    // files [0, hinted_) are hinted or found in the cache
    size_t behind_ = 0;    // files [0, behind_) had the range behind a large tag hinted
    bool cached_ = false;  // the last probe found its file in the cache
    // The sizes the first hints found and the heads they asked for, by index
    // modulo window + 1 (size -1: no hint).
    std::vector<int64_t> sizes_, heads_;
    HeadNeed& need_;
};
