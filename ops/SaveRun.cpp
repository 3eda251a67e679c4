#include "ops/SaveRun.h"

#include "ops/History.h"

namespace {

TagBytes OldTags(const writepath::FilePlan& plan) {
    return {plan.OldHead, plan.OldBlock};
}

}  // namespace

SaveRun::SaveRun() {
    // Only a recorder compares stamps; it is alive before the run begins.
    group_.SetHashTags(StepRecorder::Active() != nullptr);
    group_.SetBeforeWrite([](const writepath::FilePlan& plan) {
        StepRecorder* recorder = StepRecorder::Active();
        if (!recorder) return writepath::Failure::None;
        FileStamp planned = StampOf(plan);
        planned.Valid = true;
        planned.MtimeNs = 0;
        return recorder->BeforeWrite(plan.Path, OldTags(plan), planned)
                   ? writepath::Failure::None
                   : writepath::Failure::Refused;
    });
}

SaveRun::~SaveRun() {
    Commit();
}

void SaveRun::Add(writepath::TagChange change, Done done) {
    group_.Add(std::move(change), [done = std::move(done)](const writepath::FilePlan& plan) {
        if (StepRecorder* recorder = StepRecorder::Active())
            recorder->AfterWrite(plan.Path, plan.Why == writepath::Failure::None, StampOf(plan));
        if (done) done(plan);
    });
}

void SaveRun::Commit() {
    group_.Commit();
}
