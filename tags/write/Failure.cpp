#include <cerrno>

#include "tags/WritePath.h"

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

}  // namespace writepath
