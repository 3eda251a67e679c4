#include "scan/ReadAhead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <span>

#include "tags/ByteOrder.h"
#include "tags/ID3v2.h"
#include "tags/MPEGaudio.h"
#include "tags/MPEGaudioDetail.h"

namespace {

// A warm cache needs no hints, and their system calls would cost more than
// the reads they announce: the first file of every run of window files is
// probed, and when it is cached the run is taken as cached too.
bool InCache(int fd, int64_t offset) {
    char byte;
    iovec io{&byte, 1};
    return ::preadv2(fd, &io, 1, offset, RWF_NOWAIT) == 1;
}

// An open file for a hint, closed when it goes.
class HintFile {
  public:
    HintFile(int dirFd, const std::string& name)
        : fd_(::openat(dirFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {
        struct stat info;
        if (fd_ >= 0 && ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) size_ = info.st_size;
    }
    ~HintFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    HintFile(const HintFile&) = delete;
    HintFile& operator=(const HintFile&) = delete;

    // -1 when the file is gone or no regular file.
    int64_t Size() const { return size_; }
    bool FirstReadsCached() const {
        for (const auto& range : TMPEGaudio::FirstReads(size_)) {
            if (range.Offset < size_ && !InCache(fd_, range.Offset)) return false;
        }
        return true;
    }
    // The head is the first read's or, where the files before needed more
    // (a cover), that much, so the frames behind the tag come along: the
    // head asked for is returned.
    int64_t HintFirstReads(int64_t need) const {
        const auto [first, tail] = TMPEGaudio::FirstReads(size_);
        const int64_t head = need > first.Count ? std::min(need, size_) : first.Count;
        ::posix_fadvise(fd_, 0, head, POSIX_FADV_WILLNEED);
        // The tail of a small file lies in the head already.
        const int64_t from = std::max(tail.Offset, head);
        if (from < tail.Offset + tail.Count)
            ::posix_fadvise(fd_, from, tail.Offset + tail.Count - from, POSIX_FADV_WILLNEED);
        return head;
    }
    // A tag larger than the head asked for (a cover) sends the analyser
    // behind it: the frames there and the first audio window. Known only
    // once the header has arrived: false while it is still on its way.
    // need learns what this file needed.
    bool HintBehindTag(int64_t head, HeadNeed& need) const {
        uint8_t header[10];
        iovec io{header, sizeof header};
        const ssize_t got = ::preadv2(fd_, &io, 1, 0, RWF_NOWAIT);
        if (got < 0 && errno == EAGAIN) return false;
        if (got != static_cast<ssize_t>(sizeof header)) return true;
        if (header[0] != 'I' || header[1] != 'D' || header[2] != '3') return true;
        const auto frames = ReadSynchsafe32(std::span<const uint8_t>(header + 6, 4));
        if (!frames) return true;
        const int64_t tagEnd = int64_t{*frames} + static_cast<int64_t>(sizeof header);
        const int64_t needed = tagEnd + mpeg::kWindowSize;
        need.Bytes = needed <= kWholeHeadLimit ? needed : 0;
        if (needed > head) {
            const int64_t from = std::max(head, tagEnd - static_cast<int64_t>(id3v2::kTagChunk));
            ::posix_fadvise(fd_, from, needed - from, POSIX_FADV_WILLNEED);
        }
        return true;
    }

  private:
    int fd_;
    int64_t size_ = -1;
};

}  // namespace

FolderReadAhead::FolderReadAhead(int dirFd, size_t count,
                                 std::function<const std::string&(size_t)> name, int window,
                                 HeadNeed& need)
    : dirFd_(dirFd),
      count_(count),
      name_(std::move(name)),
      window_(window > 0 ? static_cast<size_t>(window) : 0),
      sizes_(window_ + 1, -1),
      heads_(window_ + 1, 0),
      need_(need) {}

void FolderReadAhead::Before(size_t index) {
    if (window_ == 0) return;
    for (const size_t end = std::min(count_, index + 1 + window_); hinted_ < end; ++hinted_) {
        int64_t& size = sizes_[hinted_ % sizes_.size()];
        size = -1;
        const bool probe = hinted_ % window_ == 0;
        if (!probe && cached_) continue;
        const HintFile file(dirFd_, name_(hinted_));
        if (file.Size() < 0) continue;
        if (probe) {
            cached_ = file.FirstReadsCached();
            if (cached_) continue;
        }
        heads_[hinted_ % heads_.size()] = file.HintFirstReads(need_.Bytes);
        size = file.Size();
    }
    // Files whose header has arrived get the range behind their tag, up to
    // half a window ahead; the first whose header is still on its way is
    // tried again at the next file. For the file at hand it is too late.
    if (cached_) return;
    behind_ = std::max(behind_, index + 1);
    for (const size_t end = std::min(count_, index + 1 + window_ / 2); behind_ < end; ++behind_) {
        // Only files hinted above, and no small one: it is read whole at once.
        const int64_t size = sizes_[behind_ % sizes_.size()];
        const int64_t head = heads_[behind_ % heads_.size()];
        if (size < 0 || head >= size) continue;
        const HintFile file(dirFd_, name_(behind_));
        if (file.Size() >= 0 && !file.HintBehindTag(head, need_)) break;
    }
}
