#pragma once

#include <map>
#include <string>
#include <vector>

#include "ops/History.h"

// The CLI's backup folder: before a file is first written, its previous tags
// go into one small file there, named after the file's absolute path, and
// after each write the file's stamp follows. RestoreFolder puts them back.
// A second run into the same folder keeps the oldest tags of a file as long
// as nobody else changed it in between, so the folder goes back to the state
// before its first run.
class BackupFolder : public RecordKeeper {
  public:
    explicit BackupFolder(std::string folder) : folder_(std::move(folder)) {}
    bool Keep(const FileRecord& record) override;
    void Drop(const FileRecord& record) override;

  private:
    bool Trusts(const std::string& file, std::string* bytes);
    struct Entry {
        TagBytes Old;
        FileStamp EarlierAfter;  // how an earlier run's backup found the file
    };
    std::string folder_;
    std::map<std::string, Entry> entries_;  // by absolute path
    int trust_ = -1;                        // the folder's FolderTrust, once asked
};

// Why a backup file is not used (its words: BackupProblemText).
enum class BackupProblem {
    None,
    CannotOpen,
    CannotRead,
    NotRegular,
    NotYours,  // another user's, or writable by others
    TooLarge,
    FolderOpen,  // its folder is writable by others
    Damaged,
    WrongName,  // the name is not that of the file it names
    NoTags,
    NoMp3,        // it names no MP3 file of its own
    OtherMedium,  // its folder keeps no permissions, and the file is on another medium
};

// Why restore would not use the backups that a run writes into folder for
// these files; None when it would. Asked before the first file changes.
BackupProblem BackupFolderProblem(const std::string& folder, const std::vector<std::string>& files);

// "<16 hex digits>.tzundo" for an absolute path.
std::string BackupFileName(const std::string& absolutePath);

// Puts back the tags of every backup in the folder whose file still holds
// what was written, and removes those backups; the others stay and are
// listed (a backup that cannot be read by its own name).
ApplyReport RestoreFolder(const std::string& folder);
