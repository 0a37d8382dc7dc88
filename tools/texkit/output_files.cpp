// Temporary outputs renamed into place, and the interruption mark set by SIGINT and SIGTERM.
#include "tools/texkit/output_files.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Lock-free, so the handler may set it and every worker read it.
std::atomic<int> interruptSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void markInterrupted(int signal) {
    interruptSignal.store(signal);
}

} // namespace

std::string OutputFiles::temporaryFor(const std::string& output, std::string* error) {
    const fs::path path(output);
    std::error_code made;
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), made);
    if (made) {
        *error =
            "cannot make the folder " + path.parent_path().string() + " (" + made.message() + ")";
        return {};
    }
    std::lock_guard<std::mutex> lock(mutex_);
    // Hidden, and named after the output and this process, so that a person who finds one
    // after a killed run knows what it was.
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".texkit-%ld-%lu.tmp", long(::getpid()), ++counter_);
    std::string name(1, '.');
    name.append(path.filename().string()).append(suffix);
    const std::string temporary = (path.parent_path() / name).string();
    pending_.insert(temporary);
    return temporary;
}

bool OutputFiles::commit(const std::string& temporary, const std::string& output,
                         std::string* error) {
    if (std::rename(temporary.c_str(), output.c_str()) != 0) {
        *error = "cannot rename the finished file into place (" +
                 std::string(std::strerror(errno)) + ")";
        discard(temporary);
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.erase(temporary);
    return true;
}

void OutputFiles::discard(const std::string& temporary) {
    std::remove(temporary.c_str());
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.erase(temporary);
}

void OutputFiles::removeAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const std::string& temporary : pending_)
        std::remove(temporary.c_str());
    pending_.clear();
}

void installInterruptHandlers() {
    struct sigaction action = {};
    action.sa_handler = markInterrupted;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int interruptingSignal() {
    return interruptSignal.load();
}

void endByInterruptingSignal() {
    const int signal = interruptSignal.load();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}
