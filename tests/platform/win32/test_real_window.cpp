// A real window on an X server under xvfb-run: the client area's place on the screen, a
// presented frame read back from a screenshot, a click from xdotool, and a message box that
// drops the click it covered. The test runs itself again under xvfb-run; without xvfb-run,
// xdotool or import it is skipped.
#include "internal/window_bridge.h"
#include "platform_ext.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const ChildVariable = "BOSQ_REAL_WINDOW_CHILD";
constexpr int ScreenWidth = 1024;
constexpr int ScreenHeight = 768;

bool onPath(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string runAndCapture(const std::string& command, int* status) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        *status = -1;
        return output;
    }
    char chunk[512];
    while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
        output.append(chunk, got);
    *status = pclose(pipe);
    return output;
}

LRESULT quietProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// Takes messages until one of the given number arrives or the time runs out.
bool waitForMessage(UINT wanted, DWORD timeoutMilliseconds, MSG* found) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMilliseconds) {
        if (PeekMessageA(found, nullptr, 0, 0, PM_REMOVE)) {
            if (found->message == wanted)
                return true;
            DispatchMessageA(found);
            continue;
        }
        Sleep(10);
    }
    return false;
}

// The screen as 0xRRGGBB words, from ImageMagick's raw RGB output.
std::vector<uint32_t> screenshot() {
    const std::string path = "/tmp/bosq-screen-" + std::to_string(getpid()) + ".rgb";
    if (std::system(("import -window root -depth 8 rgb:" + path).c_str()) != 0)
        return {};
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::remove(path.c_str());
    if (bytes.size() != size_t(ScreenWidth) * ScreenHeight * 3)
        return {};
    std::vector<uint32_t> pixels(size_t(ScreenWidth) * ScreenHeight);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] =
            (uint32_t(bytes[i * 3]) << 16) | (uint32_t(bytes[i * 3 + 1]) << 8) | bytes[i * 3 + 2];
    return pixels;
}

uint32_t quadrantColour(UINT x, UINT y) {
    if (x == 0 && y == 0)
        return 0x123456;
    if (x == 639 && y == 479)
        return 0x654321;
    if (y < 240)
        return x < 320 ? 0xFF0000 : 0x00FF00;
    return x < 320 ? 0x0000FF : 0xFFFFFF;
}

void presentQuadrants(HWND window) {
    std::vector<uint32_t> frame(640 * 480);
    for (UINT y = 0; y < 480; ++y)
        for (UINT x = 0; x < 640; ++x)
            frame[y * 640 + x] = quadrantColour(x, y);
    platform_internal::windowBridge()->present(
        window, platform_ext::FrameView{640, 480, 640 * 4, D3DFMT_X8R8G8B8, frame.data(), 1});
}

