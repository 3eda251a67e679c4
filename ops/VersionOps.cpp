#include "ops/VersionOps.h"

#include <memory>

#include "ops/Reasons.h"

void ConvertVersion(SaveRun& run, const std::string& path, const id3v2::ConvertOptions& options,
                    const VersionDone& done) {
    auto state = std::make_shared<VersionOutcome>();
    // A file with nothing to convert keeps its tag area exactly as it is.
    writepath::HeadComposer head = [&options, state](std::string_view oldHead,
                                                     const id3v2::TagInfo& header,
                                                     std::string& tag) {
        const auto keep = [&](VersionSkip why) {
            state->Skip = why;
            tag.assign(oldHead);
            return true;
        };
        if (!id3v2::IsId3(header)) return keep(VersionSkip::NoTag);
        id3v2::ParsedTag parsed;
        if (!id3v2::HasReadableFrames(header) || !id3v2::ParseTag(oldHead, header, parsed))
            return keep(VersionSkip::Unreadable);
        state->From = header.Version;
        id3v2::Conversion conversion;
        if (!id3v2::ConvertTag(parsed, options, tag, conversion)) return false;
        if (!conversion.Changed) return keep(VersionSkip::Already);
        state->Losses = std::move(conversion.Losses);
        id3v2::FitTag(tag, static_cast<int64_t>(oldHead.size()));
        return true;
    };
    run.Add({path, std::move(head)}, [done, state](const writepath::FilePlan& plan) {
        VersionOutcome outcome = *state;
        outcome.Save = OutcomeOf(plan);
        if (plan.Why != writepath::Failure::None) {
            outcome.Skip = VersionSkip::None;
            outcome.Losses.clear();
        }
        done(outcome);
    });
}

bool VersionReport::Add(RunReport& report, const std::string& path, const VersionOutcome& outcome) {
    if (outcome.Save.Outcome != FileOutcome::Written) {
        report.Add(path, outcome.Save);
        return true;
    }
    if (outcome.Skip != VersionSkip::None) {
        report.AddUnchanged(path, VersionSkipText(outcome.Skip, target_));
        return true;
    }
    ++converted_;
    if (outcome.Losses.empty()) return false;
    report.AddLost(path, LossesText(outcome.Losses));
    return true;
}

std::string VersionReport::Summary() const {
    return ConvertedText(converted_, target_);
}
