// headless_demo --games: several whole games in one process, each ending in its rating box, with
// the resident memory after each game flat from the second game on (the first one fills the
// caches that live as long as the process: fonts, glyphs, dispatch tables); and the breakdown
// of a frame it prints after each game, on two draw threads and on one.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
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

// A folder holding the game's pictures, removed with the object.
class GameFolder {
public:
    explicit GameFolder(const char* name)
        : path_(fs::temp_directory_path() / (name + std::to_string(getpid()))) {
        fs::create_directories(path_);
        for (const char* picture : {"fond.png", "arbre.png", "buisson.png", "cible.png"})
            fs::copy_file(fs::path(ASSETS_DIR) / picture, path_ / picture,
                          fs::copy_options::overwrite_existing);
    }
    ~GameFolder() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// One game's breakdown as printed: the parts by name, in microseconds per frame.
struct Breakdown {
    unsigned threads = 0;
    unsigned long long frames = 0;
    std::vector<std::pair<std::string, double>> parts;
    double sum = -1, frame = -1;
    double working = -1, watching = -1, asleep = -1, processor = -1;

    double part(const std::string& name) const {
        for (const auto& [partName, value] : parts)
            if (partName == name)
                return value;
        return -1;
    }
};

std::vector<Breakdown> breakdowns(const std::string& output) {
    std::vector<Breakdown> found;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        Breakdown b;
        if (std::sscanf(line.c_str(), "frame breakdown on %u draw thread", &b.threads) == 1) {
            const size_t comma = line.find(", ");
            if (comma != std::string::npos)
                std::sscanf(line.c_str() + comma + 2, "%llu frames", &b.frames);
            found.push_back(b);
            continue;
        }
        if (found.empty())
            continue;
        Breakdown& current = found.back();
        double a, c, d, e;
        if (std::sscanf(line.c_str(), "  sum of parts %lf, frame %lf", &a, &c) == 2) {
            current.sum = a;
            current.frame = c;
        } else if (std::sscanf(line.c_str(),
                               "  draw threads: working %lf, watching %lf, asleep %lf, %lf",
                               &a, &c, &d, &e) == 4) {
            current.working = a;
            current.watching = c;
            current.asleep = d;
        } else if (std::sscanf(line.c_str(), "  processor time %lf", &a) == 1) {
            current.processor = a;
        } else if (line.size() > 26 && line.rfind("  ", 0) == 0 && current.sum < 0) {
            // "  <name, padded to 22>  <value>"
            const size_t valueAt = line.find_last_of(' ');
            std::string name = line.substr(2, valueAt - 2);
            name.erase(name.find_last_not_of(' ') + 1);
            current.parts.emplace_back(name, std::atof(line.c_str() + valueAt + 1));
        }
    }
    return found;
}

TEST(HeadlessSoak, PlaysEveryGameToItsRatingWithFlatResidentMemory) {
    const GameFolder game("headless_soak_");
    const fs::path& folder = game.path();

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
}

// Every part of the drawing thread's time is counted once: the parts add up to the frame
// measured around them. On one thread the shading is inside the draw calls and nothing is
// played or waited for; on two the scene is played at Present.
TEST(HeadlessSoak, BreaksEachFrameDownIntoPartsThatAddUpToIt) {
    const GameFolder game("headless_breakdown_");
    const std::string output = runDemo(game.path(), "--games 2 --speed 10 --threads 2,1 last.png");
    const std::vector<Breakdown> found = breakdowns(output);
    ASSERT_EQ(found.size(), 2u) << output;
    EXPECT_EQ(found[0].threads, 2u);
    EXPECT_EQ(found[1].threads, 1u);
    const char* const names[] = {"game and state calls", "draw calls", "text rasterising",
                                 "locks (uploads)", "scene play", "play wait", "present"};
    for (const Breakdown& b : found) {
        SCOPED_TRACE(b.threads);
        ASSERT_EQ(b.parts.size(), std::size(names)) << output;
        double sum = 0;
        for (size_t i = 0; i < b.parts.size(); ++i) {
            EXPECT_EQ(b.parts[i].first, names[i]);
            EXPECT_GE(b.parts[i].second, 0.0);
            sum += b.parts[i].second;
        }
        EXPECT_GT(b.frames, 100u) << output;
        EXPECT_NEAR(sum, b.sum, 0.1 * double(b.parts.size())) << output; // printed rounded
        ASSERT_GT(b.frame, 0.0) << output;
        EXPECT_NEAR(b.sum, b.frame, b.frame / 10) << output;
        EXPECT_GT(b.part("draw calls"), 0.0);
        EXPECT_GT(b.part("text rasterising"), 0.0);
        EXPECT_GT(b.processor, 0.0) << output;
    }
    const Breakdown& two = found[0];
    const Breakdown& one = found[1];
    EXPECT_GT(two.part("scene play"), 0.0) << output;
    EXPECT_GT(two.working + two.watching + two.asleep, 0.0) << output;
    EXPECT_EQ(one.part("scene play"), 0.0) << output;
    EXPECT_EQ(one.part("play wait"), 0.0) << output;
    EXPECT_EQ(one.working + one.watching + one.asleep, 0.0) << output;
}

} // namespace
