// The log file: bytes as written with CR LF line ends, Windows-1252 kept as it is, emptied at
// every start, and silent when the file cannot be opened.
#include "game/game_log.h"

#include "tests/platform/win32/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using GameLogTest = InTempFolder;

TEST_F(GameLogTest, WritesTextNumbersAndCrLfLineEndsAsTheyAre) {
    {
        GameLog log("Bosquetir.log");
        ASSERT_FALSE(log.failed());
        log.write("On initialise le calque d'arri\xE8re-plan ...      ").flush();
        // Flushed text is in the file before the stage runs.
        EXPECT_EQ(readHostFile("Bosquetir.log"), "On initialise le calque d'arri\xE8re-plan ... "
                                                 "     ");
        log.write("OK").endLine();
        log.write("fps: ").write(60).endLine();
        log.write("").write(-12).write(" a\nb").endLine();
        EXPECT_EQ(
            readHostFile("Bosquetir.log"),
            "On initialise le calque d'arri\xE8re-plan ...      OK\r\nfps: 60\r\n-12 a\r\nb\r\n");
    }
}

TEST_F(GameLogTest, TextLongerThanTheBufferArrivesWhole) {
    std::string line;
    for (int i = 0; i < 300; ++i)
        line += char('a' + i % 26);
    {
        GameLog log("long.log");
        // Line feeds straddle the buffer's end: each must still become one CR LF.
        for (int i = 0; i < 10; ++i)
            log.write(line.c_str()).endLine();
        for (int i = 0; i < 700; ++i)
            log.write("\n");
    }
    std::string expected;
    for (int i = 0; i < 10; ++i)
        expected += line + "\r\n";
    for (int i = 0; i < 700; ++i)
        expected += "\r\n";
    EXPECT_EQ(readHostFile("long.log"), expected) << "the destructor flushes what is buffered";
}

TEST_F(GameLogTest, EveryStartEmptiesTheEarlierRunsText) {
    writeHostFile("Bosquetir.log", std::string(5000, 'x') + "\r\nOn quitte le program\r\n");
    {
        GameLog log("Bosquetir.log");
        EXPECT_EQ(readHostFile("Bosquetir.log"), "");
        log.write("fps: 0").endLine();
    }
    EXPECT_EQ(readHostFile("Bosquetir.log"), "fps: 0\r\n");
}

TEST_F(GameLogTest, AFileThatCannotBeOpenedLeavesASilentLog) {
    GameLog log("no-such-folder/Bosquetir.log");
    EXPECT_TRUE(log.failed());
    log.write("On entre dans la boucle des messages").endLine();
    log.write(42).flush();
    EXPECT_FALSE(std::filesystem::exists("no-such-folder"));
}

} // namespace
