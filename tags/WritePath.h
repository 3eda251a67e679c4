#pragma once

// The one way bytes of a user's file are changed. A change names what the
// ID3v2 area at the start and the ID3v1 block at the end become; the file
// itself is written, never replaced, so it keeps its inode, links, owner,
// mode, extended attributes and ACL.
//
// A new ID3v2 area of the old one's size is written in place, only the bytes
// that differ. One of another size means moving the audio: the complete new
// file goes into a buffer file in the journal's folder first, is made
// durable, and is then copied into the file.
//
// Every write runs under the journal (Journal.h), as roll-forward: the new
// bytes (or the buffer) are durable in the journal before the first byte of
// a file changes, so whatever moment a crash strikes, the next start can
// finish the write; a journal entry that is not complete names no file that
// was touched. Files are written in groups: one journal write, the writes,
// one flush, the entry cleared.

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/write/StateFolder.h"

namespace id3v2 {
struct TagInfo;
}

namespace writepath {

struct PlannedFile;

// Why a file was not written. Each leaves the file as it was.
enum class Failure {
    None,
    Gone,           // no file of that name (any more)
    NotRegular,     // a folder, a device, a pipe
    TooShort,       // the file is shorter than its tag block
    Locked,         // another program holds the file
    NoPermission,   // not writable, and write permission cannot be added
    ReadOnly,       // the file system is mounted read-only
    NoSpace,        // no room for the grown file or its buffer
    TooLarge,       // the new tag would exceed what ID3v2 can hold
    Changed,        // the file changed while it was being saved
    Journal,        // the journal cannot be written
    Refused,        // the old tags could not be kept for a later undo
    Io,             // any other read or write error
    NotMp3,         // a cut save is finished only in an ".mp3" file, so none other is saved
    StateFolder,    // the journal's folder is not this user's alone (StateCheck)
    StateFull,      // no room left where the journal lives
    StateReadOnly,  // the journal's folder cannot be written
};

Failure FailureOfErrno(int error);

// What the ID3v1 block at the end becomes.
enum class BlockChange {
    Keep,
    Put,         // overwrite an existing block, or append one
    PutOverTag,  // overwrite, only where a block stands; Changed otherwise
    Remove,      // cut it off, where one stands
};

// The current ID3v2 area (the file's first bytes as a save replaces them:
// the tag, or nothing where the file has none) and its header; fills
// newHead with the bytes to stand there instead (a buffer used again from
// file to file, so its old content means nothing), or returns false when
// they cannot be made.
using HeadComposer =
    std::function<bool(std::string_view oldHead, const id3v2::TagInfo&, std::string& newHead)>;

struct TagChange {
    std::string Path;
    HeadComposer Head;  // empty: the ID3v2 area stays
    BlockChange Block = BlockChange::Keep;
    std::array<uint8_t, 128> NewBlock{};
};

// One file of a group, as it is worked out before anything is written. Both
// tags are read whatever the change, so a caller can record them; the ID3v2
// areas are let go once the file is planned (a group holds many files), so
// a done callback finds them empty and has the hash instead.
struct FilePlan {
    std::string Path;
    Failure Why = Failure::None;
    std::string OldHead, NewHead;    // the ID3v2 area before and after
    std::string OldBlock, NewBlock;  // the ID3v1 block, or empty: none
    uint64_t NewTagsHash =
        0;  // HashBytes of NewBlock seeded with that of NewHead (see SetHashTags)
    int64_t OldSize = 0, NewSize = 0;
    bool InPlace = true;       // false: the file is rewritten from a buffer
    int64_t BytesWritten = 0;  // into the file itself
    int64_t MtimeNs = 0;       // the file's modification time after the group
};

// Saves the changes of many files in groups. Add works out a file's new bytes
// at once (the file opened and locked, nothing written); Commit, or an Add
// that finds the group full or the same file in it, writes the group. Each
// file's done callback runs after its group, with the plan and the outcome.
class WriteGroup {
  public:
    using BeforeWrite = std::function<Failure(const FilePlan&)>;
    using Done = std::function<void(const FilePlan&)>;

