// The render engine's device and frame cycle: creation of the Direct3D object, the device, the
// sprite batch and the text renderer; the frame's begin and end; the release at the end.
#include "engine/render_engine.h"

#include "sprite/sprite_batch.h"
#include "text/text_renderer.h"

namespace {

constexpr UINT Direct3DVersion = 220;
constexpr D3DCOLOR Black = 0xFF000000;

} // namespace

RenderEngine::~RenderEngine() {
    if (textRenderer != nullptr)
        textRenderer->release();
    if (spriteBatch != nullptr)
        spriteBatch->release();
    if (direct3D != nullptr)
        direct3D->Release();
    if (device != nullptr)
        device->Release();
}

bool RenderEngine::initialize(WNDPROC procedure) {
    windowProc = procedure;
    if (!createWindow())
        return false;
    return initDevice();
}

bool RenderEngine::initDevice() {
    direct3D = Direct3DCreate8(Direct3DVersion);
    if (direct3D == nullptr)
        return false;
    D3DDISPLAYMODE mode{};
    if (FAILED(direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
        return false;

    // A windowed back buffer in the desktop's format, sized from the client area; no depth
    // buffer, since the scene is flat and drawn back to front.
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferFormat = mode.Format;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device);
    if (device == nullptr)
        return false;

    // The window shows black until the first game frame.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, Black, 0.0f, 0);
    device->BeginScene();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);

    if (FAILED(createSpriteBatch(device, &spriteBatch)))
        return false;
    HFONT systemFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    return SUCCEEDED(createTextRendererFromFont(device, systemFont, &textRenderer));
}

bool RenderEngine::beginFrame() {
    // The back buffer is not cleared: the background picture covers it.
    if (FAILED(device->BeginScene()))
        return false;
    if (FAILED(spriteBatch->begin()))
        return false;
    return SUCCEEDED(textRenderer->begin());
}

bool RenderEngine::endFrame() {
    if (FAILED(textRenderer->end()))
        return false;
    if (FAILED(spriteBatch->end()))
        return false;
    if (FAILED(device->EndScene()))
        return false;
    return SUCCEEDED(device->Present(nullptr, nullptr, nullptr, nullptr));
}
