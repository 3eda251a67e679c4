#include "ops/History.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "ops/TagOps.h"
#include "tags/CachedFile.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"

// Eight bytes a round keeps it far below the cost of the read.
uint64_t HashBytes(std::string_view bytes, uint64_t h) {
    constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        h = (h ^ w) * kMul;
        h ^= h >> 32;
    }
    uint64_t w = 0;
    std::memcpy(&w, bytes.data() + i, bytes.size() - i);
    h = (h ^ w ^ (uint64_t{bytes.size()} << 40)) * kMul;
    return h ^ (h >> 29);
}

namespace {

constexpr size_t kBlockSize = 128;

// The tags and, when stamp is given, the stamp, from one open of the file.
bool Examine(const std::string& path, TagBytes& tags, FileStamp* stamp) {
    CachedFile file(path);
    if (!file.IsOpen() || !file.IsRegular()) return false;
    tags = {};
    if (file.Size() >= static_cast<int64_t>(id3v2::kHeaderSize)) {
        // What a save takes for the tag and replaces.
        id3v2::TagInfo info;
        if (!id3v2::ReadHeader(file, info)) return false;
        const size_t size = id3v2::IsId3(info) ? static_cast<size_t>(id3v2::GetTagSize(info)) : 0;
        tags.Id3v2.resize(size);
        if (file.ReadAt(tags.Id3v2.data(), size, 0) != static_cast<ssize_t>(size)) return false;
    }
    if (file.Size() >= static_cast<int64_t>(kBlockSize)) {
        std::string block(kBlockSize, '\0');
        if (file.ReadAt(block.data(), kBlockSize, file.Size() - static_cast<int64_t>(kBlockSize)) !=
            static_cast<ssize_t>(kBlockSize)) {
            return false;
        }
        if (block.compare(0, 3, "TAG") == 0) tags.Id3v1 = std::move(block);
    }
    if (stamp) {
        stamp->Valid = true;
        stamp->Size = file.Size();
        stamp->MtimeNs = file.ModifiedNs();
        stamp->Hash = HashBytes(tags.Id3v1, HashBytes(tags.Id3v2, 0));
    }
    return true;
}

size_t CellsBytes(const std::optional<TagCells>& c) {
    if (!c) return 0;
    return c->Artist.size() + c->Album.size() + c->Title.size() + c->Year.size() + c->Genre.size() +
           c->Comment.size();
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

bool PutBackTags(const std::string& path, const TagBytes& tags) {
    const auto now = ReadTagBytes(path);
    if (!now) return false;
    if (now->Id3v2 != tags.Id3v2 && !id3v2::RebuildFile(path, tags.Id3v2)) return false;
    if (now->Id3v1 == tags.Id3v1) return true;
    if (tags.Id3v1.empty()) return id3v1::DeleteTag(path);
    if (tags.Id3v1.size() != kBlockSize) return false;
    id3v1::TagRecord block{};
    std::memcpy(block.data(), tags.Id3v1.data(), kBlockSize);
    return id3v1::SaveTag(path, block, !now->Id3v1.empty());
}

size_t HistoryStep::Bytes() const {
    size_t total = Name.size();
    for (const auto& f : Files) total += RecordBytes(f);
    return total;
}

std::string StepLabel(const HistoryStep& step) {
    const size_t n = step.Files.size();
    return step.Name + " (" + std::to_string(n) + (n == 1 ? " Datei)" : " Dateien)");
}

std::string ApplyReport::Text() const {
    std::string text;
    AppendPathSection(
        text,
        Redo ? "Folgende Dateien wurden inzwischen geändert und nicht wiederhergestellt:"
             : "Folgende Dateien wurden inzwischen geändert und nicht zurückgesetzt:",
        Changed);
    AppendPathSection(text, "Folgende Dateien konnten nicht gespeichert werden:", Failed);
    AppendPathSection(text, "Folgende Sicherungen können nicht gelesen werden:", Unreadable);
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

void TagHistory::Add(HistoryStep step) {
    if (step.Files.empty()) return;
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
    {
        // The files put back are recorded like any write: the way forward again.
        StepRecorder recorder(nullptr, step.Name, cells);
        for (auto it = step.Files.rbegin(); it != step.Files.rend(); ++it) {
            const std::string& path = it->Path;
            const FileStamp now = StampOf(path);
            if (!now.Valid || now != it->After) {
                report.Changed.push_back(path);
                continue;
            }
            if (!RecordedWrite(path, [&] { return PutBackTags(path, it->Old); })) {
                report.Failed.push_back(path);
                continue;
            }
            const FileStamp& put = recorder.Step().Files.back().After;
            if (const auto next = nextInLine.find(path); next != nextInLine.end()) {
                FileStamp& expected = next->second->After;
                if (expected.Valid && expected.Size == put.Size && expected.Hash == put.Hash)
                    expected = put;
            }
            if (cells && it->Cells) cells->Set(path, *it->Cells);
        }
        back = recorder.Take();
    }
    bytes_ -= step.Bytes();
    // A way back larger than the whole history cannot be held.
    if (!back.Files.empty() && back.Bytes() <= maxBytes_) {
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

bool StepRecorder::BeforeWrite(const std::string& path) {
    firstWrite_ = false;
    if (overflow_ || Find(path)) return true;
    FileRecord record;
    record.Path = path;
    const auto old = ReadTagBytes(path);
    if (!old) return false;  // what cannot be recorded is not written
    record.Old = *old;
    if (cells_) record.Cells = cells_->Get(path);
    if (keeper_ && !keeper_->Keep(record)) return false;
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
    firstWrite_ = true;
    return true;
}

void StepRecorder::AfterWrite(const std::string& path, bool written) {
    FileRecord* record = overflow_ ? nullptr : Find(path);
    if (!record) return;
    if (!written && firstWrite_) {
        // A failed save leaves the file as it was: nothing to take back.
        if (keeper_) keeper_->Drop(*record);
        bytes_ -= RecordBytes(*record);
        index_.erase(path);
        step_.Files.pop_back();
        return;
    }
    record->After = StampOf(path);
    if (keeper_) keeper_->Keep(*record);
}

bool RecordedWrite(const std::string& path, const std::function<bool()>& write) {
    StepRecorder* recorder = ActiveRecorder();
    if (!recorder) return write();
    if (!recorder->BeforeWrite(path)) return false;
    const bool written = write();
    recorder->AfterWrite(path, written);
    return written;
}
