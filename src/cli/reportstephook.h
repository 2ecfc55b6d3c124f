#pragma once

// The steps of writing a report file, in the order they run, for tests that make each fail.
enum class ReportStep {
    Create, // the scratch file beside the report
    Write,
    Sync,
    Close,
    Rename, // the scratch file over the report's name
    SyncFolder,
};

// Runs before each step: false makes the step fail as if the platform had refused it.
using ReportStepHook = bool (*)(ReportStep);

// No hook (nullptr) lets every step run.
void setReportStepHook(ReportStepHook hook);
