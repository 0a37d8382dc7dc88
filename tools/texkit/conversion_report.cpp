// The progress line, the failure lines, the summary and the JSON objects of a conversion.
#include "tools/texkit/conversion_report.h"

#include "tools/texkit/format_names.h"
#include "tools/texkit/json_text.h"
#include "tools/texkit/shown_text.h"

#include <cstdio>
#include <unistd.h>

namespace {

const char* resultName(ConversionOutcome::Result result) {
    switch (result) {
    case ConversionOutcome::Converted:
        return "converted";
    case ConversionOutcome::Skipped:
        return "skipped";
    case ConversionOutcome::Interrupted:
        return "interrupted";
    case ConversionOutcome::Failed:
        break;
    }
    return "failed";
}

} // namespace

ConversionReport::ConversionReport(const ConvertOptions& options, size_t files, uint64_t inputBytes)
    : quiet_(options.quiet), json_(options.json),
      progressLine_(!options.quiet && ::isatty(STDERR_FILENO) != 0), files_(files),
      inputBytes_(inputBytes) {}

double ConversionReport::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ConversionReport::clearProgressLine() {
    if (lineShown_)
        std::fputs("\r\033[K", stderr);
    lineShown_ = false;
}

void ConversionReport::drawProgressLine() {
    if (!progressLine_)
        return;
    const size_t done = converted_ + skipped_ + failed_;
    const double elapsed = seconds();
    char left[32] = "";
    // Time left from the input bytes still to read, at the rate so far.
    if (doneBytes_ > 0 && doneBytes_ < inputBytes_)
        std::snprintf(left, sizeof left, ", %.0f s left",
                      elapsed * double(inputBytes_ - doneBytes_) / double(doneBytes_));
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %.1f Mpix, %.1f Mpix/s%s: %s", done, files_,
                 megapixels_, elapsed > 0 ? megapixels_ / elapsed : 0.0, left, current_.c_str());
    std::fflush(stderr);
    lineShown_ = true;
}

void ConversionReport::started(const ConversionJob& job) {
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = shownText(job.input);
}

void ConversionReport::finished(const ConversionJob& job, const ConversionOutcome& outcome) {
    std::lock_guard<std::mutex> lock(mutex_);
    doneBytes_ += job.inputBytes;
    switch (outcome.result) {
    case ConversionOutcome::Converted:
        ++converted_;
        megapixels_ += double(outcome.pictureWidth) * double(outcome.pictureHeight) / 1e6;
        break;
    case ConversionOutcome::Skipped:
        ++skipped_;
        break;
    case ConversionOutcome::Failed:
    case ConversionOutcome::Interrupted:
        ++failed_;
        break;
    }
    if (!outcome.warning.empty()) {
        clearProgressLine();
        std::fprintf(stderr, "texkit: %s: warning: %s\n", shownText(job.input).c_str(),
                     shownText(outcome.warning).c_str());
    }
    if (outcome.result == ConversionOutcome::Failed) {
        clearProgressLine();
        std::fprintf(stderr, "texkit: %s: %s\n", shownText(job.input).c_str(),
                     shownText(outcome.reason).c_str());
    }
    if (json_) {
        JsonObject object;
        object.add("input", job.input)
            .add("output", job.output)
            .add("result", resultName(outcome.result));
        if (outcome.result == ConversionOutcome::Converted) {
            object.add("width", uint64_t(outcome.width))
                .add("height", uint64_t(outcome.height))
                .add("format", formatName(outcome.format))
                .add("levels", uint64_t(outcome.levels))
                .add("bytes", outcome.bytesWritten);
        } else {
            object.add("reason", outcome.reason);
        }
        if (!outcome.warning.empty())
            object.add("warning", outcome.warning);
        object.add("milliseconds", outcome.milliseconds);
        std::printf("%s\n", object.text().c_str());
        std::fflush(stdout);
    }
    drawProgressLine();
}

void ConversionReport::problem(const std::string& path, const std::string& reason) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++failed_;
    clearProgressLine();
    std::fprintf(stderr, "texkit: %s: %s\n", shownText(path).c_str(), shownText(reason).c_str());
    if (json_) {
        std::printf("%s\n", JsonObject()
                                .add("input", path)
                                .add("result", "failed")
                                .add("reason", reason)
                                .text()
                                .c_str());
        std::fflush(stdout);
    }
}

void ConversionReport::tick() {
    std::lock_guard<std::mutex> lock(mutex_);
    drawProgressLine();
}

void ConversionReport::finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    clearProgressLine();
    if (quiet_)
        return;
    const double elapsed = seconds();
    std::fprintf(stderr, "texkit: converted %zu, skipped %zu, failed %zu in %.2f s, %.1f Mpix/s\n",
                 converted_, skipped_, failed_, elapsed, elapsed > 0 ? megapixels_ / elapsed : 0.0);
}
