#include "tags/write/Disk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <vector>

namespace writepath {
namespace {

constexpr size_t kCopyBlock = 1 << 20;

std::function<void(const Step&)>& Hook() {
    static std::function<void(const Step&)> hook;
    return hook;
}

// Copies count bytes from in at inOffset to out at outOffset. The kernel's
// copy is fastest (or even shares blocks) when both offsets sit at the same
// place within a page; for shifted data a plain buffered copy beats it.
bool CopyRange(const PosixFile& in, off_t inOffset, const PosixFile& out, off_t outOffset,
               int64_t count) {
    const long page = ::sysconf(_SC_PAGESIZE);
    bool kernelCopy = page > 0 && (inOffset - outOffset) % page == 0;
    while (count > 0 && kernelCopy) {
        const ssize_t n =
            ::copy_file_range(in.Fd(), &inOffset, out.Fd(), &outOffset,
                              static_cast<size_t>(std::min<int64_t>(count, 1 << 30)), 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
                return false;
            kernelCopy = false;
        } else if (n == 0) {
            errno = EIO;
            return false;  // the file got shorter under us
        } else {
            count -= n;
        }
    }
    std::vector<char> block(static_cast<size_t>(std::min<int64_t>(count, kCopyBlock)));
    while (count > 0) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(count, kCopyBlock));
        const ssize_t got = in.ReadAt(block.data(), want, inOffset);
        if (got != static_cast<ssize_t>(want)) {
            if (got >= 0) errno = EIO;
            return false;
        }
        if (!out.WriteAllAt(block.data(), want, outOffset)) return false;
        inOffset += got;
        outOffset += got;
        count -= got;
    }
    return true;
}

// Zeroes a range of out, freeing its blocks where the file system can.
Failure PunchHole(const PosixFile& out, const std::string& path, int64_t offset, int64_t count) {
    if (::fallocate(out.Fd(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                    static_cast<off_t>(offset), static_cast<off_t>(count)) == 0) {
        Note(StepKind::Write, path);
        return Failure::None;
    }
    const std::string zeros(static_cast<size_t>(std::min<int64_t>(count, kCopyBlock)), '\0');
    for (int64_t done = 0; done < count;) {
        const auto n = std::min<int64_t>(count - done, static_cast<int64_t>(zeros.size()));
        if (const Failure f =
                WriteAt(out, path, std::string_view(zeros).substr(0, n), offset + done);
            f != Failure::None) {
            return f;
        }
        done += n;
    }
    return Failure::None;
}

}  // namespace

void SetStepHook(std::function<void(const Step&)> hook) {
    Hook() = std::move(hook);
}

void Note(StepKind kind, const std::string& path) {
    if (Hook()) Hook()(Step{kind, path});
}

Failure SyncFile(const PosixFile& file, const std::string& path, bool metadata) {
    if ((metadata ? ::fsync(file.Fd()) : ::fdatasync(file.Fd())) != 0)
        return FailureOfErrno(errno, file.Fd());
    Note(StepKind::Sync, path);
    return Failure::None;
}

Failure SyncFolder(const std::string& folder) {
    PosixFile dir(folder, O_RDONLY | O_DIRECTORY);
    if (!dir.IsOpen() || ::fsync(dir.Fd()) != 0) return Failure::Journal;
    Note(StepKind::SyncFolder, folder);
    return Failure::None;
}

Failure WriteAt(const PosixFile& file, const std::string& path, std::string_view bytes,
                int64_t offset) {
    if (!file.WriteAllAt(bytes.data(), bytes.size(), static_cast<off_t>(offset)))
        return FailureOfErrno(errno, file.Fd());
    Note(StepKind::Write, path);
    return Failure::None;
}

Failure Truncate(const PosixFile& file, const std::string& path, int64_t size) {
    if (::ftruncate(file.Fd(), static_cast<off_t>(size)) != 0)
        return FailureOfErrno(errno, file.Fd());
    Note(StepKind::Truncate, path);
    return Failure::None;
}

Failure InsertRoom(const PosixFile& file, const std::string& path, int64_t length, bool& refused,
                   bool& inserted) {
    refused = inserted = false;
    const auto n = static_cast<off_t>(length);
    if (::fallocate(file.Fd(), FALLOC_FL_INSERT_RANGE, 0, n) != 0) {
        refused = errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL;
        return FailureOfErrno(errno, file.Fd());
    }
    inserted = true;
    Note(StepKind::Insert, path);
    // The room's blocks are taken now, so a full disk shows before a byte is
    // written; then the room goes again, and the file is as it was.
    if (::fallocate(file.Fd(), 0, 0, n) != 0) {
        const Failure f = FailureOfErrno(errno, file.Fd());
        if (::fallocate(file.Fd(), FALLOC_FL_COLLAPSE_RANGE, 0, n) == 0) {
            inserted = false;
            Note(StepKind::Insert, path);
        }
        return f;
    }
    return Failure::None;
}

bool CanInsertRoom(const PosixFile& file, int64_t length) {
    // Others answer EOPNOTSUPP, or (FUSE) may claim to and do otherwise.
    constexpr long kExt4 = 0xEF53, kXfs = 0x58465342;
    struct statfs fs {};
    if (::fstatfs(file.Fd(), &fs) != 0 || (fs.f_type != kExt4 && fs.f_type != kXfs)) return false;
    return fs.f_bsize > 0 && length > 0 && length % static_cast<int64_t>(fs.f_bsize) == 0;
}

Failure ChangeMode(const PosixFile& file, const std::string& path, mode_t mode) {
    if (::fchmod(file.Fd(), mode) != 0) return FailureOfErrno(errno);
    Note(StepKind::Mode, path);
    return Failure::None;
}

Failure RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return FailureOfErrno(errno);
    Note(StepKind::Remove, path);
    return Failure::None;
}

Failure CopyData(const PosixFile& in, int64_t from, int64_t to, const PosixFile& out,
                 const std::string& outPath, int64_t shift, bool punch) {
    int64_t pos = from;
    while (pos < to) {
        off_t data = ::lseek(in.Fd(), static_cast<off_t>(pos), SEEK_DATA);
        if (data < 0) data = errno == ENXIO ? to : pos;  // no data left, or no hole support
        data = std::min<off_t>(data, to);
        if (data > pos && punch) {
            if (const Failure f = PunchHole(out, outPath, pos + shift, data - pos);
                f != Failure::None) {
                return f;
            }
        }
        if (data >= to) break;
        off_t hole = ::lseek(in.Fd(), data, SEEK_HOLE);
        if (hole < 0) hole = to;
        hole = std::min<off_t>(hole, to);
        if (!CopyRange(in, data, out, static_cast<off_t>(data + shift), hole - data))
            return FailureOfErrno(errno, out.Fd());
        Note(StepKind::Write, outPath);
        pos = hole;
    }
    return Failure::None;
}

}  // namespace writepath
