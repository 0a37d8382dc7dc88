// Mouse and keyboard input turned into queued window messages.
//
// Implements: WM_MOUSEMOVE, WM_LBUTTONDOWN/UP, WM_RBUTTONDOWN/UP, WM_MBUTTONDOWN/UP (wParam: MK_
// flags after the change; lParam: client x in the low word, y in the high word), the
// double-click messages only for classes with CS_DBLCLKS (second press within 500 ms and 2
// pixels), WM_KEYDOWN/UP and WM_SYSKEYDOWN/UP (Alt held, F10 and Alt itself) with repeat count,
// scan code, extended, context, previous-state and transition bits, WM_SYSCOMMAND SC_CLOSE for
// the close box, WM_SETCURSOR (HTCLIENT) as a mouse message is handed out, and the injection
// calls of platform_ext.h. Input for a disabled or destroyed window is dropped, as Windows
// does not deliver it.
// Does not: mouse wheel, capture, hover and leave messages, the system menu's keyboard interface.
#include "win32/input_messages.h"

#include "platform_ext.h"
#include "win32/message_queue.h"
#include "win32/window_records.h"

#include <array>
#include <cstdlib>

namespace {

struct ScanCodeRow {
    BYTE virtualKey;
    BYTE scanCode; // PC set 1
    bool extended;
};

const ScanCodeRow ScanCodeTable[] = {
    {VK_BACK, 0x0E, false},    // Backspace
    {VK_TAB, 0x0F, false},     // Tab
    {VK_RETURN, 0x1C, false},  // Return
    {VK_SHIFT, 0x2A, false},   // Shift
    {VK_CONTROL, 0x1D, false}, // Control
    {VK_MENU, 0x38, false},    // Alt
    {VK_PAUSE, 0x45, false},   // Pause
    {VK_ESCAPE, 0x01, false},  // Escape
    {VK_SPACE, 0x39, false},   // Space
    {VK_PRIOR, 0x49, true},    // Page Up
    {VK_NEXT, 0x51, true},     // Page Down
    {VK_END, 0x4F, true},      // End
    {VK_HOME, 0x47, true},     // Home
    {VK_LEFT, 0x4B, true},     // Left
    {VK_UP, 0x48, true},       // Up
    {VK_RIGHT, 0x4D, true},    // Right
    {VK_DOWN, 0x50, true},     // Down
    {VK_INSERT, 0x52, true},   // Insert
    {VK_DELETE, 0x53, true},   // Delete
    {'0', 0x0B, false},        // 0
    {'1', 0x02, false},        // 1
    {'2', 0x03, false},        // 2
    {'3', 0x04, false},        // 3
    {'4', 0x05, false},        // 4
    {'5', 0x06, false},        // 5
    {'6', 0x07, false},        // 6
    {'7', 0x08, false},        // 7
    {'8', 0x09, false},        // 8
    {'9', 0x0A, false},        // 9
    {'A', 0x1E, false},        // A
    {'B', 0x30, false},        // B
    {'C', 0x2E, false},        // C
    {'D', 0x20, false},        // D
    {'E', 0x12, false},        // E
    {'F', 0x21, false},        // F
    {'G', 0x22, false},        // G
    {'H', 0x23, false},        // H
    {'I', 0x17, false},        // I
    {'J', 0x24, false},        // J
    {'K', 0x25, false},        // K
    {'L', 0x26, false},        // L
    {'M', 0x32, false},        // M
    {'N', 0x31, false},        // N
    {'O', 0x18, false},        // O
    {'P', 0x19, false},        // P
    {'Q', 0x10, false},        // Q
    {'R', 0x13, false},        // R
    {'S', 0x1F, false},        // S
    {'T', 0x14, false},        // T
    {'U', 0x16, false},        // U
    {'V', 0x2F, false},        // V
    {'W', 0x11, false},        // W
    {'X', 0x2D, false},        // X
    {'Y', 0x15, false},        // Y
    {'Z', 0x2C, false},        // Z
    {VK_F1, 0x3B, false},      // F1
    {VK_F2, 0x3C, false},      // F2
    {VK_F3, 0x3D, false},      // F3
    {VK_F4, 0x3E, false},      // F4
    {VK_F5, 0x3F, false},      // F5
    {VK_F6, 0x40, false},      // F6
    {VK_F7, 0x41, false},      // F7
    {VK_F8, 0x42, false},      // F8
    {VK_F9, 0x43, false},      // F9
    {VK_F10, 0x44, false},     // F10
    {VK_F11, 0x57, false},     // F11
    {VK_F12, 0x58, false},     // F12
};

// The scan-code bits of a key's lParam; 0 for a key the table lacks.
LPARAM scanCodeBits(UINT virtualKey) {
    for (const ScanCodeRow& row : ScanCodeTable)
        if (row.virtualKey == virtualKey)
            return (LPARAM(row.scanCode) << 16) | (LPARAM(row.extended) << 24);
    return 0;
}

struct ButtonMessages {
    UINT down;
    UINT up;
    UINT doubleClick;
    WPARAM flag;
};

constexpr std::array<ButtonMessages, 3> ButtonTable = {{
    {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, MK_LBUTTON},
    {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, MK_RBUTTON},
    {WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK, MK_MBUTTON},
}};

constexpr DWORD DoubleClickTime = 500;
constexpr int DoubleClickDistance = 2;

struct Press {
    HWND window = nullptr;
    int button = -1;
    DWORD time = 0;
    int x = 0;
    int y = 0;
};

struct InputState {
    std::array<bool, 256> keys{};      // as the input arrives
    std::array<bool, 256> retrieved{}; // as the program has taken the key messages
    WPARAM buttons = 0;                // MK_ flags of the buttons held
    Press lastPress;
    POINT cursor{0, 0};
};

InputState& state() {
    static InputState instance;
    return instance;
}

// The window's record when it may receive input now.
const win32::WindowRecord* receiver(HWND window) {
    const win32::WindowRecord* record = win32::findWindow(window);
    if (record == nullptr || !record->enabled || record->destroying || !record->host)
        return nullptr;
    return record;
}

WPARAM mouseKeyFlags() {
    WPARAM flags = state().buttons;
    if (state().keys[VK_SHIFT])
        flags |= MK_SHIFT;
    if (state().keys[VK_CONTROL])
        flags |= MK_CONTROL;
    return flags;
}

void postMouse(HWND window, const win32::WindowRecord& record, UINT message, int x, int y) {
    POINT screen{record.clientRect.left + x, record.clientRect.top + y};
    state().cursor = screen;
    win32::postToQueue(
        MSG{window, message, mouseKeyFlags(), MAKELPARAM(x, y), GetTickCount(), screen});
}

bool isDoubleClick(HWND window, const win32::WindowRecord& record, int button, int x, int y,
                   DWORD now) {
    const Press& last = state().lastPress;
    return record.windowClass && (record.windowClass->style & CS_DBLCLKS) &&
           last.window == window && last.button == button && now - last.time <= DoubleClickTime &&
           std::abs(x - last.x) <= DoubleClickDistance &&
           std::abs(y - last.y) <= DoubleClickDistance;
}

} // namespace

