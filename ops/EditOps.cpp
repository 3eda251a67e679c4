#include "ops/EditOps.h"

#include "ops/History.h"
#include "ops/TagAccess.h"
#include "tags/MPEGaudio.h"

namespace {

void SetLevelField(TMPEGaudio& audio, int level, TagField field, const std::string& text) {
    if (level == 1) {
        SetField(audio.Tag1(), field, text);
    } else {
        SetField(audio.Tag2(), field, text);
    }
}

}  // namespace

SaveOutcome SaveTagFields(const std::string& path, int level,
                          const std::vector<FieldText>& fields) {
    SaveOutcome outcome;
    SaveRun run;
    WriteTagFields(run, path, level, fields, [&outcome](const SaveOutcome& o) { outcome = o; });
    run.Commit();
    return outcome;
}

SaveOutcome SaveTagTexts(const std::string& path, int level, const TagTexts& texts) {
    std::vector<FieldText> fields;
    for (const TagField f : AllTagFields) fields.emplace_back(f, texts[f]);
    return SaveTagFields(path, level, fields);
}

void WriteTagFields(SaveRun& run, const std::string& path, int level,
                    const std::vector<FieldText>& fields, const SaveDone& done) {
    writepath::TagChange change;
    {
        // The analyser and what it read go before the file is planned: the
        // plan holds the whole tag twice, and memory stays within that.
        TMPEGaudio audio;
        if (const auto failure = LoadFailure(audio, path)) return done({*failure});
        for (const auto& [field, text] : fields) SetLevelField(audio, level, field, text);
        change = level == 1 ? audio.Tag1().Change(path) : audio.Tag2().Change(path);
    }
    run.Add(std::move(change), [done](const writepath::FilePlan& plan) { done(OutcomeOf(plan)); });
}
