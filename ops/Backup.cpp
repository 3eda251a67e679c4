#include "ops/Backup.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "tags/PosixFile.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic{"TZUNDO1\n"};
constexpr std::string_view kSuffix{".tzundo"};

struct Backup {
    std::string Path;
    TagBytes Old;
    FileStamp After;
};

void PutNumber(std::string& out, uint64_t value) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, std::string_view text) {
    PutNumber(out, text.size());
    out += text;
}

// Reads from a byte span with its length checked before each field.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool Number(uint64_t& value) {
        if (bytes_.size() - pos_ < 8) return false;
        value = 0;
        for (int i = 0; i < 8; ++i)
            value |= uint64_t{static_cast<uint8_t>(bytes_[pos_ + static_cast<size_t>(i)])}
                     << (8 * i);
        pos_ += 8;
        return true;
    }
    bool Text(std::string& text) {
        uint64_t size = 0;
        if (!Number(size) || bytes_.size() - pos_ < size) return false;
        text.assign(bytes_.substr(pos_, static_cast<size_t>(size)));
        pos_ += static_cast<size_t>(size);
        return true;
    }
    bool AtEnd() const { return pos_ == bytes_.size(); }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

std::string Encode(const Backup& b) {
    std::string out(kMagic);
    PutText(out, b.Path);
    PutText(out, b.Old.Id3v2);
    PutText(out, b.Old.Id3v1);
    PutNumber(out, b.After.Valid ? 1 : 0);
    PutNumber(out, static_cast<uint64_t>(b.After.Size));
    PutNumber(out, static_cast<uint64_t>(b.After.MtimeNs));
    PutNumber(out, b.After.Hash);
    return out;
}

std::optional<Backup> Decode(std::string_view bytes) {
    if (bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
    Reader in(bytes.substr(kMagic.size()));
    Backup b;
    uint64_t valid = 0, size = 0, mtime = 0;
    if (!in.Text(b.Path) || !in.Text(b.Old.Id3v2) || !in.Text(b.Old.Id3v1) || !in.Number(valid) ||
        !in.Number(size) || !in.Number(mtime) || !in.Number(b.After.Hash) || !in.AtEnd() ||
        valid > 1 || b.Path.empty()) {
        return std::nullopt;
    }
    b.After.Valid = valid == 1;
    b.After.Size = static_cast<int64_t>(size);
    b.After.MtimeNs = static_cast<int64_t>(mtime);
    return b;
}

std::optional<std::string> ReadWhole(const std::string& path) {
    PosixFile file(path, O_RDONLY | O_NONBLOCK);
    struct stat st {};
    if (!file.IsOpen() || ::fstat(file.Fd(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    if (file.ReadAt(bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
        return std::nullopt;
    return bytes;
}

// Complete on disk before it takes the name, like any save.
bool WriteWhole(const std::string& path, const std::string& bytes) {
    const std::string buffer = path + "~";
    ::unlink(buffer.c_str());
    PosixFile out(buffer, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, S_IRUSR | S_IWUSR);
    const bool ok = out.IsOpen() && out.WriteAllAt(bytes.data(), bytes.size(), 0) &&
                    ::fsync(out.Fd()) == 0 && out.Close() &&
                    ::rename(buffer.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(buffer.c_str());
    return ok;
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

bool BackupFolder::Keep(const FileRecord& record) {
    const std::string path = Absolute(record.Path);
    const std::string file = (fs::path(folder_) / BackupFileName(path)).string();
    auto it = entries_.find(path);
    if (it == entries_.end()) {
        Entry entry{record.Old, false};
        // An earlier run's backup that still fits the file holds older tags.
        if (const auto bytes = ReadWhole(file)) {
            const auto earlier = Decode(*bytes);
            if (earlier && earlier->Path == path && earlier->After.Valid &&
                earlier->After == StampOf(record.Path)) {
                entry = {earlier->Old, true};
            }
        }
        it = entries_.emplace(path, std::move(entry)).first;
        // That backup stands already; a new one is complete before the write.
        if (it->second.Earlier) return true;
    }
    return WriteWhole(file, Encode({path, it->second.Old, record.After}));
}

void BackupFolder::Drop(const FileRecord& record) {
    const std::string path = Absolute(record.Path);
    const auto it = entries_.find(path);
    if (it == entries_.end()) return;
    if (!it->second.Earlier) ::unlink((fs::path(folder_) / BackupFileName(path)).string().c_str());
    entries_.erase(it);
}

ApplyReport RestoreFolder(const std::string& folder) {
    ApplyReport report;
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > kSuffix.size() && name.ends_with(kSuffix))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        const auto bytes = ReadWhole(file);
        const auto backup = bytes ? Decode(*bytes) : std::nullopt;
        if (!backup) {
            report.Unreadable.push_back(file);
            continue;
        }
        const std::string& path = backup->Path;
        bool done = false;
        if (backup->After.Valid) {
            // The same check as an undo in the window.
            if (StampOf(path) != backup->After) {
                report.Changed.push_back(path);
                continue;
            }
            done = PutBackTags(path, backup->Old);
        } else {
            // The run ended before the write was noted: only a file that
            // holds the old tags still is known to be as it was.
            const auto now = ReadTagBytes(path);
            if (!now || *now != backup->Old) {
                report.Changed.push_back(path);
                continue;
            }
            done = true;
        }
        if (!done) {
            report.Failed.push_back(path);
            continue;
        }
        ::unlink(file.c_str());
    }
    return report;
}
