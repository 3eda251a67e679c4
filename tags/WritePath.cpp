#include "tags/WritePath.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "tags/Hash.h"
#include "tags/ID3v2Header.h"
#include "tags/PosixFile.h"
#include "tags/Text.h"
#include "tags/write/Apply.h"
#include "tags/write/Disk.h"
#include "tags/write/Record.h"
#include "tags/write/StateFolder.h"

namespace writepath {
namespace {

constexpr size_t kBlockSize = 128;
constexpr size_t kCopyBlock = 1 << 20;
// Differing runs of the tag closer than this are written as one.
constexpr size_t kRunGap = 64;
// The first audio bytes behind the tag that a journal entry names the old
// file by, beside its tags.
constexpr int64_t kAudioPrint = 4096;

std::string& StateFolderOverride() {
    static std::string folder;
    return folder;
}

// This program's journal: one file, locked while the program lives, holding
// the group being written; empty between groups. Removed at the end.
class Journal {
  public:
    ~Journal() { Close(); }

    Failure Write(const std::string& record) {
        if (const Failure f = Open(); f != Failure::None) return f;
        if (WriteAt(file_, path_, record, 0) != Failure::None ||
            Truncate(file_, path_, static_cast<int64_t>(record.size())) != Failure::None ||
            SyncFile(file_, path_) != Failure::None) {
            // What stands there may be half of it; no file was touched yet.
            (void)Clear();
            return Failure::Journal;
        }
        return Failure::None;
    }

    Failure Clear() {
        if (!file_.IsOpen()) return Failure::None;
        if (Truncate(file_, path_, 0) != Failure::None || SyncFile(file_, path_) != Failure::None)
            return Failure::Journal;
        return Failure::None;
    }

    // A buffer file of a unique name beside the journal; name is its path,
    // the journal names it by the part after the folder.
    Failure MakeBuffer(PosixFile& out, std::string& name) {
        if (const Failure f = Open(); f != Failure::None) return f;
        std::string pattern = path_ + std::string(kBufferInfix) + "XXXXXX";
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) return errno == ENOSPC ? Failure::NoSpace : Failure::Journal;
        out = PosixFile(fd);
        name = pattern;
        Note(StepKind::Create, name);
        return Failure::None;
    }

    const std::string& Folder() const { return folder_; }

    // Leaves the journal to the next start: a write it holds could not be
    // finished here. Later groups get a new journal.
    void Abandon() {
        file_.Close();
        path_.clear();
    }

    // The end of the program, or another folder for tests.
    void Close() {
        if (!file_.IsOpen()) return;
        ::unlink(path_.c_str());
        Note(StepKind::Remove, path_);
        file_.Close();
        path_.clear();
    }

