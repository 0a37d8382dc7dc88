// The whole program on the headless device, run as its own process in a folder of its own: the
// start-up log byte for byte, a game played to its rating box, and start-ups that fail (missing,
// unreadable or unknown pictures, no device) with "Echec", exit code 1 and no message box.
#include "tests/platform/win32/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace {

const std::string EngineLine = "On initialise le moteur de rendu ...      ";
const std::string BackgroundLine = "On initialise le calque d'arri\xE8re-plan ...      ";
const std::string ForegroundLine = "On initialise le calque d'avant-plan ...      ";
const std::string TargetsLine = "On initialise le calque des cibles ...      ";
const std::string StartBox = "box 2000 La partie d\xE9marre d\xE8s que vous cliquez sur Ok\n";

struct ProgramRun {
    int exitCode = -1;
    std::string output; // the message boxes the program showed
    std::string log;
};

class GameProgramTest : public InTempFolder {
protected:
    void SetUp() override {
        InTempFolder::SetUp();
        for (const char* picture : {"fond.png", "arbre.png", "buisson.png", "cible.png"})
            std::filesystem::copy_file(std::filesystem::path(SOURCE_ROOT) / "assets" / picture,
                                       picture);
    }

    // Runs the probe in the current folder; `environment` goes before it ("NAME=value ...").
    ProgramRun run(const std::string& scenario, const std::string& environment = "") {
        ProgramRun result;
        const std::string command =
            "env SDL_VIDEODRIVER=dummy " + environment + " " GAME_PROBE " " + scenario;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            return result;
        char chunk[512];
        while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
            result.output.append(chunk, got);
        const int status = pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.log = readHostFile("Bosquetir.log");
        return result;
    }
};

TEST_F(GameProgramTest, AGameEndedWithEscapeLeavesTheWholeLog) {
    const ProgramRun game = run("escape");
    EXPECT_EQ(game.exitCode, 0);
    EXPECT_EQ(game.output, StartBox);
    // 100 ms a frame: the first figure closes the interval since tick 0, then one figure
    // every eleven frames.
    EXPECT_EQ(game.log, EngineLine + "OK\r\n" + BackgroundLine + "OK\r\n" + ForegroundLine +
                            "OK\r\n" + TargetsLine +
                            "OK\r\n"
                            "On entre dans la boucle des messages\r\n"
                            "fps: 0\r\n"
                            "fps: 10\r\n"
                            "fps: 10\r\n"
                            "On quitte le program\r\n");
}

TEST_F(GameProgramTest, AGameThatRunsOutEndsWithItsRatingAndANewRunEmptiesTheLog) {
    const ProgramRun game = run("timeout");
    EXPECT_EQ(game.exitCode, 0);
    EXPECT_EQ(game.output,
              StartBox + "box 2010 Vous savez cliquer sur une souris?.\n Bon votre minable score "
                         "est de 0.\n");
    const std::string head = EngineLine + "OK\r\n" + BackgroundLine + "OK\r\n" + ForegroundLine +
                             "OK\r\n" + TargetsLine +
                             "OK\r\nOn entre dans la boucle des messages\r\nfps: 0\r\nfps: 1\r\n";
    EXPECT_EQ(game.log.substr(0, head.size()), head);
    const std::string tail = "fps: 1\r\nOn quitte le program\r\n";
    ASSERT_GE(game.log.size(), tail.size());
    EXPECT_EQ(game.log.substr(game.log.size() - tail.size()), tail);

    std::filesystem::remove("cible.png");
    const ProgramRun second = run("escape");
    EXPECT_EQ(second.log, EngineLine + "OK\r\n" + BackgroundLine + "OK\r\n" + ForegroundLine +
                              "OK\r\n" + TargetsLine + "Echec\r\n");
}

TEST_F(GameProgramTest, AMissingBackgroundEndsTheStartUpAfterTwoLines) {
    std::filesystem::remove("fond.png");
    const ProgramRun game = run("escape");
    EXPECT_EQ(game.exitCode, 1);
    EXPECT_EQ(game.output, "") << "no message box";
    EXPECT_EQ(game.log, EngineLine + "OK\r\n" + BackgroundLine + "Echec\r\n");
}

TEST_F(GameProgramTest, UnreadableOrUnknownPicturesEndTheStartUpAtTheirLayer) {
    std::filesystem::remove("arbre.png");
    std::filesystem::create_directory("arbre.png");
    ProgramRun game = run("escape");
    EXPECT_EQ(game.exitCode, 1);
    EXPECT_EQ(game.output, "");
    EXPECT_EQ(game.log,
              EngineLine + "OK\r\n" + BackgroundLine + "OK\r\n" + ForegroundLine + "Echec\r\n");

    std::filesystem::remove("arbre.png");
    std::filesystem::copy_file(std::filesystem::path(SOURCE_ROOT) / "assets" / "arbre.png",
                               "arbre.png");
    writeHostFile("cible.png", "GIF89a: a format no decoder knows");
    game = run("escape");
    EXPECT_EQ(game.exitCode, 1);
    EXPECT_EQ(game.output, "");
    EXPECT_EQ(game.log, EngineLine + "OK\r\n" + BackgroundLine + "OK\r\n" + ForegroundLine +
                            "OK\r\n" + TargetsLine + "Echec\r\n");
}

TEST_F(GameProgramTest, NoDeviceEndsTheStartUpAtTheEngine) {
    // An unknown device profile makes Direct3DCreate8 fail.
    const ProgramRun game = run("escape", "D3D8_PROFILE=no-such-device");
    EXPECT_EQ(game.exitCode, 1);
    EXPECT_EQ(game.output, "");
    EXPECT_EQ(game.log, EngineLine + "Echec\r\n");
}

TEST_F(GameProgramTest, APowerOfTwoDeviceRunsTheSameGame) {
    const ProgramRun game = run("escape", "D3D8_PROFILE=pow2,nomip");
    EXPECT_EQ(game.exitCode, 0);
    EXPECT_EQ(game.output, StartBox);
    EXPECT_NE(game.log.find("On quitte le program\r\n"), std::string::npos);
}

} // namespace
