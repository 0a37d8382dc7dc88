// Modal message boxes.
//
// Implements: MessageBoxA with MB_OK, MB_OKCANCEL and MB_YESNO, the icons MB_ICONHAND,
// MB_ICONQUESTION, MB_ICONEXCLAMATION and MB_ICONASTERISK, and MB_APPLMODAL, MB_SYSTEMMODAL,
// MB_TASKMODAL. The observer of platform_ext.h sees every call first. While the box is up its
// owner is disabled (every top-level window for a task-modal box without owner), and input
// that reached a disabled window meanwhile is dropped when the box closes, so a click that
// dismissed the box never lands in the game. Without a display, or when the host cannot show
// the box, the answer is the first button (IDOK, or IDYES) at once. A null caption reads
// "Error", as on Windows.
// Does not: the other button sets, default-button and help flags (refused with
// ERROR_INVALID_PARAMETER and 0).
#include "platform_ext.h"
#include "win32/window_records.h"

#include <new>

namespace {

constexpr UINT ButtonsMask = 0x0000000F;
constexpr UINT IconMask = 0x000000F0;
constexpr UINT ModalityMask = 0x00003000;

struct ObserverSlot {
    platform_ext::MessageBoxObserver observer = nullptr;
    void* user = nullptr;
};

ObserverSlot& observerSlot() {
    static ObserverSlot slot;
    return slot;
}

bool typeIsSupported(UINT type) {
    const UINT buttons = type & ButtonsMask;
    const UINT icon = type & IconMask;
    return (type & ~(ButtonsMask | IconMask | ModalityMask)) == 0 &&
           (buttons == MB_OK || buttons == MB_OKCANCEL || buttons == MB_YESNO) &&
           icon <= MB_ICONASTERISK && (type & ModalityMask) != ModalityMask;
}

int firstButton(UINT type) {
    return (type & ButtonsMask) == MB_YESNO ? IDYES : IDOK;
}

// The windows the box disables: its owner, or with no owner every top-level window of a
// task-modal box. Windows that were disabled already stay as they are.
std::vector<HWND> disableForBox(HWND owner, UINT type) {
    std::vector<HWND> candidates;
    if (owner != nullptr)
        candidates.push_back(owner);
    else if (type & MB_TASKMODAL)
        candidates = win32::topLevelWindows();
    std::vector<HWND> disabled;
    for (HWND window : candidates)
        if (IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            disabled.push_back(window);
        }
    return disabled;
}

int showOnHost(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    win32::WindowHost& host = win32::windowHost();
    // Input from before the box belongs to the windows while they are still enabled.
    host.pumpEvents(0);
    const std::vector<HWND> disabled = disableForBox(owner, type);
    win32::WindowRecord* ownerRecord = owner != nullptr ? win32::findWindow(owner) : nullptr;
    const win32::HostMessageBox box{text, caption, type & ButtonsMask, type & IconMask};
    const int answer = host.showMessageBox(ownerRecord ? ownerRecord->host.get() : nullptr, box);
    // What reached the disabled windows while the box was up is dropped now.
    host.pumpEvents(0);
    for (HWND window : disabled)
        if (IsWindow(window))
            EnableWindow(window, TRUE);
    return answer != 0 ? answer : firstButton(type);
}

} // namespace

namespace platform_ext {

void setMessageBoxObserver(MessageBoxObserver observer, void* user) {
    observerSlot() = ObserverSlot{observer, user};
}

} // namespace platform_ext

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const char* text = lpText != nullptr ? lpText : "";
    const char* caption = lpCaption != nullptr ? lpCaption : "Error";
    try {
        const ObserverSlot slot = observerSlot();
        if (slot.observer != nullptr) {
            const int answer =
                slot.observer(platform_ext::MessageBoxCall{hWnd, text, caption, uType}, slot.user);
            if (answer != 0)
                return answer;
        }
        if (hWnd != nullptr && !IsWindow(hWnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (!typeIsSupported(uType)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (!win32::windowHost().hasDisplay())
            return firstButton(uType);
        return showOnHost(hWnd, text, caption, uType);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}
