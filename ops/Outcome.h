#pragma once

// What became of each file of a tool's run, and the run's end message.

#include <string>
#include <string_view>
#include <vector>

#include "tags/Fields.h"
#include "tags/WritePath.h"

// What became of one file in a run of a tool (the wizard, the file-name
// conversion, the transfers, the editor's save, the CLI): one classification
// for all of them.
enum class FileOutcome {
    Written,
    Unreadable,   // the ID3v1 read failed (UnreadableFileText); nothing written
    NoFrame,      // no audio frame any more: nothing written
    NoSourceTag,  // a transfer from a tag the file does not have: nothing written
    SaveFailed,   // the tag writer reported failure; the file is as it was
};

// What a tool's save of one file came to; for SaveFailed also why.
struct SaveOutcome {
    FileOutcome Outcome = FileOutcome::Written;
    writepath::Failure Why = writepath::Failure::None;
};

// The outcome of a write path plan: Written, or SaveFailed and its reason.
SaveOutcome OutcomeOf(const writepath::FilePlan& plan);

// "Album, Kommentar"
std::string FieldNames(const std::vector<TagField>& fields);

// The files of one run that were left as they were, for the run's end
// message. Paths are the file system's bytes; the text names them readably.
class RunReport {
  public:
    // sourceLevel: the tag a transfer copies from (1 or 2); 0 for the other tools.
    explicit RunReport(int sourceLevel = 0) : sourceLevel_(sourceLevel) {}
    // Notes a file that was not written.
    void Add(const std::string& path, FileOutcome outcome);
    void Add(const std::string& path, const SaveOutcome& outcome);
    // Notes a file of a transfer whose target kept the named fields because
    // it held more than the source.
    void AddKept(const std::string& path, const std::vector<TagField>& fields);
    // Notes a file whose ID3v1 tag holds the named new fields only in part.
    void AddCut(const std::string& path, const std::vector<TagField>& fields);
    // Notes a file that a tool left as it was, and why ("hat kein Bild").
    void AddUnchanged(const std::string& path, const std::string& why);
    // Notes what a converted file lost ("TDRC (nur zum Teil)").
    void AddLost(const std::string& path, const std::string& what);
    // A line that opens the message ("12 Dateien in ID3v2.3 umgewandelt.").
    void SetSummary(std::string line) { summary_ = std::move(line); }
    bool Empty() const {
        return summary_.empty() && broken_.empty() && notSaved_.empty() && noSourceTag_.empty() &&
               kept_.empty() && unchanged_.empty() && cut_.empty() && lost_.empty();
    }
    // "Die folgenden Dateien sind beschädigt ..." and the unreadable ones,
    // "Folgende Dateien konnten nicht gespeichert werden:" and the paths
    // (each with its reason, where known), and
    // "Folgende Dateien haben kein ID3v1-Tag und bleiben unverändert:" (or
    // "... ID3v2-Tag ...") and theirs, and the files whose target kept
    // fields ("PATH: Album, Kommentar"), each on a line of its own.
    std::string Text() const;

  private:
    int sourceLevel_;
    std::string summary_;
    std::vector<std::string> broken_, notSaved_, noSourceTag_, kept_, cut_, unchanged_, lost_;
};

// "PATH: reason", or the path alone without a reason; the path readable.
std::string PathWithReason(const std::string& path, writepath::Failure why);
