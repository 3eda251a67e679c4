#pragma once

// The tools' saves as a single file's run: the run is written before the
// call returns, so a test reads the outcome and the file at once.

#include <ostream>
#include <string>

#include "ops/ConvertOps.h"
#include "ops/EditOps.h"
#include "ops/History.h"
#include "ops/Reasons.h"
#include "ops/SaveRun.h"
#include "ops/TransferOps.h"

inline bool operator==(const SaveOutcome& a, FileOutcome b) {
    return a.Outcome == b;
}
inline void PrintTo(const SaveOutcome& o, std::ostream* out) {
    *out << "outcome " << static_cast<int>(o.Outcome) << " (" << FailureText(o.Why) << ")";
}

inline SaveOutcome WriteTagField(const std::string& path, int level, TagField field,
                                 const std::string& text) {
    return SaveTagFields(path, level, {{field, text}});
}

inline SaveOutcome WriteArtistTitle(TMPEGaudio& audio, const std::string& path, int level,
                                    const std::string& artist, const std::string& title) {
    SaveOutcome outcome;
    SaveRun run;
    WriteArtistTitle(run, audio, path, level, artist, title,
                     [&](const SaveOutcome& o) { outcome = o; });
    run.Commit();
    return outcome;
}

inline TransferResult TransferLevel1To2(TMPEGaudio& audio, const std::string& path) {
    TransferResult result;
    SaveRun run;
    TransferLevel1To2(run, audio, path, [&](const TransferResult& r) { result = r; });
    run.Commit();
    return result;
}

inline TransferResult TransferLevel2To1(TMPEGaudio& audio, const std::string& path) {
    TransferResult result;
    SaveRun run;
    TransferLevel2To1(run, audio, path, [&](const TransferResult& r) { result = r; });
    run.Commit();
    return result;
}
