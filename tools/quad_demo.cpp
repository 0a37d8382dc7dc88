// quad_demo: the software Direct3D 8 device at work. Draws a shaded background, a textured
// floor in perspective and blended, rotated quads with textures made here, presents them
// (in a window for a few seconds when there is a display, headless otherwise) and writes the
// presented frame to a PNG file whose path it prints.
//
// Usage: quad_demo [output.png]   (default: quad_demo.png in the system's temporary folder)
#include "d3d8.h"
#include "platform_ext.h"
#include "tools/png_writer.h"
#include "windows.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace {

constexpr UINT Width = 640;
constexpr UINT Height = 480;
constexpr DWORD ShowMilliseconds = 4000;

struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD ScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct WorldVertex {
    float x, y, z;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD WorldFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

uint32_t argb(double a, double r, double g, double b) {
    const auto byte = [](double v) {
        return uint32_t(std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255));
    };
    return byte(a) << 24 | byte(r) << 16 | byte(g) << 8 | byte(b);
}

// A managed A8R8G8B8 texture whose texel (x, y) is paint(x / size, y / size).
IDirect3DTexture8* makeTexture(IDirect3DDevice8* device, UINT size,
                               const std::function<uint32_t(double, double)>& paint) {
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
        for (UINT y = 0; y < size; ++y) {
            uint32_t* row =
                reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < size; ++x)
                row[x] = paint((x + 0.5) / size, (y + 0.5) / size);
        }
        texture->UnlockRect(0);
    }
    return texture;
}

struct Textures {
    IDirect3DTexture8* checker = nullptr;
    IDirect3DTexture8* disc = nullptr;
    IDirect3DTexture8* stripes = nullptr;

    bool make(IDirect3DDevice8* device) {
        checker = makeTexture(device, 64, [](double x, double y) {
            const bool dark = (int(x * 8) + int(y * 8)) % 2 == 0;
            return dark ? argb(1, 0.25, 0.45, 0.2) : argb(1, 0.8, 0.75, 0.55);
        });
        disc = makeTexture(device, 64, [](double x, double y) {
            const double r = std::hypot(x - 0.5, y - 0.5) * 2;
            return argb((1 - r) * 4, 1 - r * 0.5, 0.6 + 0.4 * r, 0.2 + r * 0.6);
        });
        stripes = makeTexture(device, 32, [](double x, double y) {
            const bool stripe = int((x + y) * 6) % 2 == 0;
            return stripe ? argb(0.85, 1, 0.9, 0.3) : argb(0.3, 0.2, 0.3, 1);
        });
        return checker != nullptr && disc != nullptr && stripes != nullptr;
    }
    void release() {
        for (IDirect3DTexture8* texture : {checker, disc, stripes})
            if (texture != nullptr)
                texture->Release();
    }
};

void setBlending(IDirect3DDevice8* device, bool on) {
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, on);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void setStage(IDirect3DDevice8* device, bool textured) {
    const DWORD op = textured ? D3DTOP_MODULATE : D3DTOP_SELECTARG2;
    device->SetTextureStageState(0, D3DTSS_COLOROP, op);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, op);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
}

void drawBackground(IDirect3DDevice8* device) {
    const ScreenVertex quad[4] = {{0, 0, 0, 1, 0xFF10203A, 0, 0},
                                  {Width, 0, 0, 1, 0xFF1A3A5C, 0, 0},
                                  {Width, Height, 0, 1, 0xFF3C6A70, 0, 0},
                                  {0, Height, 0, 1, 0xFF203848, 0, 0}};
    device->SetVertexShader(ScreenFvf);
    device->SetTexture(0, nullptr);
    setStage(device, false);
    setBlending(device, false);
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
}

// A checkered floor seen in perspective, scrolling towards the viewer.
void drawFloor(IDirect3DDevice8* device, IDirect3DTexture8* checker, double seconds) {
    const float fieldOfView = 1.0f, nearZ = 0.5f, farZ = 40.0f;
    const float yScale = 1.0f / std::tan(fieldOfView / 2), xScale = yScale * Height / Width;
    D3DMATRIX projection = {};
    projection._11 = xScale;
    projection._22 = yScale;
    projection._33 = farZ / (farZ - nearZ);
    projection._34 = 1.0f;
    projection._43 = -nearZ * farZ / (farZ - nearZ);
    D3DMATRIX identity = {};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    const float scroll = float(std::fmod(seconds * 0.5, 1.0));
    const WorldVertex floor[4] = {{-6, -1.5f, 1, 0xFFFFFFFF, 0, 6 + scroll},
                                  {6, -1.5f, 1, 0xFFFFFFFF, 6, 6 + scroll},
                                  {6, -1.5f, 25, 0xFF606060, 6, scroll},
                                  {-6, -1.5f, 25, 0xFF606060, 0, scroll}};
    device->SetVertexShader(WorldFvf);
    device->SetTexture(0, checker);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    setStage(device, true);
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, floor, sizeof(WorldVertex));
}

