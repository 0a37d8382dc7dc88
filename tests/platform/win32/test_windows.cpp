// Windows: creation messages, placement of the client area, showing, destruction and the
// close path, the bridge to the device, and refusal of bad handles.
#include "window_fixture.h"

#include "internal/window_bridge.h"
#include "platform_ext.h"

namespace {

using Windows = WindowTest;

TEST_F(Windows, ClientAreaLandsWhereTheAdjustedRectanglePutsIt) {
    RECT outer{100, 100, 740, 580};
    ASSERT_TRUE(AdjustWindowRect(&outer, WS_CAPTION | WS_SYSMENU, FALSE));
    EXPECT_LT(outer.left, 100);
    EXPECT_LT(outer.top, outer.left) << "the title bar is above the client area";
    HWND window = createGameWindow();
    ASSERT_NE(window, nullptr);

    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(window, &origin));
    EXPECT_EQ(origin.x, 100);
    EXPECT_EQ(origin.y, 100);
    RECT windowRect;
    ASSERT_TRUE(GetWindowRect(window, &windowRect));
    EXPECT_EQ(windowRect.left, outer.left);
    EXPECT_EQ(windowRect.bottom, outer.bottom);

    // The device sizes its back buffer from the client area through the bridge.
    const platform_internal::WindowBridge* bridge = platform_internal::windowBridge();
    ASSERT_NE(bridge, nullptr);
    UINT width = 0, height = 0;
    EXPECT_TRUE(bridge->clientSize(window, &width, &height));
    EXPECT_EQ(width, 640u);
    EXPECT_EQ(height, 480u);
    EXPECT_FALSE(bridge->clientSize(GetDesktopWindow(), &width, &height));
    const uint32_t pixel = 0x00FF0000;
    bridge->present(window, platform_ext::FrameView{1, 1, 4, D3DFMT_X8R8G8B8, &pixel, 1});
    EXPECT_FALSE(platform_ext::hasDisplay()) << "tests run without a display";
}