  private:
    Failure Open() {
        if (file_.IsOpen()) return Failure::None;
        // No save without a journal that only this user can have written.
        const StateCheck check = CheckStateFolder(StateFolder(), true);
        if (!check.Trusted()) return Failure::StateFolder;
        folder_ = check.Folder;
        for (int attempt = 0; attempt < 10; ++attempt) {
            std::string pattern = folder_ + "/" + std::string(kJournalPrefix) + "XXXXXX";
            PosixFile file(::mkostemp(pattern.data(), O_CLOEXEC));
            if (!file.IsOpen() && (errno == ENOSPC || errno == EDQUOT)) return Failure::NoSpace;
            if (!file.IsOpen()) return Failure::Journal;
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

    std::string folder_, path_;
    PosixFile file_;
};

Journal& TheJournal() {
    static Journal journal;
    return journal;
}

// The file's first bytes as a save replaces them, and its header.
Failure ReadHead(const PosixFile& file, int64_t size, std::string& head, id3v2::TagInfo& info) {
    head.clear();
    uint8_t bytes[id3v2::kHeaderSize];
    if (size < static_cast<int64_t>(id3v2::kHeaderSize)) return Failure::TooShort;
    if (file.ReadAt(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
        return Failure::Io;
    id3v2::FillHeader(info, bytes);
    info.FileSize = size;
    if (id3v2::ClaimsFooter(info)) {
        char found[3] = {};
        const ssize_t n = file.ReadAt(found, 3, static_cast<off_t>(id3v2::FooterOffset(info)));
        id3v2::SettleFooter(info, std::string_view(found, n > 0 ? static_cast<size_t>(n) : 0));
    }
    const auto room = static_cast<size_t>(id3v2::IsId3(info) ? id3v2::GetTagSize(info) : 0);
    head.resize(room);
    if (file.ReadAt(head.data(), room, 0) != static_cast<ssize_t>(room)) return Failure::Io;
    return Failure::None;
}

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

// The runs where two strings of one length differ, close runs joined.
std::vector<Range> DifferingRuns(const std::string& before, const std::string& after,
                                 int64_t offset) {
    std::vector<Range> runs;
    const size_t n = before.size();
    for (size_t start = NextDifference(before, after, 0); start < n;) {
        size_t end = start + 1;
        for (size_t next = NextDifference(before, after, end); next < n && next - end <= kRunGap;
             next = NextDifference(before, after, end)) {
            end = next + 1;
        }
        Range r;
        r.Offset = offset + static_cast<int64_t>(start);
        r.New = after.substr(start, end - start);
        r.Old = before.substr(start, end - start);
        runs.push_back(std::move(r));
        start = NextDifference(before, after, end);
    }
    return runs;
}

// The old bytes' digests of each piece of a range.
void DigestOldPieces(Range& r) {
    r.OldLength = static_cast<int64_t>(r.Old.size());
    r.OldPieces.clear();
    ForEachPiece(r.Offset, r.OldLength, [&r](int64_t at, int64_t n) {
        r.OldPieces.push_back(DigestOf(std::string_view(r.Old).substr(
            static_cast<size_t>(at - r.Offset), static_cast<size_t>(n))));
    });
}

// Spans minus holes (both sorted by offset, holes not overlapping).
std::vector<Span> Without(std::vector<Span> spans, const std::vector<Span>& holes) {
    std::vector<Span> out;
    for (Span s : spans) {
        int64_t at = s.Offset;
        const int64_t end = s.Offset + s.Length;
        for (const Span& h : holes) {
            if (h.Offset + h.Length <= at || h.Offset >= end) continue;
            if (h.Offset > at) out.push_back({at, h.Offset - at});
            at = std::max(at, h.Offset + h.Length);
        }
        if (at < end) out.push_back({at, end - at});
    }
    return out;
}

}  // namespace

std::string FailureText(Failure failure) {
    switch (failure) {
        case Failure::None:
            return {};
        case Failure::Gone:
            return "die Datei existiert nicht mehr";
        case Failure::NotRegular:
            return "das ist keine gewöhnliche Datei";
        case Failure::TooShort:
            return "die Datei ist zu kurz";
        case Failure::Locked:
            return "die Datei wird von einem anderen Programm benutzt";
        case Failure::NoPermission:
            return "keine Schreibberechtigung";
        case Failure::ReadOnly:
            return "das Laufwerk ist schreibgeschützt";
        case Failure::NoSpace:
            return "kein Speicherplatz mehr frei";
        case Failure::TooLarge:
            return "der Tag wäre zu groß";
        case Failure::Changed:
            return "die Datei wurde während des Speicherns verändert";
        case Failure::Journal:
            return "das Journal kann nicht geschrieben werden";
        case Failure::Refused:
            return "die alten Tags können nicht gesichert werden";
        case Failure::Io:
            return "Lese- oder Schreibfehler";
        case Failure::NotMp3:
            return "das ist keine MP3-Datei";
        case Failure::StateFolder:
            return "der Ordner für das Journal ist nicht sicher";
    }
    return {};
}

Failure FailureOfErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Failure::Gone;
        case EACCES:
        case EPERM:
            return Failure::NoPermission;
        case EROFS:
            return Failure::ReadOnly;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return Failure::NoSpace;
        case EWOULDBLOCK:
            return Failure::Locked;
        case EISDIR:
            return Failure::NotRegular;
        default:
            return Failure::Io;
    }
}

int64_t GrownRoom(int64_t oldRoom, int64_t tagSize) {
    constexpr int64_t kPage = 4096, kMinPadding = 1024;
    const int64_t growth = std::max<int64_t>(tagSize + kMinPadding - oldRoom, 1);
    return oldRoom + (growth + kPage - 1) / kPage * kPage;
}

std::string StateFolder() {
    if (!StateFolderOverride().empty()) return StateFolderOverride();
    return DefaultStateFolder();
}

void SetStateFolder(const std::string& folder) {
    TheJournal().Close();
    StateFolderOverride() = folder;
}

// ---------------------------------------------------------------------------
// The group.

struct WriteGroup::Entry {
    FilePlan Plan;
    Done OnDone;
    PosixFile File;    // opened and locked at Add; read-write once writable
    PosixFile Locked;  // the locked read-only open, where File was opened again to write
    bool Writable = false;
    struct stat Stat {};
    JournalEntry Journal;
    PosixFile Buffer;
    std::string BufferPath;
    bool Started = false;  // bytes of the file were written
};

namespace {

using Entry = WriteGroup::Entry;

// What names the old file in an in-place entry, beside the ranges' old
// bytes: its tag areas, the first audio behind the ID3v2 area and the last
// bytes, less what the ranges and a cut-off ID3v1 block change.
Failure NameOldFile(Entry& e, const std::string& tail) {
    const FilePlan& p = e.Plan;
    JournalEntry& j = e.Journal;
    const auto room = static_cast<int64_t>(p.OldHead.size());
    std::string audio(static_cast<size_t>(std::clamp<int64_t>(p.OldSize - room, 0, kAudioPrint)),
                      '\0');
    if (e.File.ReadAt(audio.data(), audio.size(), room) != static_cast<ssize_t>(audio.size()))
        return Failure::Io;
    const auto tailAt = p.OldSize - static_cast<int64_t>(tail.size());
    std::vector<Span> spans{{0, room + static_cast<int64_t>(audio.size())}};
    if (!tail.empty() && tailAt > spans[0].Length) spans.push_back({tailAt, p.OldSize - tailAt});
    if (!tail.empty() && tailAt <= spans[0].Length) spans[0].Length = p.OldSize;
    std::vector<Span> changed;
    for (const Range& r : j.Ranges) changed.push_back({r.Offset, r.OldLength});
    if (p.NewSize < p.OldSize) changed.push_back({p.NewSize, p.OldSize - p.NewSize});
    j.Kept = Without(std::move(spans), changed);
    Blake2b digest;
    for (const Span& s : j.Kept) {
        for (int64_t at = s.Offset, end = s.Offset + s.Length; at < end;) {
            std::string_view from;
            int64_t base = 0;
            if (at < room) {
                from = p.OldHead;
            } else if (at < room + static_cast<int64_t>(audio.size())) {
                from = audio;
                base = room;
            } else {
                from = tail;
                base = tailAt;
            }
            const int64_t n = std::min(end, base + static_cast<int64_t>(from.size())) - at;
            digest.Add(from.substr(static_cast<size_t>(at - base), static_cast<size_t>(n)));
            at += n;
        }
    }
    j.KeptDigest = digest.Finish();
    return Failure::None;
}

// Opens and locks the file and works out its new bytes.
void PlanChange(Entry& e, const TagChange& change, bool hashTags, std::string& oldHead,
                std::string& newHead) {
    FilePlan& p = e.Plan;
    p.Path = change.Path;
    p.OldHead.swap(oldHead);
    p.NewHead.swap(newHead);
    const auto fail = [&p](Failure f) { p.Why = f; };
    e.File = PosixFile(change.Path, O_RDWR | O_NONBLOCK);
    e.Writable = e.File.IsOpen();
    if (!e.Writable) {
        // A file without write permission is written once its owner's
        // permission is raised, under the journal; anything else fails here.
        if (errno != EACCES && errno != EPERM) return fail(FailureOfErrno(errno));
        e.File = PosixFile(change.Path, O_RDONLY | O_NONBLOCK);
        if (!e.File.IsOpen()) return fail(FailureOfErrno(errno));
    }
    if (::fstat(e.File.Fd(), &e.Stat) != 0) return fail(Failure::Io);
    if (!S_ISREG(e.Stat.st_mode)) return fail(Failure::NotRegular);
    // A start finishes a cut save only in an MP3 file: the write path makes
    // no save it could not finish.
    if (!HasMp3Extension(change.Path)) return fail(Failure::NotMp3);
    if (!e.Writable && e.Stat.st_uid != ::geteuid()) return fail(Failure::NoPermission);
    // Nobody else may hold the file while it is written.
    if (::flock(e.File.Fd(), LOCK_EX | LOCK_NB) != 0) return fail(Failure::Locked);
    const int64_t size = e.Stat.st_size;
    p.OldSize = size;
    p.MtimeNs = int64_t{e.Stat.st_mtim.tv_sec} * 1000000000 + e.Stat.st_mtim.tv_nsec;
    id3v2::TagInfo info;
    if (const Failure f = ReadHead(e.File, size, p.OldHead, info); f != Failure::None) {
        if (change.Head || f != Failure::TooShort) return fail(f);
    }
    const auto room = static_cast<int64_t>(p.OldHead.size());
    if (!change.Head) {
        p.NewHead = p.OldHead;
    } else if (!change.Head(p.OldHead, info, p.NewHead)) {
        return fail(Failure::TooLarge);
    }
    std::string tail;  // the last 128 bytes, whatever they hold
    if (size >= static_cast<int64_t>(kBlockSize)) {
        tail.assign(kBlockSize, '\0');
        if (e.File.ReadAt(tail.data(), kBlockSize, size - static_cast<int64_t>(kBlockSize)) !=
            static_cast<ssize_t>(kBlockSize)) {
            return fail(Failure::Io);
        }
        if (tail.compare(0, 3, "TAG") == 0) p.OldBlock = tail;
    }
    p.NewBlock = p.OldBlock;
    if (change.Block != BlockChange::Keep) {
        if (size < static_cast<int64_t>(kBlockSize)) return fail(Failure::TooShort);
        if (change.Block == BlockChange::PutOverTag && p.OldBlock.empty())
            return fail(Failure::Changed);
        if (change.Block == BlockChange::Remove) {
            p.NewBlock.clear();
        } else {
            p.NewBlock.assign(reinterpret_cast<const char*>(change.NewBlock.data()), kBlockSize);
        }
        // A block that lies inside the ID3v2 area cannot change apart from it.
        if (p.NewBlock != p.OldBlock && !p.OldBlock.empty() &&
            size - static_cast<int64_t>(kBlockSize) < room)
            return fail(Failure::TooShort);
    }
    const bool blockChanges = p.OldBlock != p.NewBlock;
    const int64_t bodyEnd = size - (blockChanges && !p.OldBlock.empty() ? kBlockSize : 0);
    const auto newRoom = static_cast<int64_t>(p.NewHead.size());
    p.NewSize =
        newRoom + (bodyEnd - room) + (blockChanges ? static_cast<int64_t>(p.NewBlock.size()) : 0);
    p.InPlace = newRoom == room;
    if (hashTags) p.NewTagsHash = HashBytes(p.NewBlock, HashBytes(p.NewHead, 0));

    JournalEntry& j = e.Journal;
    // The next start may run in another folder: the journal names the file
    // by its full path.
    if (char* full = ::realpath(change.Path.c_str(), nullptr)) {
        j.Path = full;
        std::free(full);
    } else {
        j.Path = change.Path;
    }
    j.Identity = IdentityOf(e.File.Fd());
    j.OldSize = p.OldSize;
    j.NewSize = p.NewSize;
    j.Mode = e.Stat.st_mode & 0777;
    j.ModeRaised = !e.Writable;
    if (!p.InPlace) return;
    j.Ranges = DifferingRuns(p.OldHead, p.NewHead, 0);
    if (blockChanges && !p.NewBlock.empty()) {
        if (p.OldBlock.empty()) {
            Range r;
            r.Offset = size;
            r.New = p.NewBlock;
            j.Ranges.push_back(std::move(r));
        } else {
            for (auto& r : DifferingRuns(p.OldBlock, p.NewBlock, size - kBlockSize))
                j.Ranges.push_back(std::move(r));
        }
    }
    if (j.Ranges.empty() && p.NewSize == p.OldSize) return;  // nothing to write
    for (Range& r : j.Ranges) DigestOldPieces(r);
    if (const Failure f = NameOldFile(e, tail); f != Failure::None) return fail(f);
}

bool NothingToWrite(const Entry& e) {
    return e.Plan.InPlace && e.Journal.Ranges.empty() && e.Plan.NewSize == e.Plan.OldSize;
}

// The complete new file in a buffer beside the journal, durable.
Failure FillBuffer(Entry& e) {
    FilePlan& p = e.Plan;
    Journal& journal = TheJournal();
    if (const Failure f = journal.MakeBuffer(e.Buffer, e.BufferPath); f != Failure::None) return f;
    const std::string& name = e.BufferPath;
    e.Journal.Buffer = name.substr(name.find_last_of('/') + 1);
    const auto room = static_cast<int64_t>(p.OldHead.size());
    const bool blockChanges = p.OldBlock != p.NewBlock;
    const int64_t bodyEnd = p.OldSize - (blockChanges && !p.OldBlock.empty() ? kBlockSize : 0);
    const int64_t shift = static_cast<int64_t>(p.NewHead.size()) - room;
    Failure f = WriteAt(e.Buffer, name, p.NewHead, 0);
    if (f == Failure::None) f = CopyData(e.File, room, bodyEnd, e.Buffer, name, shift, false);
    if (f == Failure::None && blockChanges && !p.NewBlock.empty())
        f = WriteAt(e.Buffer, name, p.NewBlock, bodyEnd + shift);
    if (f == Failure::None) f = Truncate(e.Buffer, name, p.NewSize);
    if (f == Failure::None) f = SyncFile(e.Buffer, name);
    // What tells the old file and the new one at recovery, sector by sector.
    if (f == Failure::None &&
        (!DigestFile(e.File, p.OldSize, nullptr, &e.Journal.OldSectors) ||
         !DigestFile(e.Buffer, p.NewSize, &e.Journal.BufferDigest, nullptr))) {
        f = FailureOfErrno(errno);
    }
    // Room for the grown file is taken before anything is written.
    if (f == Failure::None && e.Writable && p.NewSize > p.OldSize &&
        ::fallocate(e.File.Fd(), FALLOC_FL_KEEP_SIZE, static_cast<off_t>(p.OldSize),
                    static_cast<off_t>(p.NewSize - p.OldSize)) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        f = Failure::NoSpace;
    }
    return f;
}

void RemoveBuffer(Entry& e) {
    if (e.BufferPath.empty()) return;
    e.Buffer.Close();
    (void)RemoveFile(e.BufferPath);
}

// Opens the file for writing, raising the owner's write permission where
// the file lacks it (the journal knows the mode to put back).
Failure OpenForWriting(Entry& e) {
    if (e.Writable) return Failure::None;
    if (const Failure f = ChangeMode(e.File, e.Plan.Path, (e.Stat.st_mode & 07777) | S_IWUSR);
        f != Failure::None) {
        return f;
    }
    PosixFile rw(e.Plan.Path, O_RDWR | O_NONBLOCK);
    struct stat st {};
    if (!rw.IsOpen() || ::fstat(rw.Fd(), &st) != 0 || st.st_ino != e.Stat.st_ino ||
        st.st_dev != e.Stat.st_dev) {
        const Failure f = rw.IsOpen() ? Failure::Changed : FailureOfErrno(errno);
        (void)ChangeMode(e.File, e.Plan.Path, e.Stat.st_mode & 07777);
        return f;
    }
    // The lock belongs to the first open: it stays open until the group ends.
    e.Locked = std::move(e.File);
    e.File = std::move(rw);
    e.Writable = true;
    return Failure::None;
}

Failure Apply(Entry& e) {
    FilePlan& p = e.Plan;
    if (const Failure f = OpenForWriting(e); f != Failure::None) return f;
    if (p.InPlace) {
        e.Started = true;
        Failure f = WriteRanges(e.File, p.Path, e.Journal.Ranges, false);
        if (f == Failure::None && p.NewSize != p.OldSize) f = Truncate(e.File, p.Path, p.NewSize);
        if (f != Failure::None) {
            // Back to the old bytes where that still works; the journal
            // finishes the write otherwise.
            if (WriteRanges(e.File, p.Path, e.Journal.Ranges, true) == Failure::None &&
                Truncate(e.File, p.Path, p.OldSize) == Failure::None) {
                e.Started = false;
            }
            return f;
        }
        for (const Range& r : e.Journal.Ranges)
            p.BytesWritten += static_cast<int64_t>(r.New.size());
        return Failure::None;
    }
    Failure f = CopyBack(e.Buffer, e.File, p.Path, p.OldSize, p.NewSize, e.Started);
    if (f != Failure::None && e.Started)
        f = CopyBack(e.Buffer, e.File, p.Path, p.OldSize, p.NewSize, e.Started);
    if (f == Failure::None) p.BytesWritten = p.NewSize;
    return f;
}

// One flush for the group, after a raised mode has gone back. Many files on
// one file system are flushed by one syncfs (measured: 200 files of 4 MB,
// about half the time of a fdatasync each); a few by fdatasync, which
// leaves the rest of the file system alone.
void Flush(const std::vector<Entry*>& writing) {
    constexpr size_t kSyncfsFrom = 8;
    std::vector<Entry*> started;
    for (Entry* e : writing) {
        if (!e->Started) continue;
        started.push_back(e);
        if (e->Journal.ModeRaised) {
            const Failure f = ChangeMode(e->File, e->Plan.Path, e->Stat.st_mode & 07777);
            if (f != Failure::None && e->Plan.Why == Failure::None) e->Plan.Why = f;
        }
    }
    if (started.size() < kSyncfsFrom) {
        for (Entry* e : started) {
            const Failure f = SyncFile(e->File, e->Plan.Path, e->Journal.ModeRaised);
            if (f != Failure::None && e->Plan.Why == Failure::None) e->Plan.Why = f;
        }
        return;
    }
    std::vector<dev_t> done;
    for (Entry* e : started) {
        const dev_t dev = e->Stat.st_dev;
        if (std::find(done.begin(), done.end(), dev) != done.end()) continue;
        done.push_back(dev);
        const Failure f = ::syncfs(e->File.Fd()) == 0 ? Failure::None : FailureOfErrno(errno);
        for (Entry* same : started) {
            if (same->Stat.st_dev != dev) continue;
            if (f == Failure::None) {
                Note(StepKind::Sync, same->Plan.Path);
            } else if (same->Plan.Why == Failure::None) {
                same->Plan.Why = f;
            }
        }
    }
}

}  // namespace

WriteGroup::WriteGroup() = default;

WriteGroup::~WriteGroup() {
    Commit();
}

size_t WriteGroup::Pending() const {
    return entries_.size();
}

void WriteGroup::Add(TagChange change, Done done) {
    Entry e;
    e.OnDone = std::move(done);
    // A file may stand in a group once: the lock of its first entry would
    // refuse the second.
    struct stat st {};
    if (::stat(change.Path.c_str(), &st) == 0) {
        for (const Entry& other : entries_) {
            if (other.Stat.st_ino == st.st_ino && other.Stat.st_dev == st.st_dev) {
                Commit();
                break;
            }
        }
    }
    PlanChange(e, change, hashTags_, oldHead_, newHead_);
    if (e.Plan.Why == Failure::None && !NothingToWrite(e)) {
        if (before_) e.Plan.Why = before_(e.Plan);
        // A buffer is made now, before the group's journal entry: a failure
        // here has touched nothing.
        if (e.Plan.Why == Failure::None && !e.Plan.InPlace) {
            e.Plan.Why = FillBuffer(e);
            if (e.Plan.Why != Failure::None) RemoveBuffer(e);
        }
    }
    // The areas go back to be used for the next file.
    oldHead_.swap(e.Plan.OldHead);
    newHead_.swap(e.Plan.NewHead);
    e.Plan.OldHead.clear();
    e.Plan.NewHead.clear();
    entries_.push_back(std::move(e));
    // The group's journal entry and its buffers stay within bounds.
    const Entry& added = entries_.back();
    for (const auto& r : added.Journal.Ranges)
        journalBytes_ += r.New.size() + r.OldPieces.size() * sizeof(Digest);
    if (added.Buffer.IsOpen())
        journalBytes_ += static_cast<size_t>(added.Plan.NewSize) +
                         added.Journal.OldSectors.size() * sizeof(Digest);
    if (entries_.size() >= kMaxFiles || journalBytes_ >= kMaxJournalBytes) Commit();
}

void WriteGroup::Commit() {
    if (entries_.empty()) return;
    std::vector<Entry> entries = std::move(entries_);
    entries_.clear();
    journalBytes_ = 0;

    std::vector<Entry*> writing;
    bool buffers = false;
    for (Entry& e : entries) {
        if (e.Plan.Why != Failure::None || NothingToWrite(e)) continue;
        buffers = buffers || !e.Plan.InPlace;
        writing.push_back(&e);
    }
    Journal& journal = TheJournal();
    Failure groupFailure = Failure::None;
    if (!writing.empty()) {
        // The buffers' names must be durable before the entry names them.
        if (buffers) groupFailure = SyncFolder(journal.Folder());
        std::vector<const JournalEntry*> records;
        for (const Entry* e : writing) records.push_back(&e->Journal);
        if (groupFailure == Failure::None) groupFailure = journal.Write(EncodeRecord(records));
    }
    bool abandon = false;
    if (groupFailure != Failure::None) {
        for (Entry* e : writing) e->Plan.Why = groupFailure;
    } else {
        for (Entry* e : writing) e->Plan.Why = Apply(*e);
        Flush(writing);
        for (Entry* e : writing) {
            if (!e->Started) continue;
            struct stat st {};
            if (::fstat(e->File.Fd(), &st) == 0)
                e->Plan.MtimeNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
            // A write begun and not finished is the next start's to finish.
            if (e->Plan.Why != Failure::None) abandon = true;
        }
        for (Entry* e : writing) {
            if (!e->Started && e->Journal.ModeRaised && e->Writable)
                (void)ChangeMode(e->File, e->Plan.Path, e->Stat.st_mode & 07777);
        }
        if (abandon) {
            journal.Abandon();
        } else if (journal.Clear() != Failure::None) {
            journal.Abandon();
            abandon = true;
        }
    }
    for (Entry& e : entries) {
        if (!abandon) RemoveBuffer(e);
        e.Buffer.Close();
        e.File.Close();
        e.Locked.Close();
        if (e.OnDone) e.OnDone(e.Plan);
    }
}

FilePlan SaveChange(TagChange change) {
    FilePlan result;
    {
        WriteGroup group;
        group.Add(std::move(change), [&result](const FilePlan& plan) { result = plan; });
    }
    return result;
}

}  // namespace writepath
