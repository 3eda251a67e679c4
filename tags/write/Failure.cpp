#include <sys/statvfs.h>

#include <cerrno>

#include "tags/write/Disk.h"

namespace writepath {

Failure FailureOfErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Failure::Gone;
        case EACCES:
        case EPERM:
            return Failure::NoPermission;
        case EROFS:
            return Failure::ReadOnly;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return Failure::NoSpace;
        case EWOULDBLOCK:
            return Failure::Locked;
        case EISDIR:
            return Failure::NotRegular;
        default:
            return Failure::Io;
    }
}

Failure FailureOfErrno(int error, int fd) {
    // Some drivers (FAT through FUSE) answer a full medium with EPERM.
    struct statvfs fs {};
    if ((error == EPERM || error == EACCES) && fd >= 0 && ::fstatvfs(fd, &fs) == 0 &&
        fs.f_bavail == 0) {
        return Failure::NoSpace;
    }
    return FailureOfErrno(error);
}

Failure InStateFolder(Failure failure) {
    switch (failure) {
        case Failure::NoSpace:
            return Failure::StateFull;
        case Failure::ReadOnly:
        case Failure::NoPermission:
            return Failure::StateReadOnly;
        default:
            return failure;
    }
}

}  // namespace writepath
