// Finishing saves that a crash, a power cut or a pulled medium cut short.
// A journal is acted on only where this user made it (StateFolder.h); an
// entry writes only into the file it was made for, told by its bytes: each
// piece old or new. A file that is absent, or at whose path another file
// stands, keeps its entry for the next start.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "tags/Text.h"
#include "tags/WritePath.h"
#include "tags/write/Apply.h"
#include "tags/write/Disk.h"
#include "tags/write/Match.h"
#include "tags/write/Record.h"
#include "tags/write/StateFolder.h"

namespace writepath {
namespace {

// A journal larger than this is no journal of ours.
constexpr int64_t kMaxJournalFile = int64_t{1} << 30;

enum class Recovered { Nothing, Finished, LeftAlone, Pending };

// Opens the checked file again for writing, raising the owner's write
// permission where it lacks it.
std::optional<PosixFile> OpenToWrite(const JournalEntry& e, const PosixFile& file,
                                     const struct stat& found, bool& raised) {
    raised = false;
    if ((found.st_mode & S_IWUSR) == 0) {
        if (ChangeMode(file, e.Path, (found.st_mode & 07777) | S_IWUSR) != Failure::None)
            return std::nullopt;
        raised = true;
    }
    PosixFile rw(e.Path, O_RDWR | O_NOFOLLOW | O_NONBLOCK);
    struct stat st {};
    if (!rw.IsOpen() || ::fstat(rw.Fd(), &st) != 0 || st.st_ino != found.st_ino ||
        st.st_dev != found.st_dev) {
        return std::nullopt;
    }
    return rw;
}

Recovered FinishFile(const JournalEntry& e, const std::string& folder,
                     const std::string& journalName) {
    // An entry without old bytes would match any file.
    if (e.OldSize <= 0 || !HasMp3Extension(e.Path)) return Recovered::Pending;
    PosixFile file(e.Path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    struct stat found {};
    if (!file.IsOpen() || ::fstat(file.Fd(), &found) != 0 || !S_ISREG(found.st_mode) ||
        found.st_uid != e.Identity.Uid || ::flock(file.Fd(), LOCK_EX | LOCK_NB) != 0) {
        return Recovered::Pending;
    }
    const int64_t size = found.st_size;
    Match match = Match::Foreign;
    std::optional<PosixFile> buffer;
    if (e.Shift > 0) {
        match = CheckShifted(e, file, size);
    } else if (size >= std::min(e.OldSize, e.NewSize) && size <= std::max(e.OldSize, e.NewSize)) {
        if (e.Buffer.empty()) {
            match = CheckInPlace(e, file, size);
        } else if (buffer = OpenBuffer(e, folder, journalName); buffer) {
            match = CheckAgainstBuffer(e, file, *buffer, size);
        } else {
            return Recovered::Pending;
        }
    }
    if (match == Match::Foreign)
        return IdentityOf(file.Fd()).ProvablySame(e.Identity) ? Recovered::LeftAlone
                                                              : Recovered::Pending;
    // A mode the save raised goes back to the permission bits the journal
    // knows (never anything beyond them); one raised here to what was found.
    const auto current = static_cast<uint32_t>(found.st_mode & 0777);
    const bool saveRaised = e.ModeRaised && current == ((e.Mode | S_IWUSR) & 0777);
    const mode_t goal = (found.st_mode & 07000) | (saveRaised ? e.Mode : current);
    Recovered result = Recovered::Nothing;
    const PosixFile* written = &file;
    std::optional<PosixFile> rw;
    bool raisedHere = false;
    if (match == Match::Explained) {
        rw = OpenToWrite(e, file, found, raisedHere);
        Failure f = rw ? Failure::None : Failure::Io;
        if (f == Failure::None && e.Shift > 0) {
            // The room first, durable before the area goes over it.
            bool refused = false, inserted = false;
            if (size == e.OldSize) f = InsertRoom(*rw, e.Path, e.Shift, refused, inserted);
            if (f == Failure::None && size == e.OldSize) f = SyncFile(*rw, e.Path, true);
            if (f == Failure::None) f = WriteRanges(*rw, e.Path, e.Ranges, e.OldSize);
        } else if (f == Failure::None && e.Buffer.empty()) {
            f = WriteRanges(*rw, e.Path, e.Ranges, e.OldSize);
            if (f == Failure::None && size != e.NewSize) f = Truncate(*rw, e.Path, e.NewSize);
        } else if (f == Failure::None) {
            bool started = false;
            f = CopyBack(*buffer, *rw, e.Path, std::min(size, e.OldSize), e.NewSize, started);
        }
        if (rw) written = &*rw;
        if (f != Failure::None) {
            if (raisedHere) (void)ChangeMode(file, e.Path, found.st_mode & 07777);
            return Recovered::Pending;  // the medium went again, say: the next start
        }
        result = Recovered::Finished;
    }
    if (raisedHere || saveRaised) (void)ChangeMode(*written, e.Path, goal);
    if ((result == Recovered::Finished || saveRaised) &&
        SyncFile(*written, e.Path, true) != Failure::None) {
        return Recovered::Pending;
    }
    return result;
}

std::optional<std::string> ReadJournal(const PosixFile& file, const struct stat& st) {
    if (st.st_size > kMaxJournalFile) return std::nullopt;
    std::string bytes;
    if (!ReadExact(file, bytes, 0, st.st_size)) return std::nullopt;
    return bytes;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* d = ::readdir(dir)) names.emplace_back(d->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A journal of a writer that is gone, opened and locked; nothing when it is
// live, gone, or none of this user's (then named in untrusted).
struct OpenJournal {
    std::string Name, Path;
    PosixFile File;
    std::vector<JournalEntry> Entries;
};

std::optional<OpenJournal> TakeJournal(const std::string& folder, const std::string& name,
                                       std::vector<std::string>* untrusted) {
    OpenJournal j{name, folder + "/" + name, {}, {}};
    j.File = PosixFile(j.Path, O_RDWR | O_NOFOLLOW | O_NONBLOCK);
    struct stat mine {
    }, named{};
    if (!j.File.IsOpen() || ::fstat(j.File.Fd(), &mine) != 0 || !OwnFile(mine)) {
        if (untrusted && (j.File.IsOpen() || errno != ENOENT)) untrusted->push_back(j.Path);
        return std::nullopt;
    }
    // A live writer holds its journal locked; another start may have
    // finished and removed it meanwhile.
    if (::flock(j.File.Fd(), LOCK_EX | LOCK_NB) != 0 || ::lstat(j.Path.c_str(), &named) != 0 ||
        mine.st_ino != named.st_ino) {
        return std::nullopt;
    }
    const auto bytes = ReadJournal(j.File, mine);
    // A torn record names no file that was touched: its writes never began.
    if (bytes) j.Entries = DecodeRecord(*bytes).value_or(std::vector<JournalEntry>{});
    return j;
}

// Removes a file of ours in the folder; names one that is not.
void RemoveOwn(const std::string& path, std::vector<std::string>* untrusted) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return;
    if (!OwnFile(st)) {
        if (untrusted) untrusted->push_back(path);
        return;
    }
    (void)RemoveFile(path);
}

// Leaves the journal holding just the entries kept, or removes it with its
// buffers when none is; a buffer a kept entry names stays.
bool Settle(const std::string& folder, OpenJournal& j, const std::vector<JournalEntry>& kept,
            std::vector<std::string>* untrusted) {
    const std::string rewrite = j.Path + std::string(kRewriteSuffix);
    if (!kept.empty() && kept.size() < j.Entries.size()) {
        // Written beside it and renamed over it, so a crash leaves either.
        RemoveOwn(rewrite, untrusted);
        PosixFile next(rewrite, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (!next.IsOpen() || ::flock(next.Fd(), LOCK_EX) != 0) return false;
        Note(StepKind::Create, rewrite);
        std::vector<const JournalEntry*> entries;
        for (const JournalEntry& e : kept) entries.push_back(&e);
        if (WriteAt(next, rewrite, EncodeRecord(entries), 0) != Failure::None ||
            SyncFile(next, rewrite) != Failure::None ||
            ::rename(rewrite.c_str(), j.Path.c_str()) != 0) {
            (void)RemoveFile(rewrite);
            return false;
        }
        Note(StepKind::Create, j.Path);
        j.File = std::move(next);
    }
    const std::string prefix = j.Name + std::string(kBufferInfix);
    for (const std::string& other : FolderNames(folder)) {
        if (!other.starts_with(prefix)) continue;
        if (std::any_of(kept.begin(), kept.end(),
                        [&other](const JournalEntry& e) { return e.Buffer == other; })) {
            continue;
        }
        RemoveOwn(folder + "/" + other, untrusted);
    }
    RemoveOwn(rewrite, untrusted);
    if (kept.empty()) (void)RemoveFile(j.Path);
    return SyncFolder(folder) == Failure::None;
}

std::string FullPath(const std::string& path) {
    if (char* full = ::realpath(path.c_str(), nullptr)) {
        std::string result = full;
        std::free(full);
        return result;
    }
    if (!path.empty() && path[0] == '/') return path;
    char cwd[4096];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : path;
}

}  // namespace

RecoveryReport RecoverJournals(const std::string& given) {
    RecoveryReport report;
    const StateCheck check = CheckStateFolder(given, false);
    if (!check.Trusted()) {
        report.State = check;
        return report;
    }
    const std::string& folder = check.Folder;
    for (const std::string& name : FolderNames(folder)) {
        if (!IsJournalName(name)) continue;
        auto j = TakeJournal(folder, name, &report.Untrusted);
        if (!j) continue;
        std::vector<JournalEntry> kept;
        for (JournalEntry& e : j->Entries) {
            switch (FinishFile(e, folder, name)) {
                case Recovered::Nothing:
                    break;
                case Recovered::Finished:
                    report.Finished.push_back(e.Path);
                    break;
                case Recovered::LeftAlone:
                    report.LeftAlone.push_back(e.Path);
                    break;
                case Recovered::Pending:
                    report.Pending.push_back(e.Path);
                    kept.push_back(std::move(e));
                    break;
            }
        }
        (void)Settle(folder, *j, kept, &report.Untrusted);
    }
    return report;
}

RecoveryReport RecoverJournals() {
    return RecoverJournals(StateFolder());
}

bool DiscardPending(const std::string& path, bool* grew) {
    const StateCheck check = CheckStateFolder(StateFolder(), false);
    if (!check.Trusted()) return false;
    const std::string full = FullPath(path);
    for (const std::string& name : FolderNames(check.Folder)) {
        if (!IsJournalName(name)) continue;
        auto j = TakeJournal(check.Folder, name, nullptr);
        if (!j) continue;
        std::vector<JournalEntry> kept;
        bool found = false;
        for (JournalEntry& e : j->Entries) {
            if (!found && (e.Path == full || e.Path == path)) {
                found = true;
                if (grew) *grew = !e.Buffer.empty() || e.Shift > 0;
            } else {
                kept.push_back(std::move(e));
            }
        }
        if (found) return Settle(check.Folder, *j, kept, nullptr);
    }
    return false;
}

}  // namespace writepath
