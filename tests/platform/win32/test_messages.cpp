// The message queue: order, packing of input messages, double clicks, quitting, and the
// modal message boxes without a display.
#include "window_fixture.h"

#include "platform_ext.h"

namespace {

using Messages = WindowTest;

std::vector<MSG> takeAll() {
    std::vector<MSG> messages;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        messages.push_back(message);
    return messages;
}

TEST_F(Messages, InputArrivesInOrderWithThePlatformsPacking) {
    HWND window = createGameWindow();
    platform_ext::injectMouseMove(window, 10, 20);
    platform_ext::injectMouseButton(window, 0, true, 630, 470);
    platform_ext::injectMouseButton(window, 0, false, 630, 470);
    platform_ext::injectMouseButton(window, 1, true, 1, 2);
    platform_ext::injectKey(window, VK_ESCAPE, true);
    platform_ext::injectKey(window, 'A', false);

    const std::vector<MSG> messages = takeAll();
    ASSERT_EQ(messages.size(), 6u);
    EXPECT_EQ(messages[0].message, UINT(WM_MOUSEMOVE));
    EXPECT_EQ(messages[0].lParam, LPARAM(20 << 16 | 10)) << "x low, y high";
    EXPECT_EQ(messages[1].message, UINT(WM_LBUTTONDOWN));
    EXPECT_EQ(LOWORD(messages[1].lParam), 630);
    EXPECT_EQ(HIWORD(messages[1].lParam), 470);
    EXPECT_EQ(messages[1].wParam, WPARAM(MK_LBUTTON));
    EXPECT_EQ(messages[1].pt.x, 730) << "MSG.pt is in screen coordinates";
    EXPECT_EQ(messages[1].pt.y, 570);
    EXPECT_EQ(messages[2].message, UINT(WM_LBUTTONUP));
    EXPECT_EQ(messages[2].wParam, WPARAM(0));
    EXPECT_EQ(messages[3].message, UINT(WM_RBUTTONDOWN));
    EXPECT_EQ(messages[4].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(messages[4].wParam, WPARAM(27));
    EXPECT_EQ(messages[4].lParam, LPARAM(0x00010001)) << "repeat 1, scan code 1";
    EXPECT_EQ(messages[5].message, UINT(WM_KEYUP));
    EXPECT_EQ(DWORD(messages[5].lParam), 0xC01E0001u) << "transition and previous-state bits";
    for (const MSG& message : messages)
        EXPECT_EQ(message.hwnd, window);
    platform_ext::injectMouseButton(window, 1, false, 1, 2);
    platform_ext::injectKey(window, VK_ESCAPE, false);
    drainQueue();
}

TEST_F(Messages, RemovingAMouseMessageSendsSetCursorFirst) {
    HWND window = createGameWindow();
    platform_ext::injectMouseMove(window, 5, 6);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(recorded().empty()) << "looking does not send";
    ASSERT_TRUE(GetMessageA(&message, nullptr, 0, 0));
    ASSERT_EQ(recorded().size(), 1u);
    EXPECT_EQ(recorded()[0].message, UINT(WM_SETCURSOR));
    EXPECT_EQ(recorded()[0].wParam, WPARAM(window));
    EXPECT_EQ(recorded()[0].lParam, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(message.message, UINT(WM_MOUSEMOVE));
}

TEST_F(Messages, EveryClickIsAPressUnlessTheClassAsksForDoubleClicks) {
    HWND window = createGameWindow();
    for (int i = 0; i < 2; ++i) {
        platform_ext::injectMouseButton(window, 0, true, 50, 50);
        platform_ext::injectMouseButton(window, 0, false, 50, 50);
    }
    std::vector<MSG> messages = takeAll();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[2].message, UINT(WM_LBUTTONDOWN)) << "a fast double click is two shots";
    DestroyWindow(window);

    registerClass(CS_DBLCLKS);
    window = createGameWindow();
    static DWORD now = 1000;
    platform_ext::setTickSource([] { return now; });
    platform_ext::injectMouseButton(window, 0, true, 50, 50);
    now += 300;
    platform_ext::injectMouseButton(window, 0, true, 51, 49);
    now += 300;
    platform_ext::injectMouseButton(window, 0, true, 51, 49);
    now += 600;
    platform_ext::injectMouseButton(window, 0, true, 51, 49);
    platform_ext::injectMouseButton(window, 0, true, 60, 49);
    platform_ext::setTickSource(nullptr);
    messages = takeAll();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0].message, UINT(WM_LBUTTONDOWN));
    EXPECT_EQ(messages[1].message, UINT(WM_LBUTTONDBLCLK));
    EXPECT_EQ(messages[2].message, UINT(WM_LBUTTONDOWN)) << "a third press starts again";
    EXPECT_EQ(messages[3].message, UINT(WM_LBUTTONDOWN)) << "too late";
    EXPECT_EQ(messages[4].message, UINT(WM_LBUTTONDOWN)) << "too far";
    platform_ext::injectMouseButton(window, 0, false, 0, 0);
    drainQueue();
}

