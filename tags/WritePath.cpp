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

#include "tags/ByteRecord.h"
#include "tags/Hash.h"
#include "tags/ID3v2Header.h"
#include "tags/PosixFile.h"
#include "tags/Text.h"

namespace writepath {
namespace {

constexpr size_t kBlockSize = 128;
constexpr size_t kCopyBlock = 1 << 20;
constexpr std::string_view kMagic{"TZJ1"};
constexpr std::string_view kJournalPrefix{"journal-"};
constexpr std::string_view kBufferInfix{".buf-"};
// Differing runs of the tag closer than this are written as one.
constexpr size_t kRunGap = 64;
// A journal larger than this is no journal of ours.
constexpr int64_t kMaxJournalFile = int64_t{1} << 30;

std::function<void(const Step&)>& Hook() {
    static std::function<void(const Step&)> hook;
    return hook;
}

void Note(StepKind kind, const std::string& path) {
    if (Hook()) Hook()(Step{kind, path});
}

std::string& StateFolderOverride() {
    static std::string folder;
    return folder;
}

Failure SyncFile(const PosixFile& file, const std::string& path, bool metadata = false) {
    if ((metadata ? ::fsync(file.Fd()) : ::fdatasync(file.Fd())) != 0) return FailureOfErrno(errno);
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
        return FailureOfErrno(errno);
    Note(StepKind::Write, path);
    return Failure::None;
}

Failure Truncate(const PosixFile& file, const std::string& path, int64_t size) {
    if (::ftruncate(file.Fd(), static_cast<off_t>(size)) != 0) return FailureOfErrno(errno);
    Note(StepKind::Truncate, path);
    return Failure::None;
}

Failure ChangeMode(const PosixFile& file, const std::string& path, mode_t mode) {
    if (::fchmod(file.Fd(), mode) != 0) return FailureOfErrno(errno);
    Note(StepKind::Mode, path);
    return Failure::None;
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

// Copies [from, to) of in to out, shift bytes further on, data segment by
// data segment, so a sparse file's holes are not filled. Where in has a hole,
// out keeps what it has, or with punch gets a hole there too.
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
            return FailureOfErrno(errno);
        Note(StepKind::Write, outPath);
        pos = hole;
    }
    return Failure::None;
}

// One changed stretch of a file: what stood there and what goes there
// (beyond the old end of the file, Old is shorter than New).
struct Range {
    int64_t Offset = 0;
    std::string Old, New;
};

// What the journal holds of one file.
struct JournalEntry {
    std::string Path;
    uint64_t Dev = 0, Ino = 0;
    int64_t OldSize = 0, NewSize = 0;
    uint32_t Mode = 0;
    bool ModeRaised = false;
    std::string Buffer;  // empty: in place, by the ranges
    std::vector<Range> Ranges;
};

std::string EncodeRecord(const std::vector<const JournalEntry*>& entries) {
    std::string payload;
    PutNumber(payload, entries.size());
    for (const JournalEntry* e : entries) {
        PutText(payload, e->Path);
        PutNumber(payload, e->Dev);
        PutNumber(payload, e->Ino);
        PutNumber(payload, static_cast<uint64_t>(e->OldSize));
        PutNumber(payload, static_cast<uint64_t>(e->NewSize));
        PutNumber(payload, e->Mode);
        PutNumber(payload, e->ModeRaised ? 1 : 0);
        PutText(payload, e->Buffer);
        PutNumber(payload, e->Ranges.size());
        for (const Range& r : e->Ranges) {
            PutNumber(payload, static_cast<uint64_t>(r.Offset));
            PutText(payload, r.Old);
            PutText(payload, r.New);
        }
    }
    std::string record(kMagic);
    PutNumber(record, payload.size());
    PutNumber(record, HashBytes(payload));
    return record + payload;
}

// Nothing for a record that is torn or none: its writes never began.
std::vector<JournalEntry> DecodeRecord(std::string_view bytes) {
    if (bytes.substr(0, kMagic.size()) != kMagic) return {};
    RecordReader head(bytes.substr(kMagic.size(), 16));
    uint64_t size = 0, hash = 0;
    if (!head.Number(size) || !head.Number(hash)) return {};
    const std::string_view rest = bytes.substr(std::min(bytes.size(), kMagic.size() + 16));
    if (rest.size() < size) return {};
    const std::string_view payload = rest.substr(0, static_cast<size_t>(size));
    if (HashBytes(payload) != hash) return {};
    RecordReader in(payload);
    uint64_t count = 0;
    if (!in.Number(count)) return {};
    std::vector<JournalEntry> entries;
    for (uint64_t i = 0; i < count; ++i) {
        JournalEntry e;
        uint64_t oldSize = 0, newSize = 0, mode = 0, raised = 0, ranges = 0;
        if (!in.Text(e.Path) || !in.Number(e.Dev) || !in.Number(e.Ino) || !in.Number(oldSize) ||
            !in.Number(newSize) || !in.Number(mode) || !in.Number(raised) || !in.Text(e.Buffer) ||
            !in.Number(ranges)) {
            return {};
        }
        e.OldSize = static_cast<int64_t>(oldSize);
        e.NewSize = static_cast<int64_t>(newSize);
        e.Mode = static_cast<uint32_t>(mode);
        e.ModeRaised = raised != 0;
        for (uint64_t r = 0; r < ranges; ++r) {
            Range range;
            uint64_t offset = 0;
            if (!in.Number(offset) || !in.Text(range.Old) || !in.Text(range.New)) return {};
            range.Offset = static_cast<int64_t>(offset);
            e.Ranges.push_back(std::move(range));
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

bool IsJournalName(std::string_view name) {
    return name.size() == kJournalPrefix.size() + 6 && name.starts_with(kJournalPrefix) &&
           name.find('.') == std::string_view::npos;
}

// Makes the folder and any missing parents, each made one durable in its parent.
bool MakeFolders(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const size_t slash = folder.find_last_of('/');
    const std::string parent = slash == std::string::npos ? "." : folder.substr(0, slash);
    if (slash != 0 && !parent.empty() && !MakeFolders(parent)) return false;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return SyncFolder(parent.empty() ? "/" : parent) == Failure::None;
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

    // A buffer file of a unique name beside the journal.
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
        folder_ = StateFolder();
        if (!MakeFolders(folder_)) return Failure::Journal;
        for (int attempt = 0; attempt < 10; ++attempt) {
            std::string pattern = folder_ + "/" + std::string(kJournalPrefix) + "XXXXXX";
            PosixFile file(::mkostemp(pattern.data(), O_CLOEXEC));
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
        runs.push_back({offset + static_cast<int64_t>(start), before.substr(start, end - start),
                        after.substr(start, end - start)});
        start = NextDifference(before, after, end);
    }
    return runs;
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
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/tonzettel";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : "/tmp") + "/.local/state/tonzettel";
}

void SetStateFolder(const std::string& folder) {
    TheJournal().Close();
    StateFolderOverride() = folder;
}

void SetStepHook(std::function<void(const Step&)> hook) {
    Hook() = std::move(hook);
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
    bool Started = false;  // bytes of the file were written
};

namespace {

using Entry = WriteGroup::Entry;

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
    if (size >= static_cast<int64_t>(kBlockSize)) {
        std::string block(kBlockSize, '\0');
        if (e.File.ReadAt(block.data(), kBlockSize, size - static_cast<int64_t>(kBlockSize)) !=
            static_cast<ssize_t>(kBlockSize)) {
            return fail(Failure::Io);
        }
        if (block.compare(0, 3, "TAG") == 0) p.OldBlock = std::move(block);
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
    j.Dev = e.Stat.st_dev;
    j.Ino = e.Stat.st_ino;
    j.OldSize = p.OldSize;
    j.NewSize = p.NewSize;
    j.Mode = e.Stat.st_mode & 07777;
    j.ModeRaised = !e.Writable;
    if (!p.InPlace) return;
    j.Ranges = DifferingRuns(p.OldHead, p.NewHead, 0);
    if (blockChanges && !p.NewBlock.empty()) {
        if (p.OldBlock.empty()) {
            j.Ranges.push_back({size, {}, p.NewBlock});
        } else {
            for (auto& r : DifferingRuns(p.OldBlock, p.NewBlock, size - kBlockSize))
                j.Ranges.push_back(std::move(r));
        }
    }
}

bool NothingToWrite(const Entry& e) {
    return e.Plan.InPlace && e.Journal.Ranges.empty() && e.Plan.NewSize == e.Plan.OldSize;
}

// The complete new file in a buffer beside the journal, durable.
Failure FillBuffer(Entry& e) {
    FilePlan& p = e.Plan;
    Journal& journal = TheJournal();
    if (const Failure f = journal.MakeBuffer(e.Buffer, e.Journal.Buffer); f != Failure::None)
        return f;
    const std::string& name = e.Journal.Buffer;
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
    if (e.Journal.Buffer.empty()) return;
    e.Buffer.Close();
    ::unlink(e.Journal.Buffer.c_str());
    Note(StepKind::Remove, e.Journal.Buffer);
}

// Opens the file for writing, raising the owner's write permission where
// the file lacks it (the journal knows the mode to put back).
Failure OpenForWriting(Entry& e) {
    if (e.Writable) return Failure::None;
    if (const Failure f =
            ChangeMode(e.File, e.Plan.Path, static_cast<mode_t>(e.Journal.Mode | S_IWUSR));
        f != Failure::None) {
        return f;
    }
    PosixFile rw(e.Plan.Path, O_RDWR | O_NONBLOCK);
    struct stat st {};
    if (!rw.IsOpen() || ::fstat(rw.Fd(), &st) != 0 || st.st_ino != e.Stat.st_ino ||
        st.st_dev != e.Stat.st_dev) {
        const Failure f = rw.IsOpen() ? Failure::Changed : FailureOfErrno(errno);
        (void)ChangeMode(e.File, e.Plan.Path, static_cast<mode_t>(e.Journal.Mode));
        return f;
    }
    // The lock belongs to the first open: it stays open until the group ends.
    e.Locked = std::move(e.File);
    e.File = std::move(rw);
    e.Writable = true;
    return Failure::None;
}

Failure WriteRanges(const PosixFile& file, const std::string& path,
                    const std::vector<Range>& ranges, bool old) {
    for (const Range& r : ranges) {
        const std::string& bytes = old ? r.Old : r.New;
        if (const Failure f = WriteAt(file, path, bytes, r.Offset); f != Failure::None) return f;
    }
    return Failure::None;
}

// Copies the buffer into the file: the part beyond the old end first, so a
// lack of room shows before any old byte is overwritten.
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
            const Failure f =
                ChangeMode(e->File, e->Plan.Path, static_cast<mode_t>(e->Journal.Mode));
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
    for (const auto& r : added.Journal.Ranges) journalBytes_ += r.Old.size() + r.New.size();
    if (added.Buffer.IsOpen()) journalBytes_ += static_cast<size_t>(added.Plan.NewSize);
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
                (void)ChangeMode(e->File, e->Plan.Path, static_cast<mode_t>(e->Journal.Mode));
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

// ---------------------------------------------------------------------------
// Recovery.

namespace {

enum class Recovered { Nothing, Finished, LeftAlone };

// Every byte of a range is what stood there or what was to stand there;
// beyond the old end anything may stand (a grown file's new part).
bool Explained(const std::string& now, const Range& r, int64_t oldSize) {
    for (size_t i = 0; i < now.size(); ++i) {
        const int64_t at = r.Offset + static_cast<int64_t>(i);
        const bool isNew = i < r.New.size() && now[i] == r.New[i];
        const bool isOld = i < r.Old.size() && now[i] == r.Old[i];
        if (!isNew && !isOld && at < oldSize) return false;
    }
    return true;
}

Recovered FinishInPlace(const JournalEntry& e, const PosixFile& file, int64_t size) {
    bool wrote = false;
    for (const Range& r : e.Ranges) {
        const int64_t have =
            std::clamp<int64_t>(size - r.Offset, 0, static_cast<int64_t>(r.New.size()));
        std::string now(static_cast<size_t>(have), '\0');
        if (file.ReadAt(now.data(), now.size(), r.Offset) != have) return Recovered::LeftAlone;
        if (!Explained(now, r, e.OldSize)) return Recovered::LeftAlone;
        if (now.size() == r.New.size() && now == r.New) continue;
        wrote = true;
    }
    if (wrote && WriteRanges(file, e.Path, e.Ranges, false) != Failure::None)
        return Recovered::LeftAlone;
    if (size != e.NewSize) {
        if (Truncate(file, e.Path, e.NewSize) != Failure::None) return Recovered::LeftAlone;
        wrote = true;
    }
    return wrote ? Recovered::Finished : Recovered::Nothing;
}

Recovered FinishFromBuffer(const JournalEntry& e, const PosixFile& file, int64_t size) {
    PosixFile buffer(e.Buffer, O_RDONLY);
    struct stat st {};
    if (!buffer.IsOpen() || ::fstat(buffer.Fd(), &st) != 0 || st.st_size != e.NewSize)
        return Recovered::LeftAlone;
    // Only what differs is written, which also tells whether the crash came
    // before the file was written at all or after it was done.
    bool differs = size != e.NewSize;
    std::vector<char> a(kCopyBlock), b(kCopyBlock);
    for (int64_t pos = 0; !differs && pos < e.NewSize; pos += kCopyBlock) {
        const auto n = static_cast<size_t>(std::min<int64_t>(kCopyBlock, e.NewSize - pos));
        if (buffer.ReadAt(a.data(), n, pos) != static_cast<ssize_t>(n) ||
            file.ReadAt(b.data(), n, pos) != static_cast<ssize_t>(n) ||
            std::memcmp(a.data(), b.data(), n) != 0) {
            differs = true;
        }
    }
    if (!differs) return Recovered::Nothing;
    bool started = false;
    const int64_t from = std::min(size, e.OldSize);
    if (CopyBack(buffer, file, e.Path, from, e.NewSize, started) != Failure::None)
        return Recovered::LeftAlone;
    return Recovered::Finished;
}

Recovered FinishFile(const JournalEntry& e) {
    struct stat found {};
    if (::stat(e.Path.c_str(), &found) != 0 || !S_ISREG(found.st_mode)) return Recovered::LeftAlone;
    // The same device with another inode: a different file has the name now.
    if (found.st_dev == e.Dev && found.st_ino != e.Ino) return Recovered::LeftAlone;
    PosixFile file(e.Path, O_RDWR | O_NONBLOCK);
    bool raisedHere = false;
    if (!file.IsOpen() && (errno == EACCES || errno == EPERM) &&
        ::chmod(e.Path.c_str(), (found.st_mode & 07777) | S_IWUSR) == 0) {
        raisedHere = true;
        file = PosixFile(e.Path, O_RDWR | O_NONBLOCK);
    }
    struct stat st {};
    Recovered r = Recovered::LeftAlone;
    if (file.IsOpen() && ::fstat(file.Fd(), &st) == 0 && st.st_ino == found.st_ino &&
        ::flock(file.Fd(), LOCK_EX | LOCK_NB) == 0 &&
        st.st_size >= std::min(e.OldSize, e.NewSize) &&
        st.st_size <= std::max(e.OldSize, e.NewSize)) {
        r = e.Buffer.empty() ? FinishInPlace(e, file, st.st_size)
                             : FinishFromBuffer(e, file, st.st_size);
    }
    // A mode the save raised goes back to what the journal knows; one
    // raised here to what was found.
    if (e.ModeRaised || raisedHere) {
        const auto mode = static_cast<mode_t>(e.ModeRaised ? e.Mode : found.st_mode & 07777);
        if (file.IsOpen()) {
            (void)ChangeMode(file, e.Path, mode);
        } else {
            (void)::chmod(e.Path.c_str(), mode);
        }
    }
    if (file.IsOpen() && SyncFile(file, e.Path, true) != Failure::None) return Recovered::LeftAlone;
    return r;
}

std::optional<std::string> ReadJournal(const PosixFile& file) {
    struct stat st {};
    if (::fstat(file.Fd(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxJournalFile)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    if (file.ReadAt(bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
        return std::nullopt;
    return bytes;
}

}  // namespace

RecoveryReport RecoverJournals(const std::string& folder) {
    RecoveryReport report;
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* d = ::readdir(dir)) names.emplace_back(d->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (!IsJournalName(name)) continue;
        const std::string path = folder + "/" + name;
        PosixFile file(path, O_RDWR | O_NOFOLLOW);
        // A live writer holds its journal locked.
        if (!file.IsOpen() || ::flock(file.Fd(), LOCK_EX | LOCK_NB) != 0) continue;
        struct stat mine {
        }, named{};
        if (::fstat(file.Fd(), &mine) != 0 || ::stat(path.c_str(), &named) != 0 ||
            mine.st_ino != named.st_ino) {
            continue;  // another start has finished it
        }
        const auto bytes = ReadJournal(file);
        for (const JournalEntry& e : DecodeRecord(bytes ? *bytes : std::string())) {
            switch (FinishFile(e)) {
                case Recovered::Nothing:
                    break;
                case Recovered::Finished:
                    report.Finished.push_back(e.Path);
                    break;
                case Recovered::LeftAlone:
                    report.LeftAlone.push_back(e.Path);
                    break;
            }
        }
        // Its buffers go with it: their names begin with the journal's.
        const std::string prefix = name + std::string(kBufferInfix);
        for (const std::string& other : names) {
            if (other.starts_with(prefix)) {
                ::unlink((folder + "/" + other).c_str());
                Note(StepKind::Remove, folder + "/" + other);
            }
        }
        ::unlink(path.c_str());
        Note(StepKind::Remove, path);
        (void)SyncFolder(folder);
    }
    return report;
}

RecoveryReport RecoverJournals() {
    return RecoverJournals(StateFolder());
}

std::string RecoveryReport::Text() const {
    std::string text;
    const auto section = [&text](std::string_view heading, const std::vector<std::string>& paths) {
        if (paths.empty()) return;
        if (!text.empty()) text += "\n\n";
        text += heading;
        for (const auto& p : paths) text += "\n" + ReadableName(p);
    };
    section("Folgende Dateien wurden nach einem Abbruch fertig gespeichert:", Finished);
    section(
        "Folgende Dateien wurden seit einem abgebrochenen Speichern verändert und bleiben, wie "
        "sie sind:",
        LeftAlone);
    return text;
}

}  // namespace writepath
