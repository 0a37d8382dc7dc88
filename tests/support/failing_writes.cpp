// The replaced file-system calls behind failing_writes.h. Each finds the next definition with
// dlsym once and counts itself before forwarding.
#include "tests/support/failing_writes.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

template <class Function> Function nextDefinition(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using OpenFunction = int (*)(const char*, int, ...);
using OpenAtFunction = int (*)(int, const char*, int, ...);
using WriteFunction = ssize_t (*)(int, const void*, size_t);

struct Settings {
    long failing = 0;
    int error = ENOSPC;
    int log = -1;
};

const Settings& settings() {
    static const Settings instance = [] {
        Settings made;
        if (const char* number = std::getenv("FAIL_WRITE_NUMBER"))
            made.failing = std::atol(number);
        if (const char* name = std::getenv("FAIL_WRITE_ERROR")) {
            if (std::strcmp(name, "EIO") == 0)
                made.error = EIO;
            else if (std::strcmp(name, "EDQUOT") == 0)
                made.error = EDQUOT;
        }
        if (const char* path = std::getenv("FAIL_WRITE_LOG")) {
            static const auto open = nextDefinition<OpenFunction>("open");
            made.log = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        }
        return made;
    }();
    return instance;
}

std::atomic<long> counted{0};

// Counts one call; true, with errno set, when it is the one that fails.
bool failsNow(const char* call, const char* path, int descriptor) {
    const Settings& set = settings();
    const long number = counted.fetch_add(1) + 1;
    const bool fails = number == set.failing;
    if (set.log >= 0) {
        static const auto write = nextDefinition<WriteFunction>("write");
        char line[4200];
        int length = path != nullptr
                         ? std::snprintf(line, sizeof line, "%ld %s %s%s\n", number, call, path,
                                         fails ? " failed" : "")
                         : std::snprintf(line, sizeof line, "%ld %s %d%s\n", number, call,
                                         descriptor, fails ? " failed" : "");
        if (length > int(sizeof line) - 1)
            length = int(sizeof line) - 1;
        if (write(set.log, line, size_t(length)) < 0)
            std::abort(); // a sweep with a broken log would count nothing
    }
    if (fails)
        errno = set.error;
    return fails;
}

bool opensForWriting(int flags) {
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
}

bool takesMode(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

int openFile(const char* name, const char* path, int flags, mode_t mode) {
    static const auto next = nextDefinition<OpenFunction>(name);
    if (opensForWriting(flags) && failsNow(name, path, -1))
        return -1;
    return next(path, flags, mode);
}

int openFileAt(const char* name, int folder, const char* path, int flags, mode_t mode) {
    static const auto next = nextDefinition<OpenAtFunction>(name);
    if (opensForWriting(flags) && failsNow(name, path, -1))
        return -1;
    return next(folder, path, flags, mode);
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (takesMode(flags)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    return openFile("open", path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (takesMode(flags)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    return openFile("open64", path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (takesMode(flags)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    return openFileAt("openat", folder, path, flags, mode);
}

int openat64(int folder, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (takesMode(flags)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    return openFileAt("openat64", folder, path, flags, mode);
}

ssize_t write(int descriptor, const void* bytes, size_t count) {
    static const auto next = nextDefinition<WriteFunction>("write");
    if (descriptor > 2 && failsNow("write", nullptr, descriptor))
        return -1;
    return next(descriptor, bytes, count);
}

int fsync(int descriptor) {
    static const auto next = nextDefinition<int (*)(int)>("fsync");
    return failsNow("fsync", nullptr, descriptor) ? -1 : next(descriptor);
}

int fdatasync(int descriptor) {
    static const auto next = nextDefinition<int (*)(int)>("fdatasync");
    return failsNow("fdatasync", nullptr, descriptor) ? -1 : next(descriptor);
}

int rename(const char* from, const char* to) {
    static const auto next = nextDefinition<int (*)(const char*, const char*)>("rename");
    return failsNow("rename", to, -1) ? -1 : next(from, to);
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    static const auto next =
        nextDefinition<int (*)(int, const char*, int, const char*)>("renameat");
    return failsNow("renameat", to, -1) ? -1 : next(fromFolder, from, toFolder, to);
}

int mkdir(const char* path, mode_t mode) {
    static const auto next = nextDefinition<int (*)(const char*, mode_t)>("mkdir");
    return failsNow("mkdir", path, -1) ? -1 : next(path, mode);
}

int mkdirat(int folder, const char* path, mode_t mode) {
    static const auto next = nextDefinition<int (*)(int, const char*, mode_t)>("mkdirat");
    return failsNow("mkdirat", path, -1) ? -1 : next(folder, path, mode);
}

int unlink(const char* path) {
    static const auto next = nextDefinition<int (*)(const char*)>("unlink");
    return failsNow("unlink", path, -1) ? -1 : next(path);
}

int unlinkat(int folder, const char* path, int flags) {
    static const auto next = nextDefinition<int (*)(int, const char*, int)>("unlinkat");
    return failsNow("unlinkat", path, -1) ? -1 : next(folder, path, flags);
}

} // extern "C"
