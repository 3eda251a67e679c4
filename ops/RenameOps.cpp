#include "ops/RenameOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "ops/Reasons.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/Text.h"

namespace {

constexpr size_t kMaxNameBytes = 255;

std::string_view FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view NameOf(std::string_view path) {
    return path.substr(FolderOf(path).size());
}

bool Exists(const std::string& path, struct stat& st) {
    return ::lstat(path.c_str(), &st) == 0;
}

// The names of a folder's entries, byte for byte, read once a plan.
class FolderNames {
  public:
    bool Holds(std::string_view folder, std::string_view name) {
        auto [it, fresh] = names_.try_emplace(std::string(folder));
        if (fresh) {
            if (DIR* dir = ::opendir(folder.empty() ? "." : it->first.c_str())) {
                while (const dirent* entry = ::readdir(dir)) it->second.emplace(entry->d_name);
                ::closedir(dir);
            }
        }
        return it->second.contains(std::string(name));
    }

  private:
    std::unordered_map<std::string, std::unordered_set<std::string>> names_;
};

// Whether the existing target of a rename is the renamed file itself under
// another case of its name. Where the file system ignores case, stat may
// still give the two spellings other inode numbers (FAT and exFAT through
// FUSE); then the folder's listing tells: no entry has the new name byte
// for byte, so the lookup found the old one.
bool SameEntry(const RenamePlanItem& item, const struct stat& target, FolderNames& names) {
    struct stat self {};
    if (!Exists(item.Path, self)) return false;
    if (self.st_dev == target.st_dev && self.st_ino == target.st_ino) return true;
    return self.st_dev == target.st_dev &&
           AsciiLower(item.NewName) == AsciiLower(NameOf(item.Path)) &&
           !names.Holds(FolderOf(item.Path), item.NewName) &&
           names.Holds(FolderOf(item.Path), NameOf(item.Path));
}

}  // namespace

std::optional<RenameValues> ReadRenameValues(const std::string& path, int level) {
    RenameValues values;
    if (level == 1) {
        TID3v1 tag;
        if (!tag.ReadFromFile(path)) return std::nullopt;
        values.Texts = TextsOf(tag);
        values.Track = tag.Track();
    } else {
        TID3v2 tag;
        if (!tag.ReadFromFile(path)) return std::nullopt;
        values.Texts = TextsOf(tag);
        values.Track = tag.Track();
    }
    return values;
}

std::string PatternOf(bool titleFirst, std::string_view separator) {
    const std::string join = separator == "-" ? " - " : std::string(separator);
    const auto placeholder = [](TagField f) { return "%" + std::string(FieldName(f)) + "%"; };
    const std::string title = placeholder(TagField::Title), artist = placeholder(TagField::Artist);
    return titleFirst ? title + join + artist : artist + join + title;
}

std::string ExpandPattern(std::string_view pattern, const RenameValues& values,
                          std::vector<std::string>* missing) {
    std::string out;
    const auto need = [&](std::string_view name, const std::string& value) {
        if (value.empty() && missing) missing->emplace_back(name);
        out += value;
    };
    for (size_t i = 0; i < pattern.size();) {
        if (pattern[i] != '%') {
            out += pattern[i++];
            continue;
        }
        if (pattern.compare(i, 2, "%%") == 0) {
            out += '%';
            i += 2;
            continue;
        }
        // "%name%" at i, without building the placeholder.
        const auto at = [&](std::string_view name) {
            return pattern.size() > i + name.size() + 1 &&
                   pattern.compare(i + 1, name.size(), name) == 0 &&
                   pattern[i + 1 + name.size()] == '%';
        };
        bool matched = false;
        if (at(kTrackName)) {
            std::string track;
            if (values.Track > 0)
                track = (values.Track < 10 ? "0" : "") + std::to_string(values.Track);
            need(kTrackName, track);
            i += kTrackName.size() + 2;
            matched = true;
        }
        for (size_t f = 0; !matched && f < TagFieldCount; ++f) {
            const std::string_view name = FieldName(TagFields[f].Field);
            if (!at(name)) continue;
            need(name, values.Texts[TagFields[f].Field]);
            i += name.size() + 2;
            matched = true;
        }
        if (!matched) out += pattern[i++];
    }
    return out;
}

std::string_view ExtensionOf(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return name.substr(dot);
}

