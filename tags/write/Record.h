#pragma once

// The journal record: what a group of saves is about to write, durable
// before the first byte of a file changes. It holds the new bytes (or names
// the buffer with the complete new file) and, of the old bytes, only their
// digests: enough to finish the write after a crash, and to tell the file
// it was made for (old or new bytes, sector by sector) from any other file
// that has its name by then.
//
// Format: "TZJ5", the payload's length (8 bytes, least significant first),
// the payload's QuickPrint (16 bytes), the payload (numbers and texts as
// ByteRecord.h writes them). Records of the forms before are read too:
// "TZJ4", the same with BLAKE2b digests of the ranges' old pieces; "TZJ3",
// that without the shift and with a BLAKE2b payload digest; "TZJ2", with
// BLAKE2b prints on the growing path as well.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/write/Digest.h"

namespace writepath {

// What tells one file from another beyond its name: a second stick in the
// same port often gets the same device and inode numbers, but not the same
// birth time or inode generation, where the file system has them.
struct FileIdentity {
    uint64_t Dev = 0, Ino = 0;
    uint32_t Uid = 0;
    std::optional<int64_t> BirthNs;
    std::optional<uint64_t> Generation;
    bool ProvablySame(const FileIdentity& other) const;
};
FileIdentity IdentityOf(int fd);

// One changed stretch of a file, written in place. Beyond the old end of
// the file OldLength is shorter than New.
struct Range {
    int64_t Offset = 0;
    std::string New;
    int64_t OldLength = 0;
    std::vector<Digest> OldPieces;  // prints of each piece of the old bytes (ForEachPiece)
};

struct Span {
    int64_t Offset = 0, Length = 0;
};

struct JournalEntry {
    std::string Path;  // full path
    FileIdentity Identity;
    int64_t OldSize = 0, NewSize = 0;
    uint32_t Mode = 0;  // permission bits only
    bool ModeRaised = false;
    // In place: the ranges, and the old bytes no range touches (the tag
    // areas and the first audio), which no write changes, by a QuickPrint.
    std::vector<Range> Ranges;
    std::vector<Span> Kept;
    Digest KeptDigest{};
    // Grown by room inserted at the start (Shift bytes, whole blocks; the
    // audio is not copied): the one range is the new ID3v2 area, Kept names
    // the old audio and tail in the old file's offsets, and OldSectors holds
    // the prints of the old area's sectors, which the inserted room moves
    // Shift bytes on until the new area is written over them.
    int64_t Shift = 0;
    // Growing or shrinking: the buffer's name in the journal's folder, its
    // digest, and the digest of every old sector of the file.
    std::string Buffer;
    Digest BufferDigest{};
    std::vector<Digest> OldSectors;
    // Both by BLAKE2b, in a record of the form before; by QuickPrint now:
    // the buffer is this user's own and a sector print only tells old bytes
    // from new, and BLAKE2b over every sector was most of a growing save.
    bool StrongPrints = false;
    // The old pieces of the ranges by BLAKE2b, in a record of the forms
    // before; by QuickPrint now: a piece's print only tells the old bytes
    // from the new ones and from bytes another program put there since,
    // and whoever could forge one could write the file itself. BLAKE2b
    // over the frames an edit moves (a cover behind the album) was most of
    // the save's time.
    bool StrongPieces = false;
};

// The forms of the record, the newest last. A save writes the newest; the
// others are read, and written only by tests (their entries have no shift).
enum class RecordForm { StrongPrints, NoShift, StrongPieces, Current };

std::string EncodeRecord(const std::vector<const JournalEntry*>& entries,
                         RecordForm form = RecordForm::Current);
// The same into record, whose room a caller can keep from group to group.
void EncodeRecordInto(const std::vector<const JournalEntry*>& entries, std::string& record,
                      RecordForm form = RecordForm::Current);
// Nothing for a record that is torn, none, or of no form above; form, when
// given, tells which.
std::optional<std::vector<JournalEntry>> DecodeRecord(std::string_view bytes,
                                                      RecordForm* form = nullptr);

}  // namespace writepath