void drawRotatedQuad(IDirect3DDevice8* device, IDirect3DTexture8* texture, float cx, float cy,
                     float size, double angle, D3DCOLOR color) {
    const float c = float(std::cos(angle)) * size / 2, s = float(std::sin(angle)) * size / 2;
    const ScreenVertex quad[4] = {{cx - c + s, cy - s - c, 0, 1, color, 0, 0},
                                  {cx + c + s, cy + s - c, 0, 1, color, 1, 0},
                                  {cx + c - s, cy + s + c, 0, 1, color, 1, 1},
                                  {cx - c - s, cy - s + c, 0, 1, color, 0, 1}};
    device->SetTexture(0, texture);
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
}

void drawFrame(IDirect3DDevice8* device, const Textures& textures, double seconds) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 0, 0);
    device->BeginScene();
    drawBackground(device);
    drawFloor(device, textures.checker, seconds);
    device->SetVertexShader(ScreenFvf);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    setBlending(device, true);
    const struct {
        IDirect3DTexture8* texture;
        float x, y, size;
        double speed;
        D3DCOLOR tint;
    } quads[] = {
        {textures.disc, 160, 150, 180, 0.6, 0xFFFFFFFF},
        {textures.stripes, 330, 200, 150, -0.9, 0xFFFFFFFF},
        {textures.disc, 470, 130, 120, 1.3, 0xC0FF9060},
        {textures.checker, 480, 300, 110, 0.4, 0xB0FFFFFF},
        {textures.stripes, 200, 330, 90, 1.7, 0xFF80FFC0},
    };
    for (const auto& q : quads)
        drawRotatedQuad(device, q.texture, q.x, q.y, q.size, 0.3 + q.speed * seconds, q.tint);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createWindow() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "Quad Demo Window";
    if (RegisterClassExA(&windowClass) == 0)
        return nullptr;
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    RECT frame = {0, 0, LONG(Width), LONG(Height)};
    AdjustWindowRect(&frame, style, FALSE);
    return CreateWindowExA(0, windowClass.lpszClassName, "quad_demo", style, CW_USEDEFAULT,
                           CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                           nullptr, nullptr, windowClass.hInstance, nullptr);
}

// Pumps the window's messages; false once the window was closed.
bool pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            return false;
        DispatchMessageA(&message);
    }
    return true;
}

IDirect3DDevice8* createDevice(IDirect3D8* direct3D, HWND window) {
    D3DDISPLAYMODE mode;
    if (FAILED(direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
        return nullptr;
    D3DPRESENT_PARAMETERS parameters = {};
    // In a window the back buffer takes its client size; headless it is given.
    parameters.BackBufferWidth = window != nullptr ? 0 : Width;
    parameters.BackBufferHeight = window != nullptr ? 0 : Height;
    parameters.BackBufferFormat = mode.Format;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    IDirect3DDevice8* device = nullptr;
    direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device);
    if (device != nullptr) {
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    }
    return device;
}

int run(const std::string& path) {
    const HWND window = platform_ext::hasDisplay() ? createWindow() : nullptr;
    IDirect3D8* direct3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (direct3D == nullptr) {
        std::fprintf(stderr, "quad_demo: no Direct3D 8\n");
        return 1;
    }
    IDirect3DDevice8* device = createDevice(direct3D, window);
    Textures textures;
    int status = 1;
    if (device == nullptr) {
        std::fprintf(stderr, "quad_demo: the device could not be created\n");
    } else if (!textures.make(device)) {
        std::fprintf(stderr, "quad_demo: the textures could not be created\n");
    } else {
        if (window != nullptr) {
            const DWORD start = GetTickCount();
            while (pumpMessages() && GetTickCount() - start < ShowMilliseconds)
                drawFrame(device, textures, (GetTickCount() - start) / 1000.0);
        } else {
            drawFrame(device, textures, 1.0);
        }
        platform_ext::PresentedFrame frame;
        std::string error;
        if (!platform_ext::lastPresentedFrame(device, &frame)) {
            std::fprintf(stderr, "quad_demo: nothing was presented\n");
        } else if (!tools::writePng(path, frame.pixels.data(), frame.width, frame.height,
                                    frame.width, false, &error)) {
            std::fprintf(stderr, "quad_demo: %s\n", error.c_str());
        } else {
            std::printf("quad_demo: %ux%u frame %s, written to %s\n", frame.width, frame.height,
                        window != nullptr ? "shown in a window" : "drawn headless", path.c_str());
            status = 0;
        }
    }
    textures.release();
    if (device != nullptr)
        device->Release();
    direct3D->Release();
    if (window != nullptr)
        DestroyWindow(window);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    std::string path;
    if (argc > 1) {
        path = argv[1];
    } else {
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
        path = ((error ? std::filesystem::path("/tmp") : folder) / "quad_demo.png").string();
    }
    return run(path);
}
