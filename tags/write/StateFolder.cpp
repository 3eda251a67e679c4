#include "tags/write/StateFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "tags/write/Disk.h"

namespace writepath {
namespace {

// Others may change the entries of a folder unless they cannot write it,
// or it is sticky (then only an entry's owner may rename or remove it).
bool SafeAbove(const struct stat& st) {
    const uid_t me = ::geteuid();
    if (st.st_uid != me && st.st_uid != 0) return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX) != 0;
}

std::string Parent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// Makes folder and any missing parents, each made one durable in its parent.
bool MakeFolders(const std::string& folder) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (folder == "/" || !MakeFolders(Parent(folder))) return false;
    if (::mkdir(folder.c_str(), 0700) != 0) return errno == EEXIST;
    return SyncFolder(Parent(folder)) == Failure::None;
}

StateCheck CheckFolder(const std::string& folder) {
    StateCheck check;
    check.Folder = folder;
    if (folder.empty() || folder[0] != '/') {
        check.Result = StateCheck::Verdict::NoHome;
        return check;
    }
    // The folders above, as they really are (a link on the way is followed,
    // and what it leads to is what must be safe).
    std::string above = Parent(folder);
    if (char* real = ::realpath(above.c_str(), nullptr)) {
        above = real;
        std::free(real);
        check.Folder = (above == "/" ? "" : above) + folder.substr(folder.find_last_of('/'));
    }
    for (std::string at = above;; at = Parent(at)) {
        struct stat st {};
        if (::stat(at.c_str(), &st) == 0 && !SafeAbove(st)) {
            check.Result = StateCheck::Verdict::AboveOpen;
            check.Where = at;
            return check;
        }
        if (at == "/") break;
    }
    struct stat st {};
    if (::lstat(check.Folder.c_str(), &st) != 0) return check;  // not there yet: nothing to read
    check.Where = check.Folder;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        check.Result = StateCheck::Verdict::NotOwned;
    } else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        check.Result = StateCheck::Verdict::OpenToOthers;
    }
    return check;
}

}  // namespace

std::string DefaultStateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/tonzettel";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0]) {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty() || home[0] != '/') return {};
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return (home == "/" ? "" : home) + "/.local/state/tonzettel";
}

StateCheck CheckStateFolder(const std::string& folder, bool create) {
    // Nothing is made below a folder that others may change; what was made
    // is checked again.
    StateCheck check = CheckFolder(folder);
    if (!create || !check.Trusted()) return check;
    (void)MakeFolders(folder);
    return CheckFolder(folder);
}

bool OwnFile(const struct stat& st) {
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace writepath
