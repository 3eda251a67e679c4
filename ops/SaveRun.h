#pragma once

#include <functional>

#include "tags/WritePath.h"

// Every tag write of the tools goes through here: the changes of a run are
// saved in groups of the write path, and a recorder alive sees each file's
// old tags before its group is written and its stamp after. done runs after
// the file's group, with its plan and outcome.
class SaveRun {
  public:
    using Done = std::function<void(const writepath::FilePlan&)>;
    SaveRun();
    ~SaveRun();
    SaveRun(const SaveRun&) = delete;
    SaveRun& operator=(const SaveRun&) = delete;
    void Add(writepath::TagChange change, Done done = {});
    // Writes what is pending; the destructor does it too.
    void Commit();

  private:
    writepath::WriteGroup group_;
};
