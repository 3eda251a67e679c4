#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "tags/TagArea.h"
#include "tags/WritePath.h"
#include "tags/write/Apply.h"
#include "tags/write/Buffer.h"
#include "tags/write/Disk.h"
#include "tags/write/Journal.h"
#include "tags/write/Plan.h"

namespace writepath {
namespace {

using Entry = PlannedFile;

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

// Inserts the room a shifted file grows by; the new area is written over
// it once the insertion is durable.
Failure InsertInto(Entry& e) {
    if (const Failure f = OpenForWriting(e); f != Failure::None) return f;
    bool refused = false, inserted = false;
    const Failure f = InsertRoom(e.File, e.Plan.Path, e.Journal.Shift, refused, inserted);
    e.InsertRefused = refused;
    e.Started = inserted;
    return f;
}

Failure Apply(Entry& e) {
    FilePlan& p = e.Plan;
    if (const Failure f = OpenForWriting(e); f != Failure::None) return f;
    if (e.Shifted) {
        // The room is in.
        const Failure f = WriteRanges(e.File, p.Path, e.Journal.Ranges, p.OldSize);
        if (f == Failure::None)
            p.BytesWritten = static_cast<int64_t>(e.Journal.Ranges[0].New.size());
        return f;
    }
    if (p.InPlace) {
        // A failure once an old byte changed is the journal's to finish.
        Failure f = WriteRanges(e.File, p.Path, e.Journal.Ranges, p.OldSize, e.Started);
        if (f == Failure::None && p.NewSize != p.OldSize) {
            e.Started = true;
            f = Truncate(e.File, p.Path, p.NewSize);
        }
        if (f != Failure::None) return f;
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

// Makes what the started files got durable. Many files on one file system
// are flushed by one syncfs (measured: 200 files of 4 MB, about half the
// time of a fdatasync each); a few by fsync or fdatasync, which leaves the
// rest of the file system alone.
void SyncStarted(const std::vector<Entry*>& started, bool metadata) {
    constexpr size_t kSyncfsFrom = 8;
    if (started.size() < kSyncfsFrom) {
        for (Entry* e : started) {
            const Failure f = SyncFile(e->File, e->Plan.Path, metadata || e->Journal.ModeRaised);
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

// One flush for the group, after a raised mode has gone back.
void Flush(const std::vector<Entry*>& writing) {
    std::vector<Entry*> started;
    for (Entry* e : writing) {
        if (!e->Started) continue;
        started.push_back(e);
        if (e->Journal.ModeRaised) {
            const Failure f = ChangeMode(e->File, e->Plan.Path, e->Stat.st_mode & 07777);
            if (f != Failure::None && e->Plan.Why == Failure::None) e->Plan.Why = f;
        }
    }
    SyncStarted(started, false);
}

// Room inserted is durable before the new area is written over it: a power
// cut must not find the area's new bytes in the old file's place.
void InsertAll(const std::vector<Entry*>& writing) {
    std::vector<Entry*> inserted;
    for (Entry* e : writing) {
        if (!e->Shifted) continue;
        e->Plan.Why = InsertInto(*e);
        if (e->Started) inserted.push_back(e);
    }
    SyncStarted(inserted, true);
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
        if (e.Plan.Why == Failure::None && !e.Plan.InPlace && !e.Shifted) {
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

namespace {

// Journals and writes the files, flushes them and clears the journal; true
// when a write begun could not be finished (the journal stays for the next
// start).
bool WriteJournaled(const std::vector<Entry*>& writing, std::string& record) {
    if (writing.empty()) return false;
    Journal& journal = TheJournal();
    const bool buffers = std::any_of(writing.begin(), writing.end(), [](const Entry* e) {
        return !e->Plan.InPlace && !e->Shifted;
    });
    // The buffers' names must be durable before the entry names them.
    Failure groupFailure = buffers ? SyncFolder(journal.Folder()) : Failure::None;
    std::vector<const JournalEntry*> records;
    for (const Entry* e : writing) records.push_back(&e->Journal);
    if (groupFailure == Failure::None) {
        EncodeRecordInto(records, record);
        groupFailure = journal.Write(record);
    }
    if (groupFailure != Failure::None) {
        for (Entry* e : writing) e->Plan.Why = groupFailure;
        return false;
    }
    InsertAll(writing);
    for (Entry* e : writing) {
        // No area goes over room whose insertion is not known durable: a
        // failed flush leaves the save to the journal.
        if (e->Shifted && (!e->Started || e->Plan.Why != Failure::None)) continue;
        e->Plan.Why = Apply(*e);
    }
    Flush(writing);
    bool abandon = false;
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
    return abandon;
}

}  // namespace

void WriteGroup::Commit() {
    if (entries_.empty()) return;
    std::vector<Entry> entries = std::move(entries_);
    entries_.clear();
    journalBytes_ = 0;

    std::vector<Entry*> writing;
    for (Entry& e : entries) {
        if (e.Plan.Why != Failure::None || NothingToWrite(e)) continue;
        writing.push_back(&e);
    }
    bool abandon = WriteJournaled(writing, record_);
    std::vector<Entry*> refused;
    for (Entry* e : writing)
        if (e->InsertRefused && ToBuffer(*e)) refused.push_back(e);
    abandon = WriteJournaled(refused, record_) || abandon;
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
