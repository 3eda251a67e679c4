#include "tags/write/Buffer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "tags/TagArea.h"
#include "tags/write/Apply.h"
#include "tags/write/Disk.h"
#include "tags/write/Journal.h"

namespace writepath {

// The complete new file in a buffer beside the journal, durable.
Failure FillBuffer(PlannedFile& e) {
    FilePlan& p = e.Plan;
    Journal& journal = TheJournal();
    if (const Failure f = journal.MakeBuffer(e.Buffer, e.BufferPath); f != Failure::None) return f;
    const std::string& name = e.BufferPath;
    e.Journal.Buffer = name.substr(name.find_last_of('/') + 1);
    const auto room = static_cast<int64_t>(p.OldHead.size());
    const bool blockChanges = p.OldBlock != p.NewBlock;
    const int64_t bodyEnd = p.OldSize - (blockChanges && !p.OldBlock.empty() ? kId3v1Size : 0);
    const int64_t shift = static_cast<int64_t>(p.NewHead.size()) - room;
    Failure f = WriteAt(e.Buffer, name, p.NewHead, 0);
    if (f == Failure::None) f = CopyData(e.File, room, bodyEnd, e.Buffer, name, shift, false);
    if (f == Failure::None && blockChanges && !p.NewBlock.empty())
        f = WriteAt(e.Buffer, name, p.NewBlock, bodyEnd + shift);
    if (f == Failure::None) f = Truncate(e.Buffer, name, p.NewSize);
    if (f == Failure::None) f = SyncFile(e.Buffer, name);
    // The buffer lives in the journal's folder.
    f = InStateFolder(f);
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

void RemoveBuffer(PlannedFile& e) {
    if (e.BufferPath.empty()) return;
    e.Buffer.Close();
    (void)RemoveFile(e.BufferPath);
}

// A file whose file system refused to insert room (nothing changed) goes
// through a buffer after all, still opened and locked.
bool ToBuffer(PlannedFile& e) {
    NoteInsertionRefused(e.Stat.st_dev);
    FilePlan& p = e.Plan;
    JournalEntry& j = e.Journal;
    p.NewHead = std::move(j.Ranges[0].New);
    p.OldHead.assign(p.NewHead.size() - static_cast<size_t>(j.Shift), '\0');  // its room
    e.Shifted = e.InsertRefused = false;
    j.Shift = 0;
    j.Ranges.clear();
    j.Kept.clear();
    j.OldSectors.clear();
    p.Why = FillBuffer(e);
    p.NewHead.clear();
    p.OldHead.clear();
    if (p.Why == Failure::None) return true;
    RemoveBuffer(e);
    return false;
}

}  // namespace writepath
