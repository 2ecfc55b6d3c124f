#pragma once

// The steps of a database save, in the order they run, for tests that fail or stop a save at
// each one. Nothing but the save and its tests includes this.
enum class SaveStep {
    ReadExisting,
    WriteTemporary,
    SyncTemporary,
    KeepIdentity, // owner, group, extended attributes and mode onto the temporary file
    Rename,
    SyncFolder,
    WriteCopy, // the old bytes, kept aside before writing in place
    SyncCopy,
    BeginJournal, // the new bytes named as the journal of the write in place
    Overwrite,
    SyncInPlace,
    RemoveCopy,
};

// Runs before each step: false makes the step fail as if the platform had refused it; a hook
// that ends the process stops the save there, as a kill would.
using SaveStepHook = bool (*)(SaveStep);

// No hook (nullptr) lets every step run.
void setSaveStepHook(SaveStepHook hook);
