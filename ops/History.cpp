#include "ops/History.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "ops/Outcome.h"
#include "ops/Reasons.h"
#include "ops/SaveRun.h"
#include "tags/CachedFile.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/TagArea.h"

namespace {

// The tags and, when stamp is given, the stamp, from one open of the file.
bool Examine(const std::string& path, TagBytes& tags, FileStamp* stamp) {
    CachedFile file(path);
    if (!file.IsOpen() || !file.IsRegular()) return false;
    TagAreas areas;
    if (ReadTagAreas(file, file.Size(), areas) == AreaRead::Io) return false;
    tags = {};
    tags.Id3v2 = std::move(areas.Head);
    if (areas.HasBlock()) tags.Id3v1 = std::move(areas.Tail);
    if (stamp) {
        stamp->Valid = true;
        stamp->Size = file.Size();
        stamp->MtimeNs = file.ModifiedNs();
        stamp->Hash = HashBytes(tags.Id3v1, HashBytes(tags.Id3v2, 0));
    }
    return true;
}

size_t CellsBytes(const std::optional<TagTexts>& c) {
    if (!c) return 0;
    size_t bytes = 0;
    for (const TagField f : AllTagFields) bytes += (*c)[f].size();
    return bytes;
}

size_t RecordBytes(const FileRecord& r) {
    return sizeof(FileRecord) + r.Path.size() + r.Old.Id3v2.size() + r.Old.Id3v1.size() +
           CellsBytes(r.Cells);
}

StepRecorder*& ActiveRecorder() {
    static StepRecorder* recorder = nullptr;
    return recorder;
}

}  // namespace

std::optional<TagBytes> ReadTagBytes(const std::string& path) {
    TagBytes tags;
    if (!Examine(path, tags, nullptr)) return std::nullopt;
    return tags;
}

FileStamp StampOf(const std::string& path) {
    TagBytes tags;
    FileStamp stamp;
    if (!Examine(path, tags, &stamp)) return {};
    return stamp;
}

writepath::TagChange PutBackChange(const std::string& path, const TagBytes& tags) {
    using writepath::BlockChange;
    writepath::TagChange change{
        path, [head = tags.Id3v2](std::string_view, const id3v2::TagInfo&, std::string& tag) {
            tag = head;
            return true;
        }};
    if (tags.Id3v1.size() == kId3v1Size) {
        change.Block = BlockChange::Put;
        std::memcpy(change.NewBlock.data(), tags.Id3v1.data(), kId3v1Size);
    } else {
        change.Block = BlockChange::Remove;
    }
    return change;
}

FileStamp StampOf(const writepath::FilePlan& plan) {
    FileStamp stamp;
    stamp.Valid = plan.Why == writepath::Failure::None;
    stamp.Size = plan.NewSize;
    stamp.MtimeNs = plan.MtimeNs;
    stamp.Hash = plan.NewTagsHash;
    return stamp;
}

size_t HistoryStep::Bytes() const {
    size_t total = Name.size();
    for (const auto& f : Files) total += RecordBytes(f);
    for (const auto& r : Renames) total += sizeof r + r.From.size() + r.To.size();
    return total;
}

std::string ApplyReport::Text() const {
    std::string text;
    AppendPathSection(text, ChangedSinceHeading(Redo), Changed);
    AppendPathSection(text, kNotSavedHeading, Failed);
    AppendPathSection(text, kUnreadableBackupsHeading, Unreadable);
    return text;
}

TagHistory::TagHistory(size_t maxSteps, size_t maxBytes)
    : maxSteps_(maxSteps), maxBytes_(maxBytes) {}

void TagHistory::Push(std::deque<HistoryStep>& stack, HistoryStep step) {
    bytes_ += step.Bytes();
    stack.push_back(std::move(step));
}

void TagHistory::PopOldest(std::deque<HistoryStep>& stack) {
    bytes_ -= stack.front().Bytes();
    stack.pop_front();
}

void TagHistory::MakeRoom(size_t bytes, size_t steps) {
    const auto over = [&] {
        return undo_.size() + redo_.size() + steps > maxSteps_ || bytes_ + bytes > maxBytes_;
    };
    // The oldest step goes first; of the redo stack, the one that would be
    // done again last.
    while (!undo_.empty() && over()) PopOldest(undo_);
    while (!redo_.empty() && over()) PopOldest(redo_);
}

void TagHistory::AddRenames(std::string name, std::vector<RenameRecord> renames) {
    HistoryStep step;
    step.Name = std::move(name);
    step.Renames = std::move(renames);
    Add(std::move(step));
}

void TagHistory::Add(HistoryStep step) {
    if (step.Files.empty() && step.Renames.empty()) return;
    redo_.clear();
    bytes_ = 0;
    for (const auto& s : undo_) bytes_ += s.Bytes();
    if (step.Bytes() > maxBytes_) {
        undo_.clear();  // what it would take back cannot be held
        bytes_ = 0;
    } else {
        MakeRoom(step.Bytes(), 1);
        Push(undo_, std::move(step));
    }
    Changed();
}

void TagHistory::Changed() const {
    if (onChange_) onChange_();
}

ApplyReport TagHistory::Undo(RowCells* cells) {
    return Apply(undo_, redo_, cells);
}

ApplyReport TagHistory::Redo(RowCells* cells) {
    ApplyReport report = Apply(redo_, undo_, cells);
    report.Redo = true;
    return report;
}