    // A group ends at this many files (each holds an open file), or when its
    // journal entry and buffers reach this many bytes.
    static constexpr size_t kMaxFiles = 256;
    static constexpr size_t kMaxJournalBytes = size_t{64} << 20;

    WriteGroup();
    ~WriteGroup();
    WriteGroup(const WriteGroup&) = delete;
    WriteGroup& operator=(const WriteGroup&) = delete;

    // Runs for every file that will be written, before the group's journal
    // entry; a failure returned leaves that file out.
    void SetBeforeWrite(BeforeWrite before) { before_ = std::move(before); }
    // Whether plans carry NewTagsHash (on by default; a caller that records
    // nothing spares the hashing of every tag).
    void SetHashTags(bool hash) { hashTags_ = hash; }
    void Add(TagChange change, Done done = {});
    void Commit();
    size_t Pending() const;

  private:
    std::vector<PlannedFile> entries_;  // each file's plan and open handles
    size_t journalBytes_ = 0;
    bool hashTags_ = true;
    // The ID3v2 areas of the file being planned: their room is used again,
    // so a run does not take fresh memory for every tag.
    std::string oldHead_, newHead_;
    std::string record_;  // the journal record, its room kept from group to group
    BeforeWrite before_;
};

// A group of one.
FilePlan SaveChange(TagChange change);

// Where the journal lives: $XDG_STATE_HOME/tonzettel, by default
// ~/.local/state/tonzettel (StateFolder.h). Tests point it elsewhere.
std::string StateFolder();
void SetStateFolder(const std::string& folder);

// What the start of a program did with journals left behind.
struct RecoveryReport {
    std::vector<std::string> Finished;   // saves that were finished
    std::vector<std::string> LeftAlone;  // changed since by another program: dropped
    std::vector<std::string> Pending;    // absent, or not the file: kept for the next start
    std::vector<std::string> Untrusted;  // files in the folder this user did not make
    StateCheck State;                    // not trusted: nothing in it was read
    bool Empty() const {
        return Finished.empty() && LeftAlone.empty() && Pending.empty() && Untrusted.empty() &&
               State.Trusted();
    }
};

// Finishes every journal in the folder whose writer is gone (a live one is
// locked and passed over). A journal goes with its buffers once nothing in
// it is pending; one with pending saves is rewritten to hold just those.
RecoveryReport RecoverJournals(const std::string& folder);
RecoveryReport RecoverJournals();

// Drops the pending save of path (as given or as its full path): its entry
// and its buffer. False when no journal of a finished writer holds one;
// grew tells whether the save was moving the audio (the file may be torn).
bool DiscardPending(const std::string& path, bool* grew = nullptr);

// Test seam: called after every step that changes what is on disk (a write,
// a flush, a truncation, a mode change, room inserted at a file's start, a
// file made or removed), with the
// file it concerns. A crash test ends the process at the n-th call; a
// power-cut test notes which state each file had at its last flush.
enum class StepKind { Write, Truncate, Sync, SyncFolder, Create, Remove, Mode, Insert };
struct Step {
    StepKind Kind;
    std::string Path;  // the folder for SyncFolder
};
void SetStepHook(std::function<void(const Step&)> hook);
// Test seam: whether a growing save inserts room at the file's start where
// the file system can (on by default), or always goes through a buffer.
void SetRoomInsertion(bool allowed);

// The room of a grown ID3v2 tag: the area grows by whole 4 KiB pages (so the
// audio moves by whole pages, and a sparse file's holes stay holes; where
// the file system can insert room at a file's start, the audio is not
// copied at all) and leaves at least 1 KiB of padding for later edits.
int64_t GrownRoom(int64_t oldRoom, int64_t tagSize);

}  // namespace writepath
