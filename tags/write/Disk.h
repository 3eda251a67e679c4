#pragma once

// The disk calls of the write path, each a thin wrapper that reports the
// step it made to the test seam (SetStepHook): a crash test ends the
// process at any of them, a power-cut test notes what each flush made
// durable. Nothing else in the write path changes what is on disk.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "tags/PosixFile.h"
#include "tags/WritePath.h"

namespace writepath {

void Note(StepKind kind, const std::string& path);

// The failure of a call on fd: as FailureOfErrno, but a refusal on a file
// system with no free space left is NoSpace.
Failure FailureOfErrno(int error, int fd);
// A failure of a write into the journal's folder, named as the folder's:
// StateFull, StateReadOnly, or as it was.
Failure InStateFolder(Failure failure);

Failure SyncFile(const PosixFile& file, const std::string& path, bool metadata = false);
Failure SyncFolder(const std::string& folder);
Failure WriteAt(const PosixFile& file, const std::string& path, std::string_view bytes,
                int64_t offset);
Failure Truncate(const PosixFile& file, const std::string& path, int64_t size);
// Inserts length bytes of room (reading as zeros, its blocks taken) at the
// file's start, the rest of the file moved behind it without being copied;
// length a multiple of the file system's block. refused tells a failure of
// a file system that cannot; inserted, whether the room is in (a failure to
// take its blocks, a full disk, takes it out again where it can).
Failure InsertRoom(const PosixFile& file, const std::string& path, int64_t length, bool& refused,
                   bool& inserted);
// Whether the file's file system can insert room in pieces of length bytes
// (ext4 and XFS, length a multiple of their block).
bool CanInsertRoom(const PosixFile& file, int64_t length);
Failure ChangeMode(const PosixFile& file, const std::string& path, mode_t mode);
Failure RemoveFile(const std::string& path);

// Copies [from, to) of in to out, shift bytes further on, data segment by
// data segment, so a sparse file's holes are not filled. Where in has a
// hole, out keeps what it has, or with punch gets a hole there too.
Failure CopyData(const PosixFile& in, int64_t from, int64_t to, const PosixFile& out,
                 const std::string& outPath, int64_t shift, bool punch);

}  // namespace writepath
