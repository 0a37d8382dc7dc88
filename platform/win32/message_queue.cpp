// The message queue of the process's one thread.
//
// Implements: PeekMessageA (PM_NOREMOVE, PM_REMOVE; window filter NULL, a window or (HWND)-1
// for thread messages; message range), GetMessageA (waits for input, so headless with an
// empty queue it waits for good, as Windows would; 0 for WM_QUIT, -1 for a bad window filter),
// TranslateMessage (WM_CHAR / WM_SYSCHAR for letters, digits, space, Return, Escape, Backspace
// and Tab), DispatchMessageA, PostMessageA, SendMessageA, PostQuitMessage (its code in
// WM_QUIT's wParam). Messages come out in the order they were posted; input is fetched from
// the host at every look into the queue, so it keeps the order in which it happened. WM_QUIT
// comes once nothing else matches, as on Windows. A mouse message sends WM_SETCURSOR as it is
// removed. The queue holds at most 10000 messages.
// Does not: timers, paint messages, broadcast, keyboard layouts (a shifted digit translates to
// the digit); PM_ flags other than PM_REMOVE fail with ERROR_INVALID_FLAGS.
#include "win32/message_queue.h"

#include "win32/input_messages.h"
#include "win32/window_records.h"

#include <deque>

namespace {

constexpr size_t QueueLimit = 10000;
constexpr DWORD WaitSlice = 100;

struct Queue {
    std::deque<MSG> posted;
    bool quitPosted = false;
    int quitCode = 0;
};

Queue& queue() {
    static Queue instance;
    return instance;
}

HWND const ThreadMessagesOnly = reinterpret_cast<HWND>(intptr_t(-1));

bool filterIsValid(HWND filter) {
    return filter == nullptr || filter == ThreadMessagesOnly || win32::findWindow(filter);
}

bool matches(const MSG& message, HWND window, UINT first, UINT last) {
    if (window == ThreadMessagesOnly && message.hwnd != nullptr)
        return false;
    if (window != nullptr && window != ThreadMessagesOnly && message.hwnd != window)
        return false;
    return (first == 0 && last == 0) || (message.message >= first && message.message <= last);
}

bool isMouseMessage(UINT message) {
    return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
}

// Looks for a message, removing it when asked; input is fetched from the host first.
bool takeMessage(MSG* out, HWND window, UINT first, UINT last, bool remove) {
    win32::windowHost().pumpEvents(0);
    Queue& q = queue();
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!matches(*it, window, first, last))
            continue;
        *out = *it;
        if (remove) {
            q.posted.erase(it);
            if (isMouseMessage(out->message))
                win32::announceCursor(*out);
            else
                win32::noteKeyMessage(*out);
        }
        return true;
    }
    const bool quitInRange = (first == 0 && last == 0) || (WM_QUIT >= first && WM_QUIT <= last);
    if (q.quitPosted && quitInRange) {
        *out = MSG{nullptr, WM_QUIT,        WPARAM(q.quitCode),
                   0,       GetTickCount(), win32::cursorScreenPosition()};
        if (remove)
            q.quitPosted = false;
        return true;
    }
    return false;
}

// The character a key types, or 0; without keyboard layouts, letters and digits are ASCII.
WCHAR characterOfKey(UINT key) {
    const bool shifted = win32::isKeyDown(VK_SHIFT);
    const bool control = win32::isKeyDown(VK_CONTROL);
    if (key >= 'A' && key <= 'Z') {
        if (control)
            return WCHAR(key - 'A' + 1);
        return WCHAR(shifted ? key : key - 'A' + 'a');
    }
    if (key >= '0' && key <= '9')
        return WCHAR(key);
    switch (key) {
    case VK_SPACE:
        return u' ';
    case VK_RETURN:
        return u'\r';
    case VK_ESCAPE:
        return 0x1B;
    case VK_BACK:
        return 0x08;
    case VK_TAB:
        return u'\t';
    default:
        return 0;
    }
}

} // namespace

namespace win32 {

bool postToQueue(const MSG& message) {
    Queue& q = queue();
    if (q.posted.size() >= QueueLimit) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return false;
    }
    q.posted.push_back(message);
    return true;
}

void purgeWindowMessages(HWND window) {
    std::deque<MSG>& posted = queue().posted;
    std::erase_if(posted, [window](const MSG& message) { return message.hwnd == window; });
}

} // namespace win32

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (lpMsg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((wRemoveMsg & ~UINT(PM_REMOVE)) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return FALSE;
    }
    if (!filterIsValid(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return takeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg & PM_REMOVE);
}

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (lpMsg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    while (true) {
        if (!filterIsValid(hWnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        if (takeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true))
            return lpMsg->message == WM_QUIT ? FALSE : TRUE;
        win32::windowHost().pumpEvents(WaitSlice);
    }
}

BOOL TranslateMessage(const MSG* lpMsg) {
    if (lpMsg == nullptr)
        return FALSE;
    const UINT message = lpMsg->message;
    if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_SYSKEYDOWN &&
        message != WM_SYSKEYUP)
        return FALSE;
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        const WCHAR character = characterOfKey(UINT(lpMsg->wParam));
        if (character != 0) {
            MSG typed = *lpMsg;
            typed.message = message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
            typed.wParam = character;
            win32::postToQueue(typed);
        }
    }
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* lpMsg) {
    if (lpMsg == nullptr || lpMsg->hwnd == nullptr)
        return 0;
    if (win32::findWindow(lpMsg->hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return win32::callWindowProcedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd != nullptr && win32::findWindow(hWnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return win32::postToQueue(
        MSG{hWnd, Msg, wParam, lParam, GetTickCount(), win32::cursorScreenPosition()});
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (win32::findWindow(hWnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return win32::callWindowProcedure(hWnd, Msg, wParam, lParam);
}

void PostQuitMessage(int nExitCode) {
    queue().quitPosted = true;
    queue().quitCode = nExitCode;
}
