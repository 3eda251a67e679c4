#pragma once

// The folder of the journal, and which files in it may be acted on. A
// journal tells the next start to write into files, so it is trusted only
// where nobody but the running user can have made it: in a folder of that
// user's that nobody else can write, reached through folders nobody else
// can change, as a plain file of that user's with one link.

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace writepath {

struct StateCheck {
    enum class Verdict {
        Ok,
        NoHome,        // no home folder to put it in
        NotOwned,      // the folder (Where) belongs to another user
        OpenToOthers,  // others may write the folder (Where)
        AboveOpen,     // others may change a folder above it (Where)
    };
    Verdict Result = Verdict::Ok;
    std::string Folder;  // the state folder, as real a path as could be made
    std::string Where;   // the folder at fault
    bool Trusted() const { return Result == Verdict::Ok; }
};

// $XDG_STATE_HOME/tonzettel when that is an absolute path, else
// $HOME/.local/state/tonzettel, with the home of the running user from the
// password database when HOME is unset or empty; empty when there is none.
std::string DefaultStateFolder();

// Checks folder and the folders above it; with create, makes what is
// missing (0700, each made durable in its parent).
StateCheck CheckStateFolder(const std::string& folder, bool create);

// A file in the trusted folder that this user made: regular, one link,
// owned by the effective user, writable by nobody else.
bool OwnFile(const struct stat& st);

}  // namespace writepath

namespace writepath {

// The names of the files the write path makes there: "journal-XXXXXX" for
// a process's journal, "journal-XXXXXX.buf-XXXXXX" for its buffers, and
// "journal-XXXXXX.new" while a start rewrites a journal.
inline constexpr std::string_view kJournalPrefix{"journal-"};
inline constexpr std::string_view kBufferInfix{".buf-"};
inline constexpr std::string_view kRewriteSuffix{".new"};

inline bool IsJournalName(std::string_view name) {
    return name.size() == kJournalPrefix.size() + 6 && name.starts_with(kJournalPrefix) &&
           name.find('.') == std::string_view::npos;
}

}  // namespace writepath
