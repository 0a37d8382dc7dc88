// The start-up log: a small buffered text stream over a Win32 file handle.
#include "game/game_log.h"

#include <cstdio>

GameLog::GameLog() : GameLog("Bosquetir.log") {}

GameLog::GameLog(const char* fileName) {
    // Other programs may read the log while the game runs; an earlier run's text is cut away.
    file_ = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ != INVALID_HANDLE_VALUE && !SetEndOfFile(file_))
        close();
}

GameLog::~GameLog() {
    flush();
    close();
}

GameLog& GameLog::write(const char* text) {
    for (const char* c = text; *c != '\0'; ++c)
        put(*c);
    return *this;
}

GameLog& GameLog::write(int value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", value);
    return write(digits);
}

void GameLog::flush() {
    if (failed() || used_ == 0)
        return;
    const DWORD size = DWORD(used_);
    DWORD written = 0;
    const BOOL ok = WriteFile(file_, buffer_, size, &written, nullptr);
    used_ = 0;
    // A short write (disk full) loses the rest and silences the log from then on.
    if (!ok || written != size)
        close();
}

void GameLog::endLine() {
    put('\n');
    flush();
}

void GameLog::put(char c) {
    if (failed())
        return;
    // Room for the two bytes of a line end.
    if (used_ + 2 > BufferSize) {
        flush();
        if (failed())
            return;
    }
    if (c == '\n')
        buffer_[used_++] = '\r';
    buffer_[used_++] = c;
}

void GameLog::close() {
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}
