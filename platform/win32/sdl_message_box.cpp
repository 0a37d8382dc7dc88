// Message boxes through SDL_ShowMessageBox.
//
// Implements: the texts converted from Windows-1252 to UTF-8 (accents shown), buttons left to
// right with Return on the first and Escape on the last (so the single OK answers both), the
// error, warning and information icons (a question shows the information icon), the owner as
// the box's parent. Closing the box without a button answers the Escape button.
// Does not: more than two buttons.
#include "win32/sdl_host.h"

#include "win32/code_pages.h"

#include <vector>

namespace {

Uint32 iconFlag(UINT icon) {
    switch (icon) {
    case MB_ICONHAND:
        return SDL_MESSAGEBOX_ERROR;
    case MB_ICONEXCLAMATION:
        return SDL_MESSAGEBOX_WARNING;
    case MB_ICONQUESTION:
    case MB_ICONASTERISK:
        return SDL_MESSAGEBOX_INFORMATION;
    default:
        return 0;
    }
}

std::vector<SDL_MessageBoxButtonData> buttonsOf(UINT buttons) {
    const Uint32 both =
        SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    switch (buttons) {
    case MB_OKCANCEL:
        return {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"},
                {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"}};
    case MB_YESNO:
        return {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
                {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"}};
    default:
        return {{both, IDOK, "OK"}};
    }
}

} // namespace

namespace win32 {

int SdlHost::showMessageBox(HostWindow* owner, const HostMessageBox& box) {
    const std::string text = utf8FromAnsi(box.text);
    const std::string caption = utf8FromAnsi(box.caption);
    const std::vector<SDL_MessageBoxButtonData> buttons = buttonsOf(box.buttons);
    SDL_Window* parent = owner != nullptr ? static_cast<SdlWindow*>(owner)->sdlWindow() : nullptr;
    const SDL_MessageBoxData data{iconFlag(box.icon) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                                  parent,
                                  caption.c_str(),
                                  text.c_str(),
                                  int(buttons.size()),
                                  buttons.data(),
                                  nullptr};
    int answer = 0;
    if (SDL_ShowMessageBox(&data, &answer) != 0)
        return 0;
    return answer < 0 ? buttons.back().buttonid : answer;
}

} // namespace win32
