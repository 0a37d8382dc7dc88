// The headless demonstration: whole games of the real program (its objects, WinMain and loop)
// on the software device without a display, played by a robot that looks at the presented
// frames. Prints each game's score and the process's resident memory after it; after the last
// game the log, the frame rate and the cost of a frame against a 640 x 480 x 4-byte memcpy, and
// saves the last frame as a PNG.
//
// After each game it prints where a frame's time went (see FrameSums).
//
// Usage: headless_demo [--games N] [--speed K] [--threads T,U,...] [picture.png]   (run in the
// folder that holds the game's pictures). --games plays N games one after another in this
// process, each from the start-up stages to the rating box; --speed runs the game's clock and
// the robot K times faster; --threads gives the games' device draw threads in turn (0: the
// default), so that "--games 2 --threads 0,1" compares the default threads with one.
#include "game/game_objects.h"
#include "platform_ext.h"
#include "tools/headless_demo/frame_timing.h"
#include "tools/headless_demo/game_cycle.h"
#include "tools/headless_demo/robot_player.h"
#include "tools/png_writer.h"
#include "windows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t RobotSeed = 20261207;

// One game's robot, frame times and message boxes.
struct Demo {
    explicit Demo(uint32_t seed) : robot(seed) {}
    RobotPlayer robot;
    FrameTiming timing;
    std::vector<std::string> boxes;
};

struct Options {
    int games = 1;
    int speed = 1;
    std::vector<unsigned> threads; // empty: the default for every game
    std::string picturePath = "/tmp/bosquetir-last-frame.png";
};

bool parseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "--games" || argument == "--speed") && i + 1 < argc) {
            const int value = std::atoi(argv[++i]);
            if (value < 1)
                return false;
            (argument == "--games" ? options->games : options->speed) = value;
        } else if (argument == "--threads" && i + 1 < argc) {
            std::istringstream list(argv[++i]);
            std::string item;
            while (std::getline(list, item, ',')) {
                char* end = nullptr;
                const unsigned long count = std::strtoul(item.c_str(), &end, 10);
                if (item.empty() || *end != '\0' || count > 64)
                    return false;
                options->threads.push_back(unsigned(count));
            }
            if (options->threads.empty())
                return false;
        } else if (argument.rfind("--", 0) == 0) {
            return false;
        } else {
            options->picturePath = argument;
        }
    }
    return true;
}

void onPresent(IDirect3DDevice8*, const platform_ext::FrameView& frame, void* user) {
    auto* demo = static_cast<Demo*>(user);
    const auto now = RobotPlayer::Clock::now();
    demo->timing.frameArrived(now);
    demo->robot.look(frame, renderEngine.getWindow(), gameTime(now));
    // The robot's own looking is not part of the game's frame.
    demo->timing.observerDone();
}

int answerBox(const platform_ext::MessageBoxCall& call, void* user) {
    static_cast<Demo*>(user)->boxes.push_back(call.text);
    return IDOK;
}

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The figures of the log's "fps: " lines, the first one (which measures from tick 0) left out.
std::vector<int> loggedFigures(const std::string& log) {
    std::vector<int> figures;
    std::istringstream lines(log);
    std::string line;
    bool first = true;
    while (std::getline(lines, line))
        if (line.rfind("fps: ", 0) == 0) {
            if (!first)
                figures.push_back(std::atoi(line.c_str() + 5));
            first = false;
        }
    return figures;
}

// The score the rating box announced: the number before its final full stop.
int scoreOf(const std::string& rating) {
    const size_t end = rating.find_last_of("0123456789");
    if (end == std::string::npos)
        return -1;
    const size_t start = rating.find_last_not_of("0123456789", end) + 1;
    return std::atoi(rating.substr(start, end - start + 1).c_str());
}

// The log with its Windows-1252 letters shown as UTF-8 and its CR LF as plain line ends.
std::string printable(const std::string& log) {
    std::string out;
    for (unsigned char c : log) {
        if (c == '\r')
            continue;
        if (c >= 0x80) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(c);
        }
    }
    return out;
}

