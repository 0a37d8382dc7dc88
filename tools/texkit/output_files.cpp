// Temporary outputs created exclusively, synced and renamed into place, and the interruption
// mark set by SIGINT and SIGTERM.
#include "tools/texkit/output_files.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Lock-free, so the handler may set it and every worker read it.
std::atomic<int> interruptSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void markInterrupted(int signal) {
    interruptSignal.store(signal);
}

// Names tried for one temporary before giving up: with random names a clash means that
// someone made the name on purpose, so a few tries are plenty.
constexpr int TemporaryNameTries = 16;
// The stream's buffer: a level of a large texture goes out in few writes.
constexpr size_t StreamBufferBytes = 64 * 1024;

std::string describe(int error) {
    return std::strerror(error);
}

// What the folder part of a path names: "." for a bare file name.
fs::path folderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Syncs a folder, so that the entries made or renamed in it survive a crash; 0 or the errno.
int syncFolder(const fs::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return errno;
    const int failure = ::fsync(descriptor) == 0 ? 0 : errno;
    ::close(descriptor);
    return failure;
}

bool isFolder(const fs::path& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes each missing folder of `folder` and syncs the folder that holds each new one.
bool makeFolders(const fs::path& folder, std::string* error) {
    if (folder.empty() || isFolder(folder))
        return true;
    fs::path made;
    for (const fs::path& part : folder) {
        made /= part;
        if (isFolder(made))
            continue;
        int failure = 0;
        if (::mkdir(made.c_str(), 0777) == 0)
            failure = syncFolder(folderOf(made));
        else if (errno != EEXIST)
            failure = errno;
        else if (!isFolder(made)) // a file or a dangling link is in the way
            failure = ENOTDIR;
        if (failure != 0) {
            *error = "cannot make the folder " + folder.string() + " (" + describe(failure) + ")";
            return false;
        }
    }
    return true;
}

bool sequentialNames() {
    static const bool sequential = [] {
        const char* names = std::getenv("TEXKIT_TEMPORARY_NAMES");
        return names != nullptr && std::strcmp(names, "sequential") == 0;
    }();
    return sequential;
}

// Sixteen hex digits from the system's random source (the clock and the process when it has
// none), or the try's number under the test hook.
std::string temporaryTag(int attempt) {
    if (sequentialNames())
        return std::to_string(attempt);
    uint64_t value = 0;
    if (::getrandom(&value, sizeof value, 0) != ssize_t(sizeof value)) {
        timespec now = {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        static std::atomic<uint64_t> counter{0};
        value = (uint64_t(now.tv_nsec) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(now.tv_sec) << 20) ^
                (uint64_t(::getpid()) << 40) ^ ++counter;
    }
    char tag[17];
    std::snprintf(tag, sizeof tag, "%016llx", static_cast<unsigned long long>(value));
    return tag;
}

} // namespace

TemporaryOutput::~TemporaryOutput() {
    closeStream();
    closeDescriptor();
}

ssize_t TemporaryOutput::writeCookie(void* self, const char* bytes, size_t count) {
    auto* output = static_cast<TemporaryOutput*>(self);
    size_t done = 0;
    while (done < count) {
        const ssize_t written = ::write(output->descriptor_, bytes + done, count - done);
        if (written > 0) {
            done += size_t(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        const int failure = written < 0 ? errno : EIO;
        if (output->writeError_ == 0)
            output->writeError_ = failure;
        errno = failure;
        return 0; // stdio marks the stream failed
    }
    return ssize_t(count);
}

int TemporaryOutput::closeStream() {
    if (stream_ == nullptr)
        return 0;
    const bool failed = std::ferror(stream_) != 0;
    const int closed = std::fclose(stream_) == 0 ? 0 : errno;
    stream_ = nullptr;
    if (writeError_ != 0)
        return writeError_;
    if (failed)
        return EIO;
    return closed;
}

int TemporaryOutput::closeDescriptor() {
    if (descriptor_ < 0)
        return 0;
    const int failure = ::close(descriptor_) == 0 ? 0 : errno;
    descriptor_ = -1;
    return failure;
}

bool OutputFiles::open(const std::string& output, TemporaryOutput* temporary, std::string* error,
                       std::string* warning) {
    const fs::path path(output);
    if (!makeFolders(path.parent_path(), error))
        return false;
    // Hidden, and named after the output, so that a person who finds one after a killed run
    // knows what it was.
    std::string stem = ".";
    stem.append(path.filename().string()).append(".texkit-");
    std::string link;
    for (int attempt = 0; attempt < TemporaryNameTries; ++attempt) {
        const std::string name = (path.parent_path() / (stem + temporaryTag(attempt) + ".tmp"))
                                     .string();
        const int descriptor =
            ::open(name.c_str(), O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            if (errno != EEXIST) {
                *error = "cannot make a temporary file beside " + output + " (" +
                         describe(errno) + ")";
                return false;
            }
            struct stat found;
            if (link.empty() && ::lstat(name.c_str(), &found) == 0 && S_ISLNK(found.st_mode))
                link = name;
            continue;
        }
        if (!link.empty())
            *warning = link + " is a symbolic link that this run did not make; not followed";
        temporary->descriptor_ = descriptor;
        temporary->path_ = name;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pending_.insert(name);
        }
        const cookie_io_functions_t functions = {nullptr, &TemporaryOutput::writeCookie, nullptr,
                                                 nullptr};
        temporary->buffer_.resize(StreamBufferBytes);
        temporary->stream_ = ::fopencookie(temporary, "w", functions);
        if (temporary->stream_ == nullptr ||
            std::setvbuf(temporary->stream_, temporary->buffer_.data(), _IOFBF,
                         temporary->buffer_.size()) != 0) {
            const int failure = errno != 0 ? errno : ENOMEM;
            discard(temporary);
            *error = "cannot write " + output + " (" + describe(failure) + ")";
            return false;
        }
        return true;
    }
    *error = "cannot make a temporary file beside " + output + ": " +
             std::to_string(TemporaryNameTries) + " names in a row were taken" +
             (link.empty() ? std::string() : " (" + link + " is a symbolic link; not followed)");
    return false;
}

bool OutputFiles::commit(TemporaryOutput* temporary, const std::string& output,
                         std::string* error) {
    int failure = temporary->closeStream();
    if (failure != 0) {
        *error = "cannot write " + output + " (" + describe(failure) + ")";
    } else if (::fsync(temporary->descriptor_) != 0) {
        failure = errno;
        *error = "cannot sync " + output + " to its disk (" + describe(failure) + ")";
    } else if ((failure = temporary->closeDescriptor()) != 0) {
        *error = "cannot write " + output + " (" + describe(failure) + ")";
    } else if (::rename(temporary->path_.c_str(), output.c_str()) != 0) {
        failure = errno;
        *error = "cannot rename the finished file into place as " + output + " (" +
                 describe(failure) + ")";
    }
    if (failure != 0) {
        discard(temporary);
        return false;
    }
    forget(temporary->path_);
    // The rename is what a crash must not lose.
    failure = syncFolder(folderOf(output));
    if (failure != 0) {
        *error = output + " is in place but its folder could not be synced (" +
                 describe(failure) + ")";
        return false;
    }
    return true;
}

void OutputFiles::discard(TemporaryOutput* temporary) {
    temporary->closeStream();
    temporary->closeDescriptor();
    if (!temporary->path_.empty()) {
        ::unlink(temporary->path_.c_str());
        forget(temporary->path_);
    }
}

void OutputFiles::forget(const std::string& temporary) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.erase(temporary);
}

void OutputFiles::removeAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const std::string& temporary : pending_)
        ::unlink(temporary.c_str());
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
