#include "tags/write/Journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "tags/write/Disk.h"
#include "tags/write/StateFolder.h"

namespace writepath {
namespace {

std::string& StateFolderOverride() {
    static std::string folder;
    return folder;
}

// The folder full or not writable is said as such; anything else is the
// journal's.
Failure JournalFailure(Failure f) {
    f = InStateFolder(f);
    return f == Failure::StateFull || f == Failure::StateReadOnly ? f : Failure::Journal;
}

// Why no file could be made in folder (errno error). A folder that could not
// be made (a home on a read-only or full medium) is judged by the nearest
// folder above that exists.
Failure NoFileIn(int error, const std::string& folder) {
    std::string at = folder;
    struct statvfs fs {};
    while (::statvfs(at.c_str(), &fs) != 0) {
        const size_t slash = at.find_last_of('/');
        if (slash == std::string::npos || at.size() <= 1)
            return JournalFailure(FailureOfErrno(error));
        at = slash == 0 ? "/" : at.substr(0, slash);
    }
    if (error == EROFS || (fs.f_flag & ST_RDONLY) != 0) return Failure::StateReadOnly;
    if (error == ENOSPC || error == EDQUOT || fs.f_bavail == 0) return Failure::StateFull;
    return JournalFailure(FailureOfErrno(error));
}

}  // namespace

Failure Journal::Write(const std::string& record) {
    if (const Failure f = Open(); f != Failure::None) return f;
    Failure f = WriteAt(file_, path_, record, 0);
    if (f == Failure::None) f = Truncate(file_, path_, static_cast<int64_t>(record.size()));
    if (f == Failure::None) f = SyncFile(file_, path_);
    if (f != Failure::None) {
        // What stands there may be half of it; no file was touched yet.
        (void)Clear();
        return JournalFailure(f);
    }
    return Failure::None;
}

Failure Journal::Clear() {
    if (!file_.IsOpen()) return Failure::None;
    if (Truncate(file_, path_, 0) != Failure::None || SyncFile(file_, path_) != Failure::None)
        return Failure::Journal;
    return Failure::None;
}

Failure Journal::MakeBuffer(PosixFile& out, std::string& path) {
    if (const Failure f = Open(); f != Failure::None) return f;
    std::string pattern = path_ + std::string(kBufferInfix) + "XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return NoFileIn(errno, folder_);
    out = PosixFile(fd);
    path = pattern;
    Note(StepKind::Create, path);
    return Failure::None;
}

void Journal::Abandon() {
    file_.Close();
    path_.clear();
}

void Journal::Close() {
    if (!file_.IsOpen()) return;
    ::unlink(path_.c_str());
    Note(StepKind::Remove, path_);
    file_.Close();
    path_.clear();
}

Failure Journal::Open() {
    if (file_.IsOpen()) return Failure::None;
    // No save without a journal that only this user can have written.
    const StateCheck check = CheckStateFolder(StateFolder(), true);
    if (!check.Trusted()) return Failure::StateFolder;
    folder_ = check.Folder;
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::string pattern = folder_ + "/" + std::string(kJournalPrefix) + "XXXXXX";
        PosixFile file(::mkostemp(pattern.data(), O_CLOEXEC));
        if (!file.IsOpen()) return NoFileIn(errno, folder_);
        // A start that found it before the lock may have removed it.
        struct stat mine {
        }, named{};
        if (::flock(file.Fd(), LOCK_EX) != 0 || ::fstat(file.Fd(), &mine) != 0) {
            return Failure::Journal;
        }
        if (::stat(pattern.c_str(), &named) != 0 || named.st_ino != mine.st_ino) continue;
        Note(StepKind::Create, pattern);
        if (SyncFolder(folder_) != Failure::None) {
            ::unlink(pattern.c_str());
            return Failure::Journal;
        }
        file_ = std::move(file);
        path_ = pattern;
        return Failure::None;
    }
    return Failure::Journal;
}

Journal& TheJournal() {
    static Journal journal;
    return journal;
}

std::string StateFolder() {
    if (!StateFolderOverride().empty()) return StateFolderOverride();
    return DefaultStateFolder();
}

void SetStateFolder(const std::string& folder) {
    TheJournal().Close();
    StateFolderOverride() = folder;
}

}  // namespace writepath
