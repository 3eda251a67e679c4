#pragma once

// The plan of one file's change, worked out before anything is written: the
// file opened and locked, both tag areas read, the new bytes composed, and
// the journal entry that will let a start finish the write: the ranges to
// write in place, or (for a tag that changes size) a buffer to come.

#include <sys/stat.h>

#include <functional>
#include <string>

#include "tags/PosixFile.h"
#include "tags/WritePath.h"
#include "tags/write/Record.h"

namespace writepath {

struct PlannedFile {
    FilePlan Plan;
    std::function<void(const FilePlan&)> OnDone;
    PosixFile File;    // opened and locked at Add; read-write once writable
    PosixFile Locked;  // the locked read-only open, where File was opened again to write
    bool Writable = false;
    struct stat Stat {};
    JournalEntry Journal;
    PosixFile Buffer;
    std::string BufferPath;
    bool Started = false;  // bytes of the file were written
    // Grown by room inserted at its start (Journal.Shift), no buffer; the
    // file system refused the insertion, which changed nothing.
    bool Shifted = false;
    bool InsertRefused = false;
};

// Fills e for change; e.Plan.Why says why the file cannot be written.
// oldHead and newHead lend their room to the plan's areas and get it back
// from the caller afterwards, so a run does not take fresh memory per tag.
void PlanChange(PlannedFile& e, const TagChange& change, bool hashTags, std::string& oldHead,
                std::string& newHead);

bool NothingToWrite(const PlannedFile& e);

// Whether a growing save may insert room where the file system can (on by
// default; tests turn it off to reach the buffer).
bool RoomInsertion();
// A file system (by device) that refused to insert room: its files take
// the buffer from then on.
void NoteInsertionRefused(dev_t device);

}  // namespace writepath
