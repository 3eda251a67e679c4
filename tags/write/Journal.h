#pragma once

// This program's journal: one file in the state folder, made at the first
// save and locked while the program lives (so a start of another program
// passes it over), holding the record of the group being written; empty
// between groups, removed at the end.

#include <string>

#include "tags/PosixFile.h"
#include "tags/WritePath.h"

namespace writepath {

class Journal {
  public:
    ~Journal() { Close(); }

    // The record durable, or nothing of it and a failure.
    Failure Write(const std::string& record);
    Failure Clear();
    // A buffer file of a unique name beside the journal; path is its path,
    // the record names it by the part after the folder.
    Failure MakeBuffer(PosixFile& out, std::string& path);
    const std::string& Folder() const { return folder_; }
    // Leaves the journal to the next start: a write it holds could not be
    // finished here. Later groups get a new journal.
    void Abandon();
    // The end of the program, or another folder for tests.
    void Close();

  private:
    Failure Open();
    std::string folder_, path_;
    PosixFile file_;
};

Journal& TheJournal();

}  // namespace writepath