ApplyReport TagHistory::Apply(std::deque<HistoryStep>& from, std::deque<HistoryStep>& to,
                              RowCells* cells) {
    ApplyReport report;
    if (from.empty()) return report;
    HistoryStep step = std::move(from.back());
    from.pop_back();  // its bytes count until the files are put back
    // The step next in line for each file: putting a file back gives it a
    // new time, and that step is to find the file as it is put back.
    std::unordered_map<std::string_view, FileRecord*> nextInLine;
    for (auto& older : from)
        for (auto& record : older.Files) nextInLine[record.Path] = &record;
    HistoryStep back;
    back.Name = step.Name;
    for (auto it = step.Renames.rbegin(); it != step.Renames.rend(); ++it) {
        // Only the file the step renamed, and never over another one.
        if (!SameFile(it->To, *it)) {
            report.Changed.push_back(it->To);
            continue;
        }
        if (auto done = RenameNoReplace(it->To, it->From)) {
            if (cells) cells->Renamed(it->To, it->From);
            back.Renames.push_back(std::move(*done));
        } else {
            // Its old name taken since counts as a change, like a file changed since.
            (errno == EEXIST ? report.Changed : report.Failed).push_back(it->To);
        }
    }
    if (step.Renames.empty()) {
        // The files put back are recorded like any write: the way forward again.
        StepRecorder recorder(nullptr, step.Name, cells);
        SaveRun run;
        for (auto it = step.Files.rbegin(); it != step.Files.rend(); ++it) {
            const FileRecord& record = *it;
            const FileStamp now = StampOf(record.Path);
            if (!now.Valid || now != record.After) {
                report.Changed.push_back(record.Path);
                continue;
            }
            run.Add(PutBackChange(record.Path, record.Old), [&report, &nextInLine, &record, cells](
                                                                const writepath::FilePlan& plan) {
                if (plan.Why != writepath::Failure::None) {
                    report.Failed.push_back(PathWithReason(record.Path, plan.Why));
                    return;
                }
                const FileStamp put = StampOf(plan);
                if (const auto next = nextInLine.find(record.Path); next != nextInLine.end()) {
                    FileStamp& expected = next->second->After;
                    if (expected.Valid && expected.Size == put.Size && expected.Hash == put.Hash)
                        expected = put;
                }
                if (cells && record.Cells) cells->Set(record.Path, *record.Cells);
            });
        }
        run.Commit();
        back = recorder.Take();
    }
    std::reverse(back.Renames.begin(), back.Renames.end());
    bytes_ -= step.Bytes();
    // A way back larger than the whole history cannot be held.
    if ((!back.Files.empty() || !back.Renames.empty()) && back.Bytes() <= maxBytes_) {
        MakeRoom(back.Bytes(), 1);
        Push(to, std::move(back));
    }
    Changed();
    return report;
}

StepRecorder::StepRecorder(TagHistory* history, std::string name, RowCells* cells,
                           RecordKeeper* keeper)
    : history_(history), cells_(cells), keeper_(keeper), previous_(ActiveRecorder()) {
    step_.Name = std::move(name);
    ActiveRecorder() = this;
}

StepRecorder* StepRecorder::Active() {
    return ActiveRecorder();
}

StepRecorder::~StepRecorder() {
    ActiveRecorder() = previous_;
    if (history_ && !overflow_) history_->Add(std::move(step_));
}

HistoryStep StepRecorder::Take() {
    HistoryStep step = std::move(step_);
    step_ = {};
    step_.Name = step.Name;
    index_.clear();
    bytes_ = 0;
    return step;
}

FileRecord* StepRecorder::Find(const std::string& path) {
    const auto it = index_.find(path);
    return it == index_.end() ? nullptr : &step_.Files[it->second];
}

bool StepRecorder::BeforeWrite(const std::string& path, const TagBytes& old,
                               const FileStamp& planned) {
    if (overflow_) return true;
    if (FileRecord* known = Find(path)) {
        known->Planned = planned;
        return !keeper_ || keeper_->Keep(*known);
    }
    FileRecord record;
    record.Path = path;
    record.Old = old;
    record.Planned = planned;
    if (cells_) record.Cells = cells_->Get(path);
    if (keeper_ && !keeper_->Keep(record)) return false;  // what cannot be kept is not written
    bytes_ += RecordBytes(record);
    if (history_ && history_->Bytes() + bytes_ > history_->MaxBytes())
        history_->MakeRoom(bytes_, 0);
    if (history_ && bytes_ > history_->MaxBytes()) {
        // Holding this step would mean dropping every other and still not
        // fit: it is not kept at all.
        overflow_ = true;
        step_.Files.clear();
        index_.clear();
        return true;
    }
    index_.emplace(path, step_.Files.size());
    step_.Files.push_back(std::move(record));
    return true;
}

void StepRecorder::Forget(const std::string& path) {
    const auto it = index_.find(path);
    const size_t at = it->second;
    bytes_ -= RecordBytes(step_.Files[at]);
    index_.erase(it);
    step_.Files.erase(step_.Files.begin() + static_cast<std::ptrdiff_t>(at));
    for (auto& [p, i] : index_)
        if (i > at) --i;
}

void StepRecorder::AfterWrite(const std::string& path, bool written, const FileStamp& after) {
    FileRecord* record = overflow_ ? nullptr : Find(path);
    if (!record) return;
    if (!written) {
        // A failed first save leaves the file as it was: nothing to take back.
        if (!record->Confirmed) {
            if (keeper_) keeper_->Drop(*record);
            Forget(path);
        }
        return;
    }
    record->Confirmed = true;
    record->After = after;
    if (keeper_) keeper_->Keep(*record);
}
