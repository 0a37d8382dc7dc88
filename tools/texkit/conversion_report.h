// What a conversion tells its user: on a terminal, one progress line redrawn in place (files,
// megapixels, rate, time left, the file being converted); failures, one line each on standard
// error; a summary line at the end; with --json, one object per input on standard output.
// Workers report from their threads; everything printed goes through one lock.
#pragma once

#include "tools/texkit/file_conversion.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

class ConversionReport {
public:
    ConversionReport(const ConvertOptions& options, size_t files, uint64_t inputBytes);

    void started(const ConversionJob& job);
    void finished(const ConversionJob& job, const ConversionOutcome& outcome);
    // An input that yielded no job (a missing file, a folder loop).
    void problem(const std::string& path, const std::string& reason);
    // Redraws the progress line, when there is one.
    void tick();
    // Clears the progress line and prints the summary (unless quiet).
    void finish();

    bool anyFailed() const { return failed_ != 0; }

private:
    double seconds() const;
    void clearProgressLine();
    void drawProgressLine();

    const bool quiet_;
    const bool json_;
    const bool progressLine_; // standard error is a terminal and the run is not quiet
    const size_t files_;
    const uint64_t inputBytes_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();

    std::mutex mutex_;
    size_t converted_ = 0;
    size_t skipped_ = 0;
    size_t failed_ = 0;
    uint64_t doneBytes_ = 0;
    double megapixels_ = 0;
    std::string current_; // the file started last
    bool lineShown_ = false;
};
