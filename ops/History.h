#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ops/RenameOps.h"
#include "tags/Fields.h"
#include "tags/Hash.h"
#include "tags/WritePath.h"

// The history of what the tools wrote into files, so every step can be taken
// back and redone. Paths are the file system's bytes.

// A file's two tags as they stand: the ID3v2 tag's bytes as a save replaces
// them (empty: none) and the last 128 bytes when they are an ID3v1 block
// (empty: none).
struct TagBytes {
    std::string Id3v2;
    std::string Id3v1;
    bool operator==(const TagBytes&) const = default;
};

// How a file stood when a step left it; an undo only touches a file that
// still stands so.
struct FileStamp {
    bool Valid = false;  // false: the file could not be examined
    int64_t Size = 0;
    int64_t MtimeNs = 0;
    uint64_t Hash = 0;  // of both tags' bytes
    bool operator==(const FileStamp&) const = default;
};

// Reads the tags of a file without showing any message; nothing when the file
// cannot be read.
std::optional<TagBytes> ReadTagBytes(const std::string& path);
// Size, modification time and the hash of the tags; Valid false when the
// file is gone or cannot be read.
FileStamp StampOf(const std::string& path);
// The change that puts the tags back exactly, through the write path like
// any save: in place where the ID3v2 tag has the size the file's area has
// now (always, after a save that wrote in place), the ID3v1 block written
// or cut off.
writepath::TagChange PutBackChange(const std::string& path, const TagBytes& tags);
// How a write leaves the file, by its plan; Valid only for a plan that was
// carried out (the time: after the write).
FileStamp StampOf(const writepath::FilePlan& plan);

// One file of a step.
struct FileRecord {
    std::string Path;
    TagBytes Old;                   // before the step first wrote it
    std::optional<TagTexts> Cells;  // its row's cells then, when it had a row
    FileStamp Planned;              // as the step's write is to leave it, time aside
    FileStamp After;                // as the step left it
    bool Confirmed = false;         // a write of the step went through
};

struct HistoryStep {
    std::string Name;                   // "Wizard"
    std::vector<FileRecord> Files;      // in the order they were first written
    std::vector<RenameRecord> Renames;  // a step of renames: in the order done
    size_t Bytes() const;
};

// Where a row's cells live (the window's list). Get gives nothing for a
// path without a row; Set changes the row of the path, when there is one.
class RowCells {
  public:
    virtual ~RowCells() = default;
    virtual std::optional<TagTexts> Get(const std::string& path) = 0;
    virtual void Set(const std::string& path, const TagTexts& cells) = 0;
    // The row of the file from (if any) now lists it as to.
    virtual void Renamed(const std::string& from, const std::string& to) {
        (void)from;
        (void)to;
    }
};

// What an undo or redo left alone.
struct ApplyReport {
    std::vector<std::string> Changed;     // changed since, deleted or moved
    std::vector<std::string> Failed;      // the rewrite failed; the file is as it was
    std::vector<std::string> Unreadable;  // backups (RestoreFolder) that cannot be read
    bool Redo = false;
    bool Empty() const { return Changed.empty() && Failed.empty() && Unreadable.empty(); }
    // "Folgende Dateien wurden inzwischen geändert und nicht zurückgesetzt:"
    // (after a redo "... nicht wiederhergestellt:") and the paths, each on a
    // line of its own; then the failed ones and the unreadable backups.
    std::string Text() const;
};

class TagHistory {
  public:
    static constexpr size_t kMaxSteps = 20;
    static constexpr size_t kMaxBytes = size_t{256} << 20;
    explicit TagHistory(size_t maxSteps = kMaxSteps, size_t maxBytes = kMaxBytes);

    // Newest step last; the step an undo takes back, or a redo does again.
    const HistoryStep* NextUndo() const { return undo_.empty() ? nullptr : &undo_.back(); }
    const HistoryStep* NextRedo() const { return redo_.empty() ? nullptr : &redo_.back(); }
    size_t UndoCount() const { return undo_.size(); }
    size_t RedoCount() const { return redo_.size(); }
    size_t Bytes() const { return bytes_; }
    size_t MaxBytes() const { return maxBytes_; }

    // Takes back the newest step, file by file in reverse order, for each
    // file that still holds what the step wrote; the files put back form the
    // step a redo does again. cells may be null.
    ApplyReport Undo(RowCells* cells);
    // A step of renames: an undo renames each file back when its new name
    // still holds it and its old name is free, the newest first.
    void AddRenames(std::string name, std::vector<RenameRecord> renames);
    ApplyReport Redo(RowCells* cells);

    // Called after every change of the stacks (the window's entries follow).
    void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

  private:
    friend class StepRecorder;
    // A new operation's step: the redo stack goes, the oldest steps make room.
    void Add(HistoryStep step);
    // Drops the oldest steps until bytes more and steps more fit.
    void MakeRoom(size_t bytes, size_t steps);
    void Push(std::deque<HistoryStep>& stack, HistoryStep step);
    void PopOldest(std::deque<HistoryStep>& stack);
    ApplyReport Apply(std::deque<HistoryStep>& from, std::deque<HistoryStep>& to, RowCells* cells);
    void Changed() const;

    size_t maxSteps_, maxBytes_;
    std::deque<HistoryStep> undo_, redo_;
    size_t bytes_ = 0;  // of both stacks
    std::function<void()> onChange_;
};

// Keeps the records of a recorder somewhere else as well (the CLI's backup
// folder). Keep is called before a file is first written (After not valid
// yet; false stops that write) and after each write; Drop when the first
// write failed and the file is as it was.
class RecordKeeper {
  public:
    virtual ~RecordKeeper() = default;
    virtual bool Keep(const FileRecord& record) = 0;
    virtual void Drop(const FileRecord& record) = 0;
};

// Records one operation while it lives: every tag write of the tools
// (SaveRun) on a file notes its tags before the first write and its stamp
// after each one. The step goes into the history (when given) as the
// recorder ends, if a file was written at all.
class StepRecorder {
  public:
    StepRecorder(TagHistory* history, std::string name, RowCells* cells = nullptr,
                 RecordKeeper* keeper = nullptr);
    ~StepRecorder();
    StepRecorder(const StepRecorder&) = delete;
    StepRecorder& operator=(const StepRecorder&) = delete;

    const HistoryStep& Step() const { return step_; }
    // The step so far, leaving the recorder empty.
    HistoryStep Take();
    // The recorder alive now (the innermost), or none.
    static StepRecorder* Active();
    // Called by SaveRun; false: the file must not be written.
    bool BeforeWrite(const std::string& path, const TagBytes& old, const FileStamp& planned);
    void AfterWrite(const std::string& path, bool written, const FileStamp& after);

  private:
    FileRecord* Find(const std::string& path);
    void Forget(const std::string& path);

    TagHistory* history_;
    RowCells* cells_;
    RecordKeeper* keeper_;
    HistoryStep step_;
    std::unordered_map<std::string, size_t> index_;  // path -> position in step_.Files
    size_t bytes_ = 0;
    bool overflow_ = false;  // the step alone is larger than the history may hold
    StepRecorder* previous_;
};
