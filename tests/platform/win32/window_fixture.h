// A registered window class whose procedure records every message it receives, and a clean
// message queue around each test.
#pragma once

#include "windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct RecordedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class WindowTest : public ::testing::Test {
protected:
    static constexpr const char* ClassName = "Bosquetir Window";

    void SetUp() override {
        recorded().clear();
        quitOnDestroy() = false;
        createAnswer() = 0;
        registerClass(CS_CLASSDC);
    }

    void TearDown() override {
        for (HWND window : created_)
            if (IsWindow(window))
                DestroyWindow(window);
        UnregisterClassA(ClassName, GetModuleHandleA(nullptr));
        drainQueue();
    }

    void registerClass(UINT style) {
        UnregisterClassA(ClassName, GetModuleHandleA(nullptr));
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = style;
        windowClass.lpfnWndProc = &recordingProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = ClassName;
        ASSERT_NE(RegisterClassExA(&windowClass), 0);
    }

    // The game's window: client (100,100)-(740,580), fixed, topmost, shown.
    HWND createGameWindow() {
        RECT rect{100, 100, 740, 580};
        AdjustWindowRect(&rect, WS_CAPTION | WS_SYSMENU, FALSE);
        HWND window =
            CreateWindowExA(WS_EX_TOPMOST, ClassName, "Bosquetir", WS_CAPTION | WS_SYSMENU,
                            rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                            GetDesktopWindow(), nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window != nullptr) {
            created_.push_back(window);
            ShowWindow(window, SW_SHOW);
        }
        recorded().clear();
        return window;
    }

    static void drainQueue() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // The messages the procedure received, by number only.
    static std::vector<UINT> recordedNumbers() {
        std::vector<UINT> numbers;
        for (const RecordedMessage& message : recorded())
            numbers.push_back(message.message);
        return numbers;
    }

    static std::vector<RecordedMessage>& recorded() {
        static std::vector<RecordedMessage> messages;
        return messages;
    }
    static bool& quitOnDestroy() {
        static bool quit = false;
        return quit;
    }
    static LRESULT& createAnswer() {
        static LRESULT answer = 0;
        return answer;
    }
    // The window name WM_CREATE carried (its CREATESTRUCTA lives only during the call).
    static std::string& createdName() {
        static std::string name;
        return name;
    }

    static LRESULT recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        recorded().push_back(RecordedMessage{window, message, wParam, lParam});
        if (message == WM_CREATE) {
            const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            createdName() = creation->lpszName != nullptr ? creation->lpszName : "";
            return createAnswer();
        }
        if (message == WM_DESTROY && quitOnDestroy())
            PostQuitMessage(7);
        return DefWindowProcA(window, message, wParam, lParam);
    }

    std::vector<HWND> created_;
};
