#include "scan/Scan.h"

#include "tags/MPEGaudio.h"

namespace {

// One analyser, one row and one path for the whole scan, so memory stays
// flat however many files the tree holds.
struct Scan {
    int Level = 1;
    const ScanCallbacks* Callbacks = nullptr;
    ScanReport Report;
    TMPEGaudio Audio;
    FileRow Row;
    std::string Path;
};

bool Visit(void* context, const std::string& folder, const DirEntry& entry) {
    Scan& s = *static_cast<Scan*>(context);
    ++s.Report.Found;
    if (s.Callbacks->Before && !s.Callbacks->Before(folder, entry)) return false;
    s.Path.assign(folder).append(entry.Name);
    s.Audio.ReadFromFile(s.Path);
    if (s.Audio.Unreadable()) {
        ++s.Report.UnreadableFiles;
        if (s.Callbacks->Unreadable) s.Callbacks->Unreadable(s.Path);
    }
    const bool valid = BuildFileRow(s.Audio, s.Level, folder, entry.Name, s.Row);
    return s.Callbacks->Row(valid ? &s.Row : nullptr, folder, entry);
}

}  // namespace

ScanReport ScanFolder(const std::string& folder, int level, const ScanCallbacks& callbacks) {
    Scan s;
    s.Level = level;
    s.Callbacks = &callbacks;
    s.Report.Stopped =
        !WalkFolder(folder, "*.mp3", Visit, &s, kReadAheadFiles, &s.Report.Unreadable);
    return std::move(s.Report);
}