std::string SafeFileName(std::string_view base, std::string_view extension) {
    std::string name;
    for (const char c : base) {
        const auto u = static_cast<unsigned char>(c);
        const bool forbidden = u < 0x20 || u == 0x7F ||
                               std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
        name += forbidden ? '_' : c;
    }
    const auto trimmable = [](char c) { return c == ' ' || c == '.'; };
    while (!name.empty() && trimmable(name.back())) name.pop_back();
    size_t first = 0;
    while (first < name.size() && trimmable(name[first])) ++first;
    name.erase(0, first);
    if (name.empty()) return {};
    // Cut at a character boundary so the extension still fits.
    const size_t room = kMaxNameBytes > extension.size() ? kMaxNameBytes - extension.size() : 0;
    if (name.size() > room) {
        size_t cut = 0;
        for (size_t pos = 0; pos < name.size();) {
            size_t next = pos;
            (void)NextCodePoint(name, next);
            if (next > room) break;
            cut = pos = next;
        }
        name.resize(cut);
        while (!name.empty() && trimmable(name.back())) name.pop_back();
        if (name.empty()) return {};
    }
    return name + std::string(extension);
}

std::string RenamePlanItem::NewPath() const {
    return std::string(FolderOf(Path)) + NewName;
}

std::vector<RenamePlanItem> PlanRenames(const std::vector<std::string>& paths,
                                        const std::vector<std::optional<RenameValues>>& values,
                                        std::string_view pattern) {
    std::vector<RenamePlanItem> plan(paths.size());
    // Folder and new name, without regard to ASCII case -> the items that want it.
    std::unordered_map<std::string, std::vector<size_t>> wanted;
    for (size_t i = 0; i < paths.size(); ++i) {
        RenamePlanItem& item = plan[i];
        item.Path = paths[i];
        if (!values[i]) {
            item.Skip = RenameSkip::Unreadable;
            continue;
        }
        const std::string base = ExpandPattern(pattern, *values[i], &item.Missing);
        if (!item.Missing.empty()) {
            item.Skip = RenameSkip::EmptyField;
            continue;
        }
        const std::string_view oldName = NameOf(item.Path);
        item.NewName = SafeFileName(base, ExtensionOf(oldName));
        if (item.NewName.empty()) {
            item.Skip = RenameSkip::EmptyName;
        } else if (item.NewName == oldName) {
            item.Skip = RenameSkip::SameName;
        } else {
            wanted[std::string(FolderOf(item.Path)) + AsciiLower(item.NewName)].push_back(i);
        }
    }
    for (const auto& [name, items] : wanted) {
        if (items.size() < 2) continue;
        for (const size_t i : items) plan[i].Skip = RenameSkip::Duplicate;
    }
    FolderNames names;
    for (RenamePlanItem& item : plan) {
        if (item.Skip != RenameSkip::None) continue;
        struct stat target {};
        if (Exists(item.NewPath(), target) && !SameEntry(item, target, names))
            item.Skip = RenameSkip::Exists;
    }
    return plan;
}

namespace {

// One rename that replaces nothing; errno set on failure.
bool MoveNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
#endif
    // A file system without the flag: a second link fails on an existing name.
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) == 0) return true;
        const int saved = errno;
        ::unlink(to.c_str());
        errno = saved;
        return false;
    }
    if (errno == EEXIST) return false;
    // Nor links (FAT): the name is reserved first, so rename replaces only
    // what it reserved.
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    const int saved = errno;
    ::unlink(to.c_str());
    errno = saved;
    return false;
}

}  // namespace

std::optional<RenameRecord> RenameNoReplace(const std::string& from, const std::string& to) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return std::nullopt;
    if (AsciiLower(NameOf(from)) == AsciiLower(NameOf(to)) && NameOf(from) != NameOf(to)) {
        // A change of case alone: on a file system that ignores case the new
        // name is the old one, so the file goes through a name of its own.
        std::string temporary;
        for (int attempt = 0;; ++attempt) {
            temporary = std::string(FolderOf(from)) + ".tonzettel-umbenennen-" +
                        std::to_string(::getpid()) + "-" + std::to_string(attempt);
            if (MoveNoReplace(from, temporary)) break;
            if (errno != EEXIST || attempt > 100) return std::nullopt;
        }
        if (!MoveNoReplace(temporary, to)) {
            const int saved = errno;
            MoveNoReplace(temporary, from);
            errno = saved;
            return std::nullopt;
        }
    } else if (!MoveNoReplace(from, to)) {
        return std::nullopt;
    }
    return RenameRecord{from, to, static_cast<uint64_t>(st.st_dev),
                        static_cast<uint64_t>(st.st_ino)};
}

std::vector<RenameRecord> CarryOut(std::vector<RenamePlanItem>& plan) {
    std::vector<RenameRecord> done;
    for (RenamePlanItem& item : plan) {
        if (item.Skip != RenameSkip::None) continue;
        if (auto record = RenameNoReplace(item.Path, item.NewPath())) {
            done.push_back(std::move(*record));
        } else {
            item.Skip = errno == EEXIST ? RenameSkip::Exists : RenameSkip::Failed;
        }
    }
    return done;
}

bool SameFile(const std::string& path, const RenameRecord& record) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_dev) == record.Device &&
           static_cast<uint64_t>(st.st_ino) == record.Inode;
}
