#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/Messages.h"
#include "tags/WritePath.h"

class TMPEGaudio;

// The six fields the editing tools handle, in the order they work on them.
enum class TagField { Artist, Album, Title, Year, Genre, Comment };
inline constexpr std::array<TagField, 6> AllTagFields{TagField::Artist, TagField::Album,
                                                      TagField::Title,  TagField::Year,
                                                      TagField::Genre,  TagField::Comment};

// "Interpret", "Album", "Titel", "Jahr", "Genre", "Kommentar".
std::string_view FieldName(TagField field);

// What became of one file in a run of a tool (the wizard, the file-name
// conversion, the transfers, the editor's save, the CLI): one classification
// for all of them.
enum class FileOutcome {
    Written,
    Unreadable,   // the ID3v1 read failed and the tag code has shown its message; nothing written
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

// The position of a genre box entry: the genre number of a text that equals
// one of the 148 names exactly (case-sensitive, untrimmed); 255 otherwise.
uint8_t GenreEntryOf(std::string_view text);

// The genre number of an ID3v2 genre text for an ID3v1 tag: one of the 148
// names without regard to ASCII case, or a number of the table alone ("17",
// "(17)"); 255 otherwise.
uint8_t GenreIndexOf(std::string_view text);

// What the ID3v1 setters are given of a text from another source (a file
// name, the other tag): its first 255 characters, so that blanks behind them
// are cut as blanks before the setter keeps its 30.
std::string Id3v1SetterInput(std::string_view text);

// Loads a file's tags through the analyser for a read-modify-write. Nothing
// when they may be changed and saved; otherwise why not (Unreadable, or
// NoFrame: the analyser has emptied the tags, which must never be saved).
std::optional<FileOutcome> LoadFailure(TMPEGaudio& audio, const std::string& path);

// Counts the messages the tag code shows while it is alive, passing each on
// to the handler that was installed before.
class MessageWatch {
  public:
    MessageWatch();
    ~MessageWatch();
    MessageWatch(const MessageWatch&) = delete;
    MessageWatch& operator=(const MessageWatch&) = delete;
    int Count() const { return count_; }

  private:
    MessageHandler previous_;
    int count_ = 0;
};

// The files of one run that were left as they were, for the run's end
// message. Paths are the file system's bytes; the text names them readably.
class RunReport {
  public:
    // sourceLevel: the tag a transfer copies from (1 or 2); 0 for the other tools.
    explicit RunReport(int sourceLevel = 0) : sourceLevel_(sourceLevel) {}
    // Notes a file that was not written. An unreadable file is not listed:
    // the tag code has named it already.
    void Add(const std::string& path, FileOutcome outcome);
    void Add(const std::string& path, const SaveOutcome& outcome);
    // Notes a file of a transfer whose target kept the named fields because
    // it held more than the source.
    void AddKept(const std::string& path, const std::vector<TagField>& fields);
    bool Empty() const { return notSaved_.empty() && noSourceTag_.empty() && kept_.empty(); }
    // "Folgende Dateien konnten nicht gespeichert werden:" and the paths
    // (each with its reason, where known), and
    // "Folgende Dateien haben kein ID3v1-Tag und bleiben unverändert:" (or
    // "... ID3v2-Tag ...") and theirs, and the files whose target kept
    // fields ("PATH: Album, Kommentar"), each on a line of its own.
    std::string Text() const;

  private:
    int sourceLevel_;
    std::vector<std::string> notSaved_, noSourceTag_, kept_;
};

// "PATH: reason", or the path alone without a reason; the path readable.
std::string PathWithReason(const std::string& path, writepath::Failure why);

// A path as text to show: each part as UTF-8, or else as Windows-1252.
std::string ReadablePath(const std::string& path);

// Appends heading and the paths (readable), each on a line of its own, as a
// section of an end message (an empty line before it unless text is empty); nothing for
// no paths.
void AppendPathSection(std::string& text, std::string_view heading,
                       const std::vector<std::string>& paths);
