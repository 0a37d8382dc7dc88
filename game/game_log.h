// The start-up log "Bosquetir.log": the start-up stages with their verdicts, the frame rate once
// a second and the exit, as Windows-1252 text with CR LF line ends, emptied at every start.
#pragma once

#include "windows.h"

#include <cstddef>

class GameLog {
public:
    // Opens (creating or emptying) the file in the current directory. A file that cannot be
    // opened leaves the log failed: every later call does nothing.
    GameLog();
    explicit GameLog(const char* fileName);
    // Flushes what is buffered and closes the file.
    ~GameLog();

    GameLog(const GameLog&) = delete;
    GameLog& operator=(const GameLog&) = delete;

    // Appends the text unchanged; a line feed is stored as CR LF.
    GameLog& write(const char* text);
    // Appends the number in decimal, with a leading '-' when negative.
    GameLog& write(int value);
    // Hands the buffered text to the file.
    void flush();
    // Writes a line end and flushes.
    void endLine();

    bool failed() const { return file_ == INVALID_HANDLE_VALUE; }

private:
    void put(char c);
    void close();

    static constexpr size_t BufferSize = 512;

    HANDLE file_ = INVALID_HANDLE_VALUE;
    char buffer_[BufferSize];
    size_t used_ = 0;
};
