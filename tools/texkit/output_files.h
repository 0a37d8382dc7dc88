// Outputs written whole or not at all, and durably: each one goes to a temporary file in its
// own folder, created exclusively under an unpredictable name (a symbolic link or any other
// file planted there is never opened), written through its own descriptor, synced, renamed
// into place, and the folder synced after the rename. A failed, interrupted or killed
// conversion never leaves a partial output under its final name, and a crash or power cut
// after a run leaves either the old output or the new one. The temporary files still open are
// known, to be removed after an interruption.
//
// Test hook: with TEXKIT_TEMPORARY_NAMES=sequential in the environment, the temporary of
// out/a.dds is tried as out/.a.dds.texkit-0.tmp, then -1 ... -15, so that a test can plant
// files under those names; the names are otherwise random.
#pragma once

#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

// A temporary output being written: a stdio stream whose writes go through write(2) on the
// descriptor opened exclusively. Made by OutputFiles::open, ended by its commit or discard.
class TemporaryOutput {
public:
    TemporaryOutput() = default;
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;
    // Closes what is still open; the file itself is left to OutputFiles::discard.
    ~TemporaryOutput();

    FILE* stream() const { return stream_; }
    const std::string& path() const { return path_; }
    // The errno of the first write that failed, or 0.
    int writeError() const { return writeError_; }

private:
    friend class OutputFiles;
    // Flushes and closes the stream; the errno of the first failure, or 0.
    int closeStream();
    // Closes the descriptor; the errno of its failure, or 0.
    int closeDescriptor();
    static ssize_t writeCookie(void* self, const char* bytes, size_t count);

    int descriptor_ = -1;
    FILE* stream_ = nullptr;
    std::string path_;
    int writeError_ = 0;
    std::vector<char> buffer_; // the stream's, so that a level goes out in few writes
};

class OutputFiles {
public:
    // Makes the output's folder when missing and opens a fresh temporary file beside the
    // output, remembered until it is committed or discarded. False with *error set (naming the
    // file and the cause) when the folder or the file cannot be made. A name found taken by a
    // symbolic link is not followed; *warning then says so even when another name served.
    bool open(const std::string& output, TemporaryOutput* temporary, std::string* error,
              std::string* warning);
    // Flushes and syncs the temporary file, renames it over the output and syncs the folder.
    // False with *error set when any step fails; the temporary file is then removed, and the
    // output is in place only when the rename was done (its folder's sync failed).
    bool commit(TemporaryOutput* temporary, const std::string& output, std::string* error);
    // Closes and removes the temporary file, and forgets it.
    void discard(TemporaryOutput* temporary);
    // Removes every temporary file still remembered.
    void removeAll();

private:
    void forget(const std::string& temporary);

    std::mutex mutex_;
    std::set<std::string> pending_;
};

// The signals that stop a run (SIGINT, SIGTERM): after installInterruptHandlers, a signal only
// marks the run as interrupted; the workers look at the mark between steps.
void installInterruptHandlers();
// 0, or the signal that interrupted the run.
int interruptingSignal();
// Ends the process as the signal would have, so the caller sees how the run ended.
[[noreturn]] void endByInterruptingSignal();
