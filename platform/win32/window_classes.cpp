// Window classes.
//
// Implements: RegisterClassExA (style, procedure, instance, icon, cursor, class name; the
// answer is the class atom) and UnregisterClassA by name or atom. CS_DBLCLKS turns a second
// quick click into a double-click message; the other class styles concern painting and have no
// effect here.
// Does not: extra class or window bytes, class menus, class names given as atoms at
// registration (refused with ERROR_NOT_SUPPORTED); the background brush and small icon are
// accepted and unused, since the layer never paints.
#include "win32/window_records.h"

#include <cstring>
#include <new>
#include <strings.h>

namespace {

using win32::WindowClass;

constexpr ATOM FirstAtom = 0xC000;

std::vector<std::shared_ptr<WindowClass>>& classes() {
    static std::vector<std::shared_ptr<WindowClass>> table;
    return table;
}

bool isAtom(LPCSTR nameOrAtom) {
    return IS_INTRESOURCE(nameOrAtom);
}

auto findClassEntry(LPCSTR nameOrAtom) {
    auto& table = classes();
    for (auto it = table.begin(); it != table.end(); ++it) {
        const bool matches = isAtom(nameOrAtom)
                                 ? (*it)->atom == ATOM(reinterpret_cast<uintptr_t>(nameOrAtom))
                                 : strcasecmp((*it)->name.c_str(), nameOrAtom) == 0;
        if (matches)
            return it;
    }
    return table.end();
}

} // namespace

namespace win32 {

std::shared_ptr<const WindowClass> findWindowClass(LPCSTR nameOrAtom) {
    if (nameOrAtom == nullptr)
        return nullptr;
    const auto entry = findClassEntry(nameOrAtom);
    return entry == classes().end() ? nullptr : *entry;
}

} // namespace win32

ATOM RegisterClassExA(const WNDCLASSEXA* lpwcx) {
    if (lpwcx == nullptr || lpwcx->cbSize != sizeof(WNDCLASSEXA) || lpwcx->lpfnWndProc == nullptr ||
        lpwcx->lpszClassName == nullptr ||
        (!isAtom(lpwcx->lpszClassName) && lpwcx->lpszClassName[0] == '\0')) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (isAtom(lpwcx->lpszClassName) || lpwcx->cbClsExtra != 0 || lpwcx->cbWndExtra != 0 ||
        lpwcx->lpszMenuName != nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    if (findClassEntry(lpwcx->lpszClassName) != classes().end()) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    static ATOM nextAtom = FirstAtom;
    if (nextAtom == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    try {
        auto windowClass = std::make_shared<WindowClass>();
        windowClass->atom = nextAtom;
        windowClass->name = lpwcx->lpszClassName;
        windowClass->style = lpwcx->style;
        windowClass->procedure = lpwcx->lpfnWndProc;
        windowClass->instance = lpwcx->hInstance;
        windowClass->icon = lpwcx->hIcon;
        windowClass->cursor = lpwcx->hCursor;
        classes().push_back(std::move(windowClass));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return nextAtom++;
}

BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
    if (lpClassName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto entry = findClassEntry(lpClassName);
    if (entry == classes().end()) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (win32::classHasWindows(**entry)) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    classes().erase(entry);
    return TRUE;
}
