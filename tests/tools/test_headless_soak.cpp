// headless_demo --games: several whole games in one process, each ending in its rating box, with
// the resident memory after each game flat from the second game on (the first one fills the
// caches that live as long as the process: fonts, glyphs, dispatch tables).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct GameLine {
    int exitCode = -1;
    int score = -1;
    unsigned long long residentKiB = 0;
};

// Runs the demo in `folder`; returns what it printed.
std::string runDemo(const fs::path& folder, const std::string& arguments) {
    // Freed memory goes back at once, so the sanitizer's quarantine does not pass for growth.
    const char* inherited = std::getenv("ASAN_OPTIONS");
    const std::string asan = std::string(inherited ? inherited : "") + ":quarantine_size_mb=0";
    const std::string command = "cd '" + folder.string() +
                                "' && SDL_VIDEODRIVER=dummy DISPLAY= " + "ASAN_OPTIONS='" + asan +
                                "' '" HEADLESS_DEMO_PROGRAM "' " + arguments + " 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
        output += buffer;
    pclose(pipe);
    return output;
}

std::vector<GameLine> gameLines(const std::string& output) {
    std::vector<GameLine> games;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        int number = 0, shots = 0;
        GameLine game;
        if (std::sscanf(line.c_str(),
                        "game %d: exit code %d, score %d (%d shots), resident memory %llu KiB",
                        &number, &game.exitCode, &game.score, &shots, &game.residentKiB) == 5)
            games.push_back(game);
    }
    return games;
}

TEST(HeadlessSoak, PlaysEveryGameToItsRatingWithFlatResidentMemory) {
    const fs::path folder =
        fs::temp_directory_path() / ("headless_soak_" + std::to_string(getpid()));
    fs::create_directories(folder);
    for (const char* picture : {"fond.png", "arbre.png", "buisson.png", "cible.png"})
        fs::copy_file(fs::path(ASSETS_DIR) / picture, folder / picture,
                      fs::copy_options::overwrite_existing);

    const std::string output = runDemo(folder, "--games 4 --speed 10 last.png");
    const std::vector<GameLine> games = gameLines(output);
    ASSERT_EQ(games.size(), 4u) << output;
    for (const GameLine& game : games) {
        EXPECT_EQ(game.exitCode, 0) << output;
        EXPECT_GE(game.score, 0) << "a game ended without its rating box\n" << output;
    }
    for (size_t i = 2; i < games.size(); ++i)
        EXPECT_LE(games[i].residentKiB, games[1].residentKiB + 1024)
            << "game " << i + 1 << " grew past the second\n"
            << output;
    EXPECT_NE(output.find("exit code: 0"), std::string::npos) << output;
    fs::remove_all(folder);
}

} // namespace