void checkOnTheDisplay() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &quietProcedure;
    windowClass.lpszClassName = "Bosquetir Window";
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    RECT rect{100, 100, 740, 580};
    AdjustWindowRect(&rect, WS_CAPTION | WS_SYSMENU, FALSE);
    HWND window =
        CreateWindowExA(WS_EX_TOPMOST, "Bosquetir Window", "Bosquetir", WS_CAPTION | WS_SYSMENU,
                        rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                        GetDesktopWindow(), nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(platform_ext::hasDisplay());
    ShowWindow(window, SW_SHOW);
    // The server maps the window in its own time; present until the frame is seen, or give up.
    MSG message;
    std::vector<uint32_t> screen;
    const auto at = [&](int x, int y) { return screen[size_t(y) * ScreenWidth + x]; };
    for (int attempt = 0; attempt < 20; ++attempt) {
        waitForMessage(WM_NULL, 100, &message);
        presentQuadrants(window);
        screen = screenshot();
        if (!screen.empty() && at(100, 100) == 0x123456u)
            break;
    }
    ASSERT_FALSE(screen.empty()) << "import could not take the screenshot";
    EXPECT_EQ(at(100, 100), 0x123456u) << "client (0, 0) at screen (100, 100)";
    EXPECT_EQ(at(739, 579), 0x654321u) << "client (639, 479) at screen (739, 579)";
    EXPECT_EQ(at(101, 100), 0xFF0000u);
    EXPECT_EQ(at(500, 150), 0x00FF00u);
    EXPECT_EQ(at(150, 400), 0x0000FFu);
    EXPECT_EQ(at(600, 500), 0xFFFFFFu);
    EXPECT_NE(at(99, 100), 0xFF0000u) << "nothing drawn left of the client area";
    EXPECT_NE(at(101, 99), 0xFF0000u) << "nothing drawn above the client area";

    // A frame that differs in two small places reaches the screen in those places only, and
    // the next frame puts them back: the layer sends just the changed bands.
    std::vector<uint32_t> changed(640 * 480);
    for (UINT y = 0; y < 480; ++y)
        for (UINT x = 0; x < 640; ++x)
            changed[y * 640 + x] = quadrantColour(x, y);
    for (UINT y = 200; y < 210; ++y)
        for (UINT x = 300; x < 310; ++x)
            changed[y * 640 + x] = 0xFF00FF;
    changed[479 * 640 + 600] = 0x00FFFF;
    platform_internal::windowBridge()->present(
        window, platform_ext::FrameView{640, 480, 640 * 4, D3DFMT_X8R8G8B8, changed.data(), 2});
    screen = screenshot();
    ASSERT_FALSE(screen.empty());
    EXPECT_EQ(at(400, 300), 0xFF00FFu) << "client (300, 200)";
    EXPECT_EQ(at(409, 309), 0xFF00FFu) << "client (309, 209)";
    EXPECT_EQ(at(410, 309), 0xFF0000u) << "client (310, 209), beside the block";
    EXPECT_EQ(at(700, 579), 0x00FFFFu) << "client (600, 479)";
    EXPECT_EQ(at(739, 579), 0x654321u) << "client (639, 479), on the changed row";
    EXPECT_EQ(at(100, 100), 0x123456u);
    presentQuadrants(window);
    screen = screenshot();
    ASSERT_FALSE(screen.empty());
    EXPECT_EQ(at(400, 300), 0xFF0000u) << "the block is gone again";
    EXPECT_EQ(at(700, 579), 0xFFFFFFu);

    // A 16-bit frame is shown too, converted to the screen's format.
    const uint16_t wide[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF}; // red, green, blue, white
    platform_internal::windowBridge()->present(
        window, platform_ext::FrameView{4, 1, sizeof wide, D3DFMT_R5G6B5, wide, 2});
    screen = screenshot();
    ASSERT_FALSE(screen.empty());
    EXPECT_EQ(at(100, 100), 0xFF0000u);
    EXPECT_EQ(at(101, 100), 0x00FF00u);
    EXPECT_EQ(at(102, 100), 0x0000FFu);
    EXPECT_EQ(at(103, 100), 0xFFFFFFu);
    EXPECT_EQ(at(104, 100), 0xFF0000u) << "the rest of the client area keeps the last frame";

    // Topmost and fixed in size, as the window system records it.
    int status = 0;
    const std::string properties = runAndCapture(
        "xprop -id $(xwininfo -name Bosquetir | awk '/Window id/{print $4}') _NET_WM_STATE "
        "WM_NORMAL_HINTS",
        &status);
    EXPECT_NE(properties.find("_NET_WM_STATE_ABOVE"), std::string::npos) << properties;
    EXPECT_NE(properties.find("minimum size: 640 by 480"), std::string::npos) << properties;
    EXPECT_NE(properties.find("maximum size: 640 by 480"), std::string::npos) << properties;

    ASSERT_EQ(std::system("xdotool mousemove 150 160 click 1"), 0);
    ASSERT_TRUE(waitForMessage(WM_LBUTTONDOWN, 3000, &message)) << "the click never arrived";
    EXPECT_EQ(message.hwnd, window);
    EXPECT_EQ(message.lParam, MAKELPARAM(50, 60)) << "client coordinates of screen (150, 160)";
    waitForMessage(WM_LBUTTONUP, 1000, &message);

    // While the box is up: a click on the game window, then Return on the box, which is found by
    // its caption in UTF-8 (so a caption that was not converted is never found).
    const std::string dismiss = "(for i in $(seq 100); do "
                                "box=$(xwininfo -name 'D\xC3\xA9"
                                "but de partie' 2>/dev/null | awk '/Window id/{print $4}'); "
                                "[ -n \"$box\" ] && break; sleep 0.1; done; "
                                "xdotool mousemove 200 200 click 1; sleep 0.3; "
                                "xdotool windowfocus --sync $box key Return) >/dev/null 2>&1 &";
    ASSERT_EQ(std::system(dismiss.c_str()), 0);
    EXPECT_EQ(MessageBoxA(window, "La partie d\xE9marre d\xE8s que vous cliquez sur Ok",
                          "D\xE9"
                          "but de partie",
                          MB_TASKMODAL),
              IDOK);
    EXPECT_TRUE(IsWindowEnabled(window));
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        EXPECT_NE(message.message, UINT(WM_LBUTTONDOWN)) << "the click under the box was dropped";

    DestroyWindow(window);
}

TEST(RealWindow, UnderXvfb) {
    if (std::getenv(ChildVariable) != nullptr) {
        checkOnTheDisplay();
        return;
    }
    for (const char* tool : {"xvfb-run", "xdotool", "import"})
        if (!onPath(tool))
            GTEST_SKIP() << tool
                         << " is missing: the real-window test needs xvfb-run, xdotool and "
                            "import (scripts/install-deps.sh installs them)";
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    self[length] = '\0';
    const std::string command = std::string("env ") + ChildVariable +
                                "=1 SDL_VIDEODRIVER=x11 timeout 120 xvfb-run -a -s '-screen 0 " +
                                std::to_string(ScreenWidth) + "x" + std::to_string(ScreenHeight) +
                                "x24' " + self + " --gtest_filter=RealWindow.UnderXvfb";
    int status = 0;
    const std::string output = runAndCapture(command, &status);
    EXPECT_EQ(status, 0) << output;
}

} // namespace
