#pragma once

// "ID3Tags -> Dateiname": new file names from the tags, safe on every disk a
// user copies to, planned with a reason for every file that is not renamed,
// and renamed without ever replacing a file. Paths are the file system's
// bytes; texts are UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/Fields.h"

// What a pattern can name of a file's tag.
struct RenameValues {
    TagTexts Texts;
    int Track = 0;  // 0: none
};

// The level's tag of the file (1: ID3v1, else ID3v2), read without any
// message; nothing when the file cannot be read.
std::optional<RenameValues> ReadRenameValues(const std::string& path, int level);

// The pattern of the conversion's choices: artist and title (or title and
// artist) joined by the separator; "-" joins with blanks around it, so the
// name converts back.
std::string PatternOf(bool titleFirst, std::string_view separator);

// The placeholders a pattern may hold: "%Interpret%" ... "%Kommentar%" and
// "%Track%" (two digits), "%%" a percent sign.

// The pattern with the values put in; a placeholder of an empty value is
// named in missing (its German name) and gives nothing. Any other "%" stays.
std::string ExpandPattern(std::string_view pattern, const RenameValues& values,
                          std::vector<std::string>* missing = nullptr);

// A name every file system takes: "/ \ : * ? " < > |" and control characters
// become "_", blanks and dots at either end go, and the name is cut to 255
// bytes at a character boundary with extension (kept as it is) included.
std::string SafeFileName(std::string_view base, std::string_view extension);

// The extension of a file name, its dot included (".MP3"); empty for none.
std::string_view ExtensionOf(std::string_view name);

// Why a file is not renamed.
enum class RenameSkip {
    None,
    Unreadable,  // the tag cannot be read
    EmptyField,  // a field the pattern needs is empty
    EmptyName,   // nothing of the name is left
    SameName,    // the name would not change
    Duplicate,   // another file of the run would get the same name
    Exists,      // a file of that name exists already
    Failed,      // the rename itself failed
};

// Its words: RenameSkipText (ops/Reasons.h).

struct RenamePlanItem {
    std::string Path;     // the file now
    std::string NewName;  // in the same folder; empty when nothing came of the pattern
    RenameSkip Skip = RenameSkip::None;
    std::vector<std::string> Missing;  // for EmptyField
    std::string NewPath() const;
};

// Plans the renames of the files: values[i] belongs to paths[i] (nothing:
// unreadable). Two files to one name (without regard to ASCII case, as FAT
// and Windows compare) both stay; so does a file whose new name another file
// holds already.
std::vector<RenamePlanItem> PlanRenames(const std::vector<std::string>& paths,
                                        const std::vector<std::optional<RenameValues>>& values,
                                        std::string_view pattern);

// A rename that was carried out, and how to find the file again.
struct RenameRecord {
    std::string From, To;
    uint64_t Device = 0, Inode = 0;
};

// Renames from to to in its folder, never replacing a file: renameat2 with
// RENAME_NOREPLACE, else link and unlink, else a name reserved with O_EXCL;
// a change of case alone goes through a temporary name. The record on
// success; errno tells why not.
std::optional<RenameRecord> RenameNoReplace(const std::string& from, const std::string& to);

// Carries out the plan's renames (items with Skip None); an item whose
// rename fails gets Failed. The records of the renames done, in order.
std::vector<RenameRecord> CarryOut(std::vector<RenamePlanItem>& plan);

// Whether the file at path is the one the record renamed (device and inode).
bool SameFile(const std::string& path, const RenameRecord& record);
