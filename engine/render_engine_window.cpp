// The render engine's window: the class, the fixed topmost window, client coordinates and the
// quit request.
#include "engine/render_engine.h"

namespace {

const char* const WindowClassName = "Bosquetir Window";
const char* const WindowTitle = "Bosquetir";
constexpr WORD IconResource = 101;
// Resizing, minimising and maximising are left out: the scene is exactly 640 x 480.
constexpr DWORD WindowStyle = WS_CAPTION | WS_SYSMENU;

} // namespace

bool RenderEngine::createWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IconResource));
    // No class cursor (the procedure sets the crosshair) and no background brush (the scene
    // covers the whole client area). A failed registration shows in the creation below.
    windowClass.lpszClassName = WindowClassName;
    RegisterClassExA(&windowClass);

    RECT outer{100, 100, 740, 580};
    AdjustWindowRect(&outer, WindowStyle, FALSE);
    window = CreateWindowExA(WS_EX_TOPMOST, WindowClassName, WindowTitle, WindowStyle, outer.left,
                             outer.top, outer.right - outer.left, outer.bottom - outer.top,
                             GetDesktopWindow(), nullptr, instance, nullptr);
    if (window == nullptr)
        return false;
    ShowWindow(window, SW_SHOW);
    return true;
}

void RenderEngine::toClient(const Vector2& in, Vector2& out) {
    RECT client{};
    GetClientRect(window, &client);
    out.x = in.x - float(client.left);
    out.y = in.y - float(client.top);
}

bool RenderEngine::requestQuit() {
    PostQuitMessage(0);
    return true;
}