TEST_F(Messages, QuitComesAfterTheOtherMessagesAndCarriesTheCode) {
    HWND window = createGameWindow();
    PostQuitMessage(3);
    PostMessageA(window, WM_USER, 0, 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, UINT(WM_USER));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, UINT(WM_USER)) << "PM_NOREMOVE leaves the message";
    EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), TRUE);
    EXPECT_EQ(DispatchMessageA(&message), 0);
    EXPECT_EQ(recorded().back().message, UINT(WM_USER));
    EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), FALSE);
    EXPECT_EQ(message.message, UINT(WM_QUIT));
    EXPECT_EQ(message.wParam, WPARAM(3));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT comes once";
}

TEST_F(Messages, FiltersSelectWindowThreadAndRange) {
    HWND window = createGameWindow();
    PostMessageA(nullptr, WM_USER, 1, 0);
    PostMessageA(window, WM_USER + 5, 2, 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.wParam, WPARAM(2));
    PostMessageA(window, WM_USER + 5, 3, 0);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_USER + 1, WM_USER + 9, PM_REMOVE));
    EXPECT_EQ(message.wParam, WPARAM(3));
    ASSERT_TRUE(PeekMessageA(&message, reinterpret_cast<HWND>(intptr_t(-1)), 0, 0, PM_REMOVE));
    EXPECT_EQ(message.wParam, WPARAM(1));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, 0x8000)) << "unknown flags";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_FLAGS));
}

TEST_F(Messages, TranslateTypesCharacters) {
    HWND window = createGameWindow();
    platform_ext::injectKey(window, 'Q', true);
    platform_ext::injectKey(window, 'Q', false);
    platform_ext::injectKey(window, VK_SHIFT, true);
    platform_ext::injectKey(window, 'Q', true);
    platform_ext::injectKey(window, VK_SHIFT, false);
    std::vector<UINT> typed;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        if (message.message == WM_CHAR)
            typed.push_back(UINT(message.wParam));
    }
    EXPECT_EQ(typed, (std::vector<UINT>{'q', 'Q'}));
    platform_ext::injectKey(window, 'Q', false);
    drainQueue();
}

TEST_F(Messages, ADisabledWindowGetsNoInput) {
    HWND window = createGameWindow();
    EXPECT_FALSE(EnableWindow(window, FALSE)) << "it was enabled";
    EXPECT_EQ(recordedNumbers(), (std::vector<UINT>{WM_ENABLE}));
    platform_ext::injectMouseButton(window, 0, true, 1, 1);
    platform_ext::injectKey(window, VK_ESCAPE, true);
    platform_ext::injectCloseRequest(window);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(EnableWindow(window, TRUE)) << "it was disabled";
    EXPECT_TRUE(IsWindowEnabled(window));
    platform_ext::injectMouseButton(window, 0, false, 1, 1);
    platform_ext::injectKey(window, VK_ESCAPE, false);
    drainQueue();
}

struct ObservedBox {
    int calls = 0;
    platform_ext::MessageBoxCall call{};
    int answer = 0;
};

TEST_F(Messages, HeadlessMessageBoxesAnswerAtOnceAndAreObserved) {
    HWND window = createGameWindow();
    EXPECT_EQ(MessageBoxA(window, "La partie d\xE9marre", "Bosquetir", MB_TASKMODAL), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "?", nullptr, MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OK | 0x300), 0) << "an unknown flag";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(uintptr_t(0x99)), "x", "y", MB_OK), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));

    ObservedBox observed;
    platform_ext::setMessageBoxObserver(
        [](const platform_ext::MessageBoxCall& call, void* user) {
            auto* seen = static_cast<ObservedBox*>(user);
            ++seen->calls;
            seen->call = call;
            return seen->answer;
        },
        &observed);
    EXPECT_EQ(MessageBoxA(window, "Bravo", "Bosquetir", MB_TASKMODAL | MB_ICONERROR), IDOK);
    EXPECT_EQ(observed.calls, 1);
    EXPECT_EQ(observed.call.owner, window);
    EXPECT_EQ(observed.call.text, "Bravo");
    EXPECT_EQ(observed.call.caption, "Bosquetir");
    EXPECT_EQ(observed.call.type, UINT(0x2010));
    observed.answer = IDCANCEL;
    EXPECT_EQ(MessageBoxA(window, "x", nullptr, MB_OKCANCEL), IDCANCEL)
        << "the observer may answer";
    EXPECT_EQ(observed.call.caption, "Error");
    platform_ext::setMessageBoxObserver(nullptr, nullptr);
    EXPECT_TRUE(IsWindowEnabled(window));
}

} // namespace
