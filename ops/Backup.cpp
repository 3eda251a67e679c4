#include "ops/Backup.h"

#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "ops/Outcome.h"
#include "ops/Reasons.h"
#include "ops/SaveRun.h"
#include "tags/ByteRecord.h"
#include "tags/ID3v2.h"
#include "tags/PosixFile.h"
#include "tags/TagArea.h"
#include "tags/Text.h"

namespace fs = std::filesystem;

namespace {

// Version 2 adds the stamp the write is to leave, so a backup whose run
// ended between the write and its stamp still fits the file.
constexpr std::string_view kMagic1{"TZUNDO1\n"};
constexpr std::string_view kMagic{"TZUNDO2\n"};
constexpr std::string_view kSuffix{".tzundo"};

struct Backup {
    std::string Path;
    TagBytes Old;
    FileStamp After;    // as the last write left the file
    FileStamp Planned;  // as the write under way is to leave it, time aside
};

void PutStamp(std::string& out, const FileStamp& stamp) {
    PutNumber(out, stamp.Valid ? 1 : 0);
    PutNumber(out, static_cast<uint64_t>(stamp.Size));
    PutNumber(out, static_cast<uint64_t>(stamp.MtimeNs));
    PutNumber(out, stamp.Hash);
}

bool GetStamp(RecordReader& in, FileStamp& stamp) {
    uint64_t valid = 0, size = 0, mtime = 0;
    if (!in.Number(valid) || !in.Number(size) || !in.Number(mtime) || !in.Number(stamp.Hash) ||
        valid > 1) {
        return false;
    }
    stamp.Valid = valid == 1;
    stamp.Size = static_cast<int64_t>(size);
    stamp.MtimeNs = static_cast<int64_t>(mtime);
    return true;
}

std::string Encode(const Backup& b) {
    std::string out(kMagic);
    PutText(out, b.Path);
    PutText(out, b.Old.Id3v2);
    PutText(out, b.Old.Id3v1);
    PutStamp(out, b.After);
    PutStamp(out, b.Planned);
    return out;
}

std::optional<Backup> Decode(std::string_view bytes) {
    const bool v1 = bytes.substr(0, kMagic1.size()) == kMagic1;
    if (!v1 && bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
    RecordReader in(bytes.substr(kMagic.size()));
    Backup b;
    if (!in.Text(b.Path) || !in.Text(b.Old.Id3v2) || !in.Text(b.Old.Id3v1) ||
        !GetStamp(in, b.After) || (!v1 && !GetStamp(in, b.Planned)) || !in.AtEnd() ||
        b.Path.empty()) {
        return std::nullopt;
    }
    return b;
}

// The largest backup this program writes: a whole ID3v2 tag (28 bits of
// size, header and footer), a block, a path and the stamps.
constexpr int64_t kMaxBackupBytes = (int64_t{1} << 28) + (int64_t{1} << 16);

// Someone other than the user (and root) may change it: the user's own
// group counts as the user, as with a private group per user.
bool OthersMayWrite(const struct stat& st) {
    return (st.st_mode & S_IWOTH) || ((st.st_mode & S_IWGRP) && st.st_gid != ::getegid());
}

// How far a backup folder is trusted. A file system without Unix
// permissions (FAT, exFAT, NTFS: every file shows one fixed mode, often
// 0777) cannot keep others out; whoever can write such a medium can write
// the MP3 files on it anyway, so backups there are used for files on the
// same medium only.
enum class FolderTrust { Closed, Medium, Open };

// Whether a mode set on a file in folder does not stick: a file of its own
// is made there and removed.
bool ModesDoNotStick(const std::string& folder) {
    std::string probe = folder + "/.tonzettel-rechte-XXXXXX";
    PosixFile file(::mkostemp(probe.data(), O_CLOEXEC));
    if (!file.IsOpen()) return false;
    struct stat st {};
    const bool loose = ::fchmod(file.Fd(), 0600) != 0 ||
                       (::fstat(file.Fd(), &st) == 0 && (st.st_mode & 0777) != 0600);
    ::unlink(probe.c_str());
    return loose;
}

FolderTrust TrustOf(const std::string& folder, dev_t* dev) {
    struct stat dir {};
    if (::stat(folder.c_str(), &dir) != 0) return FolderTrust::Open;
    *dev = dir.st_dev;
    // A folder with the sticky bit keeps others from the user's files.
    if (!OthersMayWrite(dir) || (dir.st_mode & S_ISVTX)) return FolderTrust::Closed;
    return ModesDoNotStick(folder) ? FolderTrust::Medium : FolderTrust::Open;
}

bool OnDevice(const std::string& path, dev_t dev) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && st.st_dev == dev;
}

// Why a backup file is not used; None when it is. On a medium without
// permissions (onMedium) the mode says nothing, but the file must be on it.
BackupProblem Distrust(const std::string& path, std::string* bytes,
                       std::optional<dev_t> onMedium = std::nullopt) {
    PosixFile file(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
    struct stat st {};
    if (!file.IsOpen() || ::fstat(file.Fd(), &st) != 0) return BackupProblem::CannotOpen;
    if (!S_ISREG(st.st_mode)) return BackupProblem::NotRegular;
    // As for a key of ssh: what another user may have written is not used.
    if ((st.st_uid != ::geteuid() && st.st_uid != 0) ||
        (onMedium ? st.st_dev != *onMedium : OthersMayWrite(st)))
        return BackupProblem::NotYours;
    if (st.st_size > kMaxBackupBytes) return BackupProblem::TooLarge;
    bytes->resize(static_cast<size_t>(st.st_size));
    if (file.ReadAt(bytes->data(), bytes->size(), 0) != static_cast<ssize_t>(bytes->size()))
        return BackupProblem::CannotRead;
    return BackupProblem::None;
}

// The tags a backup holds are what they claim: an ID3v2 tag whose header
// gives its length, or none; a block that begins with "TAG", or none.
bool TagsAreTags(const TagBytes& tags) {
    if (!tags.Id3v1.empty() &&
        (tags.Id3v1.size() != kId3v1Size || tags.Id3v1.compare(0, 3, "TAG") != 0))
        return false;
    if (tags.Id3v2.empty()) return true;
    const id3v2::TagInfo info = id3v2::HeaderOfTag(tags.Id3v2);
    return id3v2::IsId3(info) && static_cast<size_t>(id3v2::GetTagSize(info)) == tags.Id3v2.size();
}

// The file a backup names is an MP3 file of its own, not a link.
bool IsMp3File(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && HasMp3Extension(path);
}

// Complete on disk before it takes the name, and the name durable before
// the file it backs up is written. The buffer's name is unique, so no file
// of someone else's is ever overwritten or removed.
bool WriteWhole(const std::string& path, const std::string& bytes) {
    std::string buffer = path + ".XXXXXX";
    PosixFile out(::mkostemp(buffer.data(), O_CLOEXEC));
    if (!out.IsOpen()) return false;
    const bool ok = out.WriteAllAt(bytes.data(), bytes.size(), 0) && ::fsync(out.Fd()) == 0 &&
                    out.Close() && ::rename(buffer.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(buffer.c_str());
        return false;
    }
    const std::string folder = fs::path(path).parent_path().string();
    PosixFile dir(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY);
    return dir.IsOpen() && ::fsync(dir.Fd()) == 0;
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

}  // namespace

std::string BackupFileName(const std::string& absolutePath) {
    char name[17];
    std::snprintf(name, sizeof name, "%016llx",
                  static_cast<unsigned long long>(HashBytes(absolutePath)));
    return std::string(name) + std::string(kSuffix);
}

BackupProblem BackupFolderProblem(const std::string& folder,
                                  const std::vector<std::string>& files) {
    dev_t dev = 0;
    switch (TrustOf(folder, &dev)) {
        case FolderTrust::Closed:
            return BackupProblem::None;
        case FolderTrust::Open:
            return BackupProblem::FolderOpen;
        case FolderTrust::Medium:
            break;
    }
    for (const auto& file : files) {
        struct stat st {};
        if (::lstat(file.c_str(), &st) == 0 && st.st_dev != dev) return BackupProblem::OtherMedium;
    }
    return BackupProblem::None;
}

bool BackupFolder::Trusts(const std::string& file, std::string* bytes) {
    dev_t dev = 0;
    if (trust_ < 0) trust_ = static_cast<int>(TrustOf(folder_, &dev));
    struct stat dir {};
    switch (static_cast<FolderTrust>(trust_)) {
        case FolderTrust::Closed:
            return Distrust(file, bytes) == BackupProblem::None;
        case FolderTrust::Medium:
            return ::stat(folder_.c_str(), &dir) == 0 &&
                   Distrust(file, bytes, dir.st_dev) == BackupProblem::None;
        case FolderTrust::Open:
            break;
    }
    return false;
}

bool BackupFolder::Keep(const FileRecord& record) {
    const std::string path = Absolute(record.Path);
    const std::string file = (fs::path(folder_) / BackupFileName(path)).string();
    auto it = entries_.find(path);
    if (it == entries_.end()) {
        Entry entry{record.Old, {}};
        // An earlier run's backup that still fits the file holds older tags;
        // until this run's write is stamped, the file may stand as either run
        // left it.
        std::error_code ec;
        if (fs::symlink_status(file, ec).type() != fs::file_type::not_found) {
            // Only a backup of this file, ours, is replaced: anything else
            // of that name stays, and the file is not written.
            std::string bytes;
            const auto earlier = Trusts(file, &bytes) ? Decode(bytes) : std::nullopt;
            if (!earlier || earlier->Path != path) return false;
            if (earlier->After.Valid && earlier->After == StampOf(record.Path))
                entry = {earlier->Old, earlier->After};
        }
        it = entries_.emplace(path, std::move(entry)).first;
    }
    const Entry& entry = it->second;
    return WriteWhole(
        file, Encode({path, entry.Old, record.After.Valid ? record.After : entry.EarlierAfter,
                      record.Planned}));
}

void BackupFolder::Drop(const FileRecord& record) {
    const std::string path = Absolute(record.Path);
    const auto it = entries_.find(path);
    if (it == entries_.end()) return;
    if (!it->second.EarlierAfter.Valid)
        ::unlink((fs::path(folder_) / BackupFileName(path)).string().c_str());
    entries_.erase(it);
}

ApplyReport RestoreFolder(const std::string& folder) {
    ApplyReport report;
    // A folder others may write can hold anybody's backups: none is used.
    dev_t dev = 0;
    const FolderTrust trust = TrustOf(folder, &dev);
    const std::optional<dev_t> medium =
        trust == FolderTrust::Medium ? std::optional<dev_t>(dev) : std::nullopt;
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > kSuffix.size() && name.ends_with(kSuffix))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    SaveRun run;
    for (const auto& file : files) {
        std::string bytes;
        using enum BackupProblem;
        BackupProblem why =
            trust != FolderTrust::Open ? Distrust(file, &bytes, medium) : FolderOpen;
        const auto backup = why == None ? Decode(bytes) : std::nullopt;
        if (why == None && !backup) why = Damaged;
        if (why == None && BackupFileName(backup->Path) != fs::path(file).filename().string())
            why = WrongName;
        if (why == None && !TagsAreTags(backup->Old)) why = NoTags;
        if (why == None && !IsMp3File(backup->Path)) why = NoMp3;
        if (why == None && medium && !OnDevice(backup->Path, *medium)) why = OtherMedium;
        if (why != None) {
            report.Unreadable.push_back(file + ": " +
                                        BackupProblemText(why, backup ? backup->Path : ""));
            continue;
        }
        const std::string& path = backup->Path;
        // The file holds what the run wrote: the stamp the run noted, or,
        // when the run ended before it could note it (or a start finished
        // its write), the tags it was to write.
        const FileStamp now = StampOf(path);
        const FileStamp& planned = backup->Planned;
        const bool written =
            now.Valid && ((backup->After.Valid && now == backup->After) ||
                          (planned.Valid && now.Size == planned.Size && now.Hash == planned.Hash));
        if (written) {
            run.Add(PutBackChange(path, backup->Old),
                    [&report, file](const writepath::FilePlan& plan) {
                        if (plan.Why != writepath::Failure::None) {
                            report.Failed.push_back(PathWithReason(plan.Path, plan.Why));
                            return;
                        }
                        ::unlink(file.c_str());
                    });
            continue;
        }
        // A run that ended before it wrote the file left it as it was.
        if (const auto tags = ReadTagBytes(path); tags && *tags == backup->Old) {
            ::unlink(file.c_str());
            continue;
        }
        report.Changed.push_back(path);
    }
    run.Commit();
    return report;
}