bool saveFrame(const std::string& path) {
    platform_ext::PresentedFrame frame;
    if (!platform_ext::lastPresentedFrame(renderEngine.getDevice(), &frame))
        return false;
    std::string error;
    if (tools::writePng(path, frame.pixels.data(), frame.width, frame.height, frame.width, false,
                        &error))
        return true;
    std::fprintf(stderr, "headless_demo: %s\n", error.c_str());
    return false;
}

int scoreOfGame(const Demo& demo) {
    return demo.boxes.size() >= 2 ? scoreOf(demo.boxes.back()) : -1;
}

// The last game's log, rating, frame rate and frame; false when the game failed.
bool printSummary(const Demo& demo, int exitCode, const std::string& picturePath) {
    const std::string log = readFile("Bosquetir.log");
    std::printf("\n--- Bosquetir.log ---\n%s---------------------\n", printable(log).c_str());
    std::printf("exit code: %d\n", exitCode);
    if (exitCode != 0)
        return false;

    std::printf("rating: %s\n",
                demo.boxes.size() >= 2 ? printable(demo.boxes.back()).c_str() : "(none)");
    std::printf("final score: %d (%d shots)\n", scoreOfGame(demo), demo.robot.shotsFired());

    std::vector<int> figures = loggedFigures(log);
    if (!figures.empty()) {
        std::sort(figures.begin(), figures.end());
        std::printf("median frames per second (game's own figure): %d\n",
                    figures[figures.size() / 2]);
    }
    const double frame = demo.timing.averageFrameSeconds();
    const double copy = memcpyReferenceSeconds();
    std::printf("frames measured: %zu, average frame %.1f us (%.0f frames per second)\n",
                demo.timing.frameCount(), frame * 1e6, frame > 0 ? 1.0 / frame : 0.0);
    std::printf("memcpy of 640 x 480 x 4 bytes: %.1f us\n", copy * 1e6);
    std::printf("ratio game_frame = %.2f\n", copy > 0 ? frame / copy : 0.0);

    if (saveFrame(picturePath))
        std::printf("last frame: %s\n", picturePath.c_str());
    else
        std::printf("last frame: could not be saved\n");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: headless_demo [--games N] [--speed K] [--threads T,U,...] "
                             "[picture.png]\n");
        return 2;
    }
    // No display: the platform's windows are records and frames stay in memory.
    setenv("SDL_VIDEODRIVER", "dummy", 0);

    std::printf("Bosquetir, headless: a robot plays %d game%s of 30 seconds%s...\n", options.games,
                options.games == 1 ? "" : "s",
                options.speed == 1 ? "" : (" at " + std::to_string(options.speed) + "x").c_str());
    std::fflush(stdout);
    std::unique_ptr<Demo> demo;
    int exitCode = 0;
    platform_ext::enableFrameBreakdown(true);
    for (int game = 1; game <= options.games; ++game) {
        if (game > 1)
            rebuildGameObjects();
        // Read when the game makes its device.
        if (!options.threads.empty())
            platform_ext::setDrawThreadCount(
                options.threads[size_t(game - 1) % options.threads.size()]);
        demo = std::make_unique<Demo>(RobotSeed + uint32_t(game - 1));
        platform_ext::setPresentObserver(&onPresent, demo.get());
        platform_ext::setMessageBoxObserver(&answerBox, demo.get());
        startGameClock(options.speed);
        exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
        const unsigned drawThreads = platform_ext::drawThreadCount(renderEngine.getDevice());
        platform_ext::setPresentObserver(nullptr, nullptr);
        platform_ext::setMessageBoxObserver(nullptr, nullptr);
        std::printf("game %d: exit code %d, score %d (%d shots), resident memory %llu KiB\n", game,
                    exitCode, scoreOfGame(*demo), demo->robot.shotsFired(),
                    static_cast<unsigned long long>(residentKiB()));
        std::printf("%s", describeBreakdown(demo->timing.sums(), drawThreads).c_str());
        std::fflush(stdout);
        if (exitCode != 0)
            break;
    }
    startGameClock(1);
    return printSummary(*demo, exitCode, options.picturePath) ? 0 : exitCode;
}