TEST_F(Windows, CreationAndShowingCallTheProcedureAsWindowsDoes) {
    HWND window =
        CreateWindowExA(WS_EX_TOPMOST, ClassName, "Bosquetir", WS_CAPTION | WS_SYSMENU, 97, 78, 646,
                        505, GetDesktopWindow(), nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    created_.push_back(window);
    EXPECT_EQ(recordedNumbers(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(createdName(), "Bosquetir");
    EXPECT_EQ(recorded()[2].lParam, MAKELPARAM(640, 480));
    EXPECT_EQ(recorded()[3].lParam, MAKELPARAM(100, 100));

    recorded().clear();
    EXPECT_FALSE(ShowWindow(window, SW_SHOW)) << "it was hidden";
    EXPECT_EQ(recordedNumbers(), (std::vector<UINT>{WM_SHOWWINDOW, WM_ACTIVATEAPP, WM_NCACTIVATE,
                                                    WM_ACTIVATE, WM_SETFOCUS}));
    EXPECT_EQ(recorded()[0].wParam, WPARAM(TRUE));
    recorded().clear();
    EXPECT_TRUE(ShowWindow(window, SW_SHOW));
    EXPECT_TRUE(recorded().empty()) << "showing a shown window sends nothing";
}

TEST_F(Windows, AProcedureCanRefuseTheCreation) {
    createAnswer() = -1;
    EXPECT_EQ(CreateWindowExA(0, ClassName, "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
    EXPECT_EQ(recordedNumbers(),
              (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(CreateWindowExA(0, "No Such Class", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(CreateWindowExA(0, ClassName, "child", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr)
        << "child windows are outside the subset";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
}

// The close box: WM_SYSCOMMAND, default handling to WM_CLOSE, destruction and WM_DESTROY,
// whose procedure posts the quit message.
TEST_F(Windows, CloseBoxLeadsThroughTheDefaultHandlingToTheQuitMessage) {
    HWND window = createGameWindow();
    quitOnDestroy() = true;
    platform_ext::injectCloseRequest(window);
    MSG message;
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), TRUE);
    EXPECT_EQ(message.message, UINT(WM_SYSCOMMAND));
    EXPECT_EQ(message.wParam, WPARAM(SC_CLOSE));
    DispatchMessageA(&message);
    EXPECT_EQ(recordedNumbers(),
              (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_NCACTIVATE, WM_ACTIVATE,
                                 WM_ACTIVATEAPP, WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), FALSE);
    EXPECT_EQ(message.message, UINT(WM_QUIT));
    EXPECT_EQ(message.wParam, WPARAM(7)) << "the exit code of PostQuitMessage";
}

TEST_F(Windows, AltF4ClosesTheWindow) {
    HWND window = createGameWindow();
    platform_ext::injectKey(window, VK_MENU, true);
    platform_ext::injectKey(window, VK_F4, true);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    EXPECT_FALSE(IsWindow(window));
    const std::vector<UINT> numbers = recordedNumbers();
    ASSERT_GE(numbers.size(), 4u);
    EXPECT_EQ(numbers[0], UINT(WM_SYSKEYDOWN)) << "Alt";
    EXPECT_EQ(numbers[1], UINT(WM_SYSKEYDOWN)) << "F4";
    EXPECT_EQ(numbers[2], UINT(WM_SYSCOMMAND));
    EXPECT_EQ(numbers[3], UINT(WM_CLOSE));
    platform_ext::injectKey(nullptr, VK_F4, false);
    platform_ext::injectKey(nullptr, VK_MENU, false);
}

TEST_F(Windows, DestroyingPurgesQueuedMessages) {
    HWND window = createGameWindow();
    PostMessageA(window, WM_USER, 1, 2);
    PostMessageA(nullptr, WM_USER + 1, 3, 4);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, UINT(WM_USER + 1)) << "only the thread message is left";
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Windows, ClassesRefuseDuplicatesAndRemovalWhileInUse) {
    WNDCLASSEXA duplicate{};
    duplicate.cbSize = sizeof duplicate;
    duplicate.lpfnWndProc = &DefWindowProcA;
    duplicate.lpszClassName = "bosquetir window";
    EXPECT_EQ(RegisterClassExA(&duplicate), 0) << "class names compare without case";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
    duplicate.cbSize = 0;
    EXPECT_EQ(RegisterClassExA(&duplicate), 0);
    EXPECT_EQ(RegisterClassExA(nullptr), 0);

    HWND window = createGameWindow();
    EXPECT_FALSE(UnregisterClassA(ClassName, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(window);
    EXPECT_TRUE(UnregisterClassA(ClassName, nullptr));
    EXPECT_FALSE(UnregisterClassA(ClassName, nullptr));
}

TEST_F(Windows, BadHandlesGiveTheFailureAnswer) {
    RECT rect;
    POINT point{};
    for (HWND bad : {HWND(nullptr), reinterpret_cast<HWND>(uintptr_t(0x4321))}) {
        SetLastError(0);
        EXPECT_FALSE(ShowWindow(bad, SW_SHOW));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
        EXPECT_FALSE(DestroyWindow(bad));
        EXPECT_FALSE(GetClientRect(bad, &rect));
        EXPECT_FALSE(GetWindowRect(bad, &rect));
        EXPECT_FALSE(ClientToScreen(bad, &point));
        EXPECT_FALSE(IsWindow(bad));
        EXPECT_FALSE(EnableWindow(bad, FALSE));
        EXPECT_EQ(SendMessageA(bad, WM_USER, 0, 0), 0);
        EXPECT_EQ(DefWindowProcA(bad, WM_CLOSE, 0, 0), 0);
    }
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(uintptr_t(0x4321)), WM_USER, 0, 0));
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    MSG message;
    EXPECT_EQ(GetMessageA(&message, reinterpret_cast<HWND>(uintptr_t(0x4321)), 0, 0), -1);
    EXPECT_FALSE(AdjustWindowRect(nullptr, WS_CAPTION, FALSE));
    EXPECT_FALSE(DestroyWindow(GetDesktopWindow())) << "the desktop stays";
    EXPECT_TRUE(GetClientRect(GetDesktopWindow(), &rect));
    EXPECT_GT(rect.right, 0);
}

} // namespace
