#include "ops/Outcome.h"

#include "ops/Reasons.h"

#include "tags/Text.h"

std::string FieldNames(const std::vector<TagField>& fields) {
    std::string text;
    for (const TagField f : fields) (text += text.empty() ? "" : ", ") += FieldName(f);
    return text;
}

SaveOutcome OutcomeOf(const writepath::FilePlan& plan) {
    if (plan.Why == writepath::Failure::None) return {};
    return {FileOutcome::SaveFailed, plan.Why};
}

std::string PathWithReason(const std::string& path, writepath::Failure why) {
    if (why == writepath::Failure::None) return ReadablePath(path);
    return ReadablePath(path) + ": " + FailureText(why);
}

void RunReport::AddKept(const std::string& path, const std::vector<TagField>& fields) {
    if (fields.empty()) return;
    kept_.push_back(ReadablePath(path) + ": " + FieldNames(fields));
}

void RunReport::AddCut(const std::string& path, const std::vector<TagField>& fields) {
    if (fields.empty()) return;
    cut_.push_back(ReadablePath(path) + ": " + FieldNames(fields));
}

void RunReport::AddUnchanged(const std::string& path, const std::string& why) {
    unchanged_.push_back(ReadablePath(path) + ": " + why);
}

void RunReport::AddLost(const std::string& path, const std::string& what) {
    lost_.push_back(ReadablePath(path) + ": " + what);
}

void RunReport::Add(const std::string& path, const SaveOutcome& outcome) {
    Add(outcome.Outcome == FileOutcome::SaveFailed ? PathWithReason(path, outcome.Why) : path,
        outcome.Outcome);
}

void RunReport::Add(const std::string& path, FileOutcome outcome) {
    switch (outcome) {
        case FileOutcome::Written:
            return;
        case FileOutcome::Unreadable:
            broken_.push_back(path);
            return;
        case FileOutcome::NoSourceTag:
            noSourceTag_.push_back(path);
            return;
        case FileOutcome::NoFrame:
        case FileOutcome::SaveFailed:
            notSaved_.push_back(path);
            return;
    }
}

std::string RunReport::Text() const {
    std::string text = summary_;
    AppendPathSection(text, kBrokenFilesHeading, broken_);
    AppendPathSection(text, kNotSavedHeading, notSaved_);
    AppendPathSection(text, NoSourceTagHeading(sourceLevel_), noSourceTag_);
    AppendPathSection(text, KeptFieldsHeading(sourceLevel_), kept_);
    AppendPathSection(text, kCutFieldsHeading, cut_);
    AppendPathSection(text, kUnchangedHeading, unchanged_);
    AppendPathSection(text, kLostFramesHeading, lost_);
    return text;
}