namespace win32 {

void inputMouseMove(HWND window, int x, int y) {
    if (const WindowRecord* record = receiver(window))
        postMouse(window, *record, WM_MOUSEMOVE, x, y);
}

void inputMouseButton(HWND window, int button, bool down, int x, int y) {
    const WindowRecord* record = receiver(window);
    if (record == nullptr || button < 0 || button >= int(ButtonTable.size()))
        return;
    const ButtonMessages& messages = ButtonTable[size_t(button)];
    if (!down) {
        state().buttons &= ~messages.flag;
        postMouse(window, *record, messages.up, x, y);
        return;
    }
    state().buttons |= messages.flag;
    const DWORD now = GetTickCount();
    if (isDoubleClick(window, *record, button, x, y, now)) {
        state().lastPress = Press{}; // a third press starts a new pair
        postMouse(window, *record, messages.doubleClick, x, y);
        return;
    }
    state().lastPress = Press{window, button, now, x, y};
    postMouse(window, *record, messages.down, x, y);
}

void inputKey(HWND window, UINT virtualKey, bool down) {
    if (virtualKey == 0 || virtualKey > 0xFF)
        return;
    InputState& input = state();
    const bool wasDown = input.keys[virtualKey];
    input.keys[virtualKey] = down;
    if (receiver(window) == nullptr)
        return;
    const bool altHeld = input.keys[VK_MENU];
    const bool system =
        virtualKey == VK_MENU || virtualKey == VK_F10 || (altHeld && !input.keys[VK_CONTROL]);
    UINT message;
    if (down)
        message = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
    else
        message = system ? WM_SYSKEYUP : WM_KEYUP;
    LPARAM lParam = 1 | scanCodeBits(virtualKey);
    if (altHeld)
        lParam |= LPARAM(1) << 29;
    if (wasDown || !down)
        lParam |= LPARAM(1) << 30;
    if (!down)
        lParam |= LPARAM(1) << 31;
    postToQueue(
        MSG{window, message, virtualKey, LPARAM(DWORD(lParam)), GetTickCount(), input.cursor});
}

void inputCloseRequest(HWND window) {
    if (receiver(window) != nullptr)
        postToQueue(MSG{window, WM_SYSCOMMAND, SC_CLOSE, 0, GetTickCount(), state().cursor});
}

void announceCursor(const MSG& mouseMessage) {
    if (findWindow(mouseMessage.hwnd) != nullptr)
        SendMessageA(mouseMessage.hwnd, WM_SETCURSOR, WPARAM(mouseMessage.hwnd),
                     MAKELPARAM(HTCLIENT, mouseMessage.message));
}

void noteKeyMessage(const MSG& keyMessage) {
    const UINT key = UINT(keyMessage.wParam);
    if (key > 0xFF)
        return;
    if (keyMessage.message == WM_KEYDOWN || keyMessage.message == WM_SYSKEYDOWN)
        state().retrieved[key] = true;
    else if (keyMessage.message == WM_KEYUP || keyMessage.message == WM_SYSKEYUP)
        state().retrieved[key] = false;
}

bool isKeyDown(UINT virtualKey) {
    return virtualKey <= 0xFF && state().retrieved[virtualKey];
}

POINT cursorScreenPosition() {
    return state().cursor;
}

} // namespace win32

namespace platform_ext {

void injectMouseMove(HWND window, int x, int y) {
    win32::inputMouseMove(window, x, y);
}

void injectMouseButton(HWND window, int button, bool down, int x, int y) {
    win32::inputMouseButton(window, button, down, x, y);
}

void injectKey(HWND window, UINT virtualKey, bool down) {
    win32::inputKey(window, virtualKey, down);
}

void injectCloseRequest(HWND window) {
    win32::inputCloseRequest(window);
}

} // namespace platform_ext
