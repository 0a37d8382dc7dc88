// Outputs written whole or not at all: each one goes to a temporary file in its own folder and
// is renamed into place when complete, so a failed, interrupted or killed conversion never
// leaves a partial output. The temporary files still open are known, to be removed after an
// interruption.
#pragma once

#include <mutex>
#include <set>
#include <string>

class OutputFiles {
public:
    // Makes the output's folder when missing and returns a fresh temporary path beside the
    // output, remembered until it is committed or discarded; empty with *error set when the
    // folder cannot be made.
    std::string temporaryFor(const std::string& output, std::string* error);
    // Renames the temporary file over the output; false, with the temporary file removed and
    // *error set, when it cannot.
    bool commit(const std::string& temporary, const std::string& output, std::string* error);
    // Removes the temporary file if it exists and forgets it.
    void discard(const std::string& temporary);
    // Removes every temporary file still remembered.
    void removeAll();

private:
    std::mutex mutex_;
    std::set<std::string> pending_;
    unsigned long counter_ = 0;
};

// The signals that stop a run (SIGINT, SIGTERM): after installInterruptHandlers, a signal only
// marks the run as interrupted; the workers look at the mark between steps.
void installInterruptHandlers();
// 0, or the signal that interrupted the run.
int interruptingSignal();
// Ends the process as the signal would have, so the caller sees how the run ended.
[[noreturn]] void endByInterruptingSignal();
