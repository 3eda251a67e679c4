#include "scan/FolderWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "scan/ReadAhead.h"
#include "tags/Text.h"

namespace {

constexpr char kSeparator = '/';

// Case-blind order with a byte-wise tie break, so "a.mp3" and "A.mp3" keep a
// fixed order between runs.
bool NameLess(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto cb = static_cast<unsigned char>(LowerAscii(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

struct FolderId {
    dev_t dev;
    ino_t ino;
    bool operator==(const FolderId&) const = default;
};

struct FileItem {
    std::string name;
    bool link;
};

class Walker {
  public:
    Walker(const std::string& pattern, FileVisitor visitor, void* context, int readAhead,
           std::vector<std::string>* unreadable)
        : pattern_(pattern),
          visitor_(visitor),
          context_(context),
          readAhead_(readAhead),
          unreadable_(unreadable) {}

    // path ends in the separator. Returns false when the visitor stopped the walk.
    bool Visit(std::string& path) {
        DIR* dir = opendir(path.c_str());
        if (dir == nullptr) {  // cannot be listed: empty
            if (unreadable_) {
                unreadable_->push_back(path.size() > 1 ? path.substr(0, path.size() - 1) : path);
            }
            return true;
        }
        const int fd = dirfd(dir);

        // Guard against folders reached twice through bind mounts: never
        // enter a folder that is already being walked further up.
        struct stat self;
        if (fstat(fd, &self) == 0) {
            const FolderId id{self.st_dev, self.st_ino};
            if (std::find(open_.begin(), open_.end(), id) != open_.end()) {
                closedir(dir);
                return true;
            }
            open_.push_back(id);
        } else {
            open_.push_back(FolderId{0, 0});
        }

        std::vector<FileItem> files;
        std::vector<std::string> folders;
        while (const dirent* e = readdir(dir)) {
            const char* name = e->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            unsigned char type = e->d_type;
            if (type == DT_DIR) {
                if (name[0] != '.') folders.emplace_back(name);
                continue;
            }
            if (type == DT_UNKNOWN) {
                struct stat ls;
                if (fstatat(fd, name, &ls, AT_SYMLINK_NOFOLLOW) != 0) continue;
                if (S_ISDIR(ls.st_mode)) {
                    if (name[0] != '.') folders.emplace_back(name);
                    continue;
                }
                type = S_ISLNK(ls.st_mode) ? DT_LNK : DT_REG;
            }
            if (!MatchesPattern(name, pattern_)) continue;
            files.push_back(FileItem{name, type == DT_LNK});
        }

        std::sort(files.begin(), files.end(),
                  [](const FileItem& a, const FileItem& b) { return NameLess(a.name, b.name); });
        std::sort(folders.begin(), folders.end(), NameLess);

        // Files are examined only when their turn comes, so a folder's listing
        // holds names alone, and the folder stays open only for its files.
        bool goOn = true;
        DirEntry entry;
        FolderReadAhead readAhead(
            fd, files.size(), [&files](size_t i) -> const std::string& { return files[i].name; },
            readAhead_, headNeed_);
        for (size_t i = 0; i < files.size(); ++i) {
            // The file at hand and the next ones of the listing have their
            // first reads on the way while this one is analysed.
            readAhead.Before(i);
            const FileItem& f = files[i];
            struct stat info;
            if (fstatat(fd, f.name.c_str(), &info, 0) != 0) {
                // A dangling link is no file; anything else that cannot be
                // examined is still handed on, so it is counted.
                if (f.link) continue;
                info = {};
                info.st_mode = S_IFREG | S_IWUSR;
            }
            // Links to folders are neither files nor entered.
            if (S_ISDIR(info.st_mode)) continue;
            entry.Name = f.name;
            entry.Size = info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
            entry.ModifiedTime = static_cast<int64_t>(info.st_mtime);
            entry.Hidden = f.name[0] == '.';
            entry.ReadOnly = (info.st_mode & S_IWUSR) == 0;
            if (!visitor_(context_, path, entry)) {
                goOn = false;
                break;
            }
        }
        closedir(dir);
        files = {};

        if (goOn) {
            const size_t length = path.size();
            for (const std::string& sub : folders) {
                path.append(sub);
                path.push_back(kSeparator);
                goOn = Visit(path);
                path.resize(length);
                if (!goOn) break;
            }
        }
        open_.pop_back();
        return goOn;
    }

  private:
    const std::string& pattern_;
    FileVisitor visitor_;
    void* context_;
    int readAhead_;
    std::vector<std::string>* unreadable_;
    std::vector<FolderId> open_;
    HeadNeed headNeed_;  // learned in one folder, used in the next
};

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    // Iterative wildcard match: on a mismatch go back to the last "*" and let
    // it swallow one more character.
    size_t n = 0, p = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool WalkFolder(const std::string& startFolder, const std::string& pattern, FileVisitor visitor,
                void* context, int readAhead, std::vector<std::string>* unreadable) {
    if (startFolder.empty() || visitor == nullptr) return true;
    std::string path = startFolder;
    if (path.back() != kSeparator) path.push_back(kSeparator);
    Walker walker(pattern, visitor, context, readAhead, unreadable);
    return walker.Visit(path);
}
