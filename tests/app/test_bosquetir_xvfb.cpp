// The built game in a real window on an X server under xvfb-run: the start box answered with
// Return, a click, a screenshot of the scene, Escape, then the exit code and the log. Skipped when
// xvfb-run, xdotool or import is missing.
#include "tests/platform/win32/temp_folder.h"
#include "tests/tools/png_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

constexpr int ScreenWidth = 1024;
constexpr int ScreenHeight = 768;

bool onPath(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Plays inside the X server: waits for the start box (the "Bosquetir" window that is not
// 640 x 480), answers it, clicks on the scene, takes the screenshot and presses Escape on the
// game's window. Prints the game's exit code last.
const char* const PlayScript = R"script(
set -u
windowWhere() {
  xwininfo -root -tree 2>/dev/null | awk "/\"Bosquetir\"/ && $1 {print \$1; exit}"
}
SDL_VIDEODRIVER=x11 "$GAME" >game.out 2>&1 &
game=$!
box=""
for i in $(seq 600); do
  box=$(windowWhere '!/640x480/')
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || echo "no start box" >&2
xdotool windowfocus --sync "$box" key Return
sleep 1.5
xdotool mousemove 300 250 click 1
sleep 0.5
import -window root -depth 8 rgb:screen.rgb
xdotool windowfocus --sync "$(windowWhere '/640x480/')" key Escape
for i in $(seq 100); do kill -0 $game 2>/dev/null || break; sleep 0.1; done
kill -0 $game 2>/dev/null && { echo "the game did not end" >&2; kill $game; }
wait $game
echo "exit $?"
)script";

class BosquetirUnderXvfb : public InTempFolder {};

TEST_F(BosquetirUnderXvfb, StartsPlaysAndQuitsOnEscape) {
    for (const char* tool : {"xvfb-run", "xdotool", "import"})
        if (!onPath(tool))
            GTEST_SKIP() << tool
                         << " is missing: the game's window test needs xvfb-run, xdotool and "
                            "import (scripts/install-deps.sh installs them)";
    const std::filesystem::path assets = std::filesystem::path(SOURCE_ROOT) / "assets";
    for (const char* picture : {"fond.png", "arbre.png", "buisson.png", "cible.png"})
        std::filesystem::copy_file(assets / picture, picture);
    writeHostFile("play.sh", PlayScript);

    const std::string command = "GAME='" BOSQUETIR_PROGRAM "' timeout 170 xvfb-run -a -s "
                                "'-screen 0 " +
                                std::to_string(ScreenWidth) + "x" + std::to_string(ScreenHeight) +
                                "x24' sh play.sh 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char chunk[512];
    while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
        output.append(chunk, got);
    pclose(pipe);
    EXPECT_NE(output.find("exit 0"), std::string::npos) << output << readHostFile("game.out");

    const std::string log = readHostFile("Bosquetir.log");
    EXPECT_EQ(log.rfind("On initialise le moteur de rendu ...      OK\r\n"
                        "On initialise le calque d'arri\xE8re-plan ...      OK\r\n"
                        "On initialise le calque d'avant-plan ...      OK\r\n"
                        "On initialise le calque des cibles ...      OK\r\n"
                        "On entre dans la boucle des messages\r\nfps: ",
                        0),
              0u)
        << log;
    const std::string last = "On quitte le program\r\n";
    ASSERT_GE(log.size(), last.size());
    EXPECT_EQ(log.substr(log.size() - last.size()), last);

    // The client area, at screen (100, 100), shows the forest: its lower-left corner, where no
    // target runs and no text is drawn, is the background picture itself.
    const std::string screen = readHostFile("screen.rgb");
    ASSERT_EQ(screen.size(), size_t(ScreenWidth) * ScreenHeight * 3);
    PngImage background;
    ASSERT_TRUE(readPng("fond.png", background));
    int same = 0, compared = 0;
    for (int y = 430; y < 480; ++y)
        for (int x = 0; x < 90; ++x, ++compared) {
            const size_t at = (size_t(100 + y) * ScreenWidth + 100 + x) * 3;
            const uint32_t shown = uint32_t(uint8_t(screen[at])) << 16 |
                                   uint32_t(uint8_t(screen[at + 1])) << 8 | uint8_t(screen[at + 2]);
            same += shown == background.pixel(x, y);
        }
    EXPECT_EQ(same, compared) << "the background is drawn unscaled at the client origin";
}

} // namespace
